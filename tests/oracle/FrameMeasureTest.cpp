#include "oracle/FrameMeasure.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

TEST(FrameMeasure, DetailSumCountsRightAndLowerNeighboursOnly) {
    // 3 x 2 pixels, all bytes 10 except the second pixel of the first row (40):
    // 90 from the first pixel (right neighbour), 90 + 90 from the second pixel
    // (right neighbour and the pixel one row further).
    std::vector<uint8_t> frame(3 * 2 * 3, 10);
    frame[3] = frame[4] = frame[5] = 40;
    EXPECT_EQ(270, DetailSum(frame.data(), int64_t(frame.size()), 3, 2));

    // A line or a column has no pairs.
    std::vector<uint8_t> noisy(3 * 7, 0);
    for (size_t i = 0; i < noisy.size(); ++i) {
        noisy[i] = uint8_t(i * 37);
    }
    EXPECT_EQ(0, DetailSum(noisy.data(), int64_t(noisy.size()), 7, 1));
    EXPECT_EQ(0, DetailSum(noisy.data(), int64_t(noisy.size()), 1, 7));
}

TEST(FrameMeasure, DetailSumAgreesWithThePlainDefinitionAtEveryWidth) {
    // The sum works on 16 bytes at a time: widths around and between those
    // steps, random bytes, compared with the definition written out.
    auto plain = [](const std::vector<uint8_t>& x, int32_t w, int32_t h) {
        int64_t sum = 0;
        for (int32_t r = 0; r + 1 < h; ++r) {
            for (int32_t c = 0; c + 1 < w; ++c) {
                for (int b = 0; b < 3; ++b) {
                    const size_t p = 3 * (size_t(r) * size_t(w) + size_t(c)) + size_t(b);
                    sum +=
                        std::abs(int(x[p]) - int(x[p + 3])) + std::abs(int(x[p]) - int(x[p + 3 * size_t(w)]));
                }
            }
        }
        return sum;
    };
    uint32_t seed = 12345;
    for (int32_t w : {2, 5, 6, 7, 11, 17, 22, 33, 641}) {
        for (int32_t h : {2, 3, 9}) {
            std::vector<uint8_t> frame(size_t(w) * size_t(h) * 3);
            for (uint8_t& b : frame) {
                seed = seed * 1664525u + 1013904223u;
                b = uint8_t(seed >> 24);
            }
            EXPECT_EQ(plain(frame, w, h), DetailSum(frame.data(), int64_t(frame.size()), w, h))
                << w << " x " << h;
        }
    }
}

// The same picture as three planes, rows in the other order: the row-by-row
// form gives DetailSum exactly, at widths around the 16- and 32-byte steps.
TEST(FrameMeasure, PlaneRowsGiveDetailSumInEitherRowOrder) {
    uint32_t seed = 777;
    for (int32_t w : {2, 3, 16, 17, 31, 33, 34, 49, 65, 1280}) {
        for (int32_t h : {2, 5}) {
            std::vector<uint8_t> packed(size_t(w) * size_t(h) * 3);
            for (uint8_t& b : packed) {
                seed = seed * 1664525u + 1013904223u;
                b = uint8_t(seed >> 24);
            }
            // planes[c][row] with the packed rows turned over.
            std::vector<std::vector<std::vector<uint8_t>>> planes(
                3, std::vector<std::vector<uint8_t>>(size_t(h)));
            for (int32_t r = 0; r < h; ++r) {
                for (int c = 0; c < 3; ++c) {
                    auto& row = planes[size_t(c)][size_t(h - 1 - r)];
                    for (int32_t x = 0; x < w; ++x) {
                        row.push_back(packed[3 * (size_t(r) * size_t(w) + size_t(x)) + size_t(c)]);
                    }
                }
            }
            int64_t sum = 0;
            for (int32_t y = 1; y < h; ++y) {
                for (int c = 0; c < 3; ++c) {
                    sum += PlaneRowDetail(planes[size_t(c)][size_t(y)].data(),
                                          planes[size_t(c)][size_t(y - 1)].data(), w - 1);
                }
            }
            EXPECT_EQ(DetailSum(packed.data(), int64_t(packed.size()), w, h), sum) << w << " x " << h;
        }
    }
}

