#pragma once
// Test movies for the writer tests: real uncompressed frames and PCM so that
// ffmpeg decodes what we write, written video first and audio second (the
// order the final assembly uses).

#include "platform/IAviFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fmtest {
// What the writer tests write themselves, frame by frame.
struct WriterMovie {
    int width = 64;
    int height = 48;
    int frames = 100;
    uint32_t fps = 25;
    int keyEvery = 10;
    int gapAt = -1; // frame positions gapAt .. gapAt+gapLength-1 are skipped
    int gapLength = 0;
    uint32_t audioRate = 44100; // 0: no audio
    int channels = 2;
    int audioBlock = 32768; // bytes per audio write
    uint64_t riffLimit = 1024ull * 1024 * 1024;
};
} // namespace fmtest

// Writes the movie; returns the error text ("" on success).
std::string WriteTestMovie(const std::string& path, const fmtest::WriterMovie& spec);

std::vector<uint8_t> TestFrame(int width, int height, int frame);
std::vector<uint8_t> BgrVideoFormat(int width, int height);
std::vector<uint8_t> PcmFormat(uint32_t rate, int channels);
AviStreamInfo VideoInfo(const fmtest::WriterMovie& spec);
AviStreamInfo PcmInfo(uint32_t rate, int channels);
// Total PCM bytes that play along spec.frames frames.
int64_t TestAudioBytes(const fmtest::WriterMovie& spec);
// The whole PCM track (TestAudioBytes bytes, s16 little-endian).
std::vector<uint8_t> TestAudio(const fmtest::WriterMovie& spec);
