#include "platform/CAviOutputFile.h"

#include "platform/FdIo.h"

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
    std::string reason;
    if (!WriteFully(m_fd, data, size, -1, reason))
        return Fail("cannot write the file: " + reason);
    m_written += size;
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
            return Fail(n < 0 ? std::string("cannot write the file: ") + std::strerror(errno)
                              : std::string("the scratch file ended early"));
        offset += static_cast<uint64_t>(n);
        size -= static_cast<uint64_t>(n);
        m_written += static_cast<uint64_t>(n);
    }
    // Plain reads and writes where the kernel cannot copy between the files.
    std::unique_ptr<uint8_t[]> chunk;
    while (size > 0) {
        if (!chunk)
            chunk.reset(new uint8_t[kBufferSize]);
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, kBufferSize));
        if (ReadFullyAt(fd, chunk.get(), want, offset) != static_cast<int64_t>(want))
            return Fail("cannot read the scratch file back");
        if (!WriteAll(chunk.get(), want))
            return false;
        offset += want;
        size -= want;
    }
    return true;
}
