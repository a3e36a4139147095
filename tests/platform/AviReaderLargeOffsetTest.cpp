// A file beyond 4 GiB, kept small on disk: its middle RIFF parts hold only
// JUNK that is never written (a sparse file), so the frames of the last part
// and their OpenDML index lie past the 32-bit range.

#include "AviReaderChecks.h"
#include "AviTestHeaders.h"

#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
constexpr uint32_t kJunk = 0xF0000000u; // 3.75 GiB of nothing per filler part

struct Placed {
    uint64_t dataPos;
    uint32_t size;
};

std::vector<uint8_t> Frame(int i) {
    return std::vector<uint8_t>(static_cast<size_t>(6 + i), static_cast<uint8_t>(0x40 + i));
}

void StdIndex(CRiffBuilder& r, uint64_t base, const std::vector<Placed>& entries) {
    r.BeginChunk(Fcc("ix00"));
    r.Put16(2);
    r.Bytes().push_back(0);
    r.Bytes().push_back(1);
    r.Put32(static_cast<uint32_t>(entries.size()));
    r.Put32(Fcc("00db"));
    r.Put64(base);
    r.Put32(0);
    for (const auto& e : entries) {
        r.Put32(static_cast<uint32_t>(e.dataPos - base));
        r.Put32(e.size);
    }
    r.EndChunk();
}

void WriteAt(std::fstream& f, uint64_t pos, const std::vector<uint8_t>& bytes) {
    f.seekp(static_cast<std::streamoff>(pos));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A RIFF AVIX part whose movi holds one JUNK chunk of kJunk bytes.
std::vector<uint8_t> FillerHeader() {
    CRiffBuilder r;
    r.Put32(Fcc("RIFF"));
    r.Put32(4 + 12 + 8 + kJunk);
    r.Put32(Fcc("AVIX"));
    r.Put32(Fcc("LIST"));
    r.Put32(4 + 8 + kJunk);
    r.Put32(Fcc("movi"));
    r.Put32(Fcc("JUNK"));
    r.Put32(kJunk);
    return r.Bytes();
}
} // namespace

TEST(AviReaderLargeOffset, FramesBeyondFourGibAreFoundByIndexAndByWalk) {
    CTempDir dir;
    const std::string path = dir.File("large.avi");
    for (bool breakIndex : {false, true}) {
        SCOPED_TRACE(breakIndex ? "walked" : "indexed");
        // First part: headers and frames 0..2.
        CRiffBuilder a;
        a.BeginList(Fcc("RIFF"), Fcc("AVI "));
        a.BeginList(Fcc("LIST"), Fcc("hdrl"));
        PutChunkAt(a, "avih", TestAvih(3, 1, 2, 1));
        a.BeginList(Fcc("LIST"), Fcc("strl"));
        PutChunkAt(a, "strh", TestStrh("vids", "DIB ", 1, 25, 6, 0));
        std::vector<uint8_t> bih(40, 0);
        bih[0] = 40;
        bih[4] = 2;
        bih[8] = 1;
        bih[12] = 1;
        bih[14] = 24;
        PutChunkAt(a, "strf", bih);
        std::vector<uint8_t> indx(24 + 2 * 16, 0);
        indx[0] = 4;
        indx[4] = 2;
        indx[8] = '0', indx[9] = '0', indx[10] = 'd', indx[11] = 'b';
        const size_t indxData = PutChunkAt(a, "indx", indx) + 8;
        a.EndChunk();
        a.EndChunk();
        const size_t movi = a.Size();
        a.BeginList(Fcc("LIST"), Fcc("movi"));
        std::vector<Placed> first;
        for (int i = 0; i < 3; ++i)
            first.push_back({PutChunkAt(a, "00db", Frame(i)) + 8, static_cast<uint32_t>(Frame(i).size())});
        const size_t ix0 = a.Size();
        StdIndex(a, movi + 8, first);
        a.EndChunk();
        a.EndChunk();

        // Two filler parts, then the last part with frames 3..5 past 7 GiB.
        const std::vector<uint8_t> filler = FillerHeader();
        const uint64_t fillerSize = filler.size() + kJunk;
        const uint64_t lastPos = a.Size() + 2 * fillerSize;
        CRiffBuilder c;
        c.BeginList(Fcc("RIFF"), Fcc("AVIX"));
        const size_t movi2 = c.Size();
        c.BeginList(Fcc("LIST"), Fcc("movi"));
        std::vector<Placed> last;
        for (int i = 3; i < 6; ++i)
            last.push_back(
                {lastPos + PutChunkAt(c, "00db", Frame(i)) + 8, static_cast<uint32_t>(Frame(i).size())});
        const uint64_t ix1 = lastPos + c.Size();
        StdIndex(c, lastPos + movi2 + 8, last);
        c.EndChunk();
        c.EndChunk();

        Patch64(a, indxData + 24, ix0);
        a.Patch32(indxData + 24 + 8, 64);
        Patch64(a, indxData + 40, breakIndex ? ix1 + 4 : ix1);
        a.Patch32(indxData + 40 + 8, 64);

        {
            std::fstream f(path, std::ios::binary | std::ios::out | std::ios::trunc);
            WriteAt(f, 0, a.Bytes());
            WriteAt(f, a.Size(), filler);
            WriteAt(f, a.Size() + fillerSize, filler);
            WriteAt(f, lastPos, c.Bytes());
            ASSERT_TRUE(f.good());
        }
        ASSERT_GT(std::filesystem::file_size(path), 7ull << 30);

        const ReaderDump d = DumpAvi(path);
        ASSERT_TRUE(d.opened) << d.error;
        EXPECT_EQ(d.report.indexRebuilt, breakIndex);
        ASSERT_EQ(d.streams.size(), 1u);
        ASSERT_EQ(d.streams[0].data.size(), 6u);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(d.streams[0].data[static_cast<size_t>(i)], Frame(i)) << "frame " << i;
        EXPECT_EQ(d.info.dwLength, 6u);
    }
}
