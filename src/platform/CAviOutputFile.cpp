#include "platform/CAviOutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 4u << 20;
} // namespace

CAviOutputFile::~CAviOutputFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CAviOutputFile::Create(const std::string& path, std::string* error) {
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        if (error)
            *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    m_written = 0;
    m_error.clear();
    m_buffer.reserve(kBufferSize);
    return true;
}

bool CAviOutputFile::Close() {
    if (m_fd < 0)
        return !Failed();
    Flush();
    if (::close(m_fd) != 0)
        Fail(std::string("cannot finish the file: ") + std::strerror(errno));
    m_fd = -1;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    return !Failed();
}

bool CAviOutputFile::Fail(const std::string& what) {
    if (m_error.empty())
        m_error = what;
    return false;
}

bool CAviOutputFile::WriteAll(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(std::string("cannot write the file: ") +
                        (n < 0 ? std::strerror(errno) : "no space left"));
        p += n;
        size -= static_cast<size_t>(n);
        m_written += static_cast<uint64_t>(n);
    }
    return true;
}

bool CAviOutputFile::Flush() {
    if (Failed() || m_fd < 0)
        return false;
    bool ok = m_buffer.empty() || WriteAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

bool CAviOutputFile::Write(const void* data, size_t size) {
    if (Failed() || m_fd < 0)
        return false;
    if (m_buffer.size() + size > kBufferSize && !Flush())
        return false;
    if (size >= kBufferSize)
        return WriteAll(data, size);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    m_buffer.insert(m_buffer.end(), p, p + size);
    return true;
}

bool CAviOutputFile::WriteZeros(size_t size) {
    static const uint8_t zeros[4096] = {};
    while (size > 0) {
        size_t n = std::min(size, sizeof zeros);
        if (!Write(zeros, n))
            return false;
        size -= n;
    }
    return true;
}

bool CAviOutputFile::CopyFrom(int fd, uint64_t offset, uint64_t size) {
    if (Failed() || m_fd < 0)
        return false;
    if (!Flush())
        return false;
    while (size > 0 && m_kernelCopy) {
        loff_t in = static_cast<loff_t>(offset);
        ssize_t n = ::copy_file_range(fd, &in, m_fd, nullptr, static_cast<size_t>(size), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 &&
            (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)) {
            m_kernelCopy = false;
            break;
        }
        if (n <= 0)
            return Fail(std::string("cannot write the file: ") +
                        (n < 0 ? std::strerror(errno) : "no space left"));
        offset += static_cast<uint64_t>(n);
        size -= static_cast<uint64_t>(n);
        m_written += static_cast<uint64_t>(n);
    }
    // Plain reads and writes where the kernel cannot copy between the files.
    std::unique_ptr<uint8_t[]> chunk;
    const size_t chunkSize = kBufferSize;
    while (size > 0) {
        if (!chunk)
            chunk.reset(new uint8_t[chunkSize]);
        size_t want = static_cast<size_t>(std::min<uint64_t>(size, chunkSize));
        ssize_t n = ::pread(fd, chunk.get(), want, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(std::string("cannot read the scratch file: ") +
                        (n < 0 ? std::strerror(errno) : "unexpected end"));
        if (!WriteAll(chunk.get(), static_cast<size_t>(n)))
            return false;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<uint64_t>(n);
    }
    return true;
}
