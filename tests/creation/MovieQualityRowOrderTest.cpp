// The quality report against an uncompressed source stored top-down (as
// ffmpeg writes them) or bottom-up: the rows of the two movies line up
// either way, so one clip stored both ways measures the same.

#include "creation/MovieQuality.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr int kWidth = 50;
constexpr int kHeight = 36;

std::string MakeClip(const CTempDir& dir, const std::string& name, const std::vector<std::string>& output) {
    const std::string path = dir.File(name);
    std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc2=size=50x36:rate=25", "-frames:v", "6"};
    args.insert(args.end(), output.begin(), output.end());
    args.push_back(path);
    const CommandResult r = Ffmpeg(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return path;
}

} // namespace

TEST(MovieQuality, UncompressedSourcesOfEitherRowOrderAreComparedUpright) {
    CTempDir dir;
    CHostRecorder host;
    const std::string copy = MakeClip(dir, "copy.avi", {"-c:v", "ffv1", "-pix_fmt", "bgr0"});
    // Different from the clip in the red channel only: the rows still line up.
    const std::string darker =
        MakeClip(dir, "darker.avi", {"-vf", "lutrgb=r=val/2", "-c:v", "ffv1", "-pix_fmt", "bgr0"});
    std::vector<double> samePsnr, darkerPsnr;
    for (bool bottomUp : {false, true}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        // Stored turned over when bottom-up, so that it shows the clip upright.
        std::vector<std::string> raw{"-c:v", "rawvideo", "-pix_fmt", "bgr24"};
        if (bottomUp)
            raw.insert(raw.begin(), {"-vf", "vflip"});
        const std::string source = MakeClip(dir, bottomUp ? "up.avi" : "down.avi", raw);
        if (bottomUp) {
            ASSERT_TRUE(MarkRawAviBottomUp(source));
        }

        std::string error;
        const std::optional<MovieQuality> same = MeasureMovieQuality(host, source, copy, &error);
        ASSERT_TRUE(same) << error;
        // The same pictures, only converted to 4:2:0 along two paths: far
        // above what rows turned over would give (about 10 dB).
        EXPECT_GT(same->psnr, 40.0);
        samePsnr.push_back(same->psnr);
        const std::optional<MovieQuality> other = MeasureMovieQuality(host, source, darker, &error);
        ASSERT_TRUE(other) << error;
        EXPECT_TRUE(std::isfinite(other->psnr));
        darkerPsnr.push_back(other->psnr);
    }
    ASSERT_EQ(darkerPsnr.size(), 2u);
    EXPECT_DOUBLE_EQ(samePsnr[0], samePsnr[1]);
    EXPECT_DOUBLE_EQ(darkerPsnr[0], darkerPsnr[1]);
    EXPECT_TRUE(host.Messages().empty());
}
