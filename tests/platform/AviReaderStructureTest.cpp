// Hand-made files with the structures real writers use at sizes ffmpeg will
// not produce in a test: OpenDML parts and indexes, 'rec ' lists, JUNK, odd
// chunk sizes, absolute idx1 offsets.

#include "AviReaderChecks.h"
#include "AviTestHeaders.h"

#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace {
struct HandMadeOptions {
    bool extensionPart = true; // a second frame group in 'RIFF AVIX'
    bool superIndex = true;    // 'indx' + 'ix##'
    bool idx1 = true;
    bool absoluteIdx1 = false;
    uint32_t audioSampleSize = 2; // the header's dwSampleSize; the format's block is 2
};

struct Placed {
    uint64_t dataPos;
    uint32_t size;
    bool key;
};

struct HandMade {
    std::vector<std::vector<uint8_t>> frames;
    std::vector<bool> keys;
    std::vector<uint8_t> audio; // all audio bytes in order
    std::vector<uint8_t> file;
};

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> d(n);
    for (size_t i = 0; i < n; ++i)
        d[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return d;
}

std::vector<uint8_t> VideoFormat() {
    std::vector<uint8_t> f(40, 0);
    f[0] = 40;
    f[4] = 4;  // width
    f[8] = 2;  // height
    f[12] = 1; // planes
    f[14] = 24;
    return f;
}

std::vector<uint8_t> AudioFormat() {
    // PCM, mono, 8000 Hz, 16 bit: block 2.
    return {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 0, 0};
}

void StdIndex(CRiffBuilder& r, const char* id, const char* chunkId, uint64_t base,
              const std::vector<Placed>& e) {
    r.BeginChunk(Fcc(id));
    r.Put16(2);
    r.Bytes().push_back(0);
    r.Bytes().push_back(1);
    r.Put32(static_cast<uint32_t>(e.size()));
    r.Put32(Fcc(chunkId));
    r.Put64(base);
    r.Put32(0);
    for (const auto& p : e) {
        r.Put32(static_cast<uint32_t>(p.dataPos - base));
        r.Put32(p.size | (p.key ? 0u : 0x80000000u));
    }
    r.EndChunk();
}

