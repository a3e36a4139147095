#include "platform/AviTypes.h"

namespace {
uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
} // namespace

std::string FourCCToString(FOURCC fcc) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((fcc >> (8 * i)) & 0xFF);
        s += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return s;
}

FOURCC FourCCFromString(const std::string& text) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (size_t i = 0; i < 4 && i < text.size(); ++i)
        c[i] = text[i];
    return MakeFourCC(c[0], c[1], c[2], c[3]);
}

bool ParseBitmapInfoHeader(const uint8_t* d, size_t size, BitmapInfoHeader& o) {
    if (!d || size < kBitmapInfoHeaderSize)
        return false;
    o.biSize = Get32(d);
    o.biWidth = static_cast<int32_t>(Get32(d + 4));
    o.biHeight = static_cast<int32_t>(Get32(d + 8));
    o.biPlanes = Get16(d + 12);
    o.biBitCount = Get16(d + 14);
    o.biCompression = Get32(d + 16);
    o.biSizeImage = Get32(d + 20);
    o.biXPelsPerMeter = static_cast<int32_t>(Get32(d + 24));
    o.biYPelsPerMeter = static_cast<int32_t>(Get32(d + 28));
    o.biClrUsed = Get32(d + 32);
    o.biClrImportant = Get32(d + 36);
    return true;
}

void WriteBitmapInfoHeader(const BitmapInfoHeader& i, uint8_t* o) {
    Put32(o, i.biSize);
    Put32(o + 4, static_cast<uint32_t>(i.biWidth));
    Put32(o + 8, static_cast<uint32_t>(i.biHeight));
    Put16(o + 12, i.biPlanes);
    Put16(o + 14, i.biBitCount);
    Put32(o + 16, i.biCompression);
    Put32(o + 20, i.biSizeImage);
    Put32(o + 24, static_cast<uint32_t>(i.biXPelsPerMeter));
    Put32(o + 28, static_cast<uint32_t>(i.biYPelsPerMeter));
    Put32(o + 32, i.biClrUsed);
    Put32(o + 36, i.biClrImportant);
}

bool ParseWaveFormatEx(const uint8_t* d, size_t size, WaveFormatEx& o) {
    if (!d || size < 16)
        return false;
    o.wFormatTag = Get16(d);
    o.nChannels = Get16(d + 2);
    o.nSamplesPerSec = Get32(d + 4);
    o.nAvgBytesPerSec = Get32(d + 8);
    o.nBlockAlign = Get16(d + 12);
    o.wBitsPerSample = Get16(d + 14);
    o.cbSize = size >= 18 ? Get16(d + 16) : 0;
    return true;
}

void WriteWaveFormatEx(const WaveFormatEx& i, uint8_t* o) {
    Put16(o, i.wFormatTag);
    Put16(o + 2, i.nChannels);
    Put32(o + 4, i.nSamplesPerSec);
    Put32(o + 8, i.nAvgBytesPerSec);
    Put16(o + 12, i.nBlockAlign);
    Put16(o + 14, i.wBitsPerSample);
    Put16(o + 16, i.cbSize);
}
