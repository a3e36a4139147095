#include "media/CSourceFrame.h"

#include "media/CAVIStream.h"
#include "platform/CAviCompressedStream.h"
#include "platform/DibLayout.h"

#include <utility>

bool CSourceFrame::Fetch(CAVIStream& video, int32_t frame, bool planes) {
    m_dib.clear();
    m_hasPlanes = false;
    if (planes) {
        const YuvPicture* picture = video.GetYuvFrame(frame);
        if (!picture)
            return false;
        m_planes = *picture;
        m_hasPlanes = true;
        return true;
    }
    const uint8_t* decoded = video.GetFrame(frame);
    BitmapInfoHeader header;
    if (!decoded || !ParseBitmapInfoHeader(decoded, kBitmapInfoHeaderSize, header))
        return false;
    const int64_t offset = DibPixelOffset(header);
    // The size that follows from the header, not biSizeImage: that field is
    // whatever the file said for uncompressed frames passed through.
    const int64_t pixels = DibImageBytes(header);
    if (offset < 0 || pixels <= 0)
        return false;
    m_dib.assign(decoded, decoded + offset + pixels);
    return true;
}

int CSourceFrame::WriteTo(CAviCompressedStream& stream, int32_t position, uint32_t flags) const {
    if (m_hasPlanes)
        return stream.WritePlanes(position, m_planes, flags);
    BitmapInfoHeader header;
    if (m_dib.empty() || !ParseBitmapInfoHeader(m_dib.data(), m_dib.size(), header))
        return AVIERR_BADPARAM;
    const int64_t offset = DibPixelOffset(header);
    if (offset < 0 || static_cast<size_t>(offset) > m_dib.size())
        return AVIERR_BADPARAM;
    return stream.Write(position, 1, m_dib.data() + offset,
                        static_cast<int32_t>(m_dib.size() - size_t(offset)), flags, nullptr, nullptr);
}

void CSourceFrame::Swap(CSourceFrame& other) noexcept {
    std::swap(m_dib, other.m_dib);
    std::swap(m_planes, other.m_planes);
    std::swap(m_hasPlanes, other.m_hasPlanes);
}

bool CSourceFrame::PlanesFit(const CAVIStream& video,
                             const std::vector<const CAviCompressedStream*>& compressors) {
    if (!video.DecodesToPlanes())
        return false;
    for (const CAviCompressedStream* stream : compressors)
        if (!stream || !stream->AcceptsPlanes())
            return false;
    return true;
}
