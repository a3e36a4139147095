#pragma once
// A read-ahead window on the chunk spool. While the file is laid out, each
// stream's chunks are taken from the spool in rising order, a few at a time
// between the other streams' chunks; one large read per window keeps that to
// a handful of system calls instead of one per chunk.

#include <cstddef>
#include <cstdint>
#include <memory>

class CAviSpoolWindow {
public:
    explicit CAviSpoolWindow(size_t capacity) : m_capacity(capacity) {}

    // `size` bytes of `fd` from `offset` on, valid until the next call; null
    // when they cannot be read.
    const uint8_t* Get(int fd, uint64_t offset, size_t size);

private:
    size_t m_capacity;
    std::unique_ptr<uint8_t[]> m_data;
    size_t m_allocated = 0;
    uint64_t m_start = 0; // spool offset of m_data[0]
    size_t m_filled = 0;
};
