// Files written by ffmpeg, read back and compared with what ffprobe sees.

#include "AviReaderChecks.h"

#include "platform/COpenFileRegistry.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

namespace {
const std::vector<std::string> kVideo{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25"};
const std::vector<std::string> kAudio{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050"};

std::string Make(const CTempDir& dir, const std::string& name, std::vector<std::string> inputs,
                 const std::vector<std::string>& codec) {
    std::vector<std::string> args = std::move(inputs);
    args.insert(args.end(), {"-t", "3"});
    args.insert(args.end(), codec.begin(), codec.end());
    const std::string path = dir.File(name);
    args.push_back(path);
    const CommandResult r = Ffmpeg(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return path;
}

std::vector<std::string> Both() {
    std::vector<std::string> v = kVideo;
    v.insert(v.end(), kAudio.begin(), kAudio.end());
    return v;
}
} // namespace

TEST(AviReaderForeign, CompressedVideoWithEveryAudioKind) {
    CTempDir dir;
    // -g 10 gives several key frames; the scene-change key frames ffmpeg adds
    // on its own are fine: the comparison takes them from ffprobe.
    const std::vector<std::vector<std::string>> codecs{
        {"-c:v", "msmpeg4", "-vtag", "DIV3", "-g", "10", "-c:a", "pcm_s16le"},
        {"-c:v", "mpeg4", "-vtag", "XVID", "-g", "10", "-c:a", "libmp3lame", "-b:a", "64k"},
        {"-c:v", "mpeg4", "-vtag", "XVID", "-bf", "2", "-g", "12", "-c:a", "libmp3lame", "-q:a", "5"},
        {"-c:v", "mjpeg", "-c:a", "ac3", "-ar", "48000"},
        {"-c:v", "mpeg4", "-vtag", "DX50", "-c:a", "mp2", "-ar", "44100"},
    };
    for (size_t i = 0; i < codecs.size(); ++i) {
        const std::string path = Make(dir, "c" + std::to_string(i) + ".avi", Both(), codecs[i]);
        ExpectMatchesProbe(path);
    }
}

TEST(AviReaderForeign, UncompressedVideoAndOddSizes) {
    CTempDir dir;
    const std::vector<std::vector<std::string>> codecs{
        {"-c:v", "rawvideo", "-pix_fmt", "pal8"},
        {"-c:v", "rawvideo", "-pix_fmt", "rgb555le"},
        {"-c:v", "rawvideo", "-pix_fmt", "bgr24"},
        {"-vf", "scale=93:61", "-c:v", "rawvideo", "-pix_fmt", "bgr24"},
        {"-vf", "scale=93:61", "-c:v", "msmpeg4", "-vtag", "DIV3"},
        // Dropped frames: 10/s passed through at 25/s leaves empty chunks.
        {"-vf", "fps=10", "-fps_mode", "passthrough", "-r", "25", "-c:v", "msmpeg4", "-vtag", "DIV3"},
    };
    for (size_t i = 0; i < codecs.size(); ++i) {
        const std::string path = Make(dir, "u" + std::to_string(i) + ".avi", kVideo, codecs[i]);
        ExpectMatchesProbe(path);
    }
    ReaderDump odd = DumpAvi(dir.File("u3.avi"));
    ASSERT_TRUE(odd.opened);
    EXPECT_EQ(odd.info.dwWidth, 93u);
    EXPECT_EQ(odd.info.dwHeight, 61u);
    // Rows padded to 4 bytes: 93 * 3 = 279 -> 280.
    ASSERT_FALSE(odd.streams[0].sizes.empty());
    EXPECT_EQ(odd.streams[0].sizes[0], 280 * 61);
    const ReaderDump dropped = DumpAvi(dir.File("u5.avi"));
    ASSERT_TRUE(dropped.opened);
    EXPECT_GT(std::count(dropped.streams[0].sizes.begin(), dropped.streams[0].sizes.end(), 0), 10);
}

TEST(AviReaderForeign, PcmReadsSpanChunksAndStopAtTheEnd) {
    CTempDir dir;
    const std::string path =
        Make(dir, "pcm.avi", Both(), {"-c:v", "msmpeg4", "-c:a", "pcm_s16le", "-ac", "2"});
    std::string error;
    auto file = AviOpenRead(path, &error);
    ASSERT_TRUE(file) << error;
    IAviStream* audio = file->GetStream(1);
    ASSERT_NE(audio, nullptr);
    const AviStreamInfo info = audio->Info();
    ASSERT_EQ(info.dwSampleSize, 4u);
    const int32_t length = audio->Length();
    EXPECT_EQ(length, 3 * 22050);
    // One read larger than any chunk delivers exactly what was asked for.
    std::vector<uint8_t> whole(static_cast<size_t>(length) * 4);
    int32_t bytes = 0, samples = 0;
    ASSERT_EQ(audio->Read(0, length, whole.data(), static_cast<int32_t>(whole.size()), &bytes, &samples),
              AVIERR_OK);
    EXPECT_EQ(samples, length);
    EXPECT_EQ(bytes, length * 4);
    // A read in the middle equals the same bytes of the whole.
    std::vector<uint8_t> part(4000);
    ASSERT_EQ(audio->Read(1001, 1000, part.data(), 4000, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 1000);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 1001 * 4));
    // The buffer limits the read to whole samples; less than one is an error.
    ASSERT_EQ(audio->Read(0, 100, part.data(), 10, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 2);
    EXPECT_EQ(audio->Read(0, 100, part.data(), 3, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
    // Near and at the end.
    ASSERT_EQ(audio->Read(length - 10, 100, part.data(), 4000, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 10);
    ASSERT_EQ(audio->Read(length, 100, part.data(), 4000, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 0);
    EXPECT_EQ(bytes, 0);
    EXPECT_EQ(audio->FindSample(777, FIND_PREV | FIND_KEY), 777);
    EXPECT_EQ(audio->FindSample(length, FIND_NEXT | FIND_KEY), -1);
}

TEST(AviReaderForeign, VideoReadSizeQueryAndSmallBuffer) {
    CTempDir dir;
    const std::string path = Make(dir, "v.avi", kVideo, {"-c:v", "msmpeg4", "-vtag", "DIV3", "-g", "25"});
    std::string error;
    auto file = AviOpenRead(path, &error);
    ASSERT_TRUE(file) << error;
    IAviStream* video = file->GetStream(0);
    ASSERT_EQ(video->Length(), 75);
    int32_t bytes = 0, samples = 0;
    ASSERT_EQ(video->Read(3, 5, nullptr, 0, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 1); // one frame per read, whatever was asked
    ASSERT_GT(bytes, 1);
    std::vector<uint8_t> small(static_cast<size_t>(bytes - 1));
    EXPECT_EQ(video->Read(3, 1, small.data(), bytes - 1, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
    EXPECT_EQ(video->FindSample(0, FIND_PREV | FIND_KEY), 0);
    EXPECT_EQ(video->FindSample(-1, FIND_PREV | FIND_KEY), -1);
    EXPECT_EQ(video->FindSample(74, FIND_NEXT | FIND_KEY), -1);
    EXPECT_EQ(video->FindSample(1, FIND_NEXT | FIND_KEY), 25);
    EXPECT_EQ(video->SampleToTime(25), 1000);
    EXPECT_EQ(video->TimeToSample(1039), 25);
    EXPECT_EQ(video->Write(75, 1, small.data(), 1, 0, nullptr, nullptr), AVIERR_READONLY);
    // The file is registered as open while the reader lives.
    EXPECT_TRUE(COpenFileRegistry::IsOpen(path));
    file.reset();
    EXPECT_FALSE(COpenFileRegistry::IsOpen(path));
}

TEST(AviReaderForeign, NotAnAviFileFailsWithAReason) {
    CTempDir dir;
    std::string error;
    EXPECT_FALSE(AviOpenRead(dir.File("missing.avi"), &error));
    EXPECT_FALSE(error.empty());
    const std::string wav = dir.File("a.wav");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "sine", "-t", "1", wav}).exitCode, 0);
    error.clear();
    EXPECT_FALSE(AviOpenRead(wav, &error));
    EXPECT_NE(error.find("AVI"), std::string::npos) << error;
    EXPECT_FALSE(COpenFileRegistry::IsOpen(wav));
}
