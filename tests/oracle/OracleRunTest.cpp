#include "oracle/COracle.h"
#include "oracle/COracleFile.h"
#include "oracle/FrameMeasure.h"
#include "support/CHostRecorder.h"
#include "support/TestUtil.h"

#include "CFakeOracleMedia.h"
#include "CRecordingListSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

// A picture that changes with the frame number and differs between movies.
CFakeOracleMedia::Painter Pattern(int seed) {
    return [seed](int32_t frame, std::vector<uint8_t>& pixels) {
        uint32_t x = uint32_t(frame) * 2654435761u + uint32_t(seed) * 40503u + 1;
        for (uint8_t& b : pixels) {
            x = x * 1664525u + 1013904223u;
            b = uint8_t(x >> (24 - seed % 8));
        }
    };
}

class OracleRun : public ::testing::Test {
protected:
    OracleRun() {
        low.SetKeyFrames({0, 4, 7});
        fast.SetKeyFrames({0, 4, 7});
        oracle.SetInputs(&low, &fast, &source);
        oracle.SetListSink(&sink);
    }

    std::vector<double> FileValues(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        std::vector<double> values(bytes.size() / 8);
        std::memcpy(values.data(), bytes.data(), values.size() * 8); // the test host is little-endian
        return values;
    }

    CTempDir dir;
    CHostRecorder host;
    CFakeOracleMedia low{10, 16, 8, Pattern(1)};
    CFakeOracleMedia fast{10, 16, 8, Pattern(2)};
    CFakeOracleMedia source{10, 16, 8, Pattern(3)};
    CRecordingListSink sink;
    COracle oracle{host};
};

} // namespace

TEST_F(OracleRun, IntervalsAreCutAtTheLowKeyFrames) {
    for (int32_t f = 0; f < 10; ++f) {
        low.SetFrameBytes(f, 100 + f);
        fast.SetFrameBytes(f, 10);
    }
    low.SetAudioBytesPerFrame(4);
    // FAST's own key frames play no part.
    fast.SetKeyFrames({0, 5});
    ASSERT_TRUE(oracle.RunJob(dir.File("a.dat"), 0, 0, false, 0));
    const auto& list = oracle.GetIntervals();
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ(0, list[0].start);
    EXPECT_EQ(4, list[0].end);
    EXPECT_EQ(4, list[1].start);
    EXPECT_EQ(7, list[1].end);
    EXPECT_EQ(7, list[2].start);
    EXPECT_EQ(10, list[2].end);
    EXPECT_EQ(100 + 101 + 102 + 103, list[0].lowBytes);
    EXPECT_EQ(30, list[1].fastBytes);
    EXPECT_EQ(12, list[2].audioBytes);
    EXPECT_EQ("Waiting!", host.StatusTexts().back());

    // Frame 0 starts the first interval even when it is no key frame; a
    // single key frame gives one interval over the whole movie.
    low.SetKeyFrames({6});
    ASSERT_TRUE(oracle.RunJob(dir.File("b.dat"), 0, 0, false, 0));
    ASSERT_EQ(2u, oracle.GetIntervals().size());
    EXPECT_EQ(6, oracle.GetIntervals()[0].end);
    low.SetKeyFrames({0});
    ASSERT_TRUE(oracle.RunJob(dir.File("c.dat"), 0, 0, false, 0));
    ASSERT_EQ(1u, oracle.GetIntervals().size());
    EXPECT_EQ(10, oracle.GetIntervals()[0].end);
}

TEST_F(OracleRun, EmptyMovieGivesAnEmptyList) {
    CFakeOracleMedia empty(0, 16, 8);
    oracle.SetInputs(&empty, &fast, nullptr);
    sink.m_runs.push_back({true, 0, 5}); // an old row
    ASSERT_TRUE(oracle.RunJob(dir.File("e.dat"), 0, 0, false, 0));
    EXPECT_TRUE(oracle.GetIntervals().empty());
    EXPECT_TRUE(sink.m_runs.empty());
    EXPECT_EQ("Waiting!", host.StatusTexts().back());
}

