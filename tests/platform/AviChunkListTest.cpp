// The chunk list's checks against the file: the overlap test sees chunks of
// different streams and streams whose index is not in file order, and the
// header spot checks reach every stream.

#include "AviTestHeaders.h"

#include "platform/CAviChunkList.h"
#include "platform/CReadOnlyFile.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <functional>

namespace {
struct Placed {
    uint64_t dataPos;
    uint32_t size;
};

// A movi list of video ("00dc") and audio ("01wb") chunks in turns; `placed`
// gets each stream's chunks in file order.
class AviChunkList : public ::testing::Test {
protected:
    void SetUp() override {
        CRiffBuilder r;
        r.Put32(Fcc("LIST"));
        r.Put32(0);
        r.Put32(Fcc("movi"));
        for (int i = 0; i < 40; ++i) {
            const std::vector<uint8_t> video(static_cast<size_t>(20 + i % 7), 0x11);
            const std::vector<uint8_t> audio(static_cast<size_t>(10 + i % 3), 0x22);
            m_placed[0].push_back({PutChunkAt(r, "00dc", video) + 8, static_cast<uint32_t>(video.size())});
            m_placed[1].push_back({PutChunkAt(r, "01wb", audio) + 8, static_cast<uint32_t>(audio.size())});
        }
        r.Patch32(4, static_cast<uint32_t>(r.Size() - 8));
        WriteFileBytes(m_dir.File("movi.bin"), r.Bytes());
        std::string error;
        ASSERT_TRUE(m_file.Open(m_dir.File("movi.bin"), &error)) << error;
        AviMoviList movi;
        movi.fccPos = 8;
        movi.dataStart = 12;
        movi.end = r.Size();
        m_movis.push_back(movi);
    }

    // Stream by stream, as OpenDML indexes list them; `order` permutes each
    // stream's chunks, `alter` may change the entry of one chunk.
    CAviChunkList Listed(const std::vector<size_t>& order = {},
                         const std::function<void(uint16_t, size_t, Placed&)>& alter = {}) const {
        CAviChunkList list(2, 1000);
        for (uint16_t s = 0; s < 2; ++s) {
            const auto& placed = m_placed[s];
            for (size_t i = 0; i < placed.size(); ++i) {
                Placed p = placed[order.empty() ? i : order[i]];
                if (alter)
                    alter(s, i, p);
                EXPECT_TRUE(list.Add({p.dataPos, p.size, s, true}));
            }
        }
        return list;
    }

    bool Valid(const CAviChunkList& list, std::string* why) const {
        return list.Validate(m_file, m_movis, why);
    }

    CTempDir m_dir;
    std::vector<Placed> m_placed[2];
    CReadOnlyFile m_file;
    std::vector<AviMoviList> m_movis;
};
} // namespace

TEST_F(AviChunkList, StreamsListedOneAfterTheOtherOrOutOfFileOrderPass) {
    std::string why;
    CAviChunkList list = Listed();
    EXPECT_TRUE(Valid(list, &why)) << why;
    EXPECT_EQ(list.Size(), 80u);
    EXPECT_EQ(list.LastEnd(), m_placed[1].back().dataPos + m_placed[1].back().size);

    std::vector<size_t> reversed;
    for (size_t i = 40; i-- > 0;)
        reversed.push_back(i);
    list = Listed(reversed);
    EXPECT_TRUE(Valid(list, &why)) << why;
    // Handed over in the index's order, not the file's.
    const std::vector<AviPackedEntry> video = list.TakeStream(0);
    ASSERT_EQ(video.size(), 40u);
    EXPECT_EQ(video.front().Offset(), m_placed[0].back().dataPos);
    EXPECT_EQ(list.Size(), 40u);
}

TEST_F(AviChunkList, OverlapsAcrossStreamsAndWithinAnUnorderedStreamAreFound) {
    std::string why;
    // An audio entry moved onto the video chunk before it.
    CAviChunkList list = Listed({}, [&](uint16_t s, size_t i, Placed& p) {
        if (s == 1 && i == 25)
            p.dataPos = m_placed[0][25].dataPos + 4;
    });
    EXPECT_FALSE(Valid(list, &why));
    EXPECT_NE(why.find("overlapping"), std::string::npos) << why;

    // A stream out of file order that lists one chunk twice.
    std::vector<size_t> order;
    for (size_t i = 40; i-- > 0;)
        order.push_back(i == 3 ? 30 : i);
    list = Listed(order);
    EXPECT_FALSE(Valid(list, &why));
    EXPECT_NE(why.find("overlapping"), std::string::npos) << why;
}

TEST_F(AviChunkList, EveryStreamIsSpotCheckedAndEntriesStayInTheirBounds) {
    std::string why;
    // The last audio entry one byte short: its header does not match.
    const CAviChunkList list = Listed({}, [](uint16_t s, size_t i, Placed& p) {
        if (s == 1 && i == 39)
            --p.size;
    });
    EXPECT_FALSE(Valid(list, &why));
    EXPECT_NE(why.find("stream 1"), std::string::npos) << why;

    // Beyond the maximum, for a stream the list lacks, past any file position.
    CAviChunkList small(2, 3);
    EXPECT_TRUE(small.Add({100, 1, 0, true}));
    EXPECT_FALSE(small.Add({200, 1, 2, true}));
    EXPECT_FALSE(small.Add({1ull << 63, 1, 1, true}));
    EXPECT_TRUE(small.Add({300, 1, 1, true}));
    EXPECT_TRUE(small.Add({400, 1, 1, true}));
    EXPECT_FALSE(small.Add({500, 1, 1, true}));
    EXPECT_EQ(small.Size(), 3u);
}
