#pragma once
// Brings pictures into YuvPicture form: a decoded picture already in 4:2:0
// planes is copied unchanged; anything else (a decoded picture of another
// format, an uncompressed DIB) is converted the way ffmpeg's command line
// converts to yuv420p, so measures on our planes equal those of its filters.

#include "platform/YuvPicture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

class CYuvConverter {
public:
    CYuvConverter() = default;
    ~CYuvConverter();
    CYuvConverter(const CYuvConverter&) = delete;
    CYuvConverter& operator=(const CYuvConverter&) = delete;

    // False when the picture cannot be converted.
    bool FromFrame(const AVFrame& frame, YuvPicture& out);
    // A packed DIB (header, colour table, pixels) of 24 or 32 bits, BI_RGB,
    // bottom-up or top-down. False for any other kind.
    bool FromDib(const uint8_t* dib, size_t size, YuvPicture& out);
    // True when FromFrame copies frames of this pixel format unchanged.
    static bool IsPlanar420(int pixelFormat);

private:
    bool Scale(const uint8_t* const src[4], const int srcStride[4], int format, int width, int height,
               YuvPicture& out);

    SwsContext* m_sws = nullptr;
    std::vector<uint8_t> m_scratch;
};