TEST_F(OracleRun, OracleFileCachesTheValuesForTheNextRun) {
    const std::string path = dir.File("movie_oracle.dat");
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    const auto& list = oracle.GetIntervals();
    ASSERT_EQ(3u, list.size());
    const std::vector<double> values = FileValues(path);
    ASSERT_EQ(6u, values.size());
    EXPECT_EQ(48u, std::filesystem::file_size(path));
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(list[k].lowValue, values[2 * k]);
        EXPECT_EQ(list[k].fastValue, values[2 * k + 1]);
        EXPECT_GT(list[k].lowValue, 0.0);
    }
    const int decodes = low.Decodes() + fast.Decodes();
    EXPECT_EQ(20, decodes);
    const auto firstRuns = sink.m_runs;

    // Another Oracle Value: read back and decided again, nothing decoded, the
    // file unchanged.
    host.Clear();
    ASSERT_TRUE(oracle.RunJob(path, -1000, 0, false, 0));
    EXPECT_EQ(decodes, low.Decodes() + fast.Decodes());
    EXPECT_EQ(values, FileValues(path));
    const std::vector<CRecordingListSink::Run> allFast{{false, 0, 10}};
    EXPECT_EQ(allFast, sink.m_runs);
    const auto status = host.StatusTexts();
    EXPECT_EQ("Initialising Oracle ...", status.front());
    EXPECT_EQ("Asking Oracle for intervall 1 of 3 ...   ", status[1]);
    EXPECT_TRUE(host.Messages().empty());

    // The same values and Oracle Value give the same list as the measuring run.
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    EXPECT_EQ(firstRuns, sink.m_runs);
}

TEST_F(OracleRun, ShortCachedFileIsMeasuredAgainAndReplaced) {
    const std::string path = dir.File("other.dat");
    WriteFileBytes(path, std::vector<uint8_t>(32, 0)); // two intervals' worth
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_NE(std::string::npos, host.Messages()[0].text.find("belongs to another movie or run"));
    EXPECT_NE(std::string::npos,
              host.Messages()[0].text.find("values for 2 intervals where this movie has 3"));
    EXPECT_EQ(20, low.Decodes() + fast.Decodes());
    EXPECT_EQ(48u, std::filesystem::file_size(path));
    EXPECT_GT(FileValues(path)[0], 0.0);

    // An empty file is a cache still to fill: measured without a word.
    WriteFileBytes(path, {});
    host.Clear();
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(48u, std::filesystem::file_size(path));
    EXPECT_EQ(40, low.Decodes() + fast.Decodes());
}

// Values no measurement gives (NaN, infinite, negative) mean the file is not
// this run's: it is measured again, with the message, and replaced.
TEST_F(OracleRun, CachedValuesNoMeasurementGivesAreMeasuredAgain) {
    const std::string path = dir.File("movie_oracle.dat");
    ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    const std::vector<double> measured = FileValues(path);
    ASSERT_EQ(6u, measured.size());
    const auto firstRuns = sink.m_runs;
    int decodes = low.Decodes() + fast.Decodes();
    const std::pair<double, const char*> kinds[] = {
        {std::nan(""), "not a number"}, {HUGE_VAL, "infinite"}, {-HUGE_VAL, "infinite"}, {-1.0, "negative"}};
    for (const auto& [bad, kind] : kinds) {
        SCOPED_TRACE(bad);
        std::vector<double> values = measured;
        values[3] = bad;
        std::vector<uint8_t> bytes(values.size() * 8);
        std::memcpy(bytes.data(), values.data(), bytes.size());
        WriteFileBytes(path, bytes);
        host.Clear();
        ASSERT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
        ASSERT_EQ(1u, host.Messages().size());
        EXPECT_NE(std::string::npos, host.Messages()[0].text.find("values no measurement gives"));
        // The kind and where it is, so that a damaged file can be looked at.
        EXPECT_NE(std::string::npos,
                  host.Messages()[0].text.find(std::string(kind) + ", first at interval 2"))
            << host.Messages()[0].text;
        EXPECT_EQ(decodes + 20, low.Decodes() + fast.Decodes());
        decodes = low.Decodes() + fast.Decodes();
        EXPECT_EQ(measured, FileValues(path));
        EXPECT_EQ(firstRuns, sink.m_runs);
    }
}