TEST(FrameMeasure, DetailSumNeverReadsBeyondTheBuffer) {
    // A one-byte-per-pixel frame of the same size in bytes: only the rows the
    // buffer holds take part (ASan would catch a read beyond it).
    const int32_t width = 8;
    const int32_t height = 6;
    std::vector<uint8_t> small(size_t(width) * height, 0);
    for (size_t i = 0; i < small.size(); i += 2) {
        small[i] = 200;
    }
    const int64_t sum = DetailSum(small.data(), int64_t(small.size()), width, height);
    // 48 bytes hold two rows of 24 bytes: one row of pairs.
    std::vector<uint8_t> twoRows(small.begin(), small.begin() + 48);
    EXPECT_EQ(DetailSum(twoRows.data(), 48, width, 2), sum);
    EXPECT_GT(sum, 0);
}

TEST(FrameMeasure, SumsOfLargeFramesDoNotWrapAt32Bits) {
    // Alternating black and white pixels in both directions: every pair
    // differs by 255, 4.6 x 10^9 in all.
    const int32_t width = 2000;
    const int32_t height = 1500;
    std::vector<uint8_t> frame(size_t(width) * height * 3);
    std::vector<uint8_t> black(frame.size(), 0);
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const uint8_t v = ((r + c) % 2) ? 255 : 0;
            for (int b = 0; b < 3; ++b) {
                frame[(size_t(r) * width + c) * 3 + b] = v;
            }
        }
    }
    const int64_t expected = int64_t(3) * (width - 1) * (height - 1) * 2 * 255;
    ASSERT_GT(expected, int64_t(UINT32_MAX));
    EXPECT_EQ(expected, DetailSum(frame.data(), int64_t(frame.size()), width, height));

    // Half the bytes are 255, half 0.
    const int64_t white = int64_t(frame.size() / 2) * 255;
    EXPECT_EQ(white, DifferenceSum(frame.data(), black.data(), int64_t(frame.size())));
    std::vector<uint8_t> allWhite(size_t(width) * height * 3 * 2, 255);
    std::vector<uint8_t> allBlack(allWhite.size(), 0);
    EXPECT_EQ(int64_t(allWhite.size()) * 255,
              DifferenceSum(allWhite.data(), allBlack.data(), int64_t(allWhite.size())));
    EXPECT_GT(int64_t(allWhite.size()) * 255, int64_t(INT32_MAX));
    // Squares of 255 overflow a 32-bit partial sum after 66051 bytes.
    EXPECT_EQ(int64_t(allWhite.size()) * 255 * 255,
              SquaredDifferenceSum(allWhite.data(), allBlack.data(), int64_t(allWhite.size())));
}

TEST(FrameMeasure, DifferenceSumIsSymmetricAndIgnoresMissingBuffers) {
    const std::vector<uint8_t> a{0, 10, 200, 255};
    const std::vector<uint8_t> b{5, 10, 100, 0};
    EXPECT_EQ(5 + 0 + 100 + 255, DifferenceSum(a.data(), b.data(), 4));
    EXPECT_EQ(DifferenceSum(a.data(), b.data(), 4), DifferenceSum(b.data(), a.data(), 4));
    EXPECT_EQ(0, DifferenceSum(nullptr, b.data(), 4));
    EXPECT_EQ(0, DifferenceSum(a.data(), nullptr, 4));
    EXPECT_EQ(25 + 0 + 10000 + 65025, SquaredDifferenceSum(a.data(), b.data(), 4));
    EXPECT_EQ(0, SquaredDifferenceSum(nullptr, b.data(), 4));
}
