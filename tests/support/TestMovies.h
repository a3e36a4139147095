#pragma once
// Small movies made by ffmpeg for the job tests: MPEG-4 video with key frames
// exactly where asked (no scene-change key frames) and PCM, MP3 or AC-3
// audio of a chosen length, plus packet hashes that ignore time stamps.

#include <string>
#include <vector>

namespace fmtest {
// What ffmpeg is asked to make.
struct FfmpegMovie {
    int frames = 100;
    int fps = 25;
    int keyEvery = 25;       // frames between forced key frames
    int quality = 5;         // -q:v: LOW and FAST differ by it
    std::string audio;       // "", "pcm", "pcm_u8", "mp3" or "ac3"
    double audioSeconds = 0; // 0: as long as the video
    int sampleRate = 8000;
    int audioFrequency = 440; // Hz of the sine: tells two files' audio apart
    std::string videoTag;     // FourCC written for the video ("" : ffmpeg's)
    std::string size = "64x48";
    std::string pattern = "testsrc"; // lavfi video source
};
} // namespace fmtest

// Writes the movie; false (with ffmpeg's words in *error) when it failed.
bool MakeTestMovie(const std::string& path, const fmtest::FfmpegMovie& spec, std::string* error = nullptr);

// "size, hash" of every packet of one stream ("v:0", "a:0") in file order:
// equal lists mean byte-identical chunks, wherever they stand in time.
std::vector<std::string> PacketHashes(const std::string& path, const std::string& stream);

// The stream decoded by ffmpeg to raw samples (signed 16-bit, mono).
std::vector<int16_t> DecodeAudioS16(const std::string& path);

// Turns the top-down uncompressed AVI ffmpeg writes into a bottom-up one by
// changing only the sign of the video's biHeight: every reader then shows
// the picture upside down. False when the file has no top-down video header.
bool MarkRawAviBottomUp(const std::string& path);
