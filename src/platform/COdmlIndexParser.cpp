#include "platform/COdmlIndexParser.h"

#include "platform/AviChunkId.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>
#include <vector>

namespace {
constexpr uint32_t kHeaderSize = 24;   // both index kinds: 24 bytes before the entries
constexpr uint8_t kIndexOfIndexes = 0; // bIndexType of a super index
constexpr uint8_t kIndexOfChunks = 1;  // bIndexType of a standard index
constexpr uint16_t kMaxLongsPerEntry = 16;
constexpr size_t kBlockBytes = 64 * 1024;
} // namespace

bool COdmlIndexParser::ReadHeader(uint64_t pos, uint32_t size, IndexHeader& h) const {
    uint8_t d[kHeaderSize];
    if (size < kHeaderSize || !m_file.ReadAt(pos, d, kHeaderSize))
        return false;
    h.longsPerEntry = AviGet16(d);
    h.subType = d[2];
    h.type = d[3];
    h.entriesInUse = AviGet32(d + 4);
    h.chunkId = AviGet32(d + 8);
    return h.longsPerEntry > 0 && h.longsPerEntry <= kMaxLongsPerEntry;
}

bool COdmlIndexParser::Parse(CAviChunkList& list, std::string* why) {
    for (size_t i = 0; i < m_layout.streams.size(); ++i) {
        const AviStreamHeaders& s = m_layout.streams[i];
        if (s.superIndexPos == 0) {
            if (why)
                *why = "stream " + std::to_string(i) + " has no OpenDML index";
            return false;
        }
        if (!ParseSuperIndex(static_cast<uint16_t>(i), s, list, why))
            return false;
    }
    return list.Validate(m_file, m_layout.movis, why);
}

bool COdmlIndexParser::ParseSuperIndex(uint16_t stream, const AviStreamHeaders& s, CAviChunkList& list,
                                       std::string* why) {
    const std::string name = "the OpenDML index of stream " + std::to_string(stream);
    IndexHeader h;
    if (!m_file.Contains(s.superIndexPos, s.superIndexSize) ||
        !ReadHeader(s.superIndexPos, s.superIndexSize, h)) {
        if (why)
            *why = name + " cannot be read";
        return false;
    }
    // Some writers put a standard index straight into the stream list.
    if (h.type == kIndexOfChunks)
        return ParseStdIndex(stream, s.superIndexPos - 8, s.superIndexSize, list, why);
    if (h.type != kIndexOfIndexes || h.longsPerEntry < 4) {
        if (why)
            *why = name + " has an unknown form";
        return false;
    }
    const uint32_t stride = h.longsPerEntry * 4u;
    const uint32_t count = std::min(h.entriesInUse, (s.superIndexSize - kHeaderSize) / stride);
    std::vector<uint8_t> entries(static_cast<size_t>(count) * stride);
    if (!m_file.ReadAt(s.superIndexPos + kHeaderSize, entries.data(), entries.size())) {
        if (why)
            *why = name + " cannot be read";
        return false;
    }
    // The standard indexes' headers say how many chunks follow: room for all
    // of them at once, rather than a list that grows while they are read.
    uint64_t chunks = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t pos = AviGet64(entries.data() + static_cast<size_t>(i) * stride);
        uint8_t ch[8];
        IndexHeader ih;
        if (m_file.ReadAt(pos, ch, 8) && m_file.Contains(pos + 8, AviGet32(ch + 4)) &&
            ReadHeader(pos + 8, AviGet32(ch + 4), ih) && ih.type == kIndexOfChunks && ih.longsPerEntry >= 2)
            chunks += std::min(ih.entriesInUse, (AviGet32(ch + 4) - kHeaderSize) / (ih.longsPerEntry * 4u));
    }
    list.Reserve(stream, chunks);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = entries.data() + static_cast<size_t>(i) * stride;
        const uint64_t pos = AviGet64(e);
        uint8_t ch[8];
        if (!m_file.ReadAt(pos, ch, 8) || !AviIsStdIndexId(AviGet32(ch)) ||
            !m_file.Contains(pos + 8, AviGet32(ch + 4))) {
            if (why)
                *why = name + " points at no standard index";
            return false;
        }
        if (!ParseStdIndex(stream, pos, AviGet32(ch + 4), list, why))
            return false;
    }
    return true;
}

// `pos` is the position of the chunk header, `size` the size of its data.
bool COdmlIndexParser::ParseStdIndex(uint16_t stream, uint64_t pos, uint32_t size, CAviChunkList& list,
                                     std::string* why) {
    const std::string name = "a standard index of stream " + std::to_string(stream);
    IndexHeader h;
    uint8_t baseBytes[8];
    if (!ReadHeader(pos + 8, size, h) || h.type != kIndexOfChunks || h.longsPerEntry < 2 ||
        !m_file.ReadAt(pos + 8 + 12, baseBytes, 8)) {
        if (why)
            *why = name + " cannot be read";
        return false;
    }
    if (AviChunkStream(h.chunkId) != stream) {
        if (why)
            *why = name + " belongs to another stream";
        return false;
    }
    const uint64_t base = AviGet64(baseBytes);
    if (base > m_file.Size()) {
        if (why)
            *why = name + " points beyond the end of the file";
        return false;
    }
    const uint32_t stride = h.longsPerEntry * 4u;
    const uint32_t count = std::min(h.entriesInUse, (size - kHeaderSize) / stride);
    const uint32_t perBlock = static_cast<uint32_t>(kBlockBytes / stride);
    std::vector<uint8_t> block;
    for (uint32_t first = 0; first < count; first += perBlock) {
        const uint32_t n = std::min(perBlock, count - first);
        block.resize(static_cast<size_t>(n) * stride);
        if (!m_file.ReadAt(pos + 8 + kHeaderSize + static_cast<uint64_t>(first) * stride, block.data(),
                           block.size())) {
            if (why)
                *why = name + " cannot be read";
            return false;
        }
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* e = block.data() + static_cast<size_t>(i) * stride;
            const uint32_t rawSize = AviGet32(e + 4);
            AviChunkRef ref;
            ref.dataPos = base + AviGet32(e);
            ref.size = rawSize & 0x7FFFFFFFu;
            ref.key = (rawSize & 0x80000000u) == 0;
            ref.stream = stream;
            if (!list.Add(ref)) {
                if (why)
                    *why = "the OpenDML indexes have more entries than the file can hold";
                return false;
            }
        }
    }
    return true;
}
