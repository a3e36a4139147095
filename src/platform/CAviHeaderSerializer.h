#pragma once
// The header of a written AVI file: "RIFF AVI " with its `hdrl` list (`avih`,
// one `strl` per stream, the OpenDML `indx` and `odml` records or JUNK of the
// same size in their place). The size never depends on the values, so the
// layout can be planned with a draft and the real header written over it.

#include "platform/AviTypes.h"

#include <cstdint>
#include <vector>

struct AviMainHeader {
    uint32_t dwMicroSecPerFrame = 0;
    uint32_t dwMaxBytesPerSec = 0;
    uint32_t dwFlags = 0;
    uint32_t dwTotalFrames = 0;
    uint32_t dwStreams = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
};

struct AviSuperIndexEntry {
    uint64_t qwOffset = 0; // position of the ix## chunk
    uint32_t dwSize = 0;   // its size, header included
    uint32_t dwDuration = 0;
};

struct AviHeaderStream {
    AviStreamInfo info; // as written: length and buffer size final
    const std::vector<uint8_t>* format = nullptr;
    uint32_t chunkId = 0;
    std::vector<AviSuperIndexEntry> superIndex;
};

constexpr uint32_t AVIF_HASINDEX = 0x10;
constexpr uint32_t AVIF_ISINTERLEAVED = 0x100;

class CAviHeaderSerializer {
public:
    // Entries reserved in each stream's super index.
    explicit CAviHeaderSerializer(uint32_t reservedEntries) : m_reserved(reservedEntries) {}

    // Everything before the first `LIST movi`. With openDml false the indx
    // and odml places are JUNK. riffSize is the first RIFF's size field.
    std::vector<uint8_t> Build(const AviMainHeader& main, const std::vector<AviHeaderStream>& streams,
                               bool openDml, uint32_t dmlhTotalFrames, uint32_t riffSize) const;

    // "ix##": the id of a stream's standard index chunks.
    static uint32_t IndexChunkId(int stream);

private:
    uint32_t m_reserved;
};
