#pragma once
// A little-endian byte buffer for RIFF structures: plain fields, chunks and
// lists whose size fields are filled in when they are ended.

#include <cstddef>
#include <cstdint>
#include <vector>

class CRiffBuilder {
public:
    void Put8(uint8_t v) { m_bytes.push_back(v); }
    void Put16(uint16_t v);
    void Put32(uint32_t v);
    void Put64(uint64_t v);
    void PutBytes(const void* data, size_t size);
    void PutZeros(size_t size) { m_bytes.insert(m_bytes.end(), size, 0); }

    // id + size placeholder; the size is set by EndChunk (with the pad byte
    // for odd sizes appended).
    void BeginChunk(uint32_t id);
    void EndChunk();
    // "LIST"/"RIFF" + size placeholder + type.
    void BeginList(uint32_t listId, uint32_t type);
    void EndList() { EndChunk(); }

    // A complete chunk in one go.
    void PutChunk(uint32_t id, const void* data, size_t size);
    // A "JUNK" chunk filling exactly `totalBytes` (>= 8) including its header.
    void PutJunk(size_t totalBytes);

    void Patch32(size_t at, uint32_t v);
    size_t Size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    std::vector<size_t> m_open; // positions of the open size fields
};
