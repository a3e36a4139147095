#include "platform/CAviMuxPlan.h"

#include "platform/CAviStreamIndex.h"

#include <algorithm>

namespace {
// A RIFF's size field counts the bytes after its 8-byte header.
constexpr uint64_t kMaxRiffBytes = 0xFFFFFFFFull;
} // namespace

void CAviMuxPlan::Order(const std::vector<AviMuxStream>& streams) {
    m_items.clear();
    size_t total = 0;
    for (const auto& s : streams)
        total += s.index ? s.index->ChunkCount() : 0;
    m_items.reserve(total);

    struct Cursor {
        size_t next = 0;
        uint64_t bytesBefore = 0; // fixed-size streams: bytes of the chunks before `next`
    };
    std::vector<Cursor> cursors(streams.size());
    // Play time in seconds of the first sample of a stream's next chunk.
    auto timeOf = [&](size_t s) -> long double {
        const AviMuxStream& st = streams[s];
        if (st.rate == 0 || st.scale == 0)
            return 0;
        const uint32_t sampleSize = st.index->SampleSize();
        const long double sample = sampleSize > 0
                                       ? static_cast<long double>(cursors[s].bytesBefore) / sampleSize
                                       : static_cast<long double>(cursors[s].next);
        return sample * st.scale / st.rate;
    };
    for (size_t done = 0; done < total; ++done) {
        size_t best = streams.size();
        long double bestTime = 0;
        for (size_t s = 0; s < streams.size(); ++s) {
            if (!streams[s].index || cursors[s].next >= streams[s].index->ChunkCount())
                continue;
            const long double t = timeOf(s);
            if (best == streams.size() || t < bestTime) {
                best = s;
                bestTime = t;
            }
        }
        Cursor& c = cursors[best];
        m_items.push_back({static_cast<uint32_t>(best), static_cast<uint32_t>(c.next)});
        c.bytesBefore += streams[best].index->ChunkSize(c.next);
        ++c.next;
    }
}

void CAviMuxPlan::Place(const std::vector<AviMuxStream>& streams, uint64_t headerSize, uint64_t limit) {
    limit = std::min(limit, kMaxRiffBytes);
    m_parts.clear();
    const size_t streamCount = streams.size();

    AviMuxPart part;
    uint64_t pos = 0;
    uint64_t ixBytes = 0;
    auto begin = [&](uint64_t start, size_t firstItem) {
        part = AviMuxPart();
        part.start = start;
        // The first part's header ends with its movi list; later parts start
        // with "RIFF" size "AVIX".
        part.moviList = m_parts.empty() ? headerSize : start + 12;
        part.firstItem = part.endItem = firstItem;
        part.chunksPerStream.assign(streamCount, 0);
        part.ixPos.assign(streamCount, 0);
        pos = part.moviList + 12;
        ixBytes = 0;
    };
    auto idx1Bytes = [&](size_t items) -> uint64_t { return m_parts.empty() ? 8 + 16ull * items : 0; };
    auto finish = [&]() {
        uint64_t at = pos;
        for (size_t s = 0; s < streamCount; ++s) {
            if (part.chunksPerStream[s] == 0)
                continue;
            part.ixPos[s] = at;
            at += StandardIndexSize(part.chunksPerStream[s]);
        }
        part.moviEnd = at;
        part.end = at + idx1Bytes(part.endItem - part.firstItem);
        m_parts.push_back(part);
    };

    begin(0, 0);
    for (size_t i = 0; i < m_items.size(); ++i) {
        const AviMuxItem& item = m_items[i];
        const uint64_t record = RecordSize(streams[item.stream].index->ChunkSize(item.chunk));
        const uint64_t ixGrowth = part.chunksPerStream[item.stream] == 0 ? StandardIndexSize(1) : 8;
        const size_t items = part.endItem - part.firstItem;
        const uint64_t after = pos + record + ixBytes + ixGrowth + idx1Bytes(items + 1) - part.start;
        if (items > 0 && after > limit) {
            finish();
            begin(m_parts.back().end, i);
        }
        if (part.chunksPerStream[item.stream] == 0)
            ixBytes += StandardIndexSize(0);
        ixBytes += 8;
        ++part.chunksPerStream[item.stream];
        pos += record;
        part.endItem = i + 1;
    }
    finish();

    if (m_parts.size() == 1) {
        // A plain AVI 1.0 file: idx1 alone indexes it.
        AviMuxPart& only = m_parts.front();
        std::fill(only.ixPos.begin(), only.ixPos.end(), 0);
        only.moviEnd = pos;
        only.end = pos + 8 + 16ull * m_items.size();
    }
}
