#include "AviTestHeaders.h"

#include <cstring>

size_t PutChunkAt(CRiffBuilder& r, const char* id, const std::vector<uint8_t>& data) {
    const size_t pos = r.Size();
    r.PutChunk(Fcc(id), data.data(), data.size());
    return pos;
}

void Patch64(CRiffBuilder& r, size_t pos, uint64_t v) {
    r.Patch32(pos, static_cast<uint32_t>(v));
    r.Patch32(pos + 4, static_cast<uint32_t>(v >> 32));
}

namespace {
void Set32(std::vector<uint8_t>& d, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        d[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
} // namespace

std::vector<uint8_t> TestStrh(const char* type, const char* handler, uint32_t scale, uint32_t rate,
                              uint32_t length, uint32_t sampleSize) {
    std::vector<uint8_t> d(56, 0);
    std::memcpy(d.data(), type, 4);
    std::memcpy(d.data() + 4, handler, 4);
    Set32(d, 20, scale);
    Set32(d, 24, rate);
    Set32(d, 32, length);
    Set32(d, 44, sampleSize);
    return d;
}

std::vector<uint8_t> TestAvih(uint32_t frames, uint32_t streams, uint32_t width, uint32_t height) {
    std::vector<uint8_t> d(56, 0);
    Set32(d, 0, 40000);
    Set32(d, 16, frames);
    Set32(d, 24, streams);
    Set32(d, 32, width);
    Set32(d, 36, height);
    return d;
}
