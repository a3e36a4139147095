// The frame decoder on files made by ffmpeg and on hand-made streams: the
// same pictures as ffmpeg's own decode, frame n is frame n whatever the
// access order, no needless decoding, pass-through of uncompressed frames,
// and damaged input never crashes.

#include "CodecTestMovie.h"

#include "platform/CAviCompressedStream.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/CCompressorRegistry.h"
#include "platform/DibLayout.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {
constexpr int kWidth = 174; // 522-byte rows: padding to 4 bytes shows
constexpr int kHeight = 128;
constexpr int kFrames = 50;

std::vector<uint8_t> Pixels(const uint8_t* dib) {
    BitmapInfoHeader h;
    ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, h);
    const uint8_t* p = dib + DibPixelOffset(h);
    return std::vector<uint8_t>(p, p + DibImageBytes(h));
}

struct ForeignCase {
    const char* name;
    std::vector<std::string> args;
};

std::vector<ForeignCase> ForeignCases() {
    return {
        {"DIV3", {"-c:v", "msmpeg4", "-vtag", "DIV3", "-g", "12"}},
        {"DX50", {"-c:v", "mpeg4", "-vtag", "DX50", "-g", "12"}},
        {"XVID with B-frames", {"-c:v", "mpeg4", "-vtag", "XVID", "-bf", "2", "-g", "12"}},
        {"MJPG", {"-c:v", "mjpeg", "-q:v", "5"}},
        {"H264 with B-pyramid",
         {"-c:v", "libx264", "-preset", "veryfast", "-g", "12", "-pix_fmt", "yuv420p"}},
    };
}
} // namespace

