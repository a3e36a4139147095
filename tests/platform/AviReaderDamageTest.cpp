// Damaged files: cut short, index removed or garbled, impossible sizes, bytes
// flipped. Each must open with a rebuilt index or fail with a reason; never
// crash, hang or read beyond the file (the tests run under ASan).

#include "AviReaderChecks.h"

#include "support/Ffprobe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {
size_t Find(const std::vector<uint8_t>& d, const std::string& s, size_t from = 0) {
    auto it = std::search(d.begin() + static_cast<long>(from), d.end(), s.begin(), s.end());
    return it == d.end() ? std::string::npos : static_cast<size_t>(it - d.begin());
}

uint32_t Get32(const std::vector<uint8_t>& d, size_t pos) {
    return static_cast<uint32_t>(d[pos] | (d[pos + 1] << 8) | (d[pos + 2] << 16)) |
           (static_cast<uint32_t>(d[pos + 3]) << 24);
}

void Put32(std::vector<uint8_t>& d, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        d[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

class AviReaderDamage : public ::testing::Test {
protected:
    void SetUp() override {
        // Video with empty chunks (MP3 muxing adds them) plus PCM would need
        // two files; one with DIV3 + PCM and one with XVID + MP3 cover both.
        m_path = m_dir.File("intact.avi");
        auto r = Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                         "sine=frequency=300:sample_rate=11025", "-t", "2", "-c:v", "msmpeg4", "-vtag",
                         "DIV3", "-g", "12", "-c:a", "pcm_s16le", m_path});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        m_bytes = ReadFileBytes(m_path);
        m_intact = DumpAvi(m_path);
        ASSERT_TRUE(m_intact.opened) << m_intact.error;
        ASSERT_FALSE(m_intact.report.indexRebuilt);
        m_idx1 = Find(m_bytes, "idx1");
        m_movi = Find(m_bytes, "movi");
        ASSERT_NE(m_idx1, std::string::npos);
        ASSERT_NE(m_movi, std::string::npos);
    }

    ReaderDump Open(const std::vector<uint8_t>& bytes) {
        const std::string path = m_dir.File("damaged.avi");
        WriteFileBytes(path, bytes);
        return DumpAvi(path);
    }

    // Without idx1, sizes consistent: a clean file that just lacks its index.
    std::vector<uint8_t> WithoutIdx1() const {
        std::vector<uint8_t> d(m_bytes.begin(), m_bytes.begin() + static_cast<long>(m_idx1));
        Put32(d, 4, static_cast<uint32_t>(d.size() - 8));
        return d;
    }

    // Each stream of `d` holds a prefix of what the intact file holds.
    void ExpectPrefixOfIntact(const ReaderDump& d) const {
        ASSERT_EQ(d.streams.size(), m_intact.streams.size());
        for (size_t s = 0; s < d.streams.size(); ++s) {
            const auto& got = d.streams[s];
            const auto& want = m_intact.streams[s];
            ASSERT_LE(got.sizes.size(), want.sizes.size());
            for (size_t i = 0; i < got.sizes.size(); ++i) {
                ASSERT_EQ(got.data[i], want.data[i]) << "stream " << s << " sample " << i;
                // The last frame of a cut file may lose its key flag from a
                // rebuilt index only if the codec check failed; it must not.
                ASSERT_EQ(got.keys[i], want.keys[i]) << "stream " << s << " sample " << i;
            }
            if (got.sizes.empty() && !got.data.empty()) { // fixed-size audio: one block
                ASSERT_LE(got.data[0].size(), want.data[0].size());
                ASSERT_TRUE(std::equal(got.data[0].begin(), got.data[0].end(), want.data[0].begin()));
            }
        }
    }

    CTempDir m_dir;
    std::string m_path;
    std::vector<uint8_t> m_bytes;
    ReaderDump m_intact;
    size_t m_idx1 = 0;
    size_t m_movi = 0;
};
} // namespace

TEST_F(AviReaderDamage, MissingIdx1ReadsLikeTheIntactFile) {
    const ReaderDump d = Open(WithoutIdx1());
    ExpectSameContent(m_intact, d);
    EXPECT_TRUE(d.report.indexRebuilt);
    EXPECT_FALSE(d.report.truncated);
    for (const auto& note : d.report.notes)
        EXPECT_EQ(note.find("skipped"), std::string::npos) << note;
}

TEST_F(AviReaderDamage, MissingIdx1WithEmptyChunksAndVbrAudio) {
    // MP3 muxing puts an empty chunk after the first frame; a lower input
    // rate passed through at 25/s leaves gaps that become empty chunks.
    const std::vector<std::vector<std::string>> movies{
        {"-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i", "sine=sample_rate=44100",
         "-t", "2", "-c:v", "mpeg4", "-vtag", "XVID", "-c:a", "libmp3lame", "-q:a", "6"},
        {"-f", "lavfi", "-i", "testsrc=size=96x64:rate=10", "-t", "2", "-fps_mode", "passthrough", "-r", "25",
         "-c:v", "msmpeg4", "-vtag", "DIV3"},
    };
    for (const auto& args : movies) {
        const std::string path = m_dir.File("empty.avi");
        std::vector<std::string> all = args;
        all.push_back(path);
        auto r = Ffmpeg(all);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const ReaderDump intact = DumpAvi(path);
        ASSERT_TRUE(intact.opened);
        ASSERT_TRUE(std::count(intact.streams[0].sizes.begin(), intact.streams[0].sizes.end(), 0) > 0)
            << "the test needs empty chunks";
        auto bytes = ReadFileBytes(path);
        bytes.resize(Find(bytes, "idx1"));
        Put32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
        const ReaderDump d = Open(bytes);
        ExpectSameContent(intact, d);
        EXPECT_TRUE(d.report.indexRebuilt);
    }
}

