#pragma once
// One source frame on its way to the compressors: in the decoder's own 4:2:0
// planes when the source is decoded and every compressor codes 4:2:0 (no
// round trip through 24-bit BGR, which costs about a dB), else as the
// decoded DIB's pixels. Fetching copies the frame, so that the next one can
// be decoded while this one is encoded.

#include "platform/YuvPicture.h"

#include <cstdint>
#include <vector>

class CAVIStream;
class CAviCompressedStream;

class CSourceFrame {
public:
    // Planes only when `planes` is set and the stream decodes to them.
    // False when the frame cannot be decoded (the frame is then empty).
    bool Fetch(CAVIStream& video, int32_t frame, bool planes);
    bool IsEmpty() const { return !m_hasPlanes && m_dib.empty(); }
    // Writes the frame at `position`; an AVIERR_* code.
    int WriteTo(CAviCompressedStream& stream, int32_t position, uint32_t flags) const;
    void Swap(CSourceFrame& other) noexcept;

    // True when `stream` can give planes and every one of the compressors
    // takes them.
    static bool PlanesFit(const CAVIStream& video,
                          const std::vector<const CAviCompressedStream*>& compressors);

private:
    std::vector<uint8_t> m_dib; // header, colour table and pixels
    YuvPicture m_planes;
    bool m_hasPlanes = false;
};
