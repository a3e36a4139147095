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

TEST(AviStreamIndex, EntriesKeepOffsetsPastFourGibFullSizesAndTheirKeyFlags) {
    struct Want {
        uint64_t offset;
        uint32_t size;
        bool key;
    };
    // The key flag sits next to the offset's top bits: neither may leak into the other.
    const Want want[] = {{0x100000008ull, 0xFFFFFFFFu, true},
                         {(1ull << 62) + 3, 0x80000000u, false},
                         {0x7FFFFFFFFFFFFFF0ull, 0x7FFFFFFFu, true},
                         {0xFFFFFFFFull, 0, false},
                         {8, 1, true}};
    CAviStreamIndex index;
    for (const Want& w : want)
        index.Add(w.offset, w.size, w.key);
    ASSERT_EQ(index.ChunkCount(), std::size(want));
    uint64_t total = 0;
    for (size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(index.Chunk(i).offset, want[i].offset);
        EXPECT_EQ(index.Chunk(i).size, want[i].size);
        EXPECT_EQ(index.Chunk(i).key, want[i].key);
        total += want[i].size;
    }
    EXPECT_EQ(index.TotalBytes(), total);
}

namespace {
// Chunk sizes for a fixed-size stream: empty chunks alone and in runs, some
// of them at the edges of the byte-start table's blocks, odd sizes that split
// samples between chunks, and a few large ones.
std::vector<uint32_t> AudioChunkSizes() {
    std::vector<uint32_t> sizes;
    uint32_t x = 12345;
    const size_t block = CAviStreamIndex::kBlockChunks;
    for (size_t i = 0; i < 7 * block + 5; ++i) {
        x = x * 1103515245u + 12345u;
        uint32_t size = (x >> 16) % 37;
        if (i % 11 == 0)
            size = 0;
        if (i % block == block - 1 || i % block == 0 || i % block == 1)
            size = (i / block) % 2 == 0 ? 0 : size;
        if (i % 50 == 7)
            size = 4000 + (x >> 20) % 9;
        sizes.push_back(size);
    }
    sizes.push_back(0); // empty chunks after the last byte
    sizes.push_back(0);
    return sizes;
}
} // namespace

TEST(AviStreamIndex, FixedSizeSamplesAreFoundWhereAByteCountPutsThem) {
    const std::vector<uint32_t> sizes = AudioChunkSizes();
    for (uint32_t sampleSize : {1u, 4u, 6u}) {
        SCOPED_TRACE(sampleSize);
        CAviStreamIndex added(sampleSize);
        std::vector<AviPackedEntry> entries;
        uint64_t pos = 1000;
        for (uint32_t size : sizes) {
            added.Add(pos, size, true);
            entries.emplace_back(pos, size, true);
            pos += size + 8;
        }
        CAviStreamIndex assigned(sampleSize);
        assigned.Assign(std::move(entries));

        // Reference: walk every chunk's bytes; a sample lives in the last
        // chunk that starts at or before its first byte.
        std::vector<uint64_t> start;
        uint64_t total = 0;
        for (uint32_t size : sizes) {
            start.push_back(total);
            total += size;
        }
        const int64_t samples = static_cast<int64_t>(total / sampleSize);
        for (const CAviStreamIndex* index : {&added, &assigned}) {
            ASSERT_EQ(index->SampleCount(), samples);
            ASSERT_EQ(index->TotalBytes(), total);
            for (int64_t s = 0; s < samples; ++s) {
                const uint64_t byte = static_cast<uint64_t>(s) * sampleSize;
                size_t want = 0;
                for (size_t c = 0; c < start.size(); ++c)
                    if (start[c] <= byte)
                        want = c;
                size_t chunk = 0;
                uint32_t offset = 0;
                ASSERT_TRUE(index->Locate(s, chunk, offset)) << s;
                ASSERT_EQ(chunk, want) << "sample " << s;
                ASSERT_EQ(offset, byte - start[want]) << "sample " << s;
            }
            size_t chunk = 0;
            uint32_t offset = 0;
            EXPECT_FALSE(index->Locate(samples, chunk, offset));
        }
    }
}

TEST(AviStreamIndex, KeySearchIsTheSameWhetherKeysAreListedOrAllKeys) {
    // Each pattern: which chunks carry the key flag. Frame 0 counts as key
    // even unflagged; the first delta frame may come late.
    std::vector<std::vector<bool>> patterns;
    patterns.push_back(std::vector<bool>(70, true));
    std::vector<bool> lateDelta(70, true);
    for (size_t i = 45; i < 70; ++i)
        lateDelta[i] = i % 9 == 0;
    patterns.push_back(lateDelta);
    std::vector<bool> unflaggedFirst(70, true);
    unflaggedFirst[0] = false;
    patterns.push_back(unflaggedFirst);
    std::vector<bool> sparse(70, false);
    sparse[33] = true;
    patterns.push_back(sparse);
    for (size_t p = 0; p < patterns.size(); ++p) {
        SCOPED_TRACE("pattern " + std::to_string(p));
        const std::vector<bool>& flags = patterns[p];
        CAviStreamIndex added;
        std::vector<AviPackedEntry> entries;
        for (size_t i = 0; i < flags.size(); ++i) {
            added.Add(100 * i, 10, flags[i]);
            entries.emplace_back(100 * i, 10, flags[i]);
        }
        CAviStreamIndex assigned;
        assigned.Assign(std::move(entries));
        const int64_t n = static_cast<int64_t>(flags.size());
        auto isKey = [&](int64_t i) { return i == 0 || flags[static_cast<size_t>(i)]; };
        for (const CAviStreamIndex* index : {&added, &assigned}) {
            for (int64_t pos = -2; pos < n + 2; ++pos) {
                int64_t prev = -1, next = -1;
                for (int64_t i = std::min(pos, n - 1); i >= 0; --i)
                    if (isKey(i)) {
                        prev = i;
                        break;
                    }
                for (int64_t i = std::max<int64_t>(pos, 0); i < n; ++i)
                    if (isKey(i)) {
                        next = i;
                        break;
                    }
                EXPECT_EQ(index->FindSample(pos, FIND_PREV | FIND_KEY), prev) << pos;
                EXPECT_EQ(index->FindSample(pos, FIND_NEXT | FIND_KEY), next) << pos;
                EXPECT_EQ(index->IsKey(pos), pos >= 0 && pos < n && isKey(pos)) << pos;
            }
        }
    }
}
