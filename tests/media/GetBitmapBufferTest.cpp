// Decoded frames through CAVIStream: raw pixels in place, converted copies
// that cover every pixel without reading or writing past a buffer, and the
// message when nothing could be decoded.

#include "MediaTestMovies.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/DibLayout.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
const char* const kNoBitmap = "CAVIStream::GetBitmapBuffer: AVIStreamGetFrame(). Error! No Bitmap decoded!";

class GetBitmapBufferTest : public ::testing::Test {
protected:
    // An uncompressed movie of odd width (rows need padding) in this pixel format.
    std::string RawMovie(const std::string& pixFmt, int width, int height) {
        const std::string path = m_dir.File(pixFmt + ".avi");
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        EXPECT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=" + size + ":rate=25", "-frames:v", "5", "-c:v",
                          "rawvideo", "-pix_fmt", pixFmt, path})
                      .exitCode,
                  0);
        return path;
    }

    CTempDir m_dir;
    CHostRecorder m_host;
};
} // namespace

TEST_F(GetBitmapBufferTest, CompressedFramesComeOutAs24BitPixels) {
    const std::string path = MakeMovie(m_dir, "div3.avi", {}, 2);
    CAVIFile file(m_host);
    ASSERT_TRUE(file.Open(path));
    CAVIStream* video = file.GetStream(file.GetVideoIndex());
    const uint8_t* dib = video->GetFrame(30);
    ASSERT_TRUE(dib);
    int32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* raw = video->GetBitmapBuffer(true, 30, &size, nullptr, &width, &height);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw, video->GetFrame(30) + 40);
    EXPECT_EQ(size, 160 * 120 * 3);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 120);
    std::vector<uint8_t> rawCopy(raw, raw + size);

    std::unique_ptr<uint8_t[]> converted(video->GetBitmapBuffer(false, 30, &size, nullptr, nullptr, nullptr));
    ASSERT_TRUE(converted);
    EXPECT_EQ(size, 160 * 120 * 3);
    EXPECT_TRUE(std::equal(rawCopy.begin(), rawCopy.end(), converted.get())); // 480-byte rows: no padding
    EXPECT_TRUE(m_host.Messages().empty());
}

// Odd widths: the converted copy holds every pixel row by row without the
// row padding, in the frame's own format; 8-bit frames keep their palette.
TEST_F(GetBitmapBufferTest, UncompressedFramesKeepTheirFormatAndEveryPixel) {
    struct Case {
        const char* pixFmt;
        int bits;
    };
    for (const Case& c : {Case{"bgr24", 24}, Case{"rgb555le", 16}, Case{"pal8", 8}}) {
        SCOPED_TRACE(c.pixFmt);
        CAVIFile file(m_host);
        ASSERT_TRUE(file.Open(RawMovie(c.pixFmt, 75, 31)));
        CAVIStream* video = file.GetStream(file.GetVideoIndex());
        const uint8_t* dib = video->GetFrame(2);
        ASSERT_TRUE(dib);
        BitmapInfoHeader h;
        ASSERT_TRUE(ParseBitmapInfoHeader(dib, 40, h));
        EXPECT_EQ(h.biBitCount, c.bits);
        int32_t size = 0;
        uint8_t* raw = video->GetBitmapBuffer(true, 2, &size, nullptr, nullptr, nullptr);
        EXPECT_EQ(raw, dib + (c.bits == 8 ? 40 + 4 * (h.biClrUsed ? h.biClrUsed : 256) : 40));
        EXPECT_EQ(size, 75 * 31 * (c.bits / 8));

        std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1, 0xEE);
        ASSERT_EQ(video->GetBitmapBuffer(false, 2, &size, buffer.data(), nullptr, nullptr), buffer.data());
        const int64_t stride = DibStride(75, c.bits);
        const int rowBytes = 75 * c.bits / 8;
        for (int y = 0; y < 31; ++y)
            ASSERT_TRUE(
                std::equal(raw + y * stride, raw + y * stride + rowBytes, buffer.data() + y * rowBytes))
                << y;
        EXPECT_EQ(buffer.back(), 0xEE) << "nothing written past the size";
    }
}

// Frames come out bottom-up whether the file stores its rows top-down (as
// ffmpeg writes them) or bottom-up: both forms of the buffer equal ffmpeg's
// picture with its rows reversed, in the frame's own pixel format (8-bit
// indices are looked up in the frame's palette and compared as colours).
TEST_F(GetBitmapBufferTest, UncompressedFramesComeOutBottomUpWhateverTheFileStores) {
    struct Case {
        const char* pixFmt;
        int bytes;
    };
    for (const Case& c : {Case{"bgr24", 3}, Case{"bgra", 4}, Case{"rgb555le", 2}, Case{"pal8", 1}}) {
        for (bool bottomUp : {false, true}) {
            SCOPED_TRACE(std::string(c.pixFmt) + (bottomUp ? " bottom-up" : " top-down"));
            const std::string path = RawMovie(c.pixFmt, 75, 31);
            if (bottomUp) {
                ASSERT_TRUE(MarkRawAviBottomUp(path));
            }
            const auto reference = FfmpegFramesBottomUp(path, 75, 31, c.bytes == 1 ? "bgr24" : c.pixFmt,
                                                        c.bytes == 1 ? 3 : c.bytes);
            ASSERT_EQ(reference.size(), 5u);
            CAVIFile file(m_host);
            ASSERT_TRUE(file.Open(path));
            CAVIStream* video = file.GetStream(file.GetVideoIndex());
            for (int frame : {3, 1}) {
                int32_t size = 0;
                int32_t height = 0;
                std::unique_ptr<uint8_t[]> converted(
                    video->GetBitmapBuffer(false, frame, &size, nullptr, nullptr, &height));
                ASSERT_TRUE(converted);
                EXPECT_EQ(height, 31);
                std::vector<uint8_t> pixels(converted.get(), converted.get() + size);
                if (c.bytes == 1) {
                    const uint8_t* palette = video->GetFrame(frame) + 40;
                    std::vector<uint8_t> colours;
                    for (uint8_t index : pixels)
                        colours.insert(colours.end(), palette + 4 * index, palette + 4 * index + 3);
                    pixels = colours;
                }
                EXPECT_TRUE(pixels == reference[static_cast<size_t>(frame)]) << frame;
                const uint8_t* raw = video->GetBitmapBuffer(true, frame, &size, nullptr, nullptr, nullptr);
                ASSERT_TRUE(raw);
                EXPECT_TRUE(std::equal(raw, raw + 75 * c.bytes, converted.get()))
                    << "the first row is the bottom one";
            }
        }
    }
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(GetBitmapBufferTest, NothingDecodedShowsTheMessage) {
    const std::string path = MakeMovie(m_dir, "pcm.avi", {"-c:a", "pcm_s16le"}, 1);
    CAVIFile file(m_host);
    ASSERT_TRUE(file.Open(path));
    int32_t size = -5;
    EXPECT_FALSE(
        file.GetStream(file.GetVideoIndex())->GetBitmapBuffer(true, 25, &size, nullptr, nullptr, nullptr));
    EXPECT_FALSE(
        file.GetStream(file.GetAudioIndex())->GetBitmapBuffer(false, 0, &size, nullptr, nullptr, nullptr));
    ASSERT_EQ(m_host.Messages().size(), 2u);
    EXPECT_EQ(m_host.Messages()[0].text, kNoBitmap);
    EXPECT_EQ(size, -5);
}
