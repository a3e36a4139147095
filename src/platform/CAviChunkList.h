#pragma once
// The chunks of all streams as an index (idx1, OpenDML or a walk of movi)
// describes them, before they are handed to the per-stream indexes. Indexes
// come from the file and may lie, so the list can check itself against the
// file: every chunk inside a movi list, no two chunks overlapping, and a
// sample of chunk headers really where the index says.
//
// The chunks are kept per stream, in the packed form the stream indexes use,
// so that each stream's part is handed over as it is: opening a long movie
// holds its chunk list once, not once here and again in the streams.

#include "platform/AviIndexEntry.h"
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
    CAviChunkList(size_t streams, uint64_t maxEntries) : m_streams(streams), m_max(maxEntries) {}

    // False beyond the maximum, and for a stream the list does not have or a
    // position no file can have.
    bool Add(const AviChunkRef& ref);
    // Room for `count` more chunks of a stream, when an index says how many follow.
    void Reserve(uint16_t stream, uint64_t count);
    void Clear();
    size_t Size() const { return m_size; }
    size_t StreamCount() const { return m_streams.size(); }
    const std::vector<AviPackedEntry>& Stream(size_t stream) const { return m_streams[stream]; }
    // Hands a stream's chunks over; the list keeps none of them.
    std::vector<AviPackedEntry> TakeStream(size_t stream);

    // False with a reason when the index cannot describe this file.
    bool Validate(const CReadOnlyFile& file, const std::vector<AviMoviList>& movis, std::string* why) const;
    // The end of the chunk that lies last in the file (0 when empty).
    uint64_t LastEnd() const;

private:
    bool NoOverlaps() const;

    std::vector<std::vector<AviPackedEntry>> m_streams;
    uint64_t m_max;
    size_t m_size = 0;
};
