#pragma once
// Whole reads and writes on a file descriptor: the loops around pread/write
// that retry after signals and short transfers.

#include <cstddef>
#include <cstdint>
#include <string>

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
// Returns the bytes read, or -1 on an error (errno set).
int64_t ReadFullyAt(int fd, void* buffer, size_t size, uint64_t offset);

// Writes all `size` bytes, at `offset` or, when it is negative, at the file
// position. False with the reason in `error` when the data did not all fit.
bool WriteFully(int fd, const void* data, size_t size, int64_t offset, std::string& error);
