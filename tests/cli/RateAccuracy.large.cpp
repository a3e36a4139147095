// The bit rate the pair is asked for, met over a movie whose scenes differ
// as much as a real one's: a still picture, motion, and a still picture
// again at the end, where bits saved can no longer go anywhere.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int64_t VideoBytes(const std::string& file) {
    int64_t bytes = 0;
    for (const ProbePacket& packet : ProbePackets(file, "v:0"))
        bytes += packet.size;
    return bytes;
}

double KbitPerSecond(const std::string& file, double seconds) {
    return static_cast<double>(VideoBytes(file)) * 8 / seconds / 1000;
}

TEST(RateAccuracy, TwoPassesMeetTheRateWithinThreePercentOverStillAndMovingScenes) {
    CTempDir dir;
    const std::string source = dir.File("scenes.avi");
    // 3 s still, 5 s of moving test pattern, 2 s still: 10 s at 25 frames per second.
    ASSERT_EQ(
        Ffmpeg({"-f", "lavfi", "-i",
                "testsrc2=size=320x240:rate=25,trim=end_frame=1,loop=loop=74:size=1,setpts=N/25/TB", "-f",
                "lavfi", "-i", "testsrc2=size=320x240:rate=25,trim=end_frame=125", "-f", "lavfi", "-i",
                "mandelbrot=size=320x240:rate=25,trim=end_frame=1,loop=loop=49:size=1,setpts=N/25/TB",
                "-filter_complex", "[0:v][1:v][2:v]concat=n=3:v=1:a=0,format=yuv420p", "-c:v", "ffvhuff",
                source})
            .exitCode,
        0);
    for (const char* kbps : {"150", "600"}) {
        SCOPED_TRACE(kbps);
        const std::string low = dir.File(std::string("low") + kbps + ".avi");
        const std::string fast = dir.File(std::string("fast") + kbps + ".avi");
        const auto r = RunCli({"encode", source, "--low", low, "--fast", fast, "--bitrate", kbps,
                               "--low-codec", "DIV3:passes=2", "--fast-codec", "DIV4:passes=2"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        for (const std::string& file : {low, fast}) {
            EXPECT_EQ(ProbePackets(file, "v:0").size(), 250u);
            EXPECT_NEAR(KbitPerSecond(file, 10) / std::stod(kbps), 1.0, 0.03) << file;
        }
    }
}

} // namespace
