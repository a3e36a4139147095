// Compressors and the frame decoder together: key frames land exactly where
// they were requested, ffmpeg reads what we write, and our decoded pictures
// equal ffmpeg's own decode.

#include "CodecTestMovie.h"

#include "platform/CAviCompressedStream.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/CCompressorRegistry.h"
#include "platform/DibLayout.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

namespace {
constexpr int kWidth = 176;
constexpr int kHeight = 144;

CodecOptions Options(const std::string& spec) {
    CodecOptions options;
    std::string error;
    EXPECT_TRUE(CCompressorRegistry::ParseSettings(spec, options, &error)) << error;
    return options;
}

std::vector<int> EveryNth(int frames, int n) {
    std::vector<int> keys;
    for (int i = 0; i < frames; i += n)
        keys.push_back(i);
    return keys;
}

std::vector<int> KeyPositions(CMemoryAviStream& stream) {
    std::vector<int> keys;
    for (size_t i = 0; i < stream.Chunks().size(); ++i)
        if (stream.Chunks()[i].key)
            keys.push_back(static_cast<int>(i));
    return keys;
}
} // namespace

class CompressorTest : public ::testing::TestWithParam<std::string> {};

// Key frames exactly at the requests (every 25 frames and one odd extra at
// 37), none of the encoder's own, and ffmpeg agrees and decodes without a word.
TEST_P(CompressorTest, KeyFramesExactlyWhereRequestedAndFfmpegDecodes) {
    CTempDir dir;
    CMemoryAviStream stream;
    std::vector<int> requests = EveryNth(75, 25);
    requests.push_back(37);
    ASSERT_EQ(EncodeTestMovie(stream, Options(GetParam()), kWidth, kHeight, 75, requests), "");
    ASSERT_EQ(stream.Length(), 75);
    const bool lossless = GetParam() == "HFYU";
    std::vector<int> expected = lossless ? EveryNth(75, 1) : std::vector<int>{0, 25, 37, 50};
    EXPECT_EQ(KeyPositions(stream), expected);
    EXPECT_EQ(stream.Info().fccHandler, FourCCFromString(GetParam().substr(0, 4)));

    const std::string path = dir.File("out.avi");
    ASSERT_EQ(WriteStreamToAvi(stream, path), "");
    std::vector<int64_t> probed = ProbeVideoKeyFrames(path);
    EXPECT_EQ(std::vector<int64_t>(expected.begin(), expected.end()), probed);
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
}

INSTANTIATE_TEST_SUITE_P(Codecs, CompressorTest,
                         ::testing::Values("DIV3", "DIV4", "DX50", "XVID:q=3,keyint=0", "HFYU"));

// Our decode of our own files equals ffmpeg's bgr24 decode, byte for byte.
TEST(FrameDecoder, DecodesOwnFilesLikeFfmpeg) {
    for (const char* spec : {"DIV3", "DX50", "HFYU"}) {
        SCOPED_TRACE(spec);
        CTempDir dir;
        CMemoryAviStream stream;
        ASSERT_EQ(EncodeTestMovie(stream, Options(spec), kWidth, kHeight, 30, EveryNth(30, 10)), "");
        const std::string path = dir.File("out.avi");
        ASSERT_EQ(WriteStreamToAvi(stream, path), "");
        auto reference = FfmpegBgrFrames(path, kWidth, kHeight);
        ASSERT_EQ(reference.size(), 30u);
        auto decoder = CAviFrameDecoder::Open(&stream);
        ASSERT_TRUE(decoder);
        int largest = 0;
        for (int i = 0; i < 30; ++i) {
            const uint8_t* dib = decoder->GetFrame(i);
            ASSERT_TRUE(dib) << i;
            largest = std::max(largest, LargestDifference(dib + kBitmapInfoHeaderSize, reference[i].data(),
                                                          reference[i].size()));
        }
        EXPECT_EQ(largest, 0);
    }
}

