#include "platform/CFrameConverter.h"

#include "platform/AviTypes.h"
#include "platform/DibLayout.h"

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {
// ffmpeg's command line converts with bicubic scaling flags; with equal sizes
// this picks the same unscaled converters, so our pixels equal its output.
constexpr int kSwsFlags = SWS_BICUBIC;
constexpr int kStrideAlign = 64; // swscale's vector code prefers aligned rows
// Widths whose rows swscale fills without running over their end.
constexpr int kDirectWidthStep = 32;
} // namespace

CFrameConverter::~CFrameConverter() {
    sws_freeContext(m_sws);
}

bool CFrameConverter::Convert(const AVFrame& frame, std::vector<uint8_t>& dib) {
    const int width = frame.width;
    const int height = frame.height;
    const int64_t stride = DibStride(width, 24);
    if (stride == 0 || height <= 0 || height > 32768 || frame.format < 0)
        return false;
    m_sws = sws_getCachedContext(m_sws, width, height, static_cast<AVPixelFormat>(frame.format), width,
                                 height, AV_PIX_FMT_BGR24, kSwsFlags, nullptr, nullptr, nullptr);
    if (!m_sws)
        return false;

    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<uint32_t>(stride * height);
    // The buffer is reused frame after frame: only the row padding needs
    // clearing, every other byte is overwritten.
    dib.resize(kBitmapInfoHeaderSize + header.biSizeImage);
    WriteBitmapInfoHeader(header, dib.data());
    uint8_t* pixels = dib.data() + kBitmapInfoHeaderSize;
    const size_t rowBytes = static_cast<size_t>(width) * 3;

    if (width % kDirectWidthStep == 0) {
        // Rows that end on a whole vector step: swscale writes the picture
        // bottom-up straight into place (last row first, a negative stride),
        // with nothing written past a row's end.
        uint8_t* dst[4] = {pixels + static_cast<size_t>(height - 1) * stride, nullptr, nullptr, nullptr};
        int dstStride[4] = {-static_cast<int>(stride), 0, 0, 0};
        return sws_scale(m_sws, frame.data, frame.linesize, 0, height, dst, dstStride) == height;
    }
    // Other widths: vector code may write a little past the row's end, so
    // the picture goes to a roomier scratch buffer first and is flipped.
    const int tmpStride = static_cast<int>((stride + kStrideAlign - 1) / kStrideAlign * kStrideAlign);
    m_topDown.resize(static_cast<size_t>(tmpStride) * height + kStrideAlign);
    uint8_t* dst[4] = {m_topDown.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {tmpStride, 0, 0, 0};
    if (sws_scale(m_sws, frame.data, frame.linesize, 0, height, dst, dstStride) != height)
        return false;
    const size_t padding = static_cast<size_t>(stride) - rowBytes;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + static_cast<size_t>(height - 1 - y) * stride;
        std::memcpy(row, m_topDown.data() + static_cast<size_t>(y) * tmpStride, rowBytes);
        if (padding > 0)
            std::memset(row + rowBytes, 0, padding);
    }
    return true;
}