// Every frame equals ffmpeg's bgr24 decode; any access order gives the same
// frames as sequential access. At 174 pixels the row padding shows (and the
// conversion goes through a scratch picture); rows of 192 pixels are
// converted straight into place.
class FrameDecoderForeignSize : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(FrameDecoderForeignSize, MatchesFfmpegInAnyAccessOrder) {
    const auto [width, height] = GetParam();
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    for (const ForeignCase& c : ForeignCases()) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        const std::string path = dir.File("in.avi");
        std::vector<std::string> args = {"-f",        "lavfi", "-i", "testsrc2=size=" + size + ":rate=25",
                                         "-frames:v", "50"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(path);
        ASSERT_EQ(Ffmpeg(args).exitCode, 0);
        const auto reference = FfmpegBgrFrames(path, width, height);
        ASSERT_EQ(reference.size(), static_cast<size_t>(kFrames));

        std::string error;
        auto file = AviOpenRead(path, &error);
        ASSERT_TRUE(file) << error;
        auto decoder = CAviFrameDecoder::Open(file->GetStream(0));
        ASSERT_TRUE(decoder);
        std::vector<std::vector<uint8_t>> sequential;
        int largest = 0;
        for (int i = 0; i < kFrames; ++i) {
            const uint8_t* dib = decoder->GetFrame(i);
            ASSERT_TRUE(dib) << "frame " << i;
            sequential.push_back(Pixels(dib));
            ASSERT_EQ(sequential.back().size(), reference[i].size());
            largest = std::max(largest, LargestDifference(sequential.back().data(), reference[i].data(),
                                                          reference[i].size()));
        }
        EXPECT_EQ(largest, 0);

        std::vector<int> order(kFrames);
        for (int i = 0; i < kFrames; ++i)
            order[i] = i;
        std::reverse(order.begin(), order.end());
        std::shuffle(order.begin() + kFrames / 2, order.end(), std::mt19937(7));
        auto random = CAviFrameDecoder::Open(file->GetStream(0));
        for (int i : order) {
            const uint8_t* dib = random->GetFrame(i);
            ASSERT_TRUE(dib) << "frame " << i;
            EXPECT_TRUE(Pixels(dib) == sequential[i]) << "frame " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameDecoderForeignSize,
                         ::testing::Values(std::make_pair(174, 128), std::make_pair(192, 96)));

// Sequential access decodes each chunk once; asking again decodes nothing;
// a jump decodes from the key frame before the wanted frame only.
TEST(FrameDecoder, DecodesNoMoreThanNeeded) {
    CMemoryAviStream stream;
    CodecOptions options;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3", options, nullptr));
    ASSERT_EQ(EncodeTestMovie(stream, options, 96, 64, 60, {0, 20, 40}), "");
    auto decoder = CAviFrameDecoder::Open(&stream);
    ASSERT_TRUE(decoder);
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(decoder->GetFrame(i));
    EXPECT_EQ(decoder->PacketsDecoded(), 60);
    ASSERT_TRUE(decoder->GetFrame(59));
    EXPECT_EQ(decoder->PacketsDecoded(), 60);
    ASSERT_TRUE(decoder->GetFrame(25)); // back: from key frame 20
    EXPECT_EQ(decoder->PacketsDecoded(), 66);
    ASSERT_TRUE(decoder->GetFrame(45)); // forward past key frame 40: jump there
    EXPECT_EQ(decoder->PacketsDecoded(), 72);
}

// A dropped frame (empty chunk) shows the picture before it; a damaged chunk
// gives no picture or a damaged one, never a crash, and the next key frame
// brings back exactly the clean pictures.
TEST(FrameDecoder, DroppedFramesRepeatAndDamageHealsAtNextKey) {
    CMemoryAviStream clean;
    CodecOptions options;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DX50", options, nullptr));
    ASSERT_EQ(EncodeTestMovie(clean, options, 96, 64, 40, {0, 20}), "");
    std::vector<std::vector<uint8_t>> expected;
    {
        auto decoder = CAviFrameDecoder::Open(&clean);
        for (int i = 0; i < 40; ++i)
            expected.push_back(Pixels(decoder->GetFrame(i)));
    }

    CMemoryAviStream damaged = clean;
    damaged.Chunks()[6].data.clear();    // dropped
    damaged.Chunks()[7].data.clear();    // dropped
    damaged.Chunks()[10].data.resize(3); // cut short
    std::mt19937 noise(3);
    for (uint8_t& b : damaged.Chunks()[12].data)
        b = static_cast<uint8_t>(noise());
    auto decoder = CAviFrameDecoder::Open(&damaged);
    ASSERT_TRUE(decoder);
    for (int i : {7, 6}) {
        const uint8_t* dib = decoder->GetFrame(i);
        ASSERT_TRUE(dib);
        EXPECT_TRUE(Pixels(dib) == expected[5]) << i;
    }
    for (int i = 8; i < 20; ++i)
        decoder->GetFrame(i); // whatever it gives, it must not crash
    for (int i = 20; i < 40; ++i) {
        const uint8_t* dib = decoder->GetFrame(i);
        ASSERT_TRUE(dib) << i;
        EXPECT_TRUE(Pixels(dib) == expected[i]) << i;
    }
    EXPECT_FALSE(decoder->GetFrame(40));
    EXPECT_FALSE(decoder->GetFrame(-1));
}

// Uncompressed frames come out in their own format: header, colour table,
// the chunk's pixels.
TEST(FrameDecoder, UncompressedFramesPassThroughInTheirOwnFormat) {
    for (int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        CMemoryAviStream stream;
        const std::vector<uint8_t> format = TestDibFormat(kWidth, kHeight, bits);
        stream.SetFormat(format.data(), format.size());
        for (int i = 0; i < 3; ++i)
            stream.Chunks().push_back({TestDibPixels(kWidth, kHeight, bits, i), true});
        stream.Chunks().push_back({{}, false}); // dropped frame
        auto decoder = CAviFrameDecoder::Open(&stream);
        ASSERT_TRUE(decoder);
        EXPECT_TRUE(decoder->IsPassThrough());
        const uint8_t* dib = decoder->GetFrame(1);
        ASSERT_TRUE(dib);
        BitmapInfoHeader h;
        ASSERT_TRUE(ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, h));
        EXPECT_EQ(h.biBitCount, bits);
        EXPECT_EQ(h.biSize, kBitmapInfoHeaderSize);
        const size_t table = bits == 8 ? 1024 : 0;
        EXPECT_EQ(DibPixelOffset(h), static_cast<int64_t>(kBitmapInfoHeaderSize + table));
        EXPECT_TRUE(
            std::equal(format.begin() + kBitmapInfoHeaderSize, format.end(), dib + kBitmapInfoHeaderSize));
        EXPECT_TRUE(Pixels(dib) == stream.Chunks()[1].data);
        EXPECT_TRUE(Pixels(decoder->GetFrame(3)) == stream.Chunks()[2].data);

        stream.Chunks()[0].data.resize(10); // too short for a picture
        EXPECT_FALSE(decoder->GetFrame(0));
    }
}

// Streams we cannot decode are refused at opening.
TEST(FrameDecoder, RefusesWhatItCannotDecode) {
    EXPECT_FALSE(CAviFrameDecoder::Open(nullptr));
    CMemoryAviStream stream;
    EXPECT_FALSE(CAviFrameDecoder::Open(&stream)); // no format
    std::vector<uint8_t> format = TestDibFormat(64, 48, 24);
    BitmapInfoHeader h;
    ParseBitmapInfoHeader(format.data(), format.size(), h);
    h.biCompression = MakeFourCC('Q', 'Q', 'Z', '9');
    WriteBitmapInfoHeader(h, format.data());
    stream.SetFormat(format.data(), format.size());
    EXPECT_FALSE(CAviFrameDecoder::Open(&stream));    // unknown FourCC
    h.biCompression = MakeFourCC('d', 'i', 'v', '3'); // lower case is DIV3
    WriteBitmapInfoHeader(h, format.data());
    stream.SetFormat(format.data(), format.size());
    EXPECT_TRUE(CAviFrameDecoder::Open(&stream));
    h.biWidth = 1 << 30; // absurd size
    WriteBitmapInfoHeader(h, format.data());
    stream.SetFormat(format.data(), format.size());
    EXPECT_FALSE(CAviFrameDecoder::Open(&stream));
}

// DivX-style packed B-frames: two pictures in one chunk and a placeholder in
// the next still give frame n at frame n, as ffmpeg shows them.
TEST(FrameDecoderForeign, PackedBFramesKeepTheirFrameNumbers) {
    CTempDir dir;
    const std::string plainPath = dir.File("plain.avi");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=174x128:rate=25", "-frames:v", "50", "-c:v",
                      "mpeg4", "-vtag", "DX50", "-bf", "1", "-g", "12", plainPath})
                  .exitCode,
              0);
    CMemoryAviStream plain;
    ASSERT_EQ(ReadAviIntoStream(plainPath, plain), "");
    CMemoryAviStream packed = PackBFrames(plain);
    ASSERT_EQ(packed.Length(), kFrames);
    const auto placeholders = std::count_if(packed.Chunks().begin(), packed.Chunks().end(),
                                            [](const auto& c) { return c.data.size() == 6; });
    ASSERT_GT(placeholders, 15);
    const std::string packedPath = dir.File("packed.avi");
    ASSERT_EQ(WriteStreamToAvi(packed, packedPath), "");
    const auto reference = FfmpegBgrFrames(packedPath, kWidth, kHeight);
    ASSERT_EQ(reference.size(), static_cast<size_t>(kFrames));
    // The unpacked original shows the same pictures.
    const auto plainReference = FfmpegBgrFrames(plainPath, kWidth, kHeight);
    ASSERT_EQ(plainReference.size(), static_cast<size_t>(kFrames));

    auto decoder = CAviFrameDecoder::Open(&packed);
    ASSERT_TRUE(decoder);
    for (int i : {0, 1, 2, 3, 17, 16, 15, 30, 31, 32, 49, 48, 5}) {
        const uint8_t* dib = decoder->GetFrame(i);
        ASSERT_TRUE(dib) << i;
        EXPECT_TRUE(Pixels(dib) == reference[i]) << i;
        EXPECT_TRUE(Pixels(dib) == plainReference[i]) << i;
    }
}
