#pragma once
// Where every chunk of a finished file goes: the play-time order of the
// chunks of all streams (so the file is interleaved whatever order they were
// written in), and its cut into RIFF parts that stay below the size limit.
// Pure arithmetic on the streams' indexes; the writer does the copying.

#include <cstddef>
#include <cstdint>
#include <vector>

class CAviStreamIndex;

struct AviMuxStream {
    const CAviStreamIndex* index = nullptr;
    uint32_t rate = 0;
    uint32_t scale = 0;
};

// One per chunk of the file, so kept small: where a chunk lies follows from
// the items before it in its part (each takes RecordSize of its chunk).
struct AviMuxItem {
    uint32_t stream = 0;
    uint32_t chunk = 0;
};

struct AviMuxPart {
    uint64_t start = 0;    // position of "RIFF"
    uint64_t moviList = 0; // position of "LIST" of this part's movi; its chunks start 12 bytes on
    size_t firstItem = 0;  // items [firstItem, endItem) lie in this part
    size_t endItem = 0;
    std::vector<uint32_t> chunksPerStream;
    std::vector<uint64_t> ixPos; // position of each stream's ix## (0: none)
    uint64_t moviEnd = 0;        // end of the movi list (after the ix## chunks)
    uint64_t end = 0;            // end of the RIFF (after idx1 in the first part)
};

class CAviMuxPlan {
public:
    // Chunks of all streams in play-time order (ties: lower stream first).
    void Order(const std::vector<AviMuxStream>& streams);

    // Cuts the ordered chunks into RIFF parts of at most `limit` bytes where
    // possible (a part always takes at least one chunk). `headerSize` is the
    // size of everything in the first RIFF before its movi list. The ix##
    // chunks are placed (and sized for) in every part, but only written when
    // there is more than one part.
    void Place(const std::vector<AviMuxStream>& streams, uint64_t headerSize, uint64_t limit);

    bool IsOpenDml() const { return m_parts.size() > 1; }
    const std::vector<AviMuxItem>& Items() const { return m_items; }
    const std::vector<AviMuxPart>& Parts() const { return m_parts; }

    static uint64_t StandardIndexSize(uint32_t entries) { return 32 + 8ull * entries; }
    static uint64_t RecordSize(uint32_t dataSize) { return 8ull + dataSize + (dataSize & 1u); }

private:
    std::vector<AviMuxItem> m_items;
    std::vector<AviMuxPart> m_parts;
};
