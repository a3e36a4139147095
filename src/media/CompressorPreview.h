#pragma once
// One frame of a movie encoded with a compressor record and decoded again,
// so that a user choosing the compressor's settings sees what they cost and
// what they look like before a whole movie is encoded with them. The frame
// is coded as a key frame, the first frame of a movie at that rate.

#include "platform/CodecOptions.h"

#include <cstdint>
#include <string>
#include <vector>

class CAVIStream;

struct CompressorPreviewFrame {
    std::vector<uint8_t> dib; // the decoded picture as a packed DIB
    size_t compressedBytes = 0;
};

// Encodes frame `frame` of `video` with `options` and decodes the result.
// False with the reason when the frame, the record or a codec fails.
bool EncodePreviewFrame(CAVIStream& video, int32_t frame, const CodecOptions& options,
                        CompressorPreviewFrame& out, std::string* error);
