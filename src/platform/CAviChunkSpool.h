#pragma once
// Where the writer keeps chunk data until the file is closed: an unnamed
// scratch file in the output's directory (same file system, so the final copy
// can stay inside the kernel). Chunks are stored complete with their 8-byte
// header and pad byte, exactly as they will appear in `movi`, so runs of them
// can be copied to the output in one piece. Appends go through a large buffer
// so that small chunks cost no system call each.
//
// The scratch file is unlinked as soon as it is made: it disappears with the
// descriptor, even when the process dies.
//
// Chunks copied unchanged out of another AVI file need not wait here at all:
// the spool then only keeps that file open (and registered as open for
// reading, so nobody truncates it meanwhile), and the chunk's bytes are read
// from it when the output is laid out. Each chunk has an origin: 0 for the
// scratch file, otherwise the number of the input file it lies in.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CReadOnlyFile;

class CAviChunkSpool {
public:
    CAviChunkSpool() = default;
    ~CAviChunkSpool();
    CAviChunkSpool(const CAviChunkSpool&) = delete;
    CAviChunkSpool& operator=(const CAviChunkSpool&) = delete;

    // Makes the scratch file in `directory`. False with a reason on failure.
    bool Open(const std::string& directory, std::string* error);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Appends one chunk record (id, size, data, pad byte when size is odd).
    // Returns the spool offset of the record's header; -1 after a write
    // failure (the spool is then unusable; see Error()).
    int64_t AppendChunk(uint32_t id, const void* data, uint32_t size);

    // The origin number of an input file, kept open until Close.
    uint32_t AddSource(const std::shared_ptr<const CReadOnlyFile>& file);

    // Reads back bytes of a chunk's origin (buffered data included).
    bool Read(uint32_t origin, uint64_t offset, void* out, size_t size);
    // The input file of an origin; null for the scratch file or an unknown origin.
    const CReadOnlyFile* Source(uint32_t origin) const;

    // Writes the buffered records to the scratch file.
    bool Flush();

    uint64_t Size() const { return m_flushed + m_buffer.size(); }
    int Fd() const { return m_fd; }
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }

private:
    bool WriteAll(const void* data, size_t size);
    bool Fail(const std::string& what);

    int m_fd = -1;
    uint64_t m_flushed = 0; // bytes already in the scratch file
    std::vector<uint8_t> m_buffer;
    std::string m_error;
    std::vector<std::shared_ptr<const CReadOnlyFile>> m_sources; // origin n is m_sources[n - 1]
};