TEST_F(AviReaderDamage, GarbledIdx1IsNotTrusted) {
    std::mt19937 rng(7);
    // Random bytes over a few entries; offsets pointing elsewhere; a size of
    // 0xFFFFFFFF; an entry naming a stream the file does not have.
    std::vector<std::vector<uint8_t>> variants(4, m_bytes);
    for (size_t i = 0; i < 64; ++i)
        variants[0][m_idx1 + 8 + 16 * 20 + i] = static_cast<uint8_t>(rng());
    Put32(variants[1], m_idx1 + 8 + 16 * 30 + 8, Get32(variants[1], m_idx1 + 8 + 16 * 30 + 8) + 2);
    Put32(variants[2], m_idx1 + 8 + 16 * 40 + 12, 0xFFFFFFFFu);
    variants[3][m_idx1 + 8 + 16 * 50] = '7';
    for (size_t v = 0; v < variants.size(); ++v) {
        SCOPED_TRACE("variant " + std::to_string(v));
        const ReaderDump d = Open(variants[v]);
        ExpectSameContent(m_intact, d);
        EXPECT_TRUE(d.report.indexRebuilt);
    }
}

TEST_F(AviReaderDamage, CutFilesKeepEveryCompleteChunk) {
    std::vector<size_t> cuts;
    for (int percent = 1; percent < 100; ++percent)
        cuts.push_back(m_bytes.size() * static_cast<size_t>(percent) / 100);
    // Around every header boundary up to the first chunks of movi.
    for (size_t pos = 0; pos < m_movi + 64; ++pos) {
        const char c = static_cast<char>(m_bytes[pos]);
        if (c == 'L' || c == 'R' || c == 's' || c == 'a' || c == 'J' || c == 'm' || c == '0')
            for (size_t d : {0, 1, 4, 8, 9, 12})
                cuts.push_back(pos + d);
    }
    cuts.push_back(m_idx1);
    cuts.push_back(m_idx1 + 8);
    cuts.push_back(m_bytes.size() - 1);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    size_t opened = 0;
    for (size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const ReaderDump d =
            Open(std::vector<uint8_t>(m_bytes.begin(), m_bytes.begin() + static_cast<long>(cut)));
        if (!d.opened) {
            EXPECT_FALSE(d.error.empty());
            EXPECT_LT(cut, m_movi + 4) << d.error; // once movi has begun, the file opens
            continue;
        }
        ++opened;
        EXPECT_TRUE(d.report.truncated);
        ExpectPrefixOfIntact(d);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(opened, 90u);
    // Cut right before idx1: every chunk is there.
    const ReaderDump beforeIdx1 =
        Open(std::vector<uint8_t>(m_bytes.begin(), m_bytes.begin() + static_cast<long>(m_idx1)));
    ExpectSameContent(m_intact, beforeIdx1);
}

TEST_F(AviReaderDamage, ImpossibleSizesAndGarbageAreSkipped) {
    // A writer that died: RIFF and movi sizes never filled in.
    std::vector<uint8_t> unfinished = WithoutIdx1();
    Put32(unfinished, 4, 0xFFFFFFFFu);
    Put32(unfinished, m_movi - 4, 0xFFFFFFFFu);
    ReaderDump d = Open(unfinished);
    ExpectSameContent(m_intact, d);
    Put32(unfinished, m_movi - 4, 0);
    d = Open(unfinished);
    ExpectSameContent(m_intact, d);

    // Garbage between two chunks: the walk finds its way back.
    std::vector<uint8_t> garbage = WithoutIdx1();
    size_t pos = m_movi + 4; // the first chunk, then ten chunks on

    for (int i = 0; i < 10; ++i)
        pos += 8 + ((Get32(garbage, pos + 4) + 1) & ~1u);
    std::mt19937 rng(3);
    std::vector<uint8_t> junk(1000);
    for (auto& b : junk)
        b = static_cast<uint8_t>(rng());
    garbage.insert(garbage.begin() + static_cast<long>(pos), junk.begin(), junk.end());
    Put32(garbage, 4, static_cast<uint32_t>(garbage.size() - 8));
    Put32(garbage, m_movi - 4, Get32(garbage, m_movi - 4) + 1000);
    d = Open(garbage);
    ExpectSameContent(m_intact, d);

    // A chunk whose size is 0xFFFFFFFF: that chunk is lost, the rest is kept.
    std::vector<uint8_t> huge = WithoutIdx1();
    const uint32_t lostSize = Get32(huge, pos + 4);
    const bool lostIsVideo = huge[pos + 2] == 'd';
    Put32(huge, pos + 4, 0xFFFFFFFFu);
    d = Open(huge);
    ASSERT_TRUE(d.opened) << d.error;
    EXPECT_EQ(d.streams[0].sizes.size(), m_intact.streams[0].sizes.size() - (lostIsVideo ? 1 : 0));
    EXPECT_EQ(d.streams[1].data[0].size(), m_intact.streams[1].data[0].size() - (lostIsVideo ? 0 : lostSize));
}

TEST_F(AviReaderDamage, RandomByteFlipsNeverCrash) {
    std::mt19937 rng(12345);
    int opened = 0;
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> d = round % 2 ? m_bytes : WithoutIdx1();
        const int flips = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < flips; ++i) {
            // Half of the rounds aim at the headers, where damage matters most.
            const size_t limit = round % 4 < 2 ? m_movi + 256 : d.size();
            d[rng() % limit] ^= static_cast<uint8_t>(1 + rng() % 255);
        }
        const ReaderDump r = Open(d);
        if (r.opened)
            ++opened;
        else
            EXPECT_FALSE(r.error.empty());
    }
    EXPECT_GT(opened, 0);
}
