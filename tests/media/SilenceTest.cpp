// Padding audio with silence in the stream's own format: what is written
// must decode as silence, last as long as asked, and never break decoding.

#include "MediaTestMovies.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/IAviFile.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
class SilenceTest : public ::testing::Test {
protected:
    // Output with one audio stream like the input's; returns its stream.
    CAVIStream* CreateAudioLike(CAVIFile& in, CAVIFile& out) {
        EXPECT_TRUE(out.Create(m_dir.File("out.avi")));
        CAVIStream* stream = in.CreateStreamLike(out, in.GetAudioIndex(), nullptr, -1);
        EXPECT_NE(stream, nullptr);
        out.AddStream(stream);
        return stream;
    }

    // Every byte of the stream's data in one piece.
    std::vector<uint8_t> ReadAll(const std::string& path) {
        CAVIFile file(m_host);
        EXPECT_TRUE(file.Open(path));
        CAVIStream* audio = file.GetStream(file.GetAudioIndex());
        if (!audio)
            return {};
        int32_t bytes = 0;
        audio->GetHandle()->Read(0, audio->GetLength(), nullptr, 0, &bytes, nullptr);
        std::vector<uint8_t> data(static_cast<size_t>(bytes));
        int32_t samples = 0;
        audio->GetHandle()->Read(0, audio->GetLength(), data.data(), bytes, &bytes, &samples);
        return data;
    }

    CTempDir m_dir;
    CHostRecorder m_host;
};

