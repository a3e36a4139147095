#pragma once
// The compressor options record of one encoding (LOW or FAST): the fields of
// the classic AVICOMPRESSOPTIONS, with the format and the compressor state
// block owned by the record itself, so a copy never points at memory someone
// else released. Whether the record was configured is the caller's flag.

#include "platform/AviTypes.h"

#include <cstdint>
#include <vector>

// dwFlags bits.
constexpr uint32_t AVICOMPRESSF_INTERLEAVE = 0x01;
constexpr uint32_t AVICOMPRESSF_DATARATE = 0x02;  // dwBytesPerSecond is valid
constexpr uint32_t AVICOMPRESSF_KEYFRAMES = 0x04; // dwKeyFrameEvery is valid
constexpr uint32_t AVICOMPRESSF_VALID = 0x08;

struct CodecOptions {
    FOURCC fccType = 0;
    FOURCC fccHandler = 0;
    uint32_t dwKeyFrameEvery = 0;
    uint32_t dwQuality = 0;
    uint32_t dwBytesPerSecond = 0;
    uint32_t dwFlags = 0;
    std::vector<uint8_t> lpFormat; // format memory; cbFormat is its size
    std::vector<uint8_t> lpParms;  // compressor state block; cbParms is its size
    uint32_t dwInterleaveEvery = 0;

    uint32_t cbFormat() const { return static_cast<uint32_t>(lpFormat.size()); }
    uint32_t cbParms() const { return static_cast<uint32_t>(lpParms.size()); }

    // All fields zero, no format, no state block.
    void Clear();

    bool operator==(const CodecOptions&) const = default;
};
