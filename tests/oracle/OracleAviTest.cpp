// The oracle on real AVI files made by ffmpeg: two encodings of one clip with
// key frames every 25 frames, LOW at high quality and FAST at low quality.

#include "encoding/CEncodingList.h"
#include "oracle/CEncodingListSink.h"
#include "oracle/COracle.h"
#include "oracle/FrameMeasure.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include "CRecordingListSink.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 96;
constexpr int kFrames = 60;

class OracleAvi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir;
        const std::vector<std::string> clip{
            "-f", "lavfi", "-i", "testsrc2=size=160x96:rate=25", "-frames:v", std::to_string(kFrames)};
        auto encode = [&](const std::string& name, std::vector<std::string> codec) {
            std::vector<std::string> args = clip;
            args.insert(args.end(), codec.begin(), codec.end());
            args.push_back(s_dir->File(name));
            const CommandResult r = Ffmpeg(args);
            ASSERT_EQ(0, r.exitCode) << r.err;
        };
        const std::vector<std::string> keys{"-bf",
                                            "0",
                                            "-g",
                                            "1000",
                                            "-sc_threshold",
                                            "1000000000",
                                            "-force_key_frames",
                                            "expr:eq(mod(n,25),0)"};
        std::vector<std::string> low{"-c:v", "mpeg4", "-q:v", "2"};
        low.insert(low.end(), keys.begin(), keys.end());
        std::vector<std::string> fast{"-c:v", "mpeg4", "-q:v", "31"};
        fast.insert(fast.end(), keys.begin(), keys.end());
        encode("low.avi", low);
        encode("fast.avi", fast);
        encode("source.avi", {"-c:v", "ffv1"});
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(oracle.GetFiles().OpenLow(s_dir->File("low.avi")));
        ASSERT_TRUE(oracle.GetFiles().OpenFast(s_dir->File("fast.avi")));
        oracle.SetListSink(&sink);
    }

    static std::vector<std::vector<uint8_t>> DecodeWithFfmpeg(const std::string& path) {
        return FfmpegFramesBottomUp(path, kWidth, kHeight);
    }

    static CTempDir* s_dir;
    CHostRecorder host;
    CRecordingListSink sink;
    COracle oracle{host};
};

CTempDir* OracleAvi::s_dir = nullptr;

} // namespace

TEST_F(OracleAvi, AgainstTheSourceTheBetterEncodingWins) {
    ASSERT_TRUE(oracle.GetFiles().OpenSource(s_dir->File("source.avi")));
    oracle.SetUseSourceMovie(true);
    const std::string path = s_dir->File("source_oracle.dat");
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    EXPECT_TRUE(host.Messages().empty());

    const auto& list = oracle.GetIntervals();
    ASSERT_EQ(3u, list.size());
    for (size_t k = 0; k < list.size(); ++k) {
        EXPECT_EQ(int32_t(25 * k), list[k].start);
        EXPECT_LT(list[k].lowValue, list[k].fastValue);
        EXPECT_GT(list[k].lowBytes, list[k].fastBytes);
    }
    EXPECT_EQ(kFrames, list.back().end);
    const std::vector<CRecordingListSink::Run> allLow{{true, 0, kFrames}};
    EXPECT_EQ(allLow, sink.m_runs);
    EXPECT_EQ(48u, std::filesystem::file_size(path));

    // A size limit below LOW's size moves every interval to the smaller FAST;
    // the encoding list gets one row measured in the FAST movie.
    CEncodingList encodingList;
    CEncodingListSink listSink(encodingList, oracle.GetFiles().GetLowFile(), oracle.GetFiles().GetFastFile());
    oracle.SetListSink(&listSink);
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, true, 1.0));
    EXPECT_EQ("Reached minimal size!", host.StatusTexts().back());
    const std::vector<EncodingPart> rows = encodingList.Rows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("00", rows[0].cells[COLUMN_START]);
    EXPECT_EQ(std::to_string(kFrames), rows[0].cells[COLUMN_END]);
    EXPECT_EQ("Fast Encoding", rows[0].cells[COLUMN_ENCODING]);
    int64_t fastBytes = 0;
    for (const OracleInterval& i : oracle.GetIntervals()) {
        fastBytes += i.fastBytes;
    }
    EXPECT_EQ(FormatPartSize(fastBytes), rows[0].cells[COLUMN_VIDEO_SIZE]);
}

TEST_F(OracleAvi, DetailValuesAgreeWithAnIndependentDecode) {
    const std::string path = s_dir->File("detail_oracle.dat");
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    EXPECT_TRUE(host.Messages().empty());
    const auto lowFrames = DecodeWithFfmpeg(s_dir->File("low.avi"));
    const auto fastFrames = DecodeWithFfmpeg(s_dir->File("fast.avi"));
    ASSERT_EQ(size_t(kFrames), lowFrames.size());
    ASSERT_EQ(size_t(kFrames), fastFrames.size());

    const auto& list = oracle.GetIntervals();
    ASSERT_EQ(3u, list.size());
    for (const OracleInterval& interval : list) {
        double lowValue = 0.0;
        double fastValue = 0.0;
        const double n = interval.end - interval.start;
        for (int32_t f = interval.start; f < interval.end; ++f) {
            const auto& l = lowFrames[size_t(f)];
            const auto& x = fastFrames[size_t(f)];
            lowValue += double(DetailSum(x.data(), int64_t(x.size()), kWidth, kHeight)) / n;
            fastValue += double(DetailSum(l.data(), int64_t(l.size()), kWidth, kHeight)) / n;
        }
        // Our decoder and ffmpeg's may round a colour conversion differently.
        EXPECT_NEAR(lowValue, interval.lowValue, lowValue * 0.01) << interval.start;
        EXPECT_NEAR(fastValue, interval.fastValue, fastValue * 0.01) << interval.start;
    }
}

// Each movie decoded ahead on its own thread writes the same oracle file, byte
// for byte, as decoding every frame one after the other; with and without the
// source, and at a precision that skips frames.
TEST_F(OracleAvi, ReadAheadWritesTheSameOracleFileAsOneThread) {
    ASSERT_TRUE(oracle.GetFiles().OpenSource(s_dir->File("source.avi")));
    for (const bool useSource : {false, true}) {
        for (const int precision : {1, 3}) {
            std::vector<std::vector<uint8_t>> files;
            for (const bool parallel : {false, true}) {
                oracle.SetUseSourceMovie(useSource);
                oracle.SetPrecisionMode(precision);
                oracle.SetParallelDecoding(parallel);
                const std::string path = s_dir->File("ahead" + std::to_string(parallel) + ".dat");
                std::filesystem::remove(path);
                ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
                files.push_back(ReadFileBytes(path));
            }
            EXPECT_EQ(48u, files[0].size());
            EXPECT_EQ(files[0], files[1]) << "source " << useSource << ", precision " << precision;
        }
    }
    EXPECT_TRUE(host.Messages().empty());
}
