#include "platform/AviChunkId.h"

namespace {
bool IsDigit(uint32_t c) {
    return c >= '0' && c <= '9';
}
uint32_t Byte(FOURCC id, int i) {
    return (id >> (8 * i)) & 0xFF;
}
} // namespace

int AviChunkStream(FOURCC id) {
    if (!IsDigit(Byte(id, 0)) || !IsDigit(Byte(id, 1)))
        return -1;
    const uint32_t c2 = Byte(id, 2), c3 = Byte(id, 3);
    auto isAlnum = [](uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c); };
    if (!isAlnum(c2) || !isAlnum(c3))
        return -1;
    return static_cast<int>((Byte(id, 0) - '0') * 10 + (Byte(id, 1) - '0'));
}

bool AviIsSampleKind(FOURCC id) {
    const uint32_t kind = id >> 16;
    return kind == ('d' | ('c' << 8)) || kind == ('d' | ('b' << 8)) || kind == ('w' | ('b' << 8)) ||
           kind == ('t' | ('x' << 8));
}

bool AviIsStdIndexId(FOURCC id) {
    return Byte(id, 0) == 'i' && Byte(id, 1) == 'x' && IsDigit(Byte(id, 2)) && IsDigit(Byte(id, 3));
}
