// Copying compressed samples from one file to another: positions, the end
// clamp, key flags, and audio that arrives exactly as it left.

#include "MediaTestMovies.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/IAviFile.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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
    // Variable-size audio counts its real bytes, not frames times a block size.
    int64_t srcBytes = 0;
    for (const ProbePacket& p : ProbePackets(src, "a:0"))
        srcBytes += p.size;
    EXPECT_EQ(audio->ByteCount(0, audio->GetLength()), srcBytes);
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
TEST_F(PasteTest, UnreadableSamplesAreReportedAndTheCopyGoesOn) {
    const std::string src = MakeMovie(m_dir, "src.avi", {"-c:a", "pcm_s16le"});
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIFile out(m_host);
    CreateLike(in, out, "out.avi", true);
    // The file loses its second half while it is open: the index still
    // promises those chunks, but they cannot be read.
    std::filesystem::resize_file(src, std::filesystem::file_size(src) / 2);
    out.Paste(in.GetStream(0), 0, 0, 75);
    CAVIStream* audio = in.GetStream(1);
    out.Paste(audio, 1, 0, audio->GetLength());
    const auto messages = m_host.Messages();
    ASSERT_FALSE(messages.empty());
    for (const auto& m : messages)
        EXPECT_EQ(m.text, "Error in Paste Streams! AVIStreamRead");
    const int32_t copied = out.GetStream(0)->GetLength();
    EXPECT_GT(copied, 0);
    EXPECT_LT(copied, 75);
    // Unreadable audio becomes silence: the audio keeps its length.
    EXPECT_EQ(out.GetStream(1)->GetLength(), audio->GetLength());
    EXPECT_TRUE(out.Close());
}

// 16-bit mono PCM whose second block of samples cannot be read.
class CHoleyPcmStream : public IAviStream {
public:
    static constexpr int32_t kLength = 50000;
    static constexpr int32_t kHoleFrom = 16384, kHoleTo = 32768;
    CHoleyPcmStream() {
        m_info.fccType = streamtypeAUDIO;
        m_info.dwScale = 2;
        m_info.dwRate = 88200;
        m_info.dwSampleSize = 2;
        m_info.dwLength = kLength;
        m_format.resize(18);
        WriteWaveFormatEx(WaveFormatEx{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0}, m_format.data());
    }
    AviStreamInfo Info() const override { return m_info; }
    const std::vector<uint8_t>& Format() const override { return m_format; }
    int SetFormat(const void*, size_t) override { return AVIERR_READONLY; }
    int32_t Start() const override { return 0; }
    int32_t Length() const override { return kLength; }
    int Read(int32_t start, int32_t n, void* buffer, int32_t, int32_t* bytes, int32_t* samples) override {
        n = std::max(0, std::min(n, kLength - start));
        if (bytes)
            *bytes = 2 * n;
        if (samples)
            *samples = n;
        if (buffer && start >= kHoleFrom && start < kHoleTo)
            return AVIERR_FILEREAD;
        for (int32_t k = 0; buffer && k < n; ++k)
            static_cast<int16_t*>(buffer)[k] = static_cast<int16_t>(start + k);
        return AVIERR_OK;
    }
    int Write(int32_t, int32_t, const void*, int32_t, uint32_t, int32_t*, int32_t*) override {
        return AVIERR_READONLY;
    }
    int32_t FindSample(int32_t pos, uint32_t) const override { return pos; }
    int32_t SampleToTime(int32_t sample) const override { return static_cast<int32_t>(sample / 44.1); }
    int32_t TimeToSample(int32_t ms) const override { return static_cast<int32_t>(ms * 44.1); }

private:
    AviStreamInfo m_info;
    std::vector<uint8_t> m_format;
};

TEST_F(PasteTest, AnUnreadableAudioBlockBecomesSilenceAndTheRestFollowsInTime) {
    CHoleyPcmStream holey;
    CAVIStream source(m_host);
    source.Attach(&holey);
    CAVIFile out(m_host);
    ASSERT_TRUE(out.Create(m_dir.File("out.avi")));
    CAVIStream* dest = source.CreateCopyIn(out, nullptr, -1);
    ASSERT_NE(dest, nullptr);
    out.AddStream(dest);
    dest->Paste(&source, 0, CHoleyPcmStream::kLength, false);
    EXPECT_EQ(dest->GetLength(), CHoleyPcmStream::kLength);
    const auto messages = m_host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Error in Paste Streams! AVIStreamRead");
    ASSERT_TRUE(out.Close());

    CAVIFile check(m_host);
    ASSERT_TRUE(check.Open(m_dir.File("out.avi")));
    std::vector<int16_t> pcm(CHoleyPcmStream::kLength);
    int32_t bytes = 0, samples = 0;
    ASSERT_EQ(check.GetStream(0)->GetHandle()->Read(0, CHoleyPcmStream::kLength, pcm.data(),
                                                    2 * CHoleyPcmStream::kLength, &bytes, &samples),
              AVIERR_OK);
    for (int32_t k = 0; k < CHoleyPcmStream::kLength; ++k) {
        const bool hole = k >= CHoleyPcmStream::kHoleFrom && k < CHoleyPcmStream::kHoleTo;
        ASSERT_EQ(pcm[k], hole ? 0 : static_cast<int16_t>(k)) << "sample " << k;
    }
}
} // namespace
