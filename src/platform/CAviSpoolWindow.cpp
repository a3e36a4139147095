#include "platform/CAviSpoolWindow.h"

#include "platform/FdIo.h"

#include <algorithm>

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
    const int64_t got = ReadFullyAt(fd, m_data.get(), want, offset);
    m_filled = got > 0 ? static_cast<size_t>(got) : 0;
    return m_filled >= size ? m_data.get() : nullptr;
}
