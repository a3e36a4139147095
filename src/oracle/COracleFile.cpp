#include "oracle/COracleFile.h"

#include "platform/FdIo.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

void EncodeLittleEndian(double value, unsigned char bytes[8]) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
}

double DecodeLittleEndian(const unsigned char bytes[8]) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= uint64_t(bytes[i]) << (8 * i);
    }
    return std::bit_cast<double>(bits);
}

} // namespace

COracleFile::~COracleFile() {
    Close();
}

bool COracleFile::OpenRead(const std::string& path) {
    Close();
    std::error_code ec;
    // A directory can be opened for reading on Linux but holds no values.
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        return false;
    }
    m_pFile = std::fopen(path.c_str(), "rb");
    if (m_pFile == nullptr) {
        return false;
    }
    const auto length = std::filesystem::file_size(path, ec);
    m_nLength = ec ? 0 : static_cast<int64_t>(length);
    m_bWriting = false;
    m_bWriteFailed = false;
    return true;
}

bool COracleFile::Create(const std::string& path) {
    Close();
    if (!m_out.Open(path, nullptr)) {
        return false;
    }
    m_nLength = 0;
    m_bWriting = true;
    m_bWriteFailed = false;
    return true;
}

bool COracleFile::ReadDouble(double* value) {
    unsigned char bytes[8];
    if (m_pFile == nullptr || m_bWriting || std::fread(bytes, 1, 8, m_pFile) != 8) {
        return false;
    }
    *value = DecodeLittleEndian(bytes);
    return true;
}

bool COracleFile::AppendDouble(double value) {
    if (!m_out.IsOpen() || !m_bWriting) {
        return false;
    }
    unsigned char bytes[8];
    EncodeLittleEndian(value, bytes);
    std::string error;
    if (!WriteFully(m_out.Descriptor(), bytes, 8, -1, error)) {
        m_bWriteFailed = true;
        return false;
    }
    return true;
}

bool COracleFile::Close() {
    bool ok = true;
    if (m_bWriting) {
        ok = !m_bWriteFailed && m_out.Commit(nullptr);
        m_out.Abandon();
    } else if (m_pFile != nullptr) {
        std::fclose(m_pFile);
    }
    m_pFile = nullptr;
    m_bWriting = false;
    m_bWriteFailed = false;
    m_nLength = 0;
    return ok;
}

bool COracleFile::Delete(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::remove(path, ec) && !ec;
}
