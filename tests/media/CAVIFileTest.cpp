// Opening, creating and closing files, the stream indexes, and the
// questions a stream answers about its samples.

#include "media/CAVIFile.h"
#include "MediaTestMovies.h"
#include "media/CAVIStream.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {
class CAVIFileTest : public ::testing::Test {
protected:
    CTempDir m_dir;
    CHostRecorder m_host;
};

TEST_F(CAVIFileTest, OpenFindsStreamsAndIndexesAndCloseEmptiesTheObject) {
    const std::string path = MakeMovie(m_dir, "pcm.avi", {"-c:a", "pcm_s16le", "-ac", "2"});
    CAVIFile file(m_host);
    ASSERT_TRUE(file.Open(path));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetPath(), path);
    EXPECT_EQ(file.GetLength(), 75);
    EXPECT_EQ(file.GetStreamCount(), 2);
    EXPECT_EQ(file.GetVideoIndex(), 0);
    EXPECT_EQ(file.GetAudioIndex(), 1);
    const AviRect rect = file.GetFrameRect();
    EXPECT_EQ(rect.right, 160);
    EXPECT_EQ(rect.bottom, 120);
    ASSERT_NE(file.GetStream(0), nullptr);
    EXPECT_EQ(file.GetStream(0)->GetType(), CAVIStream::TYPE_VIDEO);
    EXPECT_EQ(file.GetStream(0)->GetNumber(), 0);
    EXPECT_EQ(file.GetStream(1)->GetType(), CAVIStream::TYPE_AUDIO);
    EXPECT_EQ(file.GetStream(1)->GetNumber(), 1);
    EXPECT_EQ(file.GetStream(0)->GetFramesPerSecond(), 25);
    EXPECT_EQ(file.GetStream(1)->GetFramesPerSecond(), 44100);
    EXPECT_EQ(file.GetStream(2), nullptr);

    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetPath(), "");
    EXPECT_EQ(file.GetStreamCount(), 0);
    EXPECT_EQ(file.GetVideoIndex(), -1);
    EXPECT_EQ(file.GetAudioIndex(), -1);
    EXPECT_EQ(file.GetStream(0), nullptr);
    EXPECT_EQ(file.GetFrameRect().right, -1);
    EXPECT_TRUE(file.Close()); // safe on a closed object
    // Re-usable: a second open of another file.
    const std::string silent = MakeMovie(m_dir, "silent.avi", {});
    ASSERT_TRUE(file.Open(silent));
    EXPECT_EQ(file.GetStreamCount(), 1);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(CAVIFileTest, FileWithoutAudioAnswersEveryAudioQuestionWithNothing) {
    const std::string path = MakeMovie(m_dir, "video.avi", {});
    CAVIFile file(m_host);
    ASSERT_TRUE(file.Open(path));
    const int audio = file.GetAudioIndex();
    EXPECT_EQ(audio, -1);
    EXPECT_EQ(file.GetStream(audio), nullptr);
    EXPECT_EQ(file.ByteCount(audio, 0, 10), -1);
    EXPECT_EQ(file.SampleToTime(audio, 10), -1);
    EXPECT_EQ(file.NextKeyFrame(audio, 0), -1);
    EXPECT_EQ(file.PrevKeyFrame(audio, 10), -1);
    EXPECT_FALSE(file.IsKeyFrame(audio, 0));
    CAVIFile out(m_host);
    ASSERT_TRUE(out.Create(m_dir.File("out.avi")));
    EXPECT_EQ(file.CreateStreamLike(out, audio, nullptr, -1), nullptr);
    out.Paste(file.GetStream(0), audio, 0, 10); // no such destination stream
    EXPECT_EQ(out.GetStreamCount(), 0);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(CAVIFileTest, OpenFailureShowsTheMessageOnlyWhenAsked) {
    const std::string missing = m_dir.File("missing.avi");
    const std::string garbage = m_dir.File("garbage.avi");
    WriteFileBytes(garbage, std::vector<uint8_t>(1000, 'x'));
    CAVIFile file(m_host);
    EXPECT_FALSE(file.Open(missing, false));
    EXPECT_TRUE(m_host.Messages().empty());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.GetLastError().empty());

    EXPECT_FALSE(file.Open(garbage));
    const auto messages = m_host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Failed to open AVI File: " + garbage);
    EXPECT_EQ(messages[0].caption, "");
    EXPECT_EQ(messages[0].buttons, EMessageButtons::Ok);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetStreamCount(), 0);
    EXPECT_EQ(file.GetFrameRect().bottom, -1);
}