HandMade Build(const HandMadeOptions& o) {
    HandMade m;
    const int framesPart0 = 5, framesTotal = o.extensionPart ? 9 : 5;
    CRiffBuilder r;
    r.BeginList(Fcc("RIFF"), Fcc("AVI "));
    r.BeginList(Fcc("LIST"), Fcc("hdrl"));
    PutChunkAt(r, "avih", TestAvih(framesPart0, 2, 4, 2));
    size_t indxPos[2] = {0, 0};
    const char* types[2] = {"vids", "auds"};
    for (int s = 0; s < 2; ++s) {
        r.BeginList(Fcc("LIST"), Fcc("strl"));
        PutChunkAt(r, "strh",
                   s == 0 ? TestStrh(types[s], "DIB ", 1, 25, framesTotal, 0)
                          : TestStrh(types[s], "\0\0\0\0", 1, 8000, 0, o.audioSampleSize));
        PutChunkAt(r, "strf", s == 0 ? VideoFormat() : AudioFormat());
        PutChunkAt(r, "strn", {'s', 't', 'r', 'e', 'a', 'm', static_cast<uint8_t>('0' + s), 0});
        if (o.superIndex) {
            std::vector<uint8_t> indx(24 + 2 * 16, 0);
            indx[0] = 4;
            indx[4] = o.extensionPart ? 2 : 1;
            indxPos[s] = PutChunkAt(r, "indx", indx) + 8;
        }
        r.EndChunk();
    }
    r.BeginList(Fcc("LIST"), Fcc("odml"));
    std::vector<uint8_t> dmlh(248, 0);
    dmlh[0] = static_cast<uint8_t>(framesTotal);
    PutChunkAt(r, "dmlh", dmlh);
    r.EndChunk();
    r.EndChunk();
    PutChunkAt(r, "JUNK", Bytes(13, 1));

    std::vector<Placed> placed[2];
    std::vector<std::pair<size_t, std::string>> idx1Entries; // chunk header position, id
    size_t ixPos[2][2] = {{0, 0}, {0, 0}};
    int frame = 0, audioChunk = 0;
    auto addFrame = [&](size_t first) {
        const bool key = frame % 4 == 0;
        m.frames.push_back(Bytes(static_cast<size_t>(5 + frame), static_cast<uint8_t>(frame)));
        m.keys.push_back(key);
        const size_t h = PutChunkAt(r, "00db", m.frames.back());
        placed[0].push_back({h + 8, static_cast<uint32_t>(m.frames.back().size()), key});
        if (first == 0)
            idx1Entries.push_back({h, "00db"});
        ++frame;
    };
    auto addAudio = [&](size_t first) {
        const auto a = Bytes(static_cast<size_t>(9 + 2 * audioChunk), static_cast<uint8_t>(100 + audioChunk));
        m.audio.insert(m.audio.end(), a.begin(), a.end());
        const size_t h = PutChunkAt(r, "01wb", a);
        placed[1].push_back({h + 8, static_cast<uint32_t>(a.size()), true});
        if (first == 0)
            idx1Entries.push_back({h, "01wb"});
        ++audioChunk;
    };
    const size_t movi = r.Size();
    r.BeginList(Fcc("LIST"), Fcc("movi"));
    for (int i = 0; i < 4; ++i) {
        addFrame(0);
        addAudio(0);
    }
    const size_t rec = r.Size();
    r.BeginList(Fcc("LIST"), Fcc("rec "));
    idx1Entries.push_back({rec, "rec "});
    addFrame(0);
    addAudio(0);
    r.EndChunk();
    PutChunkAt(r, "JUNK", Bytes(3, 2));
    if (o.superIndex) {
        ixPos[0][0] = r.Size();
        StdIndex(r, "ix00", "00db", movi, placed[0]);
        ixPos[1][0] = r.Size();
        StdIndex(r, "ix01", "01wb", movi, placed[1]);
    }
    r.EndChunk();
    if (o.idx1) {
        r.BeginChunk(Fcc("idx1"));
        const uint64_t base = o.absoluteIdx1 ? 0 : movi + 8;
        for (const auto& [pos, id] : idx1Entries) {
            r.Put32(Fcc(id.c_str()));
            const bool isList = id == "rec ";
            const bool key = isList || id == "01wb" || (pos + 8 == placed[0][0].dataPos) ||
                             std::any_of(placed[0].begin(), placed[0].end(),
                                         [&](const Placed& p) { return p.dataPos == pos + 8 && p.key; });
            r.Put32((isList ? 0x01u : 0u) | (key ? 0x10u : 0u));
            r.Put32(static_cast<uint32_t>(pos - base));
            uint8_t sz[4];
            std::copy(r.Bytes().begin() + static_cast<long>(pos) + 4,
                      r.Bytes().begin() + static_cast<long>(pos) + 8, sz);
            r.Put32(static_cast<uint32_t>(sz[0] | (sz[1] << 8) | (sz[2] << 16) | (sz[3] << 24)));
        }
        r.EndChunk();
    }
    r.EndChunk();
    if (o.extensionPart) {
        r.BeginList(Fcc("RIFF"), Fcc("AVIX"));
        const size_t movi2 = r.Size();
        r.BeginList(Fcc("LIST"), Fcc("movi"));
        const size_t v0 = placed[0].size(), a0 = placed[1].size();
        for (int i = 0; i < 4; ++i) {
            addFrame(1);
            addAudio(1);
        }
        if (o.superIndex) {
            ixPos[0][1] = r.Size();
            StdIndex(r, "ix00", "00db", movi2,
                     std::vector<Placed>(placed[0].begin() + static_cast<long>(v0), placed[0].end()));
            ixPos[1][1] = r.Size();
            StdIndex(r, "ix01", "01wb", movi2,
                     std::vector<Placed>(placed[1].begin() + static_cast<long>(a0), placed[1].end()));
        }
        r.EndChunk();
        r.EndChunk();
    }
    if (o.superIndex) {
        for (int s = 0; s < 2; ++s) {
            for (int part = 0; part < (o.extensionPart ? 2 : 1); ++part) {
                Patch64(r, indxPos[s] + 24 + static_cast<size_t>(part) * 16, ixPos[s][part]);
                r.Patch32(indxPos[s] + 24 + static_cast<size_t>(part) * 16 + 8, 64);
            }
        }
    }
    m.file = r.Bytes();
    return m;
}

ReaderDump Open(const CTempDir& dir, const std::vector<uint8_t>& bytes) {
    const std::string path = dir.File("hand.avi");
    WriteFileBytes(path, bytes);
    return DumpAvi(path);
}

void ExpectContent(const ReaderDump& d, const HandMade& m, bool keysFromIndex) {
    ASSERT_TRUE(d.opened) << d.error;
    ASSERT_EQ(d.streams.size(), 2u);
    EXPECT_EQ(d.info.dwLength, m.frames.size());
    EXPECT_EQ(d.streams[0].data, m.frames);
    EXPECT_EQ(d.streams[0].info.szName, "stream0");
    if (keysFromIndex) {
        EXPECT_EQ(d.streams[0].keys, m.keys);
    } else {
        // Uncompressed video rebuilt from the data: every frame is key.
        EXPECT_EQ(d.streams[0].keys, std::vector<bool>(m.frames.size(), true));
    }
    const size_t whole = m.audio.size() - m.audio.size() % 2;
    EXPECT_EQ(d.streams[1].info.dwLength, whole / 2);
    ASSERT_EQ(d.streams[1].data.size(), 1u);
    EXPECT_EQ(d.streams[1].data[0],
              std::vector<uint8_t>(m.audio.begin(), m.audio.begin() + static_cast<long>(whole)));
}
} // namespace

