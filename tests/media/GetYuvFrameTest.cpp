// Frames in 4:2:0 planes through CAVIStream: the decoder's own planes for
// compressed video (exactly what ffmpeg decodes, in any access order), and
// RGB frames converted as ffmpeg converts them with one thread.

#include "MediaTestMovies.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/YuvPicture.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

namespace {
// ffmpeg's frames of `path` as yuv420p, one picture after the other.
std::vector<uint8_t> FfmpegPlanes(const CTempDir& dir, const std::string& path) {
    const std::string out = dir.File("planes.yuv");
    EXPECT_EQ(
        Ffmpeg({"-filter_threads", "1", "-i", path, "-f", "rawvideo", "-pix_fmt", "yuv420p", out}).exitCode,
        0);
    return ReadFileBytes(out);
}

void ExpectFrame(CAVIStream& stream, int32_t frame, const std::vector<uint8_t>& all) {
    const YuvPicture* picture = stream.GetYuvFrame(frame);
    ASSERT_NE(picture, nullptr) << frame;
    const size_t size = picture->y.size() + picture->u.size() + picture->v.size();
    ASSERT_LE(size * static_cast<size_t>(frame + 1), all.size());
    std::vector<uint8_t> planes(picture->y);
    planes.insert(planes.end(), picture->u.begin(), picture->u.end());
    planes.insert(planes.end(), picture->v.begin(), picture->v.end());
    const auto at = all.begin() + static_cast<ptrdiff_t>(size * static_cast<size_t>(frame));
    EXPECT_TRUE(std::equal(planes.begin(), planes.end(), at)) << "frame " << frame;
}
} // namespace

TEST(GetYuvFrameTest, CompressedFramesAreTheDecodersOwnPlanesInAnyOrder) {
    CTempDir dir;
    CHostRecorder host;
    const std::string path = MakeMovie(dir, "div3.avi", {}, 2);
    const std::vector<uint8_t> expected = FfmpegPlanes(dir, path);
    CAVIFile file(host);
    ASSERT_TRUE(file.Open(path));
    CAVIStream& video = *file.GetStream(file.GetVideoIndex());
    // A frame decoded as a DIB first: asking for its planes decodes it again.
    ASSERT_NE(video.GetFrame(7), nullptr);
    for (int32_t frame : {7, 8, 30, 2, 49, 0})
        ExpectFrame(video, frame, expected);
}

TEST(GetYuvFrameTest, RgbFramesAreConvertedAsFfmpegConvertsThem) {
    CTempDir dir;
    CHostRecorder host;
    const std::string path = dir.File("rgb.avi");
    // An odd width and height: the chroma planes round up.
    ASSERT_EQ(RunCli({"sample", path, "--size", "75x43", "--frames", "4", "--audio", "none"}).exitCode, 0);
    const std::vector<uint8_t> expected = FfmpegPlanes(dir, path);
    CAVIFile file(host);
    ASSERT_TRUE(file.Open(path));
    CAVIStream& video = *file.GetStream(file.GetVideoIndex());
    for (int32_t frame : {3, 0, 1})
        ExpectFrame(video, frame, expected);
    EXPECT_EQ(video.GetYuvFrame(3)->ChromaWidth(), 38);
    EXPECT_EQ(video.GetYuvFrame(3)->u.size(), size_t{38 * 22});
}
