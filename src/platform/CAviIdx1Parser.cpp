#include "platform/CAviIdx1Parser.h"

#include "platform/AviChunkId.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>
#include <vector>

namespace {
constexpr size_t kEntrySize = 16;
constexpr size_t kBlockEntries = 4096; // read the index in blocks of 64 KiB
constexpr uint32_t kAviifList = 0x01;
} // namespace

bool CAviIdx1Parser::ChunkAt(uint64_t pos, FOURCC id, uint32_t size) const {
    uint8_t h[8];
    return m_file.ReadAt(pos, h, 8) && AviGet32(h) == id && AviGet32(h + 4) == size;
}

bool CAviIdx1Parser::FindBase(const uint8_t* e, uint64_t& base, bool& absolute) const {
    const FOURCC id = AviGet32(e);
    const uint64_t offset = AviGet32(e + 8);
    const uint32_t size = AviGet32(e + 12);
    const uint64_t relative = m_layout.movis.front().fccPos;
    if (ChunkAt(relative + offset, id, size)) {
        base = relative;
        absolute = false;
        return true;
    }
    if (ChunkAt(offset, id, size)) {
        base = 0;
        absolute = true;
        return true;
    }
    return false;
}

// A sample chunk right behind the last indexed one means the index stops
// short of the data (a writer that failed before finishing it).
bool CAviIdx1Parser::MoreChunksAfter(uint64_t pos) const {
    pos += pos & 1;
    const AviMoviList& movi = m_layout.movis.front();
    uint8_t h[8];
    if (pos + 8 > movi.end || !m_file.ReadAt(pos, h, 8))
        return false;
    const int stream = AviChunkStream(AviGet32(h));
    return stream >= 0 && static_cast<size_t>(stream) < m_layout.streams.size() &&
           AviIsSampleKind(AviGet32(h)) && AviGet32(h + 4) <= movi.end - pos - 8;
}

// A first pass over idx1 that counts each stream's sample chunks, so that the
// list is given exactly the room it needs: a long movie's index grown by
// doubling would take up to three times that while it grows.
void CAviIdx1Parser::ReserveRoom(CAviChunkList& list) const {
    const size_t count = m_layout.idx1Size / kEntrySize;
    std::vector<uint64_t> perStream(m_layout.streams.size(), 0);
    std::vector<uint8_t> block;
    for (size_t first = 0; first < count; first += kBlockEntries) {
        const size_t n = std::min(kBlockEntries, count - first);
        block.resize(n * kEntrySize);
        if (!m_file.ReadAt(m_layout.idx1Pos + first * kEntrySize, block.data(), block.size()))
            return; // the parse proper reports it
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* e = block.data() + i * kEntrySize;
            const FOURCC id = AviGet32(e);
            const int stream = AviChunkStream(id);
            if ((AviGet32(e + 4) & kAviifList) == 0 && stream >= 0 &&
                static_cast<size_t>(stream) < perStream.size() && AviIsSampleKind(id))
                ++perStream[static_cast<size_t>(stream)];
        }
    }
    for (size_t s = 0; s < perStream.size(); ++s)
        list.Reserve(static_cast<uint16_t>(s), perStream[s]);
}

bool CAviIdx1Parser::Parse(CAviChunkList& list, bool& absolute, std::string* why) {
    const size_t count = m_layout.idx1Size / kEntrySize;
    ReserveRoom(list);
    std::vector<uint8_t> block;
    bool haveBase = false;
    uint64_t base = 0;
    for (size_t first = 0; first < count; first += kBlockEntries) {
        const size_t n = std::min(kBlockEntries, count - first);
        block.resize(n * kEntrySize);
        if (!m_file.ReadAt(m_layout.idx1Pos + first * kEntrySize, block.data(), block.size())) {
            if (why)
                *why = "idx1 cannot be read";
            return false;
        }
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* e = block.data() + i * kEntrySize;
            const FOURCC id = AviGet32(e);
            const uint32_t flags = AviGet32(e + 4);
            if ((flags & kAviifList) || id == kFccRec || id == kFccLIST)
                continue;
            const int stream = AviChunkStream(id);
            if (stream < 0 || static_cast<size_t>(stream) >= m_layout.streams.size()) {
                if (why)
                    *why = "idx1 entry " + std::to_string(first + i) + " names no stream of the file";
                return false;
            }
            if (!AviIsSampleKind(id))
                continue; // palette changes and the like carry no sample
            if (!haveBase) {
                if (!FindBase(e, base, absolute)) {
                    if (why)
                        *why = "idx1 offsets point at no chunk";
                    return false;
                }
                haveBase = true;
            }
            AviChunkRef ref;
            ref.dataPos = base + AviGet32(e + 8) + 8;
            ref.size = AviGet32(e + 12);
            ref.stream = static_cast<uint16_t>(stream);
            ref.key = (flags & AVIIF_KEYFRAME) != 0;
            if (!list.Add(ref)) {
                if (why)
                    *why = "idx1 has more entries than the file can hold";
                return false;
            }
        }
    }
    if (list.Size() == 0) {
        if (why)
            *why = "idx1 is empty";
        return false;
    }
    if (!list.Validate(m_file, m_layout.movis, why))
        return false;
    if (MoreChunksAfter(list.LastEnd())) {
        if (why)
            *why = "idx1 ends before the movie data does";
        return false;
    }
    return true;
}
