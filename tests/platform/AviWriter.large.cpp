// A movie past 4 GiB: RIFF parts below the limit, 64-bit index offsets, and
// every frame found again by our reader and by ffprobe. Writes about 5 GB
// (twice, counting the spool); run with `ctest -L large`.

#include "AviWriterTestMovie.h"

#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace {
constexpr int kFrames = 4700;
constexpr int32_t kFrameBytes = 1 << 20; // 4700 MiB of video in all

// Frame i: its number in the first bytes, then a pattern of its own.
void FillFrame(int i, std::vector<uint8_t>& frame) {
    for (size_t k = 0; k < frame.size(); k += 4096)
        frame[k] = static_cast<uint8_t>(i * 31 + int(k >> 12));
    std::memcpy(frame.data(), &i, sizeof i);
}
} // namespace

TEST(AviWriterLarge, MoviesPastFourGigabytesKeepEveryFrame) {
    CTempDir dir;
    const std::string path = dir.File("big.avi");
    fmtest::WriterMovie spec;
    {
        std::string error;
        auto file = AviCreate(path, AviWriterOptions(), &error);
        ASSERT_TRUE(file) << error;
        AviStreamInfo vi = VideoInfo(spec);
        vi.fccHandler = MakeFourCC('D', 'I', 'V', '3');
        IAviStream* video = file->CreateStream(vi);
        BitmapInfoHeader bih;
        bih.biWidth = 1024;
        bih.biHeight = 768;
        bih.biBitCount = 24;
        bih.biCompression = MakeFourCC('D', 'I', 'V', '3');
        std::vector<uint8_t> vf(kBitmapInfoHeaderSize);
        WriteBitmapInfoHeader(bih, vf.data());
        ASSERT_EQ(video->SetFormat(vf.data(), vf.size()), AVIERR_OK);
        std::vector<uint8_t> frame(kFrameBytes, 0);
        for (int i = 0; i < kFrames; ++i) {
            FillFrame(i, frame);
            ASSERT_EQ(video->Write(i, 1, frame.data(), kFrameBytes, i % 25 == 0 ? AVIIF_KEYFRAME : 0, nullptr,
                                   nullptr),
                      AVIERR_OK);
        }
        IAviStream* audio = file->CreateStream(PcmInfo(44100, 2));
        const auto af = PcmFormat(44100, 2);
        audio->SetFormat(af.data(), af.size());
        std::vector<uint8_t> pcm(32768, 0);
        for (int32_t s = 0; s < kFrames * 44100 / 25; s += 8192)
            ASSERT_EQ(audio->Write(s, 8192, pcm.data(), 32768, AVIIF_KEYFRAME, nullptr, nullptr), AVIERR_OK);
        ASSERT_TRUE(file->Close(&error)) << error;
    }
    ASSERT_GT(std::filesystem::file_size(path), 4ull << 30);

    // Top-level RIFF parts: each below the limit, together the whole file.
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    uint64_t pos = 0;
    int parts = 0;
    for (uint8_t h[12]; ::pread(fd, h, 12, off_t(pos)) == 12; ++parts) {
        ASSERT_EQ(std::memcmp(h, "RIFF", 4), 0) << pos;
        uint32_t size;
        std::memcpy(&size, h + 4, 4);
        EXPECT_LE(size + 8ull, 1ull << 30);
        EXPECT_EQ(std::memcmp(h + 8, parts == 0 ? "AVI " : "AVIX", 4), 0);
        pos += 8ull + size;
    }
    ::close(fd);
    EXPECT_EQ(pos, std::filesystem::file_size(path));
    EXPECT_GE(parts, 5);

    std::string error;
    auto file = AviOpenRead(path, &error);
    ASSERT_TRUE(file) << error;
    EXPECT_TRUE(file->Report().opendml);
    EXPECT_FALSE(file->Report().indexRebuilt);
    IAviStream& video = *file->GetStream(0);
    ASSERT_EQ(video.Length(), kFrames);
    std::vector<uint8_t> expected(kFrameBytes, 0), got(kFrameBytes);
    for (int i : {0, 1, 1023, 1024, 2047, 2048, 4095, 4096, 4097, kFrames - 1}) {
        int32_t bytes = 0;
        ASSERT_EQ(video.Read(i, 1, got.data(), kFrameBytes, &bytes, nullptr), AVIERR_OK) << i;
        FillFrame(i, expected);
        EXPECT_EQ(bytes, kFrameBytes);
        EXPECT_TRUE(got == expected) << "frame " << i;
        EXPECT_EQ(video.FindSample(i, FIND_PREV | FIND_KEY), i / 25 * 25);
    }
    EXPECT_EQ(file->GetStream(1)->Length(), kFrames * 44100 / 25 / 8192 * 8192 + 8192);

    auto r = RunCommand({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                         "stream=nb_read_packets", "-of", "csv=p=0", path});
    std::istringstream counts(r.out);
    int videoPackets = 0;
    counts >> videoPackets;
    EXPECT_EQ(videoPackets, kFrames) << r.err;
}
