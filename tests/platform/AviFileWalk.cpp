#include "AviFileWalk.h"

#include "platform/AviTypes.h"
#include "support/TestUtil.h"

namespace {
uint32_t Le32(const std::vector<uint8_t>& b, uint64_t at) {
    if (at + 4 > b.size())
        return 0;
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint64_t Le64(const std::vector<uint8_t>& b, uint64_t at) {
    return Le32(b, at) | (static_cast<uint64_t>(Le32(b, at + 4)) << 32);
}
constexpr uint32_t kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');

struct Walker {
    const std::vector<uint8_t>& b;
    AviWalk& w;
    int part = 0;
    std::vector<uint64_t> indxPos; // per stream, position of the indx data

    void Fail(const std::string& e) {
        if (w.error.empty())
            w.error = e;
    }

    // Walks the chunks in [from, to).
    void Walk(uint64_t from, uint64_t to, const std::string& inside) {
        uint64_t pos = from;
        while (pos + 8 <= to) {
            const uint32_t id = Le32(b, pos);
            const uint32_t size = Le32(b, pos + 4);
            const uint64_t data = pos + 8;
            const uint64_t end = data + size;
            if (end > to) {
                Fail("chunk " + FourCCToString(id) + " passes its list at " + std::to_string(pos));
                return;
            }
            if (id == kList) {
                const uint32_t type = Le32(b, data);
                if (type == MakeFourCC('m', 'o', 'v', 'i') && w.moviFourCC == 0)
                    w.moviFourCC = data;
                if (type == MakeFourCC('s', 't', 'r', 'l'))
                    w.streams.emplace_back();
                Walk(data + 4, end, FourCCToString(type));
            } else if (inside == "movi") {
                if (FourCCToString(id).substr(0, 2) != "ix")
                    w.chunks.push_back({id, data, size, part});
            } else if (id == MakeFourCC('a', 'v', 'i', 'h')) {
                w.microSecPerFrame = Le32(b, data);
                w.avihFlags = Le32(b, data + 12);
                w.totalFrames = Le32(b, data + 16);
                w.avihStreams = Le32(b, data + 24);
                w.width = Le32(b, data + 32);
                w.height = Le32(b, data + 36);
            } else if (id == MakeFourCC('s', 't', 'r', 'h') && !w.streams.empty()) {
                WalkStream& s = w.streams.back();
                s.fccType = Le32(b, data);
                s.dwScale = Le32(b, data + 20);
                s.dwRate = Le32(b, data + 24);
                s.dwLength = Le32(b, data + 32);
                s.dwSuggestedBufferSize = Le32(b, data + 36);
                s.dwSampleSize = Le32(b, data + 44);
            } else if (id == MakeFourCC('s', 't', 'r', 'n') && !w.streams.empty()) {
                w.streams.back().name.assign(reinterpret_cast<const char*>(&b[data]), size ? size - 1 : 0);
            } else if (id == MakeFourCC('i', 'n', 'd', 'x') && !w.streams.empty()) {
                w.streams.back().hasIndx = true;
                indxPos.resize(w.streams.size(), 0);
                indxPos.back() = data;
            } else if (id == MakeFourCC('d', 'm', 'l', 'h')) {
                w.dmlhFrames = Le32(b, data);
            } else if (id == MakeFourCC('i', 'd', 'x', '1')) {
                for (uint64_t p = data; p + 16 <= end; p += 16)
                    w.idx1.push_back({Le32(b, p), Le32(b, p + 4), Le32(b, p + 8), Le32(b, p + 12)});
            }
            pos = end + (size & 1);
        }
    }

    void ReadOdml() {
        for (size_t s = 0; s < indxPos.size(); ++s) {
            const uint64_t at = indxPos[s];
            if (at == 0)
                continue;
            const uint32_t inUse = Le32(b, at + 4);
            for (uint32_t e = 0; e < inUse; ++e) {
                const uint64_t ix = Le64(b, at + 24 + 16ull * e);
                if (ix + 32 > b.size()) {
                    Fail("super index entry points past the file");
                    return;
                }
                const uint32_t n = Le32(b, ix + 8 + 4);
                const uint64_t base = Le64(b, ix + 8 + 12);
                for (uint32_t k = 0; k < n; ++k) {
                    const uint64_t p = ix + 32 + 8ull * k;
                    const uint32_t size = Le32(b, p + 4);
                    w.streams[s].odml.push_back(
                        {base + Le32(b, p), size & 0x7FFFFFFFu, (size & 0x80000000u) == 0});
                }
            }
        }
    }
};
} // namespace

int WalkStreamOf(uint32_t id) {
    const char a = static_cast<char>(id & 0xFF), c = static_cast<char>((id >> 8) & 0xFF);
    if (a < '0' || a > '9' || c < '0' || c > '9')
        return -1;
    return (a - '0') * 10 + (c - '0');
}

AviWalk WalkAvi(const std::string& path) {
    AviWalk w;
    const std::vector<uint8_t> b = ReadFileBytes(path);
    Walker walker{b, w, 0, {}};
    uint64_t pos = 0;
    while (pos + 12 <= b.size()) {
        if (Le32(b, pos) != kRiff) {
            walker.Fail("no RIFF at " + std::to_string(pos));
            break;
        }
        const uint64_t size = Le32(b, pos + 4);
        const uint32_t type = Le32(b, pos + 8);
        if (type != MakeFourCC(pos == 0 ? 'A' : 'A', 'V', 'I', pos == 0 ? ' ' : 'X'))
            walker.Fail("unexpected RIFF type " + FourCCToString(type));
        if (pos + 8 + size > b.size()) {
            walker.Fail("RIFF passes the end of the file");
            break;
        }
        w.riffSizes.push_back(size + 8);
        walker.Walk(pos + 12, pos + 8 + size, "RIFF");
        pos += 8 + size + (size & 1);
        ++walker.part;
    }
    if (pos != b.size())
        walker.Fail("bytes after the last RIFF");
    walker.ReadOdml();
    return w;
}
