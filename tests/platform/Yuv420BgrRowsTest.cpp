// Rows of planes from the frame decoder: the same colours as its packed
// pictures, without decoding again, and no rows where they could differ.

#include "CodecTestMovie.h"

#include "platform/CAviFrameDecoder.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CYuv420BgrRows.h"
#include "platform/DibLayout.h"

#include <gtest/gtest.h>

namespace {

// Compares each row with the packed bottom-up picture it should equal.
class CPackedCompare : public IBgrRowSink {
public:
    explicit CPackedCompare(const std::vector<uint8_t>& dib) : m_dib(dib) {
        ParseBitmapInfoHeader(dib.data(), kBitmapInfoHeaderSize, m_header);
    }
    bool Begin(int32_t width, int32_t height) override {
        return width == m_header.biWidth && height == m_header.biHeight;
    }
    void Row(int32_t y, const uint8_t* blue, const uint8_t* green, const uint8_t* red) override {
        ++rows;
        const int64_t stride = DibStride(m_header.biWidth, 24);
        const uint8_t* packed =
            m_dib.data() + DibPixelOffset(m_header) + (m_header.biHeight - 1 - y) * stride;
        for (int32_t x = 0; x < m_header.biWidth; ++x) {
            if (packed[3 * x] != blue[x] || packed[3 * x + 1] != green[x] || packed[3 * x + 2] != red[x])
                ++differing;
        }
    }
    int rows = 0;
    int differing = 0;

private:
    const std::vector<uint8_t>& m_dib;
    BitmapInfoHeader m_header;
};

std::vector<uint8_t> Dib(const uint8_t* dib) {
    BitmapInfoHeader h;
    ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, h);
    return std::vector<uint8_t>(dib, dib + DibPixelOffset(h) + DibImageBytes(h));
}

} // namespace

// Both orders of asking (rows first, picture first) give the same colours
// and decode each frame once; 168 pixels leave a tail after the 32- and
// 16-pixel steps.
TEST(Yuv420BgrRows, RowsEqualThePackedPictureAndCostNoSecondDecode) {
    if (!CYuv420BgrRows::Exact(96, 64))
        GTEST_SKIP() << "no rows on this machine (they need AVX2 and swscale's vector code)";
    for (const int width : {96, 168}) {
        SCOPED_TRACE(width);
        CMemoryAviStream stream;
        CodecOptions options;
        ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3", options, nullptr));
        ASSERT_EQ(EncodeTestMovie(stream, options, width, 64, 30, {0, 10, 20}), "");
        auto rowsFirst = CAviFrameDecoder::Open(&stream);
        auto packedFirst = CAviFrameDecoder::Open(&stream);
        ASSERT_TRUE(rowsFirst && packedFirst);
        for (int i = 0; i < 30; ++i) {
            SCOPED_TRACE(i);
            const uint8_t* dib = packedFirst->GetFrame(i);
            ASSERT_TRUE(dib);
            const std::vector<uint8_t> picture = Dib(dib);
            CPackedCompare afterPicture(picture);
            ASSERT_TRUE(packedFirst->VisitRows(i, afterPicture));
            EXPECT_EQ(64, afterPicture.rows);
            EXPECT_EQ(0, afterPicture.differing);

            CPackedCompare beforePicture(picture);
            ASSERT_TRUE(rowsFirst->VisitRows(i, beforePicture));
            EXPECT_EQ(0, beforePicture.differing);
            const int64_t decoded = rowsFirst->PacketsDecoded();
            const uint8_t* later = rowsFirst->GetFrame(i);
            ASSERT_TRUE(later);
            EXPECT_EQ(decoded, rowsFirst->PacketsDecoded());
            EXPECT_TRUE(Dib(later) == picture);
        }
        EXPECT_EQ(30, rowsFirst->PacketsDecoded());
    }
}

// Shapes that swscale converts another way get no rows; neither does an
// uncompressed stream, nor a sink that declines the shape.
TEST(Yuv420BgrRows, NoRowsWhereTheyCouldDiffer) {
    EXPECT_FALSE(CYuv420BgrRows::Exact(1280, 719));
    EXPECT_FALSE(CYuv420BgrRows::Exact(175, 96));

    CMemoryAviStream raw;
    const std::vector<uint8_t> rawFormat = TestDibFormat(96, 64, 24);
    raw.SetFormat(rawFormat.data(), rawFormat.size());
    raw.Chunks().push_back({TestDibPixels(96, 64, 24, 0), true});
    auto passThrough = CAviFrameDecoder::Open(&raw);
    ASSERT_TRUE(passThrough);
    const std::vector<uint8_t> shape = TestDibFormat(96, 64, 24);
    CPackedCompare unused(shape);
    EXPECT_FALSE(passThrough->VisitRows(0, unused));

    CMemoryAviStream stream;
    CodecOptions options;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3", options, nullptr));
    ASSERT_EQ(EncodeTestMovie(stream, options, 96, 64, 3, {0}), "");
    auto decoder = CAviFrameDecoder::Open(&stream);
    const std::vector<uint8_t> other = TestDibFormat(64, 64, 24);
    CPackedCompare wrongShape(other);
    EXPECT_FALSE(decoder->VisitRows(1, wrongShape));
    EXPECT_EQ(0, wrongShape.rows);
    EXPECT_TRUE(decoder->GetFrame(1));
}
