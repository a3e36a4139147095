#include "platform/CAviSpoolWindow.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

const uint8_t* CAviSpoolWindow::Get(int fd, uint64_t offset, size_t size) {
    if (offset >= m_start && offset + size <= m_start + m_filled)
        return m_data.get() + (offset - m_start);
    const size_t want = std::max(m_capacity, size);
    if (want > m_allocated) {
        m_data.reset(new uint8_t[want]);
        m_allocated = want;
    }
    m_start = offset;
    m_filled = 0;
    // Fill as much of the window as the spool holds; at least `size` bytes.
    while (m_filled < want) {
        ssize_t n =
            ::pread(fd, m_data.get() + m_filled, want - m_filled, static_cast<off_t>(offset + m_filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        m_filled += static_cast<size_t>(n);
    }
    return m_filled >= size ? m_data.get() : nullptr;
}
