// The writer as its callers use it: appending only, answers about what was
// written so far, what our reader makes of the finished file, and failures
// that are reported and leave no stray files.

#include "AviWriterTestMovie.h"

#include "platform/COpenFileRegistry.h"
#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
size_t FilesIn(const CTempDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
}

std::vector<uint8_t> ReadSample(IAviStream& s, int32_t start, int32_t n) {
    int32_t bytes = 0, samples = 0;
    EXPECT_EQ(s.Read(start, n, nullptr, 0, &bytes, &samples), AVIERR_OK);
    std::vector<uint8_t> data(static_cast<size_t>(bytes));
    EXPECT_EQ(s.Read(start, n, data.data(), bytes, &bytes, &samples), AVIERR_OK);
    return data;
}
} // namespace

TEST(AviWriterStream, AppendsOnlyAndAnswersOnWhatWasWritten) {
    CTempDir dir;
    fmtest::WriterMovie spec;
    std::string error;
    auto file = AviCreate(dir.File("a.avi"), AviWriterOptions(), &error);
    ASSERT_TRUE(file) << error;
    IAviStream* video = file->CreateStream(VideoInfo(spec));
    const auto vf = BgrVideoFormat(spec.width, spec.height);
    ASSERT_EQ(video->SetFormat(vf.data(), vf.size()), AVIERR_OK);
    const auto f0 = TestFrame(spec.width, spec.height, 0), f1 = TestFrame(spec.width, spec.height, 1);
    const int32_t fs = static_cast<int32_t>(f0.size());
    int32_t samples = -1, bytes = -1;
    ASSERT_EQ(video->Write(0, 1, f0.data(), fs, AVIIF_KEYFRAME, &samples, &bytes), AVIERR_OK);
    EXPECT_EQ(samples, 1);
    EXPECT_EQ(bytes, fs);
    ASSERT_EQ(video->Write(1, 1, f1.data(), fs, 0, nullptr, nullptr), AVIERR_OK);
    // Position 5: frames 2..4 become empty (dropped) frames.
    ASSERT_EQ(video->Write(5, 1, f0.data(), fs, AVIIF_KEYFRAME, nullptr, nullptr), AVIERR_OK);
    EXPECT_EQ(video->Length(), 6);
    EXPECT_EQ(video->Write(3, 1, f0.data(), fs, 0, nullptr, nullptr), AVIERR_BADPARAM);
    EXPECT_EQ(video->Write(6, 1, nullptr, fs, 0, nullptr, nullptr), AVIERR_BADPARAM);
    EXPECT_EQ(video->Length(), 6);
    EXPECT_EQ(video->FindSample(4, FIND_PREV | FIND_KEY), 0);
    EXPECT_EQ(video->FindSample(1, FIND_NEXT | FIND_KEY), 5);
    EXPECT_EQ(video->FindSample(6, FIND_NEXT | FIND_KEY), -1);
    EXPECT_EQ(video->SampleToTime(5), 200);
    EXPECT_EQ(video->TimeToSample(239), 5);
    EXPECT_EQ(ReadSample(*video, 1, 1), f1);
    EXPECT_TRUE(ReadSample(*video, 3, 1).empty());
    EXPECT_EQ(video->Info().dwLength, 6u);
    EXPECT_EQ(video->Info().dwSuggestedBufferSize, static_cast<uint32_t>(fs));
    // The chunks already written are uncompressed ("db"): a compressed
    // format can no longer apply to them.
    BitmapInfoHeader bih;
    ParseBitmapInfoHeader(vf.data(), vf.size(), bih);
    bih.biCompression = MakeFourCC('D', 'I', 'V', '3');
    std::vector<uint8_t> compressed(kBitmapInfoHeaderSize);
    WriteBitmapInfoHeader(bih, compressed.data());
    EXPECT_EQ(video->SetFormat(compressed.data(), compressed.size()), AVIERR_UNSUPPORTED);
    EXPECT_EQ(video->Format(), vf);

    // PCM: a write of n samples is one chunk; length in samples, reads span
    // chunks; skipping samples is not possible.
    IAviStream* audio = file->CreateStream(PcmInfo(44100, 2));
    const auto af = PcmFormat(44100, 2);
    audio->SetFormat(af.data(), af.size());
    const std::vector<uint8_t> pcm = TestAudio(spec);
    ASSERT_EQ(audio->Write(0, 100, pcm.data(), 400, AVIIF_KEYFRAME, &samples, &bytes), AVIERR_OK);
    EXPECT_EQ(samples, 100);
    ASSERT_EQ(audio->Write(100, 50, pcm.data() + 400, 200, AVIIF_KEYFRAME, &samples, nullptr), AVIERR_OK);
    EXPECT_EQ(audio->Length(), 150);
    EXPECT_EQ(audio->Write(200, 1, pcm.data(), 4, AVIIF_KEYFRAME, nullptr, nullptr), AVIERR_BADPARAM);
    EXPECT_EQ(ReadSample(*audio, 90, 20), std::vector<uint8_t>(pcm.begin() + 360, pcm.begin() + 440));
    EXPECT_EQ(audio->FindSample(77, FIND_PREV | FIND_KEY), 77);

    // Variable-size audio: one chunk, one sample per write.
    AviStreamInfo vbr = PcmInfo(44100, 2);
    vbr.dwSampleSize = 0;
    vbr.dwScale = 1152;
    vbr.dwRate = 44100;
    IAviStream* mp3 = file->CreateStream(vbr);
    ASSERT_EQ(mp3->Write(0, 1152, pcm.data(), 417, 0, &samples, nullptr), AVIERR_OK);
    EXPECT_EQ(samples, 1);
    EXPECT_EQ(mp3->Length(), 1);

    const AviFileInfo info = file->Info();
    EXPECT_EQ(info.dwStreams, 3u);
    EXPECT_EQ(info.dwLength, 6u);
    EXPECT_EQ(info.dwWidth, static_cast<uint32_t>(spec.width));
    EXPECT_EQ(info.dwHeight, static_cast<uint32_t>(spec.height));
    EXPECT_TRUE(file->Close(&error)) << error;
    EXPECT_TRUE(file->Close(&error)); // a second Close changes nothing
    EXPECT_EQ(video->Write(6, 1, f0.data(), fs, 0, nullptr, nullptr), AVIERR_FILEWRITE);
}

