#include "platform/CAviChunkList.h"

#include "platform/AviChunkId.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>

namespace {
// Headers read back to confirm an index; spread evenly over the file.
constexpr size_t kSpotChecks = 64;
} // namespace

bool CAviChunkList::Add(const AviChunkRef& ref) {
    if (m_chunks.size() >= m_max)
        return false;
    m_chunks.push_back(ref);
    return true;
}

uint64_t CAviChunkList::LastEnd() const {
    uint64_t end = 0;
    for (const auto& c : m_chunks)
        end = std::max(end, c.dataPos + c.size);
    return end;
}

bool CAviChunkList::HeaderMatches(const CReadOnlyFile& file, const AviChunkRef& ref) const {
    uint8_t h[8];
    if (!file.ReadAt(ref.dataPos - 8, h, 8))
        return false;
    return AviChunkStream(AviGet32(h)) == ref.stream && AviGet32(h + 4) == ref.size;
}

bool CAviChunkList::Validate(const CReadOnlyFile& file, const std::vector<AviMoviList>& movis,
                             std::string* why) const {
    struct Span {
        uint64_t start;
        uint64_t end;
    };
    std::vector<Span> spans;
    spans.reserve(m_chunks.size());
    for (size_t i = 0; i < m_chunks.size(); ++i) {
        const AviChunkRef& c = m_chunks[i];
        bool inside = false;
        for (const auto& m : movis) {
            if (c.dataPos >= m.dataStart + 8 && c.dataPos <= m.end && c.size <= m.end - c.dataPos) {
                inside = true;
                break;
            }
        }
        if (!inside) {
            if (why)
                *why = "entry " + std::to_string(i) + " points outside the movie data";
            return false;
        }
        spans.push_back({c.dataPos - 8, c.dataPos + c.size});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].start < spans[i - 1].end) {
            if (why)
                *why = "two entries point at overlapping chunks";
            return false;
        }
    }
    const size_t n = m_chunks.size();
    const size_t step = std::max<size_t>(1, n / kSpotChecks);
    for (size_t i = 0; i < n; i += step) {
        if (!HeaderMatches(file, m_chunks[i])) {
            if (why)
                *why = "entry " + std::to_string(i) + " does not match the chunk it points at";
            return false;
        }
    }
    if (n > 0 && !HeaderMatches(file, m_chunks[n - 1])) {
        if (why)
            *why = "the last entry does not match the chunk it points at";
        return false;
    }
    return true;
}
