#pragma once
// Tells key frames from delta frames by looking at the first bytes of a video
// chunk, for files whose index is lost and must be rebuilt. It knows the
// picture headers of the codecs such files usually hold (MPEG-4 Part 2,
// MS-MPEG-4, H.264); intra-only and uncompressed video is key throughout.

#include "platform/AviLayout.h"

#include <cstddef>
#include <cstdint>

class CAviKeyFrameSniffer {
public:
    explicit CAviKeyFrameSniffer(const AviStreamHeaders& stream);

    // How many leading bytes of a chunk IsKey wants to see (0: none).
    size_t PeekSize() const;
    // `head` holds the first min(size, PeekSize()) bytes of a chunk of `size`.
    bool IsKey(const uint8_t* head, size_t have, uint32_t size) const;
    // False when the codec is unknown and every frame is taken as key.
    bool Knows() const { return m_kind != Kind::Unknown; }

private:
    enum class Kind { Audio, Intra, Mpeg4, MsMpeg4, MsMpeg4v1, H264, Unknown };
    Kind m_kind = Kind::Unknown;
};