// Our reader sees exactly what was written: every frame's bytes and key
// flag, dropped frames, the whole audio track, in one RIFF and in several.
TEST(AviWriter, RoundTripsThroughOurReader) {
    for (uint64_t limit : {uint64_t(1) << 30, uint64_t(192 * 1024)}) {
        SCOPED_TRACE(limit);
        CTempDir dir;
        fmtest::WriterMovie spec;
        spec.frames = 90;
        spec.gapAt = 31;
        spec.gapLength = 4;
        spec.keyEvery = 7;
        spec.riffLimit = limit;
        const std::string path = dir.File("rt.avi");
        ASSERT_EQ(WriteTestMovie(path, spec), "");
        std::string error;
        auto file = AviOpenRead(path, &error);
        ASSERT_TRUE(file) << error;
        EXPECT_FALSE(file->Report().indexRebuilt);
        EXPECT_EQ(file->Report().opendml, limit < 1024 * 1024);
        EXPECT_EQ(file->Info().dwLength, 90u);
        ASSERT_EQ(file->StreamCount(), 2);
        IAviStream& video = *file->GetStream(0);
        ASSERT_EQ(video.Length(), 90);
        EXPECT_EQ(video.Info().szName, "Test video");
        EXPECT_EQ(file->GetStream(1)->Info().szName, "");
        for (int i = 0; i < 90; ++i) {
            const bool dropped = i >= spec.gapAt && i < spec.gapAt + spec.gapLength;
            const auto data = ReadSample(video, i, 1);
            if (dropped)
                EXPECT_TRUE(data.empty()) << i;
            else
                EXPECT_EQ(data, TestFrame(spec.width, spec.height, i)) << i;
            const bool key = i % spec.keyEvery == 0 && !dropped;
            EXPECT_EQ(video.FindSample(i, FIND_PREV | FIND_KEY) == i, key) << i;
        }
        IAviStream& audio = *file->GetStream(1);
        const auto pcm = TestAudio(spec);
        ASSERT_EQ(audio.Length(), static_cast<int32_t>(pcm.size() / 4));
        EXPECT_EQ(ReadSample(audio, 0, audio.Length()), pcm);
    }
}

