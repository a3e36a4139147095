#pragma once
// The file being written: sequential output through a large buffer, plus
// copies of byte ranges from other descriptors (the chunk spool, input files).
// Large ranges are copied inside the kernel where the file systems allow it;
// small ones (a single chunk) are read straight into the buffer, which costs
// one system call and no extra flush.

#include "platform/CReplacingFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CAviOutputFile {
public:
    CAviOutputFile() = default;
    ~CAviOutputFile();
    CAviOutputFile(const CAviOutputFile&) = delete;
    CAviOutputFile& operator=(const CAviOutputFile&) = delete;

    // Creates the file under a temporary name beside `path`; an existing
    // file there stays until Close. False with a reason on failure (also
    // when `path` names no regular file).
    bool Create(const std::string& path, std::string* error);
    // Flushes, closes and puts the file in place of `path`; false when data
    // could not be written (nothing is put in place then).
    bool Close();
    // Closes and removes what was written; `path` is as it was.
    void Discard();
    bool IsOpen() const { return m_fd >= 0; }

    bool Write(const void* data, size_t size);
    // Appends `size` bytes of `fd` starting at `offset`.
    bool CopyFrom(int fd, uint64_t offset, uint64_t size);
    bool Flush();

    uint64_t Position() const { return m_written + m_used; }
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }

private:
    bool WriteAll(const void* data, size_t size);
    bool KernelCopy(int fd, uint64_t& offset, uint64_t& size);
    bool BufferedCopy(int fd, uint64_t offset, uint64_t size);
    bool Fail(const std::string& what);

    CReplacingFile m_file;
    int m_fd = -1;
    uint64_t m_written = 0;
    bool m_kernelCopy = true; // copy_file_range still worth trying
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_used = 0;
    std::string m_error;
};
