// flintmoor-cli encode end to end: the key-frame spacing taken from the
// source's frame rate, and the refusals of bad usage.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// An NTSC source (30000/1001) gets a key frame every 29 frames in both files:
// the spacing is the whole frames per second. The files keep the exact rate,
// so the source's audio copied along stays in step with the pictures.
TEST(EncodeCommand, KeyFramesFollowTheSourcesWholeFrameRate) {
    CTempDir dir;
    const std::string source = dir.File("ntsc.avi");
    ASSERT_EQ(RunCli({"sample", source, "--size", "96x64", "--frames", "70", "--fps", "30000/1001", "--audio",
                      "none"})
                  .exitCode,
              0);
    const auto r = RunCli({"encode", source, "--low", dir.File("low.avi"), "--fast", dir.File("fast.avi")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& file : {dir.File("low.avi"), dir.File("fast.avi")}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ProbePackets(file, "v:0").size(), 70u);
        EXPECT_EQ(ProbeVideoKeyFrames(file), (std::vector<int64_t>{0, 29, 58}));
        const auto streams = ProbeStreams(file);
        ASSERT_FALSE(streams.empty());
        EXPECT_EQ(streams[0].rFrameRate, "30000/1001");
    }
}

TEST(EncodeCommand, BadUsageIsRefusedBeforeAnythingIsWritten) {
    CTempDir dir;
    const std::string source = dir.File("s.avi");
    ASSERT_EQ(RunCli({"sample", source, "--size", "64x48", "--frames", "5", "--audio", "none"}).exitCode, 0);
    const std::string low = dir.File("low.avi"), fast = dir.File("fast.avi");
    EXPECT_EQ(
        RunCli({"encode", source, "--low", low, "--fast", fast, "--low-codec", "DIV3:bitrate=x"}).exitCode,
        2);
    EXPECT_EQ(RunCli({"encode", source, "--low", low, "--fast", fast, "--fast-codec", "NOPE"}).exitCode, 2);
    EXPECT_EQ(RunCli({"encode", source, "--low", source, "--fast", fast}).exitCode, 2);
    EXPECT_EQ(RunCli({"encode", source, "--low", low, "--fast", low}).exitCode, 2);
    EXPECT_EQ(RunCli({"encode", source, "--low", low, "--fast", fast, "--priority", "Fastest"}).exitCode, 2);
    EXPECT_EQ(RunCli({"encode", source, "--low", low, "--fast", fast, "--bitrate", "7"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(low));
    EXPECT_FALSE(std::filesystem::exists(fast));
    EXPECT_EQ(ReadFileBytes(source).empty(), false);
    EXPECT_EQ(RunCli({"encode", source, "--low", low, "--fast", fast, "--priority", "Pause"}).exitCode, 2);
    // A source that is not there is bad usage; one that does not open, a failure.
    EXPECT_EQ(RunCli({"encode", dir.File("missing.avi"), "--low", low, "--fast", fast}).exitCode, 2);
    const std::string garbage = dir.File("garbage.avi");
    WriteFileBytes(garbage, std::vector<uint8_t>(4096, 'g'));
    EXPECT_EQ(RunCli({"encode", garbage, "--low", low, "--fast", fast}).exitCode, 1);
}

// Both presets aim at the one bit rate and come within 10 % of it over ten
// seconds; a spec that names its own rate keeps it.
TEST(EncodeCommand, BothFilesMeetTheOneBitRate) {
    CTempDir dir;
    const std::string source = dir.File("moving.avi");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25", "-t", "10", "-c:v", "rawvideo",
                      "-pix_fmt", "bgr24", source})
                  .exitCode,
              0);
    const auto r = RunCli({"encode", source, "--low", dir.File("low.avi"), "--fast", dir.File("fast.avi"),
                           "--bitrate", "150", "--fast-codec", "DIV4:mbd=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("150 kbit/s"), std::string::npos) << r.err;
    for (const std::string& file : {dir.File("low.avi"), dir.File("fast.avi")}) {
        int64_t bytes = 0;
        for (const ProbePacket& packet : ProbePackets(file, "v:0"))
            bytes += packet.size;
        EXPECT_NEAR(static_cast<double>(bytes) * 8 / 10 / 1000, 150, 15) << file;
    }
    // Two passes: within 3 %, the key frames where they were.
    const auto two =
        RunCli({"encode", source, "--low", dir.File("low3.avi"), "--fast", dir.File("fast3.avi"), "--bitrate",
                "150", "--low-codec", "DIV3:passes=2", "--fast-codec", "DIV4:passes=2"});
    ASSERT_EQ(two.exitCode, 0) << two.err;
    EXPECT_NE(two.err.find("Analysing Frame"), std::string::npos);
    for (const std::string& file : {dir.File("low3.avi"), dir.File("fast3.avi")}) {
        int64_t bytes = 0;
        for (const ProbePacket& packet : ProbePackets(file, "v:0"))
            bytes += packet.size;
        EXPECT_NEAR(static_cast<double>(bytes) * 8 / 10 / 1000, 150, 4.5) << file;
        EXPECT_EQ(ProbeVideoKeyFrames(file), ProbeVideoKeyFrames(dir.File("low.avi")));
        EXPECT_EQ(ProbePackets(file, "v:0").size(), 250u);
    }
    const auto own = RunCli({"encode", source, "--low", dir.File("low2.avi"), "--fast", dir.File("fast2.avi"),
                             "--bitrate", "150", "--low-codec", "DIV3:bitrate=60"});
    ASSERT_EQ(own.exitCode, 0) << own.err;
    int64_t bytes = 0;
    for (const ProbePacket& packet : ProbePackets(dir.File("low2.avi"), "v:0"))
        bytes += packet.size;
    EXPECT_NEAR(static_cast<double>(bytes) * 8 / 10 / 1000, 60, 6);
}

} // namespace
