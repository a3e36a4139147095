#pragma once
// Helpers of the reader tests: everything a reader delivers for a file, in a
// form two reads can be compared by, and the comparison with ffprobe.

#include "platform/IAviFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct ReaderStreamDump {
    AviStreamInfo info;
    std::vector<uint8_t> format;
    std::vector<int32_t> sizes;             // per sample (chunk-per-sample streams)
    std::vector<bool> keys;                 // FindSample(i, FIND_PREV | FIND_KEY) == i
    std::vector<std::vector<uint8_t>> data; // per sample; fixed-size streams: one block of all bytes
};

struct ReaderDump {
    bool opened = false;
    std::string error;
    AviFileInfo info;
    AviReadReport report;
    std::vector<ReaderStreamDump> streams;
};

// Opens the file and reads every sample of every stream through IAviStream.
ReaderDump DumpAvi(const std::string& path);

// Frame count, sizes and key frames of the first video stream, and the audio
// length, as ffprobe sees them (gtest expectations).
void ExpectMatchesProbe(const std::string& path);

// Same streams, sample sizes, key flags and data.
void ExpectSameContent(const ReaderDump& a, const ReaderDump& b);
