// The cell texts of a row and the total size text: every consumer reads
// these back, so their formats are checked to the byte.

#include "encoding/EncodingPart.h"
#include "encoding/CEncodingList.h"

#include <gtest/gtest.h>

TEST(EncodingPart, CellsHaveTheirFixedFormats) {
    const EncodingPart low =
        EncodingPart::Make(EPartEncoding::Low, 42, 1000, 12345, 12005, 0, 65040, 3723004);
    EXPECT_EQ(low.cells[COLUMN_START], "00042");
    EXPECT_EQ(low.cells[COLUMN_END], "1000");
    EXPECT_EQ(low.cells[COLUMN_TIME], "00:01:05,040 - 01:02:03,004");
    EXPECT_EQ(low.cells[COLUMN_ENCODING], "Low Encoding");
    EXPECT_EQ(low.cells[COLUMN_VIDEO_SIZE], "12,005 KBytes");
    EXPECT_EQ(low.cells[COLUMN_AUDIO_SIZE], "0,000 KBytes");
    EXPECT_EQ(low.GetStart(), 42);
    EXPECT_EQ(low.GetEnd(), 1000);
    EXPECT_TRUE(low.IsLow());

    const EncodingPart fast =
        EncodingPart::Make(EPartEncoding::Fast, 123456, 123457, 99, 5000000123LL, 999, 360000000, 360000040);
    EXPECT_EQ(fast.cells[COLUMN_START], "123456"); // padding never cuts digits
    EXPECT_EQ(fast.cells[COLUMN_TIME], "100:00:00,000 - 100:00:00,040");
    EXPECT_EQ(fast.cells[COLUMN_ENCODING], "Fast Encoding");
    EXPECT_EQ(fast.cells[COLUMN_VIDEO_SIZE], "5000000,123 KBytes"); // no digit grouping, 64-bit counts
    EXPECT_EQ(fast.cells[COLUMN_AUDIO_SIZE], "0,999 KBytes");
    EXPECT_FALSE(fast.IsLow());

    EXPECT_EQ(EncodingPart::Make(EPartEncoding::Low, 7, 8, 0, 1000000, 1, 0, 40).cells[COLUMN_START], "7");
    EXPECT_EQ(FormatPartSize(1234567), "1234,567 KBytes");
    EXPECT_EQ(FormatPartTime(59999), "00:00:59,999");
}

TEST(EncodingPart, CellsReadBackAsNumbers) {
    EXPECT_DOUBLE_EQ(ReadPartSize("12,005 KBytes"), 12.005);
    EXPECT_DOUBLE_EQ(ReadPartSize("5000000,123 KBytes"), 5000000.123);
    EXPECT_DOUBLE_EQ(ReadPartSize(""), 0.0);
    EXPECT_DOUBLE_EQ(ReadPartSize("none KBytes"), 0.0);

    EncodingPart empty; // what a missing row reads as
    EXPECT_EQ(empty.GetStart(), 0);
    EXPECT_EQ(empty.GetEnd(), 0);
    EXPECT_FALSE(empty.IsLow());
    EncodingPart edited;
    edited.cells[COLUMN_ENCODING] = "low";
    EXPECT_TRUE(edited.IsLow()); // compared in upper case
}

TEST(EncodingPart, TotalSizeTextCutsTheSixDecimalText) {
    EXPECT_EQ(CEncodingList::FormatTotalSize(999.9996), "999,999 KBytes"); // not rounded to 1000
    EXPECT_EQ(CEncodingList::FormatTotalSize(1234.5678), "1,234 MBytes");
    EXPECT_EQ(CEncodingList::FormatTotalSize(512.25), "512,250 KBytes");
    EXPECT_EQ(CEncodingList::FormatTotalSize(1000.0), "1,000 MBytes");
    EXPECT_EQ(CEncodingList::FormatTotalSize(0.0), "0,000 KBytes");
    EXPECT_EQ(CEncodingList::FormatTotalSize(4500000.0), "4500,000 MBytes");
}
