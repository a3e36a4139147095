#pragma once
// A file opened for positioned reads (pread) on one descriptor. Reads at an
// explicit offset keep no shared position, so several threads may read at
// once; nothing is mapped, so files of any size work.

#include <cstddef>
#include <cstdint>
#include <string>

class CReadOnlyFile {
public:
    CReadOnlyFile() = default;
    ~CReadOnlyFile();
    CReadOnlyFile(const CReadOnlyFile&) = delete;
    CReadOnlyFile& operator=(const CReadOnlyFile&) = delete;

    // False with a reason when the path is no readable regular file.
    bool Open(const std::string& path, std::string* error);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    uint64_t Size() const { return m_size; }
    const std::string& Path() const { return m_path; }
    // For copies that stay inside the kernel (copy_file_range).
    int Fd() const { return m_fd; }

    // Exactly `size` bytes at `offset`; false when they are not all there.
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const;
    // Up to `size` bytes at `offset`, fewer at the end of the file.
    size_t ReadSome(uint64_t offset, void* buffer, size_t size) const;

    // True when [offset, offset + size) lies inside the file as it is now,
    // not as it was opened (someone may have cut it since).
    bool StillContains(uint64_t offset, uint64_t size) const;

    // True when [offset, offset + size) lies inside the file (no overflow).
    bool Contains(uint64_t offset, uint64_t size) const {
        return offset <= m_size && size <= m_size - offset;
    }

private:
    int m_fd = -1;
    uint64_t m_size = 0;
    std::string m_path;
};
