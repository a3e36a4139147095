// Sample/time conversion and the per-stream chunk index the reader and the
// writer share.

#include "platform/AviTime.h"
#include "platform/AviTypes.h"
#include "platform/CAviStreamIndex.h"

#include <gtest/gtest.h>

#include <climits>

TEST(AviTime, VideoRoundsDownAudioRoundsUp) {
    // 25 frames/s.
    EXPECT_EQ(AviSampleToTime(25, 1, 0, 100, 25), 1000);
    EXPECT_EQ(AviSampleToTime(25, 1, 0, 100, 1), 40);
    EXPECT_EQ(AviTimeToSample(25, 1, 0, 100, 1039), 25);
    EXPECT_EQ(AviTimeToSample(25, 1, 0, 100, 1040), 26);
    // NTSC 30000/1001: frame 1 starts at 33.37 ms.
    EXPECT_EQ(AviSampleToTime(30000, 1001, 0, 100, 1), 33);
    EXPECT_EQ(AviTimeToSample(30000, 1001, 0, 100, 33), 0);
    EXPECT_EQ(AviTimeToSample(30000, 1001, 0, 100, 34), 1);
    // 44100 samples/s: a time maps to the sample that covers it.
    EXPECT_EQ(AviSampleToTime(44100, 1, 0, 1000000, 1), 1);
    EXPECT_EQ(AviSampleToTime(44100, 1, 0, 1000000, 44100), 1000);
    EXPECT_EQ(AviSampleToTime(44100, 1, 0, 1000000, 44101), 1001);
    EXPECT_EQ(AviTimeToSample(44100, 1, 0, 1000000, 1), 45);
    EXPECT_EQ(AviTimeToSample(44100, 1, 0, 1000000, 1000), 44100);
}

TEST(AviTime, ClampsToTheStreamAndKeepsPrecisionOnLongMovies) {
    EXPECT_EQ(AviSampleToTime(25, 1, 0, 100, -5), 0);
    EXPECT_EQ(AviSampleToTime(25, 1, 0, 100, 1000), 4000);
    EXPECT_EQ(AviTimeToSample(25, 1, 0, 100, -1), 0);
    EXPECT_EQ(AviTimeToSample(25, 1, 0, 100, 1000000), 100);
    EXPECT_EQ(AviTimeToSample(25, 1, 10, 100, 0), 10);
    // Four hours of 29.97 video and of 48 kHz audio, to the millisecond.
    EXPECT_EQ(AviSampleToTime(30000, 1001, 0, 500000, 431568), 14399985);
    EXPECT_EQ(AviTimeToSample(30000, 1001, 0, 500000, 14400000), 431568);
    EXPECT_EQ(AviSampleToTime(48000, 1, 0, INT32_MAX, 691200000), 14400000);
    // Headers with zero or extreme values: no division by zero, no overflow.
    EXPECT_EQ(AviSampleToTime(0, 1, 0, 100, 5), 0);
    EXPECT_EQ(AviTimeToSample(25, 0, 0, 100, 5), 0);
    EXPECT_EQ(AviSampleToTime(1, UINT32_MAX, 0, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(AviTimeToSample(UINT32_MAX, 1, 0, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(AviTimeToSample(1, UINT32_MAX, 0, INT32_MAX, INT32_MAX), 0);
}

TEST(AviStreamIndex, KeyFrameSearchIncludesItsStartAndStopsAtBothEnds) {
    CAviStreamIndex index;
    // 25 frames; keys at 10 and 20; frame 0 unflagged still counts as key.
    for (int i = 0; i < 25; ++i)
        index.Add(static_cast<uint64_t>(i) * 100, i == 7 ? 0 : 50, i == 10 || i == 20);
    EXPECT_EQ(index.SampleCount(), 25);
    const uint32_t prev = FIND_PREV | FIND_KEY, next = FIND_NEXT | FIND_KEY;
    EXPECT_EQ(index.FindSample(0, prev), 0);
    EXPECT_EQ(index.FindSample(9, prev), 0);
    EXPECT_EQ(index.FindSample(10, prev), 10);
    EXPECT_EQ(index.FindSample(24, prev), 20);
    EXPECT_EQ(index.FindSample(-1, prev), -1);
    EXPECT_EQ(index.FindSample(10, next), 10);
    EXPECT_EQ(index.FindSample(11, next), 20);
    EXPECT_EQ(index.FindSample(21, next), -1);
    EXPECT_EQ(index.FindSample(25, next), -1);
    EXPECT_EQ(index.FindSample(-3, next), 0);
    EXPECT_EQ(index.FindSample(13, FIND_PREV | FIND_ANY), 13);
    EXPECT_TRUE(index.IsKey(0));
    EXPECT_FALSE(index.IsKey(7)); // an empty chunk is a frame, not a key frame
    size_t chunk = 0;
    uint32_t offset = 1;
    ASSERT_TRUE(index.Locate(7, chunk, offset));
    EXPECT_EQ(chunk, 7u);
    EXPECT_EQ(offset, 0u);
    EXPECT_FALSE(index.Locate(25, chunk, offset));

    CAviStreamIndex empty;
    EXPECT_EQ(empty.FindSample(0, prev), -1);
    EXPECT_EQ(empty.FindSample(0, next), -1);
}

TEST(AviStreamIndex, FixedSizeSamplesSpanChunksAndAreAllKeys) {
    CAviStreamIndex index(4);
    index.Add(1000, 10, false); // samples 0, 1 and half of 2
    index.Add(2000, 0, false);  // empty: owns no sample
    index.Add(3000, 6, false);  // rest of 2, then 3
    index.Add(4000, 9, false);  // 4, 5 and one stray byte
    EXPECT_EQ(index.TotalBytes(), 25u);
    EXPECT_EQ(index.SampleCount(), 6);
    size_t chunk = 0;
    uint32_t offset = 0;
    ASSERT_TRUE(index.Locate(2, chunk, offset));
    EXPECT_EQ(chunk, 0u);
    EXPECT_EQ(offset, 8u);
    ASSERT_TRUE(index.Locate(3, chunk, offset));
    EXPECT_EQ(chunk, 2u);
    EXPECT_EQ(offset, 2u);
    ASSERT_TRUE(index.Locate(5, chunk, offset));
    EXPECT_EQ(chunk, 3u);
    EXPECT_EQ(offset, 4u);
    EXPECT_FALSE(index.Locate(6, chunk, offset));
    EXPECT_EQ(index.FindSample(3, FIND_PREV | FIND_KEY), 3);
    EXPECT_EQ(index.FindSample(3, FIND_NEXT | FIND_KEY), 3);
    EXPECT_EQ(index.FindSample(6, FIND_NEXT | FIND_KEY), -1);
    EXPECT_TRUE(index.IsKey(5));
}
