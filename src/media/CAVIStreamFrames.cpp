// CAVIStream's frame access: the decoded frame of a video stream, and its
// pixels either in place (raw) or copied into a buffer (converted).
//
// Sizes follow width x height x (bits / 8), which leaves out the 4-byte row
// padding of DIBs. So that nothing reads or writes past a buffer, the raw form
// points at the decoder's padded rows (the size never exceeds them), and the
// converted form copies the rows without their padding: the buffer then holds
// every pixel of the picture, rows bottom-up as in the DIB.

#include "media/CAVIStream.h"

#include "media/IHost.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/DibLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

const uint8_t* CAVIStream::GetFrame(int32_t frame) {
    return m_decoder ? m_decoder->GetFrame(frame) : nullptr;
}

bool CAVIStream::VisitFrameRows(int32_t frame, IBgrRowSink& sink) {
    return m_decoder && m_decoder->VisitRows(frame, sink);
}

uint8_t* CAVIStream::GetBitmapBuffer(bool raw, int32_t frame, int32_t* size, uint8_t* buffer, int32_t* width,
                                     int32_t* height) {
    const uint8_t* dib = GetFrame(frame);
    BitmapInfoHeader header;
    const int64_t offset =
        dib && ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, header) ? DibPixelOffset(header) : -1;
    if (offset < 0) {
        m_host.ShowError("CAVIStream::GetBitmapBuffer: AVIStreamGetFrame(). Error! No Bitmap decoded!");
        return nullptr;
    }
    if (width)
        *width = header.biWidth;
    if (height)
        *height = header.biHeight;
    const int64_t rows = std::abs(static_cast<int64_t>(header.biHeight));
    const int64_t rowBytes = int64_t{header.biWidth} * (header.biBitCount / 8);
    const int64_t pixelBytes = rowBytes * rows;
    uint8_t* pixels = const_cast<uint8_t*>(dib) + offset;
    if (raw) {
        if (size)
            *size = static_cast<int32_t>(pixelBytes);
        return pixels;
    }

    // The first converted frame fixes the size for all later ones.
    if (m_nConvertedSize < 0)
        m_nConvertedSize = static_cast<int32_t>(pixelBytes);
    const int64_t total = m_nConvertedSize;
    if (size)
        *size = m_nConvertedSize;
    if (!buffer)
        buffer = new uint8_t[static_cast<size_t>(total) + 1];
    const int64_t stride = DibStride(header.biWidth, header.biBitCount);
    int64_t at = 0;
    for (int64_t y = 0; y < rows && at < total; ++y) {
        const int64_t n = std::min(rowBytes, total - at);
        std::memcpy(buffer + at, pixels + y * stride, static_cast<size_t>(n));
        at += n;
    }
    if (at < total)
        std::memset(buffer + at, 0, static_cast<size_t>(total - at));
    return buffer;
}