// Long runs without requests: only the first frame (and the interval the
// settings ask for) is key, also past the encoders' usual 600-frame groups.
TEST(CompressedStream, NoKeyFramesOfTheEncodersOwn) {
    for (const char* spec : {"DIV3:keyint=0", "DX50:keyint=300"}) {
        SCOPED_TRACE(spec);
        CMemoryAviStream stream;
        ASSERT_EQ(EncodeTestMovie(stream, Options(spec), 32, 32, 700, {0}), "");
        const std::vector<int> expected = std::string(spec).find("300") != std::string::npos
                                              ? std::vector<int>{0, 300, 600}
                                              : std::vector<int>{0};
        EXPECT_EQ(KeyPositions(stream), expected);
    }
}

// Set-up and use errors come back as messages, never as crashes.
TEST(CompressedStream, ReportsFailuresClearly) {
    CMemoryAviStream target;
    std::string error;
    auto stream = CAviCompressedStream::Create(&target, Options("DIV3"), &error);
    ASSERT_TRUE(stream);
    const std::vector<uint8_t> pixels(64 * 48 * 3);
    EXPECT_NE(stream->Write(0, 1, pixels.data(), 9216, 0, nullptr, nullptr), AVIERR_OK);
    EXPECT_FALSE(stream->LastError().empty());

    std::vector<uint8_t> format = TestDibFormat(64, 48, 24);
    format[14] = 12; // 12 bits per pixel: no such DIB
    EXPECT_NE(stream->SetFormat(format.data(), format.size()), AVIERR_OK);
    EXPECT_NE(stream->LastError().find("uncompressed"), std::string::npos) << stream->LastError();

    format = TestDibFormat(64, 48, 24);
    ASSERT_EQ(stream->SetFormat(format.data(), format.size()), AVIERR_OK);
    EXPECT_NE(stream->Write(0, 1, pixels.data(), 100, 0, nullptr, nullptr), AVIERR_OK); // too few bytes
    EXPECT_EQ(stream->Write(0, 1, pixels.data(), 9216, 0, nullptr, nullptr), AVIERR_OK);
    EXPECT_NE(stream->Write(0, 1, pixels.data(), 9216, 0, nullptr, nullptr), AVIERR_OK); // same position
    EXPECT_TRUE(stream->Finish());
    EXPECT_EQ(target.Length(), 1);
}

// Every preset encodes every frame at any size its codec opens for (tiny
// frames included) and at low frame rates, where a frame holds much of a
// second's bits; a size the codec refuses is refused at set-up, in the
// encoder's own words, never after a few frames.
TEST(CompressedStream, PresetsWorkAtEverySizeTheCodecOpensFor) {
    for (const char* spec : {"DIV3", "DIV4", "DX50", "XVID", "HFYU"}) {
        for (const auto& [width, height, rate] :
             {std::tuple{2, 2, 25}, {8, 8, 1}, {16, 16, 5}, {18, 14, 25}, {32, 24, 1}, {62, 46, 10}}) {
            SCOPED_TRACE(std::string(spec) + " " + std::to_string(width) + "x" + std::to_string(height) +
                         " at " + std::to_string(rate));
            CMemoryAviStream target(static_cast<uint32_t>(rate));
            std::string error;
            auto stream = CAviCompressedStream::Create(&target, Options(spec), &error);
            ASSERT_TRUE(stream) << error;
            const std::vector<uint8_t> format = TestDibFormat(width, height, 24);
            if (stream->SetFormat(format.data(), format.size()) != AVIERR_OK) {
                EXPECT_NE(stream->LastError().find(std::to_string(width) + "x" + std::to_string(height)),
                          std::string::npos)
                    << stream->LastError();
                continue;
            }
            for (int frame = 0; frame < 60; ++frame) {
                const std::vector<uint8_t> pixels = TestDibPixels(width, height, 24, frame);
                ASSERT_EQ(stream->Write(frame, 1, pixels.data(), static_cast<int32_t>(pixels.size()),
                                        frame % 25 == 0 ? AVIIF_KEYFRAME : 0, nullptr, nullptr),
                          AVIERR_OK)
                    << "frame " << frame << ": " << stream->LastError();
            }
            EXPECT_TRUE(stream->Finish()) << stream->LastError();
            EXPECT_EQ(target.Length(), 60);
        }
    }
}

