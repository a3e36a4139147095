#include "platform/CYuvConverter.h"

#include "platform/AviTypes.h"
#include "platform/DibLayout.h"

#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace {
// The flags of ffmpeg's own automatic conversions.
constexpr int kSwsFlags = SWS_BICUBIC;
constexpr int kMaxDimension = 32768;
constexpr int kAlign = 64;

void CopyPlane(const uint8_t* src, int srcStride, int width, int height, uint8_t* dst) {
    for (int row = 0; row < height; ++row)
        std::memcpy(dst + static_cast<size_t>(row) * static_cast<size_t>(width),
                    src + static_cast<ptrdiff_t>(row) * srcStride, static_cast<size_t>(width));
}
} // namespace

CYuvConverter::~CYuvConverter() {
    sws_freeContext(m_sws);
}

bool CYuvConverter::IsPlanar420(int pixelFormat) {
    // The full-range variant has the same layout, but its values mean
    // something else: it is converted like any other format.
    return pixelFormat == AV_PIX_FMT_YUV420P;
}

bool CYuvConverter::FromFrame(const AVFrame& frame, YuvPicture& out) {
    if (frame.width <= 0 || frame.height <= 0 || frame.width > kMaxDimension || frame.height > kMaxDimension)
        return false;
    if (!IsPlanar420(frame.format))
        return Scale(frame.data, frame.linesize, frame.format, frame.width, frame.height, out);
    out.Resize(frame.width, frame.height);
    CopyPlane(frame.data[0], frame.linesize[0], out.width, out.height, out.y.data());
    CopyPlane(frame.data[1], frame.linesize[1], out.ChromaWidth(), out.ChromaHeight(), out.u.data());
    CopyPlane(frame.data[2], frame.linesize[2], out.ChromaWidth(), out.ChromaHeight(), out.v.data());
    return true;
}

bool CYuvConverter::FromDib(const uint8_t* dib, size_t size, YuvPicture& out) {
    BitmapInfoHeader header;
    if (!dib || !ParseBitmapInfoHeader(dib, size, header) || header.biCompression != BI_RGB)
        return false;
    if (header.biBitCount != 24 && header.biBitCount != 32)
        return false;
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    const int64_t offset = DibPixelOffset(header);
    const int64_t stride = DibStride(width, header.biBitCount);
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension || offset < 0 ||
        stride <= 0 || static_cast<int64_t>(size) < offset + stride * height)
        return false;
    const uint8_t* pixels = dib + offset;
    const uint8_t* src[4] = {pixels, nullptr, nullptr, nullptr};
    int srcStride[4] = {static_cast<int>(stride), 0, 0, 0};
    if (header.biHeight > 0) {
        // Bottom-up rows: start at the last one and walk back.
        src[0] = pixels + (height - 1) * stride;
        srcStride[0] = -static_cast<int>(stride);
    }
    return Scale(src, srcStride, header.biBitCount == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0, width, height,
                 out);
}

bool CYuvConverter::Scale(const uint8_t* const src[4], const int srcStride[4], int format, int width,
                          int height, YuvPicture& out) {
    if (format < 0)
        return false;
    m_sws = sws_getCachedContext(m_sws, width, height, static_cast<AVPixelFormat>(format), width, height,
                                 AV_PIX_FMT_YUV420P, kSwsFlags, nullptr, nullptr, nullptr);
    if (!m_sws)
        return false;
    out.Resize(width, height);
    // Vector code may write a little past a row's end: the planes go to
    // roomier rows first.
    const int lumaStride = (width + kAlign - 1) / kAlign * kAlign;
    const int chromaStride = (out.ChromaWidth() + kAlign - 1) / kAlign * kAlign;
    const size_t lumaBytes = static_cast<size_t>(lumaStride) * static_cast<size_t>(height) + kAlign;
    const size_t chromaBytes =
        static_cast<size_t>(chromaStride) * static_cast<size_t>(out.ChromaHeight()) + kAlign;
    m_scratch.resize(lumaBytes + 2 * chromaBytes);
    uint8_t* dst[4] = {m_scratch.data(), m_scratch.data() + lumaBytes,
                       m_scratch.data() + lumaBytes + chromaBytes, nullptr};
    int dstStride[4] = {lumaStride, chromaStride, chromaStride, 0};
    if (sws_scale(m_sws, src, srcStride, 0, height, dst, dstStride) != height)
        return false;
    CopyPlane(dst[0], lumaStride, width, height, out.y.data());
    CopyPlane(dst[1], chromaStride, out.ChromaWidth(), out.ChromaHeight(), out.u.data());
    CopyPlane(dst[2], chromaStride, out.ChromaWidth(), out.ChromaHeight(), out.v.data());
    return true;
}