TEST_F(CAVIFileTest, CreateRefusesAFileThatIsOpenAsAnInput) {
    const std::string path = MakeMovie(m_dir, "input.avi", {"-c:a", "pcm_s16le"});
    const std::vector<uint8_t> before = ReadFileBytes(path);
    CAVIFile input(m_host);
    ASSERT_TRUE(input.Open(path));
    CAVIFile output(m_host);
    // Another spelling of the same file is the same file.
    const std::string other = m_dir.Path().string() + "/./input.avi";
    EXPECT_FALSE(output.Create(other));
    EXPECT_TRUE(m_host.HasMessage("Cannot create " + other));
    EXPECT_TRUE(output.IsOpen()); // every attempt sets the flag; Close stays safe
    EXPECT_TRUE(output.Close());
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(input.GetLength(), 75);

    // Once the input is closed the name may be written.
    input.Close();
    EXPECT_TRUE(output.Create(path));
    EXPECT_TRUE(output.Close());
}

TEST_F(CAVIFileTest, CreateReplacesAnExistingFile) {
    const std::string source = MakeMovie(m_dir, "source.avi", {});
    const std::string path = m_dir.File("old.avi");
    WriteFileBytes(path, std::vector<uint8_t>(100000, 'o'));
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(source));
    CAVIFile out(m_host);
    ASSERT_TRUE(out.Create(path));
    EXPECT_TRUE(out.IsOpen());
    EXPECT_EQ(out.GetPath(), path);
    CAVIStream* video = in.CreateStreamLike(out, in.GetVideoIndex(), in.GetStream(0)->GetFormat(),
                                            in.GetStream(0)->GetFormatSize());
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(out.AddStream(video), 0);
    EXPECT_EQ(out.GetVideoIndex(), 0);
    out.Paste(in.GetStream(0), 0, 0, 30);
    EXPECT_TRUE(out.Close());
    EXPECT_TRUE(m_host.Messages().empty());

    CAVIFile check(m_host);
    ASSERT_TRUE(check.Open(path));
    EXPECT_EQ(check.GetLength(), 30);
    EXPECT_EQ(ProbePackets(path, "v:0").size(), 30u);
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
}

TEST_F(CAVIFileTest, CloseReportsAFileThatCouldNotBeFinished) {
    const std::string source = MakeMovie(m_dir, "source.avi", {});
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(source));
    CAVIFile out(m_host);
    const std::string path = m_dir.File("out.avi");
    ASSERT_TRUE(out.Create(path));
    out.AddStream(in.CreateStreamLike(out, 0, nullptr, -1));
    // Files of this process may not grow past 8 KB while the movie is written:
    // the disk is "full".
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 8192;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    out.Paste(in.GetStream(0), 0, 0, 75);
    const bool closed = out.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(m_host.HasMessage("Failed to finish AVI File: " + path)) << m_host.Messages().size();
    EXPECT_FALSE(out.IsOpen());
    EXPECT_FALSE(out.GetLastError().empty());
}

TEST_F(CAVIFileTest, CreateVideoStreamBuildsAFreshHeaderFromTheFrame) {
    BitmapInfoHeader bih;
    bih.biWidth = 64;
    bih.biHeight = -48; // top-down
    bih.biBitCount = 24;
    bih.biSizeImage = 64 * 48 * 3;
    uint8_t dib[kBitmapInfoHeaderSize];
    WriteBitmapInfoHeader(bih, dib);
    CAVIFile out(m_host);
    EXPECT_EQ(out.CreateVideoStream(dib, 25), nullptr); // nothing created yet
    ASSERT_TRUE(out.Create(m_dir.File("fresh.avi")));
    EXPECT_EQ(out.CreateVideoStream(dib, 0), nullptr);
    EXPECT_EQ(out.CreateVideoStream(nullptr, 25), nullptr);
    CAVIStream* video = out.CreateVideoStream(dib, 25);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(out.AddStream(video), 0);
    EXPECT_EQ(out.GetVideoIndex(), 0);
    const AviStreamInfo& info = video->GetInfo();
    EXPECT_EQ(info.fccType, streamtypeVIDEO);
    EXPECT_EQ(info.fccHandler, 0u);
    EXPECT_EQ(info.dwScale, 1u);
    EXPECT_EQ(info.dwRate, 25u);
    EXPECT_EQ(info.dwSuggestedBufferSize, bih.biSizeImage);
    EXPECT_EQ(info.rcFrame.right, 64);
    EXPECT_EQ(info.rcFrame.bottom, 48);
    EXPECT_EQ(video->GetFramesPerSecond(), 25);
}

