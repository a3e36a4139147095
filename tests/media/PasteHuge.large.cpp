// A movie over 4 GiB made by pasting: every frame must be found again, with
// its key flag and size, by us and by ffprobe. Writes about 10 GB; opt-in.

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/IAviFile.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {
constexpr int32_t kSourceFrames = 1100;
constexpr int kPastes = 4;

uint32_t FrameSize(int32_t i) {
    return 1000000 + static_cast<uint32_t>(i) * 7919 % 100000;
}
bool FrameKey(int32_t i) {
    return i % 25 == 0 || i % 97 == 13;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A source of ~1 MB chunks under a FourCC nobody decodes, written directly.
void WriteSource(const std::string& path) {
    std::string error;
    auto file = AviCreate(path, AviWriterOptions(), &error);
    ASSERT_TRUE(file) << error;
    AviStreamInfo info;
    info.fccType = streamtypeVIDEO;
    info.fccHandler = MakeFourCC('F', 'M', 'T', 'S');
    info.dwScale = 1;
    info.dwRate = 25;
    info.rcFrame = AviRect{0, 0, 640, 480};
    IAviStream* stream = file->CreateStream(info);
    ASSERT_NE(stream, nullptr);
    BitmapInfoHeader bih;
    bih.biWidth = 640;
    bih.biHeight = 480;
    bih.biBitCount = 24;
    bih.biCompression = info.fccHandler;
    uint8_t format[kBitmapInfoHeaderSize];
    WriteBitmapInfoHeader(bih, format);
    ASSERT_EQ(stream->SetFormat(format, sizeof format), AVIERR_OK);
    std::vector<uint8_t> data;
    for (int32_t i = 0; i < kSourceFrames; ++i) {
        data.assign(FrameSize(i), static_cast<uint8_t>(i));
        std::memcpy(data.data(), &i, sizeof i);
        ASSERT_EQ(stream->Write(i, 1, data.data(), static_cast<int32_t>(data.size()),
                                FrameKey(i) ? AVIIF_KEYFRAME : 0, nullptr, nullptr),
                  AVIERR_OK);
    }
    ASSERT_TRUE(file->Close(&error)) << error;
}

TEST(PasteHuge, MovieOverFourGigabytesKeepsEveryFrame) {
    CTempDir dir;
    CHostRecorder host;
    const std::string source = dir.File("source.avi");
    const std::string output = dir.File("huge.avi");
    auto start = std::chrono::steady_clock::now();
    WriteSource(source);
    std::printf("source written in %.1f s\n", Seconds(start));

    start = std::chrono::steady_clock::now();
    {
        CAVIFile in(host);
        ASSERT_TRUE(in.Open(source));
        CAVIFile out(host);
        ASSERT_TRUE(out.Create(output));
        out.AddStream(in.CreateStreamLike(out, 0, nullptr, -1));
        for (int k = 0; k < kPastes; ++k)
            out.Paste(in.GetStream(0), 0, 0, kSourceFrames);
        ASSERT_TRUE(out.Close());
    }
    std::printf("pasted and finished in %.1f s\n", Seconds(start));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_GT(std::filesystem::file_size(output), 4ull * 1024 * 1024 * 1024);

    start = std::chrono::steady_clock::now();
    CAVIFile check(host);
    ASSERT_TRUE(check.Open(output));
    const int32_t total = kSourceFrames * kPastes;
    EXPECT_EQ(check.GetLength(), total);
    ASSERT_NE(check.GetReport(), nullptr);
    EXPECT_TRUE(check.GetReport()->opendml);
    CAVIStream* video = check.GetStream(0);
    ASSERT_EQ(video->GetLength(), total);
    for (int32_t j = 0; j < total; ++j)
        ASSERT_EQ(video->IsKeyFrame(j), FrameKey(j % kSourceFrames)) << "frame " << j;
    for (int32_t j : {0, 1, 13, 1099, 1100, 2222, 3333, 4097, total - 1}) {
        const int32_t i = j % kSourceFrames;
        int32_t bytes = 0;
        ASSERT_EQ(video->GetHandle()->Read(j, 1, nullptr, 0, &bytes, nullptr), AVIERR_OK);
        EXPECT_EQ(static_cast<uint32_t>(bytes), FrameSize(i)) << "frame " << j;
        std::vector<uint8_t> data(static_cast<size_t>(bytes));
        ASSERT_EQ(video->GetHandle()->Read(j, 1, data.data(), bytes, &bytes, nullptr), AVIERR_OK);
        int32_t number = -1;
        std::memcpy(&number, data.data(), sizeof number);
        EXPECT_EQ(number, i) << "frame " << j;
        EXPECT_EQ(data.back(), static_cast<uint8_t>(i)) << "frame " << j;
    }
    EXPECT_EQ(check.ByteCount(0, 0, total), kPastes * check.ByteCount(0, 0, kSourceFrames));
    std::printf("read back in %.1f s\n", Seconds(start));

    const auto packets = ProbePackets(output, "v:0");
    ASSERT_EQ(packets.size(), static_cast<size_t>(total));
    for (int32_t j = 0; j < total; ++j) {
        ASSERT_EQ(packets[j].key, FrameKey(j % kSourceFrames)) << "frame " << j;
        ASSERT_EQ(packets[j].size, FrameSize(j % kSourceFrames)) << "frame " << j;
    }
}
} // namespace
