#include "platform/CReadOnlyFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CReadOnlyFile::~CReadOnlyFile() {
    Close();
}

bool CReadOnlyFile::Open(const std::string& path, std::string* error) {
    Close();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error)
            *error = "cannot open the file: " + std::string(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error)
            *error = "not a regular file (a pipe, a device or a folder)";
        return false;
    }
    m_fd = fd;
    m_size = static_cast<uint64_t>(st.st_size);
    m_path = path;
    return true;
}

void CReadOnlyFile::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_path.clear();
}

size_t CReadOnlyFile::ReadSome(uint64_t offset, void* buffer, size_t size) const {
    if (m_fd < 0 || offset >= m_size)
        return 0;
    if (size > m_size - offset)
        size = static_cast<size_t>(m_size - offset);
    auto* dst = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(m_fd, dst + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool CReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t size) const {
    if (size == 0)
        return Contains(offset, 0);
    return Contains(offset, size) && ReadSome(offset, buffer, size) == size;
}

bool CReadOnlyFile::StillContains(uint64_t offset, uint64_t size) const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || st.st_size < 0)
        return false;
    const uint64_t now = std::min(m_size, static_cast<uint64_t>(st.st_size));
    return offset <= now && size <= now - offset;
}
