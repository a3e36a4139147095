// The demo's quality report: the PSNR of a movie against its source, for
// uncompressed sources stored top-down (as ffmpeg writes them) and
// bottom-up, checked against ffmpeg's decode of both files.

#include "creation/MoviePsnr.h"
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

double ReferencePsnr(const std::string& a, const std::string& b) {
    const auto x = FfmpegFramesBottomUp(a, kWidth, kHeight);
    const auto y = FfmpegFramesBottomUp(b, kWidth, kHeight);
    EXPECT_EQ(x.size(), y.size());
    double squared = 0;
    double count = 0;
    for (size_t f = 0; f < x.size() && f < y.size(); ++f) {
        for (size_t i = 0; i < x[f].size(); ++i) {
            const double d = double(x[f][i]) - double(y[f][i]);
            squared += d * d;
        }
        count += double(x[f].size());
    }
    return 10.0 * std::log10(255.0 * 255.0 / (squared / count));
}
} // namespace

TEST(MoviePsnr, UncompressedSourcesOfEitherRowOrderAreComparedUpright) {
    CTempDir dir;
    CHostRecorder host;
    const std::string copy = MakeClip(dir, "copy.avi", {"-c:v", "ffv1", "-pix_fmt", "bgr0"});
    // Different from the clip in the red channel only: the rows still line up.
    const std::string darker =
        MakeClip(dir, "darker.avi", {"-vf", "lutrgb=r=val/2", "-c:v", "ffv1", "-pix_fmt", "bgr0"});
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

        const std::optional<double> same = MoviePsnr(host, source, copy);
        ASSERT_TRUE(same);
        EXPECT_TRUE(std::isinf(*same)) << *same;
        const std::optional<double> psnr = MoviePsnr(host, source, darker);
        ASSERT_TRUE(psnr);
        EXPECT_DOUBLE_EQ(*psnr, ReferencePsnr(source, darker));
    }
    EXPECT_TRUE(host.Messages().empty());
}