TEST_F(CAVIFileTest, KeyFrameSearchStepsOverTheGivenFrameAndEndsAtBothEnds) {
    const std::string path = MakeMovie(m_dir, "keys.avi", {});
    CAVIFile file(m_host);
    ASSERT_TRUE(file.Open(path));
    ASSERT_EQ(ProbeVideoKeyFrames(path), (std::vector<int64_t>{0, 25, 50}));
    const int v = file.GetVideoIndex();
    EXPECT_EQ(file.NextKeyFrame(v, 0), 25);
    EXPECT_EQ(file.NextKeyFrame(v, 24), 25);
    EXPECT_EQ(file.NextKeyFrame(v, 25), 50);
    EXPECT_LT(file.NextKeyFrame(v, 50), 0); // the last key frame
    EXPECT_LT(file.NextKeyFrame(v, 74), 0);
    EXPECT_LT(file.PrevKeyFrame(v, 0), 0); // the first key frame
    EXPECT_EQ(file.PrevKeyFrame(v, 25), 0);
    EXPECT_EQ(file.PrevKeyFrame(v, 26), 25);
    EXPECT_EQ(file.PrevKeyFrame(v, 74), 50);
    EXPECT_TRUE(file.IsKeyFrame(v, 0));
    EXPECT_TRUE(file.IsKeyFrame(v, 50));
    EXPECT_FALSE(file.IsKeyFrame(v, 51));
    EXPECT_FALSE(file.IsKeyFrame(v, -1));
    EXPECT_FALSE(file.IsKeyFrame(v, 75));
    EXPECT_FALSE(file.IsKeyFrame(v, 1000));
}

TEST_F(CAVIFileTest, ByteCountsAndSampleMapping) {
    const std::string path = MakeMovie(m_dir, "count.avi", {"-c:a", "pcm_s16le", "-ac", "2"});
    CAVIFile file(m_host);
    ASSERT_TRUE(file.Open(path));
    const auto packets = ProbePackets(path, "v:0");
    ASSERT_EQ(packets.size(), 75u);
    int64_t expected = 0;
    for (size_t i = 10; i < 40; ++i)
        expected += packets[i].size;
    EXPECT_EQ(file.ByteCount(0, 10, 40), expected);
    EXPECT_EQ(file.ByteCount(0, 10, 10), 0);
    EXPECT_EQ(file.ByteCount(0, 40, 10), 0);
    EXPECT_EQ(file.ByteCount(1, 0, 44100), 44100 * 4);
    EXPECT_EQ(file.ByteCount(1, 5, 5), 0);

    CAVIStream* video = file.GetStream(0);
    CAVIStream* audio = file.GetStream(1);
    EXPECT_EQ(video->SampleToTime(25), 1000);
    EXPECT_EQ(audio->MapSample(*video, 25), 44100);
    EXPECT_EQ(audio->MapSample(*video, 1), 1764);
    // The first sample that does not start before the time.
    EXPECT_EQ(video->TimeToSampleCeil(40), 1);
    EXPECT_EQ(video->TimeToSampleCeil(41), 2);
    EXPECT_EQ(audio->TimeToSampleCeil(40), 1764);
    EXPECT_EQ(audio->TimeToSampleCeil(0), 0);
    // Far beyond the stream: answered at once, without counting up.
    EXPECT_EQ(audio->TimeToSampleCeil(100000000), INT32_MAX);
    EXPECT_EQ(video->TimeToSampleCeil(4000000), 100000);
}
} // namespace

namespace {
// Fractional frame rates (NTSC video, film on NTSC): new streams keep them
// exactly, and times map back to the frames they came from.
TEST_F(CAVIFileTest, AFractionalFrameRateIsKeptAndItsTimesMapBackToTheirFrames) {
    const std::string path = m_dir.File("ntsc.avi");
    const CommandResult r = Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=30000/1001", "-frames:v",
                                    "300", "-c:v", "msmpeg4", "-vtag", "DIV3", "-an", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    CAVIFile source(m_host);
    ASSERT_TRUE(source.Open(path));
    CAVIStream* video = source.GetStream(0);
    ASSERT_EQ(video->GetFramesPerSecond(), 29);
    const uint8_t* frame = video->GetFrame(0);
    ASSERT_NE(frame, nullptr);

    CAVIFile out(m_host);
    ASSERT_TRUE(out.Create(m_dir.File("low.avi")));
    CAVIStream* low = out.CreateVideoStream(frame, 29, video);
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->GetInfo().dwRate * video->GetInfo().dwScale,
              video->GetInfo().dwRate * low->GetInfo().dwScale);
    EXPECT_EQ(low->GetFramesPerSecond(), 29);
    // Asked for another rate than the source has, the stream gets that one.
    CAVIStream* other = out.CreateVideoStream(frame, 25, video);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetInfo().dwRate, 25u);
    EXPECT_EQ(other->GetInfo().dwScale, 1u);
    out.AddStream(low);
    out.AddStream(other);

    // Every frame's start time leads back to that frame, not to one a few
    // percent later (as the whole-number rate 29 would have it).
    for (int32_t f = 0; f < video->GetLength(); ++f)
        ASSERT_EQ(video->TimeToSampleCeil(video->SampleToTime(f)), f) << f;
    EXPECT_EQ(video->TimeToSampleCeil(video->SampleToTime(100) + 1), 101);
    // Beyond the end the whole-number reckoning still answers at once.
    EXPECT_EQ(video->TimeToSampleCeil(100000000), 2900000);
}
} // namespace