TEST(AviWriter, FailuresAreReportedAndLeaveNothingBehind) {
    CTempDir dir;
    std::string error;
    EXPECT_FALSE(AviCreate(dir.File("no/such/dir/x.avi"), AviWriterOptions(), &error));
    EXPECT_NE(error.find("no/such/dir/x.avi"), std::string::npos) << error;

    // A file this process is reading is not truncated.
    const std::string input = dir.File("input.avi");
    WriteFileBytes(input, {1, 2, 3});
    COpenFileRegistry::Add(input);
    error.clear();
    EXPECT_FALSE(AviCreate(input, AviWriterOptions(), &error));
    EXPECT_FALSE(error.empty());
    COpenFileRegistry::Remove(input);
    EXPECT_EQ(ReadFileBytes(input).size(), 3u);
    std::filesystem::remove(input);

    // The disk fills up (here: the file size limit) while the movie is
    // written, once while chunks are spooled and once while the file is laid
    // out: Write or Close fails with a reason, and neither the half movie nor
    // the scratch data stays.
    for (int width : {64, 320}) {
        struct rlimit old;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 512 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        fmtest::WriterMovie spec;
        spec.width = width; // 2.4 MB: fails on Close; 8 MB: fails in Write
        spec.frames = 150;
        const std::string result = WriteTestMovie(dir.File("full.avi"), spec);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        if (width == 64)
            EXPECT_EQ(result.find("close: cannot write"), 0u) << result;
        else
            EXPECT_EQ(result.find("video write"), 0u) << result;
        EXPECT_EQ(FilesIn(dir), 0u);
    }

    // A file dropped without Close is finished all the same, as releasing it
    // did with the classic services.
    {
        fmtest::WriterMovie spec;
        auto file = AviCreate(dir.File("dropped.avi"), AviWriterOptions(), &error);
        IAviStream* video = file->CreateStream(VideoInfo(spec));
        const auto vf = BgrVideoFormat(spec.width, spec.height);
        video->SetFormat(vf.data(), vf.size());
        for (int i = 0; i < 10; ++i) {
            const auto f = TestFrame(spec.width, spec.height, i);
            video->Write(i, 1, f.data(), static_cast<int32_t>(f.size()), AVIIF_KEYFRAME, nullptr, nullptr);
        }
    }
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_EQ(ProbeStreams(dir.File("dropped.avi")).at(0).nbFrames, 10);
}

// The movie is written beside its name and takes it only when finished: a
// name that is a hard link to an input replaces only the name, a failed
// write leaves the old file whole, and a FIFO (which would block the open
// forever) is refused at once for writing and for reading.
TEST(AviWriter, ReplacesTheTargetOnlyWhenFinished) {
    CTempDir dir;
    const std::vector<uint8_t> input = {'R', 'I', 'F', 'F', 1, 2, 3};
    WriteFileBytes(dir.File("input.avi"), input);
    ASSERT_EQ(::link(dir.File("input.avi").c_str(), dir.File("out.avi").c_str()), 0);
    fmtest::WriterMovie spec;
    spec.frames = 10;
    ASSERT_EQ(WriteTestMovie(dir.File("out.avi"), spec), "");
    EXPECT_EQ(ReadFileBytes(dir.File("input.avi")), input);
    EXPECT_EQ(ProbeStreams(dir.File("out.avi")).at(0).nbFrames, 10);

    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 512 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    spec.frames = 150;
    const std::string result = WriteTestMovie(dir.File("input.avi"), spec);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(result.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("input.avi")), input);
    EXPECT_EQ(FilesIn(dir), 2u);

    const std::string fifo = dir.File("fifo.avi");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(AviCreate(fifo, AviWriterOptions(), &error));
    EXPECT_NE(error.find("no regular file"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(AviOpenRead(fifo, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_EQ(FilesIn(dir), 3u);
}
