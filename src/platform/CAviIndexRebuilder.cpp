#include "platform/CAviIndexRebuilder.h"

#include "platform/AviChunkId.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>

namespace {
constexpr int kMaxDepth = 4; // movi > rec > ... real files nest one level
constexpr size_t kScanBlock = 64 * 1024;
} // namespace

CAviIndexRebuilder::CAviIndexRebuilder(const CReadOnlyFile& file, const AviLayout& layout,
                                       AviReadReport& report)
    : m_file(file), m_layout(layout), m_report(report) {
    for (const auto& s : layout.streams) {
        m_sniffers.emplace_back(s);
        m_peek = std::max(m_peek, m_sniffers.back().PeekSize());
    }
    m_buffer.resize(std::max(kScanBlock, 12 + m_peek));
}

bool CAviIndexRebuilder::IsPlausibleId(FOURCC id) const {
    if (id == kFccLIST || id == kFccJUNK || AviIsStdIndexId(id))
        return true;
    const int stream = AviChunkStream(id);
    return stream >= 0 && static_cast<size_t>(stream) < m_layout.streams.size() &&
           (AviIsSampleKind(id) || (id >> 16) == ('p' | ('c' << 8)));
}

bool CAviIndexRebuilder::ReadHeader(uint64_t pos, uint64_t end, Header& h) const {
    uint8_t d[8];
    if (pos > end || end - pos < 8 || !m_file.ReadAt(pos, d, 8))
        return false;
    h.id = AviGet32(d);
    h.size = AviGet32(d + 4);
    return true;
}

// A header whose id is plausible and whose chunk fits; a LIST must also
// carry a list type.
bool CAviIndexRebuilder::HeaderPlausible(uint64_t pos, uint64_t end) const {
    Header h;
    if (!ReadHeader(pos, end, h) || !IsPlausibleId(h.id) || !Fits(pos, h.size, end))
        return false;
    return h.id != kFccLIST || h.size >= 4;
}

// The first position at or after `from` where a plausible chunk starts that
// is followed by another plausible chunk (or by the end of the list), so a
// few bytes of compressed data that happen to look like a header do not
// derail the walk.
uint64_t CAviIndexRebuilder::Resync(uint64_t from, uint64_t end) {
    ++m_resyncs;
    for (uint64_t blockPos = from; blockPos + 8 <= end;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kScanBlock, end - blockPos));
        const size_t got = m_file.ReadSome(blockPos, m_buffer.data(), want);
        if (got < 8)
            break;
        for (size_t i = 0; i + 8 <= got; ++i) {
            const uint8_t c = m_buffer[i];
            if (!((c >= '0' && c <= '9') || c == 'L' || c == 'J' || c == 'i'))
                continue;
            const uint64_t q = blockPos + i;
            const FOURCC id = AviGet32(&m_buffer[i]);
            const uint32_t size = AviGet32(&m_buffer[i + 4]);
            if (!IsPlausibleId(id) || !Fits(q, size, end) || !HeaderPlausible(q, end))
                continue;
            const uint64_t next = q + 8 + size + (size & 1);
            if (next + 8 > end || HeaderPlausible(next, end)) {
                m_skipped += q - from;
                return q;
            }
        }
        blockPos += got - 7; // keep the last 7 bytes: a header may straddle blocks
    }
    m_skipped += end - std::min(end, from);
    return end;
}

void CAviIndexRebuilder::WalkList(uint64_t start, uint64_t end, bool listCut, int depth,
                                  CAviChunkList& list) {
    const uint64_t fileSize = m_file.Size();
    uint64_t p = start;
    while (!m_listFull && !m_cut && p < end && end - p >= 8) {
        // The header, a list type, and what the key-frame check needs.
        const size_t want = static_cast<size_t>(std::min<uint64_t>(12 + m_peek, end - p));
        const size_t got = m_file.ReadSome(p, m_buffer.data(), want);
        if (got < 8)
            break;
        const FOURCC id = AviGet32(m_buffer.data());
        const uint32_t size = AviGet32(m_buffer.data() + 4);
        if (!IsPlausibleId(id) || (id == kFccLIST && (size < 4 || got < 12))) {
            p = Resync(p + 1, end);
            continue;
        }
        const uint64_t chunkEnd = p + 8 + static_cast<uint64_t>(size);
        // The file was cut inside this chunk: keep what came before it (and
        // the complete chunks of a cut 'rec' list). In a list that ends inside
        // the file, a chunk running past the end is damage instead.
        const bool cutHere = listCut && chunkEnd > fileSize;
        if (chunkEnd > end && !cutHere) {
            p = Resync(p + 1, end);
            continue;
        }
        if (id == kFccLIST) {
            const FOURCC type = AviGet32(m_buffer.data() + 8);
            if ((type == kFccRec || type == kFccMovi) && depth < kMaxDepth)
                WalkList(p + 12, std::min(chunkEnd, end), cutHere, depth + 1, list);
        } else if (cutHere) {
            // nothing to keep of a partial chunk
        } else if (const int stream = AviChunkStream(id); stream >= 0 && AviIsSampleKind(id)) {
            AviChunkRef ref;
            ref.dataPos = p + 8;
            ref.size = size;
            ref.stream = static_cast<uint16_t>(stream);
            const size_t have = std::min<size_t>(got - 8, size);
            ref.key = m_sniffers[static_cast<size_t>(stream)].IsKey(m_buffer.data() + 8, have, size);
            if (!list.Add(ref))
                m_listFull = true;
        }
        if (cutHere) {
            m_cut = true;
            m_report.truncated = true;
            break;
        }
        p = chunkEnd + (size & 1);
        // Some writers leave odd chunks unpadded: take the next header where it is.
        if ((size & 1) && !HeaderPlausible(p, end) && HeaderPlausible(chunkEnd, end))
            p = chunkEnd;
    }
}

void CAviIndexRebuilder::Rebuild(CAviChunkList& list) {
    list.Clear();
    for (const auto& movi : m_layout.movis) {
        if (m_cut)
            break;
        WalkList(movi.dataStart, movi.end, movi.cut, 0, list);
    }
    std::string text =
        "rebuilt the index by walking the movie data: " + std::to_string(list.Size()) + " chunks";
    m_report.notes.push_back(text);
    if (m_resyncs > 0)
        m_report.notes.push_back("skipped " + std::to_string(m_skipped) + " bytes of damaged data at " +
                                 std::to_string(m_resyncs) + " places");
    if (m_cut)
        m_report.notes.push_back("the file ends inside a chunk; every complete chunk before it is kept");
    for (size_t i = 0; i < m_sniffers.size(); ++i)
        if (!m_sniffers[i].Knows())
            m_report.notes.push_back(
                "stream " + std::to_string(i) +
                ": key frames of this codec cannot be told apart; every frame counts as key");
}
