#pragma once
// What the reader learns from the headers of an AVI file before it looks at
// the movie data: the main header, every stream's header and format, where
// the movi lists and the indexes lie.

#include "platform/AviTypes.h"

#include <cstdint>
#include <vector>

struct AviStreamHeaders {
    AviStreamInfo info;          // from strh and strn
    std::vector<uint8_t> format; // strf
    uint64_t superIndexPos = 0;  // data of the 'indx' chunk; 0 when absent
    uint32_t superIndexSize = 0;
};

struct AviMoviList {
    uint64_t fccPos = 0;    // position of the 'movi' FourCC (idx1 offsets count from here)
    uint64_t dataStart = 0; // first chunk header
    uint64_t end = 0;       // end of the list, never beyond the file
    bool extension = false; // inside a 'RIFF AVIX' part
    bool cut = false;       // its declared end lies beyond the file (or was never written)
};

struct AviLayout {
    uint32_t microSecPerFrame = 0;
    uint32_t maxBytesPerSec = 0;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;
    uint32_t suggestedBufferSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool hasDmlh = false;
    uint32_t dmlhTotalFrames = 0;
    std::vector<AviStreamHeaders> streams;
    std::vector<AviMoviList> movis;
    bool hasIdx1 = false;
    uint64_t idx1Pos = 0; // data of the idx1 chunk
    uint32_t idx1Size = 0;
    int riffParts = 0;
};

// Bounds that keep hostile headers from costing memory or time.
constexpr size_t kAviMaxStreams = 100; // chunk ids carry two decimal digits
constexpr uint32_t kAviMaxFormatSize = 64 * 1024;
constexpr uint32_t kAviMaxNameSize = 256;
