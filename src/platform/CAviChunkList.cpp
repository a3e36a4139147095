#include "platform/CAviChunkList.h"

#include "platform/AviChunkId.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>
#include <queue>

namespace {
// Headers read back to confirm an index; spread evenly over each stream.
constexpr size_t kSpotChecks = 64;

bool HeaderMatches(const CReadOnlyFile& file, size_t stream, const AviPackedEntry& e) {
    uint8_t h[8];
    if (e.Offset() < 8 || !file.ReadAt(e.Offset() - 8, h, 8))
        return false;
    return AviChunkStream(AviGet32(h)) == static_cast<int>(stream) && AviGet32(h + 4) == e.Size();
}

// A chunk with its header, as it lies in the file.
struct Span {
    uint64_t start;
    uint64_t end;
};

Span SpanOf(const AviPackedEntry& e) {
    return {e.Offset() - 8, e.Offset() + e.Size()};
}
} // namespace

bool CAviChunkList::Add(const AviChunkRef& ref) {
    if (m_size >= m_max || ref.stream >= m_streams.size() || ref.dataPos > AviPackedEntry::kMaxOffset)
        return false;
    m_streams[ref.stream].emplace_back(ref.dataPos, ref.size, ref.key);
    ++m_size;
    return true;
}

void CAviChunkList::Reserve(uint16_t stream, uint64_t count) {
    if (stream >= m_streams.size())
        return;
    auto& chunks = m_streams[stream];
    // Never beyond what the list may take in all: a lying count costs nothing.
    const uint64_t room = m_max - std::min<uint64_t>(m_max, m_size);
    chunks.reserve(chunks.size() + static_cast<size_t>(std::min(count, room)));
}

void CAviChunkList::Clear() {
    for (auto& chunks : m_streams)
        chunks.clear();
    m_size = 0;
}

std::vector<AviPackedEntry> CAviChunkList::TakeStream(size_t stream) {
    std::vector<AviPackedEntry> chunks = std::move(m_streams[stream]);
    m_streams[stream] = {};
    m_size -= chunks.size();
    return chunks;
}

uint64_t CAviChunkList::LastEnd() const {
    uint64_t end = 0;
    for (const auto& chunks : m_streams)
        for (const auto& c : chunks)
            end = std::max(end, c.Offset() + c.Size());
    return end;
}

// Chunks overlap when, in the order of their positions, one starts before
// the one before it ends. Each stream's chunks usually lie in file order
// already; those are merged as they are, and only a stream out of order is
// sorted (a copy of its spans).
bool CAviChunkList::NoOverlaps() const {
    std::vector<std::vector<Span>> sorted(m_streams.size());
    for (size_t s = 0; s < m_streams.size(); ++s) {
        const auto& chunks = m_streams[s];
        const bool inOrder = std::is_sorted(chunks.begin(), chunks.end(), [](const auto& a, const auto& b) {
            return a.Offset() < b.Offset();
        });
        if (inOrder)
            continue;
        sorted[s].reserve(chunks.size());
        for (const auto& c : chunks)
            sorted[s].push_back(SpanOf(c));
        std::sort(sorted[s].begin(), sorted[s].end(),
                  [](const Span& a, const Span& b) { return a.start < b.start; });
    }
    auto spanAt = [&](size_t s, size_t i) {
        return sorted[s].empty() ? SpanOf(m_streams[s][i]) : sorted[s][i];
    };
    struct Head {
        uint64_t start;
        size_t stream;
        size_t next;
    };
    auto later = [](const Head& a, const Head& b) { return a.start > b.start; };
    std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
    for (size_t s = 0; s < m_streams.size(); ++s)
        if (!m_streams[s].empty())
            heads.push({spanAt(s, 0).start, s, 0});
    bool first = true;
    uint64_t previousEnd = 0;
    while (!heads.empty()) {
        const Head h = heads.top();
        heads.pop();
        const Span span = spanAt(h.stream, h.next);
        if (!first && span.start < previousEnd)
            return false;
        first = false;
        previousEnd = span.end;
        if (h.next + 1 < m_streams[h.stream].size())
            heads.push({spanAt(h.stream, h.next + 1).start, h.stream, h.next + 1});
    }
    return true;
}

bool CAviChunkList::Validate(const CReadOnlyFile& file, const std::vector<AviMoviList>& movis,
                             std::string* why) const {
    for (size_t s = 0; s < m_streams.size(); ++s) {
        const auto& chunks = m_streams[s];
        for (size_t i = 0; i < chunks.size(); ++i) {
            const uint64_t pos = chunks[i].Offset();
            const uint32_t size = chunks[i].Size();
            bool inside = false;
            for (const auto& m : movis) {
                if (pos >= m.dataStart + 8 && pos <= m.end && size <= m.end - pos) {
                    inside = true;
                    break;
                }
            }
            if (!inside) {
                if (why)
                    *why = "entry " + std::to_string(i) + " of stream " + std::to_string(s) +
                           " points outside the movie data";
                return false;
            }
        }
    }
    if (!NoOverlaps()) {
        if (why)
            *why = "two entries point at overlapping chunks";
        return false;
    }
    for (size_t s = 0; s < m_streams.size(); ++s) {
        const auto& chunks = m_streams[s];
        const size_t n = chunks.size();
        const size_t step = std::max<size_t>(1, n / kSpotChecks);
        for (size_t i = 0; i < n; i += step) {
            if (!HeaderMatches(file, s, chunks[i])) {
                if (why)
                    *why = "entry " + std::to_string(i) + " of stream " + std::to_string(s) +
                           " does not match the chunk it points at";
                return false;
            }
        }
        if (n > 0 && !HeaderMatches(file, s, chunks[n - 1])) {
            if (why)
                *why = "the last entry of stream " + std::to_string(s) +
                       " does not match the chunk it points at";
            return false;
        }
    }
    return true;
}
