#pragma once
// Turns a decoded picture (any pixel format libavcodec hands out) into a
// packed DIB: BITMAPINFOHEADER, then 24-bit BGR pixels bottom-up with rows
// padded to 4 bytes. The conversion matches what `ffmpeg -pix_fmt bgr24`
// produces for the same picture, so frames compare byte for byte with it.

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

class CFrameConverter {
public:
    CFrameConverter() = default;
    ~CFrameConverter();
    CFrameConverter(const CFrameConverter&) = delete;
    CFrameConverter& operator=(const CFrameConverter&) = delete;

    // Replaces `dib` with the converted frame. False when the frame cannot be
    // converted (unknown pixel format, absurd size, out of memory).
    bool Convert(const AVFrame& frame, std::vector<uint8_t>& dib);

private:
    SwsContext* m_sws = nullptr;
    std::vector<uint8_t> m_topDown; // widths not written in place go here first, then rows are flipped
};
