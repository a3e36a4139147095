#pragma once
// The chunks of all streams as an index (idx1, OpenDML or a walk of movi)
// describes them, before they are handed to the per-stream indexes. Indexes
// come from the file and may lie, so the list can check itself against the
// file: every chunk inside a movi list, no two chunks overlapping, and a
// sample of chunk headers really where the index says.

#include "platform/AviLayout.h"

#include <cstdint>
#include <string>
#include <vector>

class CReadOnlyFile;

struct AviChunkRef {
    uint64_t dataPos = 0; // first data byte; the 8-byte header lies before it
    uint32_t size = 0;
    uint16_t stream = 0;
    bool key = false;
};

class CAviChunkList {
public:
    // At most `maxEntries` chunks are taken; Add returns false beyond that.
    explicit CAviChunkList(uint64_t maxEntries) : m_max(maxEntries) {}

    bool Add(const AviChunkRef& ref);
    void Clear() { m_chunks.clear(); }
    size_t Size() const { return m_chunks.size(); }
    const std::vector<AviChunkRef>& Chunks() const { return m_chunks; }

    // False with a reason when the index cannot describe this file.
    bool Validate(const CReadOnlyFile& file, const std::vector<AviMoviList>& movis, std::string* why) const;
    // The end of the chunk that lies last in the file (0 when empty).
    uint64_t LastEnd() const;

private:
    bool HeaderMatches(const CReadOnlyFile& file, const AviChunkRef& ref) const;

    uint64_t m_max;
    std::vector<AviChunkRef> m_chunks;
};
