#pragma once
// The file being written: sequential output through a large buffer, plus
// copies of byte ranges from other descriptors (the chunk spool, input files).
// Ranges of 64 KiB and more (a large video chunk, a run of spooled chunks)
// are copied inside the kernel where the file systems allow it; smaller ones
// are read straight into the buffer, which costs one system call and no
// extra flush. The rest goes out in writes of the whole buffer.

#include "platform/CReplacingFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <unistd.h>

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

    // The kernel's copy between two files: copy_file_range unless replaced.
    // Where the file systems cannot copy between the two files it fails with
    // EXDEV, ENOSYS, EINVAL or EOPNOTSUPP, and the copies go through the
    // buffer from then on.
    using KernelCopyCall = ssize_t (*)(int inFd, loff_t* inOffset, int outFd, loff_t* outOffset, size_t size,
                                       unsigned flags);
    void SetKernelCopyCall(KernelCopyCall call) { m_copyCall = call; }

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
    bool m_kernelCopy = true; // the kernel's copy still worth trying
    KernelCopyCall m_copyCall = ::copy_file_range;
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_used = 0;
    std::string m_error;
};
