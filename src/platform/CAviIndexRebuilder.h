#pragma once
// Rebuilds the chunk index of a file whose index is missing or wrong by
// walking its movi lists chunk by chunk. A file cut short keeps every
// complete chunk. Where the walk meets something that is no chunk, it skips
// forward to the next plausible chunk header; it only ever moves forward, so
// the work stays proportional to the file size.

#include "platform/AviLayout.h"
#include "platform/CAviChunkList.h"
#include "platform/CAviKeyFrameSniffer.h"
#include "platform/IAviFile.h"

#include <vector>

class CReadOnlyFile;

class CAviIndexRebuilder {
public:
    CAviIndexRebuilder(const CReadOnlyFile& file, const AviLayout& layout, AviReadReport& report);

    void Rebuild(CAviChunkList& list);

private:
    struct Header {
        FOURCC id = 0;
        uint32_t size = 0;
    };

    void WalkList(uint64_t start, uint64_t end, bool listCut, int depth, CAviChunkList& list);
    bool IsPlausibleId(FOURCC id) const;
    bool Fits(uint64_t pos, uint32_t size, uint64_t end) const { return size <= end - pos - 8; }
    bool ReadHeader(uint64_t pos, uint64_t end, Header& h) const;
    bool HeaderPlausible(uint64_t pos, uint64_t end) const;
    uint64_t Resync(uint64_t from, uint64_t end);

    const CReadOnlyFile& m_file;
    const AviLayout& m_layout;
    AviReadReport& m_report;
    std::vector<CAviKeyFrameSniffer> m_sniffers;
    std::vector<uint8_t> m_buffer;
    size_t m_peek = 0;
    bool m_listFull = false;
    bool m_cut = false;
    uint64_t m_resyncs = 0;
    uint64_t m_skipped = 0;
};
