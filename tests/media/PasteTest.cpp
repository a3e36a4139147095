// Copying compressed samples from one file to another: positions, the end
// clamp, key flags, and audio that arrives exactly as it left.

#include "MediaTestMovies.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/IAviFile.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

namespace {
// Size and hash of a framemd5 line ("0, 0, 0, 1, 5914, 3f2a...").
std::string SizeAndHash(const std::string& line) {
    size_t comma = line.rfind(',');
    comma = line.rfind(',', comma - 1);
    return line.substr(comma + 1);
}

// The compressed data of one video frame.
std::vector<uint8_t> FrameBytes(CAVIFile& file, int32_t frame) {
    IAviStream* video = file.GetStream(file.GetVideoIndex())->GetHandle();
    int32_t bytes = 0;
    video->Read(frame, 1, nullptr, 0, &bytes, nullptr);
    std::vector<uint8_t> data(static_cast<size_t>(bytes));
    video->Read(frame, 1, data.data(), bytes, &bytes, nullptr);
    return data;
}

class PasteTest : public ::testing::Test {
protected:
    // A new file with streams like the input's (video, then audio if any).
    void CreateLike(CAVIFile& in, CAVIFile& out, const std::string& name, bool audio) {
        ASSERT_TRUE(out.Create(m_dir.File(name)));
        out.AddStream(in.CreateStreamLike(out, in.GetVideoIndex(), nullptr, -1));
        if (audio)
            out.AddStream(in.CreateStreamLike(out, in.GetAudioIndex(), nullptr, -1));
        ASSERT_EQ(out.GetStreamCount(), audio ? 2 : 1);
    }

    CTempDir m_dir;
    CHostRecorder m_host;
};

TEST_F(PasteTest, VideoLandsAtTheEndWithTheSourceKeyFlagsAndStopsAtTheSourceEnd) {
    const std::string src = MakeMovie(m_dir, "src.avi", {}, 3, "expr:eq(n,3)+eq(n,17)+eq(n,41)");
    const auto srcPackets = ProbePackets(src, "v:0");
    ASSERT_EQ(srcPackets.size(), 75u);
    // Key frames at irregular places (the forced ones restart the 25-frame count).
    ASSERT_EQ(ProbeVideoKeyFrames(src), (std::vector<int64_t>{0, 3, 17, 41, 66}));

    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIFile out(m_host);
    CreateLike(in, out, "out.avi", false);
    CAVIStream* dest = out.GetStream(0);
    out.Paste(in.GetStream(0), 0, 5, 30); // into the empty stream: frame 5 lands at 0
    EXPECT_EQ(dest->GetLength(), 25);
    out.Paste(in.GetStream(0), 0, 40, 60); // continues directly behind
    EXPECT_EQ(dest->GetLength(), 45);
    out.Paste(in.GetStream(0), 0, 70, 1000); // end beyond the source: stops at 75
    EXPECT_EQ(dest->GetLength(), 50);
    out.Paste(in.GetStream(0), 0, 30, 30); // empty range
    EXPECT_EQ(dest->GetLength(), 50);
    EXPECT_EQ(out.ByteCount(0, 0, 25), in.ByteCount(0, 5, 30));
    ASSERT_TRUE(out.Close());
    EXPECT_TRUE(m_host.Messages().empty());

    std::vector<size_t> origin;
    for (size_t i = 5; i < 30; ++i)
        origin.push_back(i);
    for (size_t i = 40; i < 60; ++i)
        origin.push_back(i);
    for (size_t i = 70; i < 75; ++i)
        origin.push_back(i);
    const auto outPackets = ProbePackets(m_dir.File("out.avi"), "v:0");
    ASSERT_EQ(outPackets.size(), origin.size());
    CAVIFile check(m_host);
    ASSERT_TRUE(check.Open(m_dir.File("out.avi")));
    for (size_t j = 0; j < origin.size(); ++j) {
        EXPECT_EQ(outPackets[j].key, srcPackets[origin[j]].key) << "output frame " << j;
        EXPECT_EQ(FrameBytes(check, static_cast<int32_t>(j)), FrameBytes(in, static_cast<int32_t>(origin[j])))
            << "output frame " << j;
    }
}

TEST_F(PasteTest, PcmAudioArrivesUnchanged) {
    const std::string src = MakeMovie(m_dir, "pcm.avi", {"-c:a", "pcm_s16le", "-ac", "2"});
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIFile out(m_host);
    CreateLike(in, out, "out.avi", true);
    CAVIStream* audio = in.GetStream(in.GetAudioIndex());
    out.Paste(in.GetStream(0), 0, 0, 75);
    // In two parts cut at a video frame, as the assembly cuts them.
    const int32_t cut = audio->MapSample(*in.GetStream(0), 40);
    out.Paste(audio, 1, 0, cut);
    out.Paste(audio, 1, cut, audio->GetLength());
    EXPECT_EQ(out.GetStream(1)->GetLength(), audio->GetLength());
    ASSERT_TRUE(out.Close());
    EXPECT_TRUE(m_host.Messages().empty());

    const std::string path = m_dir.File("out.avi");
    EXPECT_EQ(StreamMd5(path, "a:0"), StreamMd5(src, "a:0"));
    EXPECT_EQ(StreamMd5(path, "v:0"), StreamMd5(src, "v:0"));
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
}

TEST_F(PasteTest, VariableSizeMp3ArrivesFrameByFrame) {
    const std::string src = MakeMovie(m_dir, "vbr.avi", {"-c:a", "libmp3lame", "-q:a", "4"});
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIStream* audio = in.GetStream(in.GetAudioIndex());
    ASSERT_EQ(audio->GetSampleSize(), 0);
    CAVIFile out(m_host);
    CreateLike(in, out, "out.avi", true);
    out.Paste(in.GetStream(0), 0, 0, 75);
    out.Paste(audio, 1, 0, audio->GetLength());
    EXPECT_EQ(out.GetStream(1)->GetLength(), audio->GetLength());
    ASSERT_TRUE(out.Close());

    const std::string path = m_dir.File("out.avi");
    const auto srcLines = FramemD5Copy(src, "a:0");
    const auto outLines = FramemD5Copy(path, "a:0");
    ASSERT_EQ(outLines.size(), srcLines.size());
    for (size_t i = 0; i < srcLines.size(); ++i)
        EXPECT_EQ(SizeAndHash(outLines[i]), SizeAndHash(srcLines[i])) << "audio frame " << i;
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(PasteTest, AudioRangeBeyondTheSourceEndCopiesWhatThereIsAndEnds) {
    for (const auto& codec :
         std::vector<std::vector<std::string>>{{"-c:a", "pcm_s16le"}, {"-c:a", "libmp3lame", "-q:a", "4"}}) {
        const std::string src = MakeMovie(m_dir, "src.avi", codec, 1);
        CAVIFile in(m_host);
        ASSERT_TRUE(in.Open(src));
        CAVIStream* audio = in.GetStream(in.GetAudioIndex());
        const int32_t length = audio->GetLength();
        CAVIFile out(m_host);
        CreateLike(in, out, "out.avi", true);
        out.Paste(audio, 1, length - 3, length + 100000);
        EXPECT_EQ(out.GetStream(1)->GetLength(), 3) << codec[1];
        out.Paste(audio, 1, length + 10, length + 20); // entirely beyond: nothing
        EXPECT_EQ(out.GetStream(1)->GetLength(), 3) << codec[1];
        EXPECT_TRUE(out.Close());
        EXPECT_TRUE(m_host.Messages().empty());
    }
}
} // namespace