TEST_F(OracleRun, FailedRunDeletesItsFileAndStopsTheJob) {
    const std::string path = dir.File("fail.dat");
    fast.SetBytesPerPixel(4); // a 32-bit FAST movie against a 24-bit LOW one
    EXPECT_FALSE(oracle.RunJob(path, 0, 0, true, 1));
    EXPECT_TRUE(oracle.HasError());
    EXPECT_FALSE(std::filesystem::exists(path));
    const auto messages = host.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Oracle Error", messages[0].caption);
    EXPECT_EQ(
        0u, messages[0].text.find("Buffer Size Invalid! This error happens, if one of the AVIs (Low or Fast) "
                                  "is not compatible with the other."));
    EXPECT_NE(std::string::npos, messages[0].text.find(".\r\n\r\nExample: You get this error"));
    // No size optimisation and no "Waiting!" after a failure.
    for (const std::string& s : host.StatusTexts()) {
        EXPECT_NE("Waiting!", s);
        EXPECT_NE("Optimizing...", s);
    }
    EXPECT_EQ(1, low.Decodes());

    // With the source movie the three-movie text is shown.
    host.Clear();
    fast.SetBytesPerPixel(3);
    source.SetBytesPerPixel(2);
    oracle.SetUseSourceMovie(true);
    EXPECT_FALSE(oracle.RunJob(path, 0, 0, false, 0));
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_EQ(0u, host.Messages()[0].text.find("Buffer Size Invalid! This error happens, if one of the AVIs "
                                               "(Original, Low or Fast) is not compatible with the others."));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(OracleRun, UndecodableFrameWithoutSourceStopsWithTheNullMessage) {
    const std::string path = dir.File("null.dat");
    low.FailFrame(5);
    fast.FailFrame(5);
    EXPECT_FALSE(oracle.RunJob(path, 0, 0, false, 0));
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_EQ(
        "Error in asking the Oracle: pbBufferLow or pbBufferFast == NULL! Thie means, that one of the frames "
        "of one of the streams can\xC2\xB4t be read!",
        host.Messages()[0].text);
    EXPECT_FALSE(std::filesystem::exists(path));
    // The first interval was decided before the failure; the later ones keep no choice.
    EXPECT_NE(OracleInterval::CHOICE_NONE, oracle.GetIntervals()[0].choice);
    EXPECT_EQ(OracleInterval::CHOICE_NONE, oracle.GetIntervals()[1].choice);
}

TEST_F(OracleRun, SourceModeMeasuresTheDifferenceToTheSource) {
    // LOW decodes exactly to the source: its sum is 0 whatever FAST is.
    CFakeOracleMedia same(10, 16, 8, Pattern(3));
    same.SetKeyFrames({0, 4, 7});
    oracle.SetInputs(&same, &fast, &source);
    oracle.SetUseSourceMovie(true);
    ASSERT_TRUE(oracle.RunJob(dir.File("s.dat"), 0, 0, false, 0));
    for (const OracleInterval& i : oracle.GetIntervals()) {
        EXPECT_EQ(0.0, i.lowValue);
        EXPECT_GT(i.fastValue, 0.0);
        EXPECT_EQ(OracleInterval::CHOICE_LOW, i.choice);
    }
    // A source frame that cannot be decoded contributes nothing but stops nothing.
    source.FailFrame(5);
    ASSERT_TRUE(oracle.RunJob(dir.File("t.dat"), 0, 0, false, 0));
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(OracleRun, DetailValuesAreScaledByTheIntervalLength) {
    // Every frame the same: an interval's value is (measured frames / length)
    // times one frame's sum, with LOW and FAST exchanged.
    CFakeOracleMedia flatLow(10, 3, 2, [](int32_t, std::vector<uint8_t>& p) {
        std::fill(p.begin(), p.end(), 10);
        p[3] = p[4] = p[5] = 40;
    });
    CFakeOracleMedia flatFast(10, 3, 2);
    flatLow.SetKeyFrames({0, 4, 7});
    oracle.SetInputs(&flatLow, &flatFast, nullptr);
    oracle.SetPrecisionMode(2);
    ASSERT_TRUE(oracle.RunJob(dir.File("d.dat"), 0, 0, false, 0));
    const auto& list = oracle.GetIntervals();
    EXPECT_EQ(0.0, list[0].lowValue);
    EXPECT_DOUBLE_EQ(270.0 * 2 / 4, list[0].fastValue); // frames 0, 2 of [0,4)
    EXPECT_DOUBLE_EQ(270.0 * 2 / 3, list[1].fastValue); // frames 4, 6 of [4,7)
    EXPECT_DOUBLE_EQ(270.0 * 2 / 3, list[2].fastValue); // frames 7, 9 of [7,10)
}

TEST_F(OracleRun, BothFramesAreMeasuredWithTheLowDimensions) {
    // FAST comes out 4 x 6 where LOW is 6 x 4: equal sizes pass the check,
    // and the FAST frame's detail is taken over LOW's rows and columns.
    CFakeOracleMedia wide(4, 6, 4, Pattern(7));
    CFakeOracleMedia tall(4, 4, 6, Pattern(8));
    for (bool parallel : {false, true}) {
        oracle.SetInputs(&wide, &tall, nullptr);
        oracle.SetParallelDecoding(parallel);
        ASSERT_TRUE(oracle.RunJob(dir.File(parallel ? "w1.dat" : "w2.dat"), 0, 0, false, 0));
        double low = 0.0;
        double fast = 0.0;
        for (int32_t f = 0; f < 4; ++f) {
            std::vector<uint8_t> pixels(6 * 4 * 3, 0);
            Pattern(8)(f, pixels);
            low += double(DetailSum(pixels.data(), int64_t(pixels.size()), 6, 4)) / 4;
            Pattern(7)(f, pixels);
            fast += double(DetailSum(pixels.data(), int64_t(pixels.size()), 6, 4)) / 4;
        }
        ASSERT_EQ(1u, oracle.GetIntervals().size());
        EXPECT_EQ(low, oracle.GetIntervals()[0].lowValue);
        EXPECT_EQ(fast, oracle.GetIntervals()[0].fastValue);
    }
}

TEST_F(OracleRun, FramesBeyondTheVideoStreamAreNotMeasured) {
    low.SetVideoLength(8);
    ASSERT_TRUE(oracle.RunJob(dir.File("v.dat"), 0, 0, false, 0));
    EXPECT_EQ(8, low.Decodes());
    const auto status = host.StatusTexts();
    const auto last = std::find_if(status.rbegin(), status.rend(),
                                   [](const std::string& s) { return s.rfind("Asking", 0) == 0; });
    ASSERT_NE(status.rend(), last);
    EXPECT_EQ("Asking Oracle for frame 7 of 8 ...   ", *last);
}

TEST_F(OracleRun, UnusableInputsAreReportedNotCrashedOn) {
    // No oracle file name.
    EXPECT_FALSE(oracle.RunJob("", 0, 0, false, 0));
    EXPECT_EQ(1u, host.Messages().size());
    EXPECT_EQ(0, low.Decodes());

    // A name that can neither be read nor created: nothing is written anywhere.
    host.Clear();
    const std::string bad = dir.File("missing/dir/x.dat");
    EXPECT_FALSE(oracle.RunJob(bad, 0, 0, false, 0));
    EXPECT_EQ(1u, host.Messages().size());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    host.Clear();
    EXPECT_FALSE(oracle.RunJob(dir.Path().string(), 0, 0, false, 0)); // a directory
    EXPECT_EQ(1u, host.Messages().size());

    // The source movie wanted but not there.
    host.Clear();
    oracle.SetInputs(&low, &fast, nullptr);
    oracle.SetUseSourceMovie(true);
    EXPECT_FALSE(oracle.RunJob(dir.File("n.dat"), 0, 0, false, 0));
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_NE(std::string::npos, host.Messages()[0].text.find("no usable original file"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("n.dat")));
}

TEST_F(OracleRun, ParallelDecodingGivesTheSameValuesBitForBit) {
    for (bool useSource : {false, true}) {
        std::vector<std::vector<OracleInterval>> results;
        for (bool parallel : {false, true}) {
            CFakeOracleMedia l(60, 33, 17, Pattern(4));
            CFakeOracleMedia f(60, 33, 17, Pattern(5));
            CFakeOracleMedia s(60, 33, 17, Pattern(6));
            l.SetKeyFrames({0, 7, 19, 20, 41});
            COracle o(host);
            o.SetInputs(&l, &f, &s);
            o.SetUseSourceMovie(useSource);
            o.SetParallelDecoding(parallel);
            const std::string path = dir.File(std::string(parallel ? "p" : "q") + (useSource ? "s" : "d"));
            ASSERT_TRUE(o.RunJob(path, 0, 0, false, 0));
            results.push_back(o.GetIntervals());
        }
        ASSERT_EQ(results[0].size(), results[1].size());
        for (size_t k = 0; k < results[0].size(); ++k) {
            EXPECT_EQ(0, std::memcmp(&results[0][k].lowValue, &results[1][k].lowValue, sizeof(double)));
            EXPECT_EQ(0, std::memcmp(&results[0][k].fastValue, &results[1][k].fastValue, sizeof(double)));
            EXPECT_EQ(results[0][k].choice, results[1][k].choice);
        }
    }
    EXPECT_TRUE(host.Messages().empty());
}

// Stopped while the movies' queues are full, the run ends at once (the
// decoding threads do not wait for their frames to be taken), leaves no
// oracle file and decodes at most a few frames beyond the stop.
TEST_F(OracleRun, AStopWhileFramesAreQueuedEndsTheRun) {
    CFakeOracleMedia l(400, 16, 8, Pattern(4));
    CFakeOracleMedia f(400, 16, 8, Pattern(5));
    l.SetKeyFrames({0, 100, 200, 300});
    oracle.SetInputs(&l, &f, nullptr);
    int steps = 0;
    oracle.SetStepCheck([&steps] { return ++steps <= 50; });
    const std::string path = dir.File("stop.dat");
    EXPECT_FALSE(oracle.RunJob(path, 0, 0, false, 0));
    EXPECT_TRUE(oracle.WasStopped());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_GE(l.Decodes(), 50);
    EXPECT_LE(l.Decodes(), 50 + 8);
    EXPECT_LE(f.Decodes(), 50 + 8);
    EXPECT_TRUE(host.Messages().empty());

    // The same oracle runs to the end afterwards.
    oracle.SetStepCheck(nullptr);
    EXPECT_TRUE(oracle.RunJob(path, 0, 0, false, 0));
    EXPECT_EQ(64u, std::filesystem::file_size(path));
}
