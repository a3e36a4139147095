// flintmoor-cli sample: the movie it writes as ffprobe sees it, and what it
// says to values it cannot use.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(SampleCommand, WritesTheMovieAsAsked) {
    CTempDir dir;
    const std::string out = dir.File("sample.avi");
    auto r = RunCli(
        {"sample", out, "--size", "96x64", "--frames", "40", "--fps", "30000/1001", "--audio", "22050/1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto streams = ProbeStreams(out);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codecName, "rawvideo");
    EXPECT_EQ(streams[0].pixFmt, "bgr24");
    EXPECT_EQ(streams[0].width, 96);
    EXPECT_EQ(streams[0].height, 64);
    EXPECT_EQ(streams[0].rFrameRate, "30000/1001");
    EXPECT_EQ(streams[0].nbFrames, 40);
    EXPECT_EQ(streams[1].codecName, "pcm_s16le");
    EXPECT_EQ(streams[1].sampleRate, 22050);
    EXPECT_EQ(streams[1].channels, 1);
    // 40 frames at 29.97 per second: 40 * 1001 * 22050 / 30000 samples.
    EXPECT_EQ(streams[1].nbFrames, 40LL * 1001 * 22050 / 30000);
    EXPECT_EQ(FfmpegDecodeErrors(out), "");

    // Defaults, and a movie without sound; the file is replaced.
    r = RunCli({"sample", out, "--frames", "5", "--audio", "none"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    streams = ProbeStreams(out);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].width, 320);
    EXPECT_EQ(streams[0].height, 240);
    EXPECT_EQ(streams[0].rFrameRate, "25/1");
    EXPECT_EQ(streams[0].nbFrames, 5);
}

TEST(SampleCommand, RefusesValuesItCannotUse) {
    CTempDir dir;
    const std::string out = dir.File("bad.avi");
    const std::vector<std::vector<std::string>> bad = {
        {"--size", "320"},       {"--size", "0x240"},
        {"--size", "320x240x3"}, {"--size", "99999x99999"},
        {"--frames", "0"},       {"--frames", "-5"},
        {"--frames", "ten"},     {"--frames", "99999999999999999999"},
        {"--fps", "0"},          {"--fps", "25/0"},
        {"--fps", "1/1000"},     {"--fps", "25.5"},
        {"--audio", "44100"},    {"--audio", "44100/0"},
        {"--audio", "0/2"},      {"--audio", "1000/2"},
        {"--audio", "44100/99"},
    };
    for (const auto& args : bad) {
        std::vector<std::string> argv{"sample", out};
        argv.insert(argv.end(), args.begin(), args.end());
        auto r = RunCli(argv);
        EXPECT_EQ(r.exitCode, 2) << args[0] << " " << args[1];
        EXPECT_NE(r.err.find("sample:"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << args[0] << " " << args[1];
    }

    // A file that cannot be made is a failure, not bad usage.
    auto r = RunCli({"sample", dir.File("missing/dir/x.avi"), "--frames", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("missing/dir"), std::string::npos) << r.err;
}
