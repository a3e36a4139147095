#include "creation/MoviePsnr.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/AviTypes.h"
#include "platform/DibLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {
// One decoded frame's pixel rows without their padding; false when the frame
// is not a 24-bit picture of the expected size.
bool TakePixels(const uint8_t* dib, int32_t width, int32_t height, std::vector<uint8_t>& pixels) {
    BitmapInfoHeader header;
    if (!dib || !ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, header))
        return false;
    if (header.biBitCount != 24 || header.biWidth != width || std::abs(header.biHeight) != height)
        return false;
    const int64_t offset = DibPixelOffset(header);
    const int64_t stride = DibStride(width, 24);
    if (offset < 0 || stride <= 0)
        return false;
    const size_t row = static_cast<size_t>(width) * 3;
    pixels.resize(row * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(pixels.data() + row * static_cast<size_t>(y), dib + offset + stride * y, row);
    return true;
}
} // namespace

std::optional<double> MoviePsnr(IHost& host, const std::string& source, const std::string& movie) {
    CAVIFile sourceFile(host);
    CAVIFile movieFile(host);
    if (!sourceFile.Open(source, false) || !movieFile.Open(movie, false))
        return std::nullopt;
    CAVIStream* a = sourceFile.GetStream(sourceFile.GetVideoIndex());
    CAVIStream* b = movieFile.GetStream(movieFile.GetVideoIndex());
    if (!a || !b)
        return std::nullopt;
    const int32_t frames = std::min(a->GetLength(), b->GetLength());
    if (frames <= 0)
        return std::nullopt;
    // The size comes from the first decoded source frame; every later frame
    // of both movies must match it.
    BitmapInfoHeader first;
    const uint8_t* dib = a->GetFrame(0);
    if (!dib || !ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, first) || first.biWidth <= 0)
        return std::nullopt;
    const int32_t width = first.biWidth;
    const int32_t height = std::abs(first.biHeight);
    std::vector<uint8_t> pa, pb;
    double squared = 0;
    double count = 0;
    for (int32_t frame = 0; frame < frames; ++frame) {
        if (!TakePixels(a->GetFrame(frame), width, height, pa) ||
            !TakePixels(b->GetFrame(frame), width, height, pb))
            return std::nullopt;
        for (size_t i = 0; i < pa.size(); ++i) {
            const double d = static_cast<double>(pa[i]) - static_cast<double>(pb[i]);
            squared += d * d;
        }
        count += static_cast<double>(pa.size());
    }
    if (squared == 0)
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 / (squared / count));
}