TEST(AviReaderStructure, OpenDmlPartsAreReadThroughTheirIndexes) {
    CTempDir dir;
    const HandMade m = Build({});
    const ReaderDump d = Open(dir, m.file);
    ExpectContent(d, m, true);
    EXPECT_TRUE(d.report.opendml);
    EXPECT_FALSE(d.report.indexRebuilt);
    EXPECT_FALSE(d.report.truncated);
}

TEST(AviReaderStructure, OpenDmlWithoutUsableIndexIsWalked) {
    CTempDir dir;
    // No super index: idx1 covers only the first part, so the data is walked.
    HandMadeOptions noIndx;
    noIndx.superIndex = false;
    const HandMade m = Build(noIndx);
    ReaderDump d = Open(dir, m.file);
    ExpectContent(d, m, false);
    EXPECT_TRUE(d.report.indexRebuilt);

    // A super index entry that points into the frame data.
    HandMade broken = Build({});
    const std::string marker = "indx";
    auto it = std::search(broken.file.begin(), broken.file.end(), marker.begin(), marker.end());
    ASSERT_NE(it, broken.file.end());
    const size_t entry = static_cast<size_t>(it - broken.file.begin()) + 8 + 24;
    broken.file[entry] = static_cast<uint8_t>(broken.file[entry] + 3);
    d = Open(dir, broken.file);
    ExpectContent(d, broken, false);
    EXPECT_TRUE(d.report.indexRebuilt);
}

TEST(AviReaderStructure, Idx1RelativeAndAbsoluteWithRecListsAndPadding) {
    CTempDir dir;
    for (bool absolute : {false, true}) {
        SCOPED_TRACE(absolute ? "absolute" : "relative");
        HandMadeOptions o;
        o.extensionPart = false;
        o.superIndex = false;
        o.absoluteIdx1 = absolute;
        const HandMade m = Build(o);
        const ReaderDump d = Open(dir, m.file);
        ExpectContent(d, m, true);
        EXPECT_EQ(d.report.idx1Absolute, absolute);
        EXPECT_FALSE(d.report.indexRebuilt);
        EXPECT_FALSE(d.report.opendml);

        // The walk finds the same chunks (and keys, for this intra video).
        o.idx1 = false;
        const ReaderDump walked = Open(dir, Build(o).file);
        ExpectContent(walked, m, false);
        EXPECT_TRUE(walked.report.indexRebuilt);
        for (const auto& note : walked.report.notes)
            EXPECT_EQ(note.find("skipped"), std::string::npos) << note; // a clean walk, no resync
    }
}

TEST(AviReaderStructure, UnpaddedOddChunksAreFollowed) {
    CTempDir dir;
    HandMadeOptions o;
    o.extensionPart = false;
    o.superIndex = false;
    o.idx1 = false;
    const HandMade m = Build(o);
    std::vector<uint8_t> bytes = m.file;
    // Drop the pad byte behind the first frame (5 bytes) and fix the sizes of
    // the lists around it.
    const std::string first = "00db";
    const size_t pos = static_cast<size_t>(
        std::search(bytes.begin(), bytes.end(), first.begin(), first.end()) - bytes.begin());
    ASSERT_EQ(bytes[pos + 4], 5);
    bytes.erase(bytes.begin() + static_cast<long>(pos + 13));
    const std::string movi = "movi";
    const size_t moviSize =
        static_cast<size_t>(std::search(bytes.begin(), bytes.end(), movi.begin(), movi.end()) -
                            bytes.begin()) -
        4;
    bytes[moviSize] = static_cast<uint8_t>(bytes[moviSize] - 1);
    bytes[4] = static_cast<uint8_t>(bytes[4] - 1);
    const ReaderDump d = Open(dir, bytes);
    ExpectContent(d, m, false);
}

TEST(AviReaderStructure, PcmSamplesAreBlocksOfTheFormat) {
    // A header that counts PCM in bytes: samples are still 2-byte blocks, so
    // lengths and reads agree with nBlockAlign.
    CTempDir dir;
    HandMadeOptions o;
    o.extensionPart = false;
    o.superIndex = false;
    o.audioSampleSize = 1;
    const HandMade m = Build(o);
    const ReaderDump d = Open(dir, m.file);
    ExpectContent(d, m, true);
    EXPECT_EQ(d.streams[1].info.dwSampleSize, 2u);
}