TEST_F(SilenceTest, PcmGetsTheSilentSampleValueOfItsWidth) {
    struct Case {
        std::string codec;
        uint8_t silent;
    };
    for (const Case& c : {Case{"pcm_s16le", 0x00}, Case{"pcm_u8", 0x80}}) {
        const std::string src = MakeMovie(m_dir, "src.avi", {"-c:a", c.codec, "-ac", "2"}, 1);
        CAVIFile in(m_host);
        ASSERT_TRUE(in.Open(src));
        CAVIFile out(m_host);
        CAVIStream* dest = CreateAudioLike(in, out);
        dest->Paste(nullptr, 0, 20000, true); // the source is not read
        dest->Paste(nullptr, 0, 1, true);
        EXPECT_EQ(dest->GetLength(), 20001) << c.codec;
        ASSERT_TRUE(out.Close());

        const std::string path = m_dir.File("out.avi");
        const std::vector<uint8_t> data = ReadAll(path);
        const size_t blockAlign = c.codec == "pcm_u8" ? 2 : 4;
        EXPECT_EQ(data.size(), 20001 * blockAlign) << c.codec;
        EXPECT_EQ(std::count(data.begin(), data.end(), c.silent), static_cast<ptrdiff_t>(data.size()))
            << c.codec;
        EXPECT_LE(MaxVolumeDb(path), -90.0) << c.codec;
        EXPECT_EQ(FfmpegDecodeErrors(path), "") << c.codec;
    }
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(SilenceTest, MpegAudioGetsSilentFramesOfItsOwnFormat) {
    struct Case {
        std::vector<std::string> args;
        int rate;
        int channels;
    };
    const std::vector<Case> cases{
        {{"-c:a", "libmp3lame", "-q:a", "4", "-ac", "2"}, 44100, 2}, // MPEG-1 layer III, VBR
        {{"-c:a", "libmp3lame", "-b:a", "32k", "-ac", "1", "-ar", "22050"}, 22050, 1}, // MPEG-2
        {{"-c:a", "libmp3lame", "-b:a", "16k", "-ac", "1", "-ar", "8000"}, 8000, 1},   // MPEG-2.5
        {{"-c:a", "mp2", "-b:a", "192k", "-ac", "2"}, 44100, 2},                       // layer II
        {{"-c:a", "mp2", "-b:a", "64k", "-ac", "1", "-ar", "24000"}, 24000, 1},        // layer II, LSF
    };
    for (const Case& c : cases) {
        const std::string what = c.args[1] + " " + std::to_string(c.rate);
        const std::string src = MakeMovie(m_dir, "src.avi", c.args, 1);
        CAVIFile in(m_host);
        ASSERT_TRUE(in.Open(src));
        ASSERT_EQ(in.GetStream(in.GetAudioIndex())->GetSampleSize(), 0) << what;
        CAVIFile out(m_host);
        CAVIStream* dest = CreateAudioLike(in, out);
        dest->Paste(nullptr, 0, 40, true); // one frame per sample
        EXPECT_EQ(dest->GetLength(), 40) << what;
        ASSERT_TRUE(out.Close());

        const std::string path = m_dir.File("out.avi");
        EXPECT_EQ(ProbePackets(path, "a:0").size(), 40u) << what;
        const auto streams = ProbeStreams(path);
        ASSERT_EQ(streams.size(), 1u) << what;
        EXPECT_EQ(streams[0].sampleRate, c.rate) << what;
        EXPECT_EQ(streams[0].channels, c.channels) << what;
        EXPECT_EQ(FfmpegDecodeErrors(path), "") << what;
        EXPECT_LE(MaxVolumeDb(path), -90.0) << what;
    }
    EXPECT_TRUE(m_host.Messages().empty());
    EXPECT_TRUE(m_host.StatusTexts().empty());
}

TEST_F(SilenceTest, SilenceBehindRealMp3DecodesWithoutComplaint) {
    const std::string src = MakeMovie(m_dir, "src.avi", {"-c:a", "libmp3lame", "-q:a", "2"}, 2);
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIStream* audio = in.GetStream(in.GetAudioIndex());
    CAVIFile out(m_host);
    CAVIStream* dest = CreateAudioLike(in, out);
    dest->Paste(audio, 0, audio->GetLength(), false);
    dest->Paste(audio, 0, 10, true);
    dest->Paste(audio, 0, audio->GetLength(), false);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(FfmpegDecodeErrors(m_dir.File("out.avi")), "");
}

TEST_F(SilenceTest, ByteBasedMp3IsPaddedWithWholeFramesAtItsOwnBitRate) {
    const std::string src = MakeMovie(m_dir, "src.avi", {"-c:a", "libmp3lame", "-b:a", "128k"}, 1);
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIStream* audio = in.GetStream(in.GetAudioIndex());
    // The older form of MP3 in AVI: a sample is a byte, timed by the bit rate.
    AviStreamInfo info = audio->GetInfo();
    info.dwSampleSize = 1;
    info.dwScale = 1;
    info.dwRate = 16000;
    std::vector<uint8_t> format(audio->GetFormat(), audio->GetFormat() + audio->GetFormatSize());
    WaveFormatEx wf;
    ASSERT_TRUE(ParseWaveFormatEx(format.data(), format.size(), wf));
    wf.nAvgBytesPerSec = 16000;
    wf.nBlockAlign = 1;
    WriteWaveFormatEx(wf, format.data());

    CAVIFile out(m_host);
    ASSERT_TRUE(out.Create(m_dir.File("out.avi")));
    IAviStream* handle = out.GetHandle()->CreateStream(info);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(handle->SetFormat(format.data(), format.size()), AVIERR_OK);
    auto* dest = new CAVIStream(m_host);
    dest->Attach(handle);
    out.AddStream(dest);
    dest->Paste(nullptr, 0, 16000, true); // one second
    // 128 kbit/s at 44.1 kHz: frames of 417 or 418 bytes, 39 of them cover 16000.
    EXPECT_GE(dest->GetLength(), 16000);
    EXPECT_LT(dest->GetLength(), 16000 + 418);
    ASSERT_TRUE(out.Close());

    const std::string path = m_dir.File("out.avi");
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
    EXPECT_LE(MaxVolumeDb(path), -90.0);
    const CommandResult r = RunCommand({"ffprobe", "-v", "error", "-select_streams", "a:0", "-count_frames",
                                        "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    EXPECT_EQ(std::stoi(r.out), 39);
}

TEST_F(SilenceTest, OtherFormatsGetNothingAndTheStatusLineSaysWhy) {
    const std::string src = MakeMovie(m_dir, "src.avi", {"-c:a", "ac3", "-b:a", "192k"}, 1);
    CAVIFile in(m_host);
    ASSERT_TRUE(in.Open(src));
    CAVIFile out(m_host);
    CAVIStream* dest = CreateAudioLike(in, out);
    dest->Paste(nullptr, 0, 10, true);
    EXPECT_EQ(dest->GetLength(), 0);
    ASSERT_TRUE(out.Close());
    const auto status = m_host.StatusTexts();
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0], "Audio format cannot be padded with silence: format tag 0x2000");
    EXPECT_TRUE(m_host.Messages().empty());
    EXPECT_TRUE(ProbePackets(m_dir.File("out.avi"), "a:0").empty());
}
} // namespace