// The encoding job feeds one decoded frame to two compressors on two threads.
TEST(CompressedStream, TwoEncodersAndTwoDecodersRunSideBySide) {
    CMemoryAviStream low;
    CMemoryAviStream fast;
    std::string lowError;
    std::string fastError;
    std::thread a([&] { lowError = EncodeTestMovie(low, Options("DIV3"), 96, 64, 60, {0, 25, 50}); });
    std::thread b([&] { fastError = EncodeTestMovie(fast, Options("DIV4"), 96, 64, 60, {0, 25, 50}); });
    a.join();
    b.join();
    EXPECT_EQ(lowError, "");
    EXPECT_EQ(fastError, "");
    EXPECT_EQ(KeyPositions(low), KeyPositions(fast));
    EXPECT_EQ(KeyPositions(low), (std::vector<int>{0, 25, 50}));

    // And two decoders side by side, as the oracle reads LOW and FAST.
    auto lowDecoder = CAviFrameDecoder::Open(&low);
    auto fastDecoder = CAviFrameDecoder::Open(&fast);
    int decoded = 0;
    std::thread c([&] {
        for (int i = 59; i >= 0; i -= 7)
            decoded += lowDecoder->GetFrame(i) != nullptr;
    });
    for (int i = 0; i < 60; i += 7)
        EXPECT_TRUE(fastDecoder->GetFrame(i));
    c.join();
    EXPECT_EQ(decoded, 9);
}

// Straight into a file being written: the stream header names the
// compressor, the format carries its FourCC, and ffmpeg plays it.
TEST(CompressedStream, WritesIntoAnAviFileBeingWritten) {
    CTempDir dir;
    const std::string path = dir.File("fast.avi");
    std::string error;
    {
        auto file = AviCreate(path, AviWriterOptions(), &error);
        ASSERT_TRUE(file) << error;
        AviStreamInfo info;
        info.fccType = streamtypeVIDEO;
        info.dwRate = 25;
        info.dwScale = 1;
        IAviStream* target = file->CreateStream(info);
        ASSERT_TRUE(target);
        auto stream = CAviCompressedStream::Create(target, Options("div4"), &error);
        ASSERT_TRUE(stream) << error;
        const std::vector<uint8_t> format = TestDibFormat(kWidth, kHeight, 8);
        ASSERT_EQ(stream->SetFormat(format.data(), format.size()), AVIERR_OK) << stream->LastError();
        for (int i = 0; i < 30; ++i) {
            const std::vector<uint8_t> pixels = TestDibPixels(kWidth, kHeight, 8, i);
            ASSERT_EQ(stream->Write(i, 1, pixels.data(), static_cast<int32_t>(pixels.size()),
                                    i % 10 == 0 ? AVIIF_KEYFRAME : 0, nullptr, nullptr),
                      AVIERR_OK);
        }
        ASSERT_TRUE(stream->Finish()) << stream->LastError();
        ASSERT_TRUE(file->Close(&error)) << error;
    }
    auto file = AviOpenRead(path, &error);
    ASSERT_TRUE(file) << error;
    IAviStream* video = file->GetStream(0);
    EXPECT_EQ(FourCCToString(video->Info().fccHandler), "DIV4");
    BitmapInfoHeader h;
    ASSERT_TRUE(ParseBitmapInfoHeader(video->Format().data(), video->Format().size(), h));
    EXPECT_EQ(FourCCToString(h.biCompression), "DIV4");
    EXPECT_EQ(ProbeVideoKeyFrames(path), (std::vector<int64_t>{0, 10, 20}));
    EXPECT_EQ(FfmpegDecodeErrors(path), "");
    EXPECT_EQ(FfmpegBgrFrames(path, kWidth, kHeight).size(), 30u);
}
