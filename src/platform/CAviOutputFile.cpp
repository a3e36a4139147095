#include "platform/CAviOutputFile.h"

#include "platform/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 4u << 20;
// Below this a copy goes through the buffer: two system calls per chunk (a
// flush and copy_file_range) cost more than the copy in memory. Above it the
// kernel's copy wins (measured on ext4 with video chunks of 720p movies: a
// third less CPU time at 64 KiB, where reading into the buffer and writing it
// copies every byte twice).
constexpr uint64_t kKernelCopyMin = 64u << 10;
} // namespace

CAviOutputFile::~CAviOutputFile() {
    // A file that was never closed is not finished.
    Discard();
}

bool CAviOutputFile::Create(const std::string& path, std::string* error) {
    if (!m_file.Open(path, error))
        return false;
    m_fd = m_file.Descriptor();
    m_written = 0;
    m_used = 0;
    m_error.clear();
    m_buffer.reset(new uint8_t[kBufferSize]);
    return true;
}

bool CAviOutputFile::Close() {
    if (m_fd < 0)
        return !Failed();
    Flush();
    m_fd = -1;
    m_buffer.reset();
    m_used = 0;
    std::string error;
    if (Failed())
        m_file.Abandon();
    else if (!m_file.Commit(&error))
        Fail(error);
    return !Failed();
}

void CAviOutputFile::Discard() {
    m_file.Abandon();
    m_fd = -1;
    m_buffer.reset();
    m_used = 0;
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
    const bool ok = m_used == 0 || WriteAll(m_buffer.get(), m_used);
    m_used = 0;
    return ok;
}

bool CAviOutputFile::Write(const void* data, size_t size) {
    if (Failed() || m_fd < 0)
        return false;
    if (m_used + size > kBufferSize && !Flush())
        return false;
    if (size >= kBufferSize)
        return WriteAll(data, size);
    if (size > 0)
        std::memcpy(m_buffer.get() + m_used, data, size);
    m_used += size;
    return true;
}

bool CAviOutputFile::CopyFrom(int fd, uint64_t offset, uint64_t size) {
    if (Failed() || m_fd < 0)
        return false;
    if (size >= kKernelCopyMin && m_kernelCopy) {
        if (!Flush() || !KernelCopy(fd, offset, size))
            return false;
    }
    return BufferedCopy(fd, offset, size);
}

// Copies as much as the kernel will; leaves the rest in offset/size when it
// cannot copy between these two files at all.
bool CAviOutputFile::KernelCopy(int fd, uint64_t& offset, uint64_t& size) {
    while (size > 0 && m_kernelCopy) {
        loff_t in = static_cast<loff_t>(offset);
        const ssize_t n = m_copyCall(fd, &in, m_fd, nullptr, static_cast<size_t>(size), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 &&
            (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)) {
            m_kernelCopy = false;
            break;
        }
        if (n <= 0)
            return Fail(n < 0 ? std::string("cannot write the file: ") + std::strerror(errno)
                              : std::string("the data to copy ended early"));
        offset += static_cast<uint64_t>(n);
        size -= static_cast<uint64_t>(n);
        m_written += static_cast<uint64_t>(n);
    }
    return true;
}

bool CAviOutputFile::BufferedCopy(int fd, uint64_t offset, uint64_t size) {
    while (size > 0) {
        if (m_used == kBufferSize && !Flush())
            return false;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, kBufferSize - m_used));
        if (ReadFullyAt(fd, m_buffer.get() + m_used, want, offset) != static_cast<int64_t>(want))
            return Fail("cannot read the data to copy");
        m_used += want;
        offset += want;
        size -= want;
    }
    return true;
}
