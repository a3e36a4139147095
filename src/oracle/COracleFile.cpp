#include "oracle/COracleFile.h"

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
    if (path.empty()) {
        return false;
    }
    m_pFile = std::fopen(path.c_str(), "wb");
    if (m_pFile == nullptr) {
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
    if (m_pFile == nullptr || !m_bWriting) {
        return false;
    }
    unsigned char bytes[8];
    EncodeLittleEndian(value, bytes);
    if (std::fwrite(bytes, 1, 8, m_pFile) != 8) {
        m_bWriteFailed = true;
        return false;
    }
    return true;
}

bool COracleFile::Close() {
    if (m_pFile == nullptr) {
        return true;
    }
    bool ok = !m_bWriteFailed;
    if (m_bWriting && std::fflush(m_pFile) != 0) {
        ok = false;
    }
    if (std::fclose(m_pFile) != 0 && m_bWriting) {
        ok = false;
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
