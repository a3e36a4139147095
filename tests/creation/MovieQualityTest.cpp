// The quality report against ffmpeg's own psnr and ssim filters on yuv420p
// (one filter thread: its sliced conversion of RGB sources varies with the
// thread count), and the cases it must refuse.

#include "creation/MovieQuality.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

class MovieQualityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        ASSERT_EQ(RunCli({"sample", File("src.avi"), "--size", "96x64", "--frames", "60", "--audio", "none"})
                      .exitCode,
                  0);
        const CommandResult encode =
            RunCli({"encode", File("src.avi"), "--low", File("low.avi"), "--fast", File("fast.avi")});
        ASSERT_EQ(encode.exitCode, 0) << encode.err;
        ASSERT_EQ(RunCli({"sample", File("small.avi"), "--size", "64x48", "--frames", "5", "--audio", "none"})
                      .exitCode,
                  0);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string File(const std::string& name) { return s_dir->File(name); }

    // ffmpeg's "average:" of psnr and "All:" of ssim.
    static std::pair<double, double> FfmpegQuality(const std::string& movie, const std::string& source) {
        const CommandResult r = RunCommand({"ffmpeg", "-hide_banner", "-nostdin", "-filter_complex_threads",
                                            "1", "-i", movie, "-i", source, "-lavfi",
                                            "[0:v]format=yuv420p,split[a][c];[1:v]format=yuv420p,split[b][d];"
                                            "[a][b]psnr;[c][d]ssim",
                                            "-f", "null", "-"});
        // The number after a label of ffmpeg's summary lines; NaN when missing.
        const auto after = [&r](const std::string& label) {
            const size_t at = r.err.find(label);
            EXPECT_NE(at, std::string::npos) << label << " missing in: " << r.err;
            return at == std::string::npos ? std::nan("")
                                           : std::strtod(r.err.c_str() + at + label.size(), nullptr);
        };
        return {after("average:"), after("All:")};
    }

    CHostRecorder host;
    static CTempDir* s_dir;
};
CTempDir* MovieQualityTest::s_dir = nullptr;

} // namespace

TEST_F(MovieQualityTest, AgreesWithFfmpegsFiltersAndCountsTheVideoBytes) {
    for (const char* name : {"low.avi", "fast.avi"}) {
        std::string error;
        const auto q = MeasureMovieQuality(host, File("src.avi"), File(name), &error);
        ASSERT_TRUE(q) << error;
        const auto [psnr, ssim] = FfmpegQuality(File(name), File("src.avi"));
        EXPECT_NEAR(q->psnr, psnr, 0.005) << name;
        EXPECT_NEAR(q->ssim, ssim, 0.0002) << name;
        int64_t bytes = 0;
        for (const ProbePacket& packet : ProbePackets(File(name), "v:0"))
            bytes += packet.size;
        EXPECT_EQ(q->videoBytes, bytes);
        EXPECT_EQ(q->frames, 60);
        // The worst interval lies between key frames (every 25 frames here)
        // and is no better than the whole.
        EXPECT_EQ(q->worstStart % 25, 0);
        EXPECT_TRUE(q->worstEnd == q->worstStart + 25 || q->worstEnd == 60) << q->worstEnd;
        EXPECT_LE(q->worstPsnr, q->psnr + 1e-9);
    }
}

TEST_F(MovieQualityTest, IdenticalPicturesAreInfinitelyCloseAndOtherSizesAreRefused) {
    std::string error;
    const auto same = MeasureMovieQuality(host, File("src.avi"), File("src.avi"), &error);
    ASSERT_TRUE(same) << error;
    EXPECT_TRUE(std::isinf(same->psnr));
    EXPECT_DOUBLE_EQ(same->ssim, 1.0);

    EXPECT_FALSE(MeasureMovieQuality(host, File("src.avi"), File("small.avi"), &error));
    EXPECT_NE(error.find("size"), std::string::npos) << error;
    EXPECT_FALSE(MeasureMovieQuality(host, File("src.avi"), File("none.avi"), &error));
    EXPECT_NE(error.find("none.avi"), std::string::npos) << error;
}
