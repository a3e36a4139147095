#include "platform/DibLayout.h"

#include <cstdlib>

namespace {
constexpr int64_t kMaxDimension = 32768;
} // namespace

int64_t DibColourTableEntries(const BitmapInfoHeader& header) {
    int64_t entries = 0;
    if (header.biBitCount <= 8) {
        entries = header.biClrUsed ? header.biClrUsed : (int64_t{1} << header.biBitCount);
        if (entries > 256)
            return -1;
    } else {
        entries = header.biClrUsed;
        if (header.biCompression == BI_BITFIELDS)
            entries += 3;
        if (entries > 65536)
            return -1;
    }
    return entries;
}

int64_t DibPixelOffset(const BitmapInfoHeader& header) {
    int64_t entries = DibColourTableEntries(header);
    if (entries < 0 || header.biSize > 1024 * 1024)
        return -1;
    int64_t headerBytes = header.biSize < kBitmapInfoHeaderSize ? kBitmapInfoHeaderSize : header.biSize;
    return headerBytes + 4 * entries;
}

int64_t DibStride(int32_t width, int bitCount) {
    if (width <= 0 || width > kMaxDimension || bitCount <= 0 || bitCount > 32)
        return 0;
    return ((int64_t{width} * bitCount + 31) / 32) * 4;
}

int64_t DibImageBytes(const BitmapInfoHeader& header) {
    int64_t height = std::llabs(static_cast<long long>(header.biHeight));
    if (height == 0 || height > kMaxDimension)
        return 0;
    return DibStride(header.biWidth, header.biBitCount) * height;
}

int64_t DibUnpaddedBytes(const BitmapInfoHeader& header) {
    return int64_t{header.biWidth} * header.biHeight * (header.biBitCount / 8);
}
