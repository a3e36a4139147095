#pragma once
// ffmpeg and ffprobe as the independent reader and writer of AVI files in
// tests: make foreign movies with ffmpeg, and ask ffprobe what it sees.

#include "support/TestUtil.h"

#include <cstdint>
#include <string>
#include <vector>

struct ProbePacket {
    int64_t pts = 0; // in the stream's time base; INT64_MIN when ffprobe gives N/A
    int64_t dts = 0;
    int64_t size = 0;
    bool key = false;
};

struct ProbeStream {
    int index = -1;
    std::string codecType; // "video", "audio"
    std::string codecName;
    std::string codecTag; // e.g. "DIV3" (ffprobe's codec_tag_string)
    int width = 0;
    int height = 0;
    std::string pixFmt;
    int sampleRate = 0;
    int channels = 0;
    std::string rFrameRate; // "25/1"
    int64_t nbFrames = -1;  // from the container, -1 when N/A
};

// ffmpeg -v error -y -nostdin <args...>
CommandResult Ffmpeg(const std::vector<std::string>& args);

// Packets of one stream ("v:0", "a:0") in file order.
std::vector<ProbePacket> ProbePackets(const std::string& path, const std::string& stream);
std::vector<ProbeStream> ProbeStreams(const std::string& path);
// Frame numbers of the key packets of the first video stream.
std::vector<int64_t> ProbeVideoKeyFrames(const std::string& path);
// What ffmpeg prints (at level "error" and above) while decoding the whole file.
std::string FfmpegDecodeErrors(const std::string& path);
// ffmpeg's framemd5 lines of one stream ("v:0"/"a:0") with stream copy, without
// the header comments: one line per packet with its size and hash.
std::vector<std::string> FramemD5Copy(const std::string& path, const std::string& stream);

// ffmpeg's decode of the first video stream in `pixFmt` (e.g. "bgr24"), one
// vector per frame: rows of width x bytesPerPixel bytes without padding,
// bottom-up, the row order of the frames our decoder hands out.
std::vector<std::vector<uint8_t>> FfmpegFramesBottomUp(const std::string& path, int width, int height,
                                                       const std::string& pixFmt = "bgr24",
                                                       int bytesPerPixel = 3);
