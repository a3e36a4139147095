#include "platform/CAviChunkSpool.h"

#include "platform/COpenFileRegistry.h"
#include "platform/CReadOnlyFile.h"
#include "platform/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 4u << 20;

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
} // namespace

CAviChunkSpool::~CAviChunkSpool() {
    Close();
}

bool CAviChunkSpool::Open(const std::string& directory, std::string* error) {
    Close();
    m_error.clear();
    m_flushed = 0;
    m_buffer.clear();
    std::string dir = directory.empty() ? std::string(".") : directory;
#ifdef O_TMPFILE
    m_fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (m_fd < 0) {
        // File systems without unnamed files: make a named one and unlink it
        // at once.
        std::string templ = dir + "/.flintmoor-spool-XXXXXX";
        std::vector<char> name(templ.begin(), templ.end());
        name.push_back('\0');
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd >= 0)
            ::unlink(name.data());
    }
    if (m_fd < 0) {
        if (error)
            *error = "cannot create a scratch file in " + dir + ": " + std::strerror(errno);
        return false;
    }
    m_buffer.reserve(kBufferSize);
    return true;
}

void CAviChunkSpool::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    for (const auto& source : m_sources)
        COpenFileRegistry::Remove(source->Path());
    m_sources.clear();
}

uint32_t CAviChunkSpool::AddSource(const std::shared_ptr<const CReadOnlyFile>& file) {
    for (size_t i = 0; i < m_sources.size(); ++i)
        if (m_sources[i] == file)
            return static_cast<uint32_t>(i + 1);
    COpenFileRegistry::Add(file->Path());
    m_sources.push_back(file);
    return static_cast<uint32_t>(m_sources.size());
}

const CReadOnlyFile* CAviChunkSpool::Source(uint32_t origin) const {
    return origin > 0 && origin <= m_sources.size() ? m_sources[origin - 1].get() : nullptr;
}

bool CAviChunkSpool::Fail(const std::string& what) {
    if (m_error.empty())
        m_error = what;
    return false;
}

bool CAviChunkSpool::WriteAll(const void* data, size_t size) {
    std::string reason;
    if (!WriteFully(m_fd, data, size, static_cast<int64_t>(m_flushed), reason))
        return Fail("cannot write the scratch file: " + reason);
    m_flushed += size;
    return true;
}

bool CAviChunkSpool::Flush() {
    if (Failed() || m_fd < 0)
        return false;
    if (m_buffer.empty())
        return true;
    bool ok = WriteAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

int64_t CAviChunkSpool::AppendChunk(uint32_t id, const void* data, uint32_t size) {
    if (Failed() || m_fd < 0)
        return -1;
    const int64_t at = static_cast<int64_t>(Size());
    uint8_t header[8];
    PutLe32(header, id);
    PutLe32(header + 4, size);
    const size_t pad = size & 1u;
    const size_t record = 8 + static_cast<size_t>(size) + pad;
    if (m_buffer.size() + record > kBufferSize && !Flush())
        return -1;
    if (record <= kBufferSize) {
        m_buffer.insert(m_buffer.end(), header, header + 8);
        const uint8_t* p = static_cast<const uint8_t*>(data);
        if (size > 0)
            m_buffer.insert(m_buffer.end(), p, p + size);
        if (pad)
            m_buffer.push_back(0);
        return at;
    }
    // A chunk larger than the buffer goes straight to the file.
    if (!WriteAll(header, 8) || !WriteAll(data, size))
        return -1;
    if (pad) {
        const uint8_t zero = 0;
        if (!WriteAll(&zero, 1))
            return -1;
    }
    return at;
}

bool CAviChunkSpool::Read(uint32_t origin, uint64_t offset, void* out, size_t size) {
    if (origin > 0)
        return origin <= m_sources.size() && m_sources[origin - 1]->ReadAt(offset, out, size);
    if (m_fd < 0 || offset + size > Size())
        return false;
    uint8_t* dst = static_cast<uint8_t*>(out);
    // Part in the scratch file.
    if (offset < m_flushed) {
        const size_t part = static_cast<size_t>(std::min<uint64_t>(size, m_flushed - offset));
        if (ReadFullyAt(m_fd, dst, part, offset) != static_cast<int64_t>(part))
            return false;
        dst += part;
        offset += part;
        size -= part;
    }
    // Part still in the buffer.
    if (size > 0)
        std::memcpy(dst, m_buffer.data() + (offset - m_flushed), size);
    return true;
}
