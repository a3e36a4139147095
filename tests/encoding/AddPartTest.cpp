// Parts measured in real movies: times, compressed video bytes and the audio
// that plays meanwhile, checked against what ffprobe reads from the files.

#include "encoding/CEncodingList.h"
#include "encoding/CPartMarks.h"
#include "media/CAVIFile.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"

#include <gtest/gtest.h>

namespace {

// 10 seconds (250 frames) at 25 frames per second, key frames every 25,
// mono 16-bit PCM at 44100 Hz unless `audio` is false. The quantiser makes a
// large (2) or a small (25) encoding of the same frames.
std::string MakeEncoding(const CTempDir& dir, const std::string& name, int quantiser, bool audio = true) {
    std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25"};
    if (audio)
        args.insert(args.end(),
                    {"-f", "lavfi", "-i", "sine=f=440:sample_rate=44100", "-c:a", "pcm_s16le", "-ac", "1"});
    else
        args.push_back("-an");
    args.insert(args.end(), {"-t", "10", "-c:v", "msmpeg4", "-vtag", "DIV3", "-g", "25", "-sc_threshold",
                             "1000000000", "-q:v", std::to_string(quantiser), dir.File(name)});
    const CommandResult r = Ffmpeg(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir.File(name);
}

// Compressed bytes of frames start .. end-1 as ffprobe sees them.
int64_t ProbeVideoBytes(const std::string& path, int start, int end) {
    const std::vector<ProbePacket> packets = ProbePackets(path, "v:0");
    int64_t bytes = 0;
    for (int i = start; i < end && i < static_cast<int>(packets.size()); ++i)
        bytes += packets[static_cast<size_t>(i)].size;
    return bytes;
}

class AddPartTest : public ::testing::Test {
protected:
    // The movies are made once for all tests of the suite.
    static void SetUpTestSuite() {
        s_dir = new CTempDir;
        s_lowPath = MakeEncoding(*s_dir, "low.avi", 2);
        s_fastPath = MakeEncoding(*s_dir, "fast.avi", 25);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(m_low.Open(s_lowPath));
        ASSERT_TRUE(m_fast.Open(s_fastPath));
    }

    static inline CTempDir* s_dir = nullptr;
    static inline std::string s_lowPath;
    static inline std::string s_fastPath;
    CHostRecorder m_host;
    CAVIFile m_low{m_host};
    CAVIFile m_fast{m_host};
    CEncodingList m_list;
};

} // namespace

TEST_F(AddPartTest, MeasuresTimesVideoAndAudioInTheGivenFile) {
    ASSERT_EQ(m_list.AddPart(m_low, EPartEncoding::Low, 25, 75), 0);
    EncodingPart part;
    ASSERT_TRUE(m_list.GetRow(0, part));
    EXPECT_EQ(part.cells[COLUMN_START], "025"); // padded to the digits of 250
    EXPECT_EQ(part.cells[COLUMN_END], "75");
    EXPECT_EQ(part.cells[COLUMN_TIME], "00:00:01,000 - 00:00:03,000");
    EXPECT_EQ(part.cells[COLUMN_ENCODING], "Low Encoding");
    EXPECT_EQ(part.cells[COLUMN_VIDEO_SIZE], FormatPartSize(ProbeVideoBytes(s_lowPath, 25, 75)));
    EXPECT_EQ(part.cells[COLUMN_AUDIO_SIZE], "176,400 KBytes"); // 2 s of 44100 two-byte samples

    CEncodingList silent;
    CAVIFile noAudio(m_host);
    ASSERT_TRUE(noAudio.Open(MakeEncoding(*s_dir, "silent.avi", 2, false)));
    ASSERT_EQ(silent.AddPart(noAudio, EPartEncoding::Fast, 0, 10), 0);
    ASSERT_TRUE(silent.GetRow(0, part));
    EXPECT_EQ(part.cells[COLUMN_AUDIO_SIZE], "0,000 KBytes");

    CAVIFile closed(m_host);
    EXPECT_EQ(silent.AddPart(closed, EPartEncoding::Low, 0, 10), -1);
    EXPECT_EQ(silent.RowCount(), 1);
}

TEST_F(AddPartTest, EndOnTheLastFrameAndAddingTwiceAddsOnce) {
    CPartMarks marks;
    marks.SetStart(200);
    marks.SetEnd(249, m_low.GetLength());
    EXPECT_EQ(marks.GetEnd(), 250);
    marks.AddPart(m_list, m_low, EPartEncoding::Low);
    EXPECT_EQ(marks.GetStart(), 250);
    marks.AddPart(m_list, m_low, EPartEncoding::Low);
    ASSERT_EQ(m_list.RowCount(), 1);
    EncodingPart part;
    ASSERT_TRUE(m_list.GetRow(0, part));
    EXPECT_EQ(part.cells[COLUMN_START], "200");
    EXPECT_EQ(part.cells[COLUMN_END], "250");
    EXPECT_EQ(part.cells[COLUMN_VIDEO_SIZE], FormatPartSize(ProbeVideoBytes(s_lowPath, 200, 250)));
}

TEST_F(AddPartTest, ToggleMeasuresInTheOtherFileAndBack) {
    m_list.AddPart(m_low, EPartEncoding::Low, 50, 100);
    m_list.AddPart(m_low, EPartEncoding::Low, 0, 50);
    EncodingPart low;
    ASSERT_TRUE(m_list.GetRow(1, low));

    CPartMarks marks;
    marks.Toggle(m_list, 1, m_low, m_fast);
    EXPECT_EQ(marks.GetStart(), 50);
    EXPECT_EQ(marks.GetEnd(), 100);
    ASSERT_EQ(m_list.RowCount(), 2); // overwritten, not added
    EncodingPart fast;
    ASSERT_TRUE(m_list.GetRow(1, fast));
    EXPECT_EQ(fast.cells[COLUMN_ENCODING], "Fast Encoding");
    EXPECT_EQ(fast.cells[COLUMN_VIDEO_SIZE], FormatPartSize(ProbeVideoBytes(s_fastPath, 50, 100)));
    EXPECT_NE(fast.cells[COLUMN_VIDEO_SIZE], low.cells[COLUMN_VIDEO_SIZE]);
    EXPECT_EQ(fast.cells[COLUMN_TIME], low.cells[COLUMN_TIME]);

    marks.Toggle(m_list, 1, m_low, m_fast);
    EncodingPart back;
    ASSERT_TRUE(m_list.GetRow(1, back));
    EXPECT_EQ(back, low);

    marks.Toggle(m_list, 7, m_low, m_fast); // no row: marks to 0, nothing added
    EXPECT_EQ(marks.GetStart(), 0);
    EXPECT_EQ(marks.GetEnd(), 0);
    EXPECT_EQ(m_list.RowCount(), 2);
}
