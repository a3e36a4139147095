// CAVIStream's frames in 4:2:0 planes, for the encoders and the quality
// report: no round trip through 24-bit BGR when the decoder gives planes.

#include "media/CAVIStream.h"

#include "platform/CAviFrameDecoder.h"
#include "platform/CYuvConverter.h"
#include "platform/DibLayout.h"
#include "platform/YuvPicture.h"

const YuvPicture* CAVIStream::GetYuvFrame(int32_t frame) {
    if (!m_decoder)
        return nullptr;
    if (!m_decoder->IsPassThrough())
        return m_decoder->GetPlanes(frame);
    const uint8_t* dib = GetFrame(frame);
    if (!dib)
        return nullptr;
    if (!m_yuvConverter) {
        m_yuvConverter = std::make_shared<CYuvConverter>();
        m_yuv = std::make_shared<YuvPicture>();
    }
    BitmapInfoHeader header;
    if (!ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, header))
        return nullptr;
    // The DIB the decoder hands out holds its header, colour table and pixels.
    const int64_t offset = DibPixelOffset(header);
    const int64_t pixels = DibImageBytes(header);
    if (offset < 0 || pixels <= 0)
        return nullptr;
    return m_yuvConverter->FromDib(dib, static_cast<size_t>(offset + pixels), *m_yuv) ? m_yuv.get() : nullptr;
}

bool CAVIStream::DecodesToPlanes() const {
    return m_decoder && !m_decoder->IsPassThrough();
}
