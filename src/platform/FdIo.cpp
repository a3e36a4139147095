#include "platform/FdIo.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

int64_t ReadFullyAt(int fd, void* buffer, size_t size, uint64_t offset) {
    uint8_t* p = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool WriteFully(int fd, const void* data, size_t size, int64_t offset, std::string& error) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = offset < 0 ? ::write(fd, p + done, size - done)
                                     : ::pwrite(fd, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "no space left";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}
