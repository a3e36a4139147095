#include "oracle/COracle.h"
#include "support/CHostRecorder.h"

#include "CRecordingListSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

OracleInterval Interval(int32_t start, int32_t end, double low, double fast, int64_t lowBytes = 0,
                        int64_t fastBytes = 0) {
    OracleInterval i;
    i.start = start;
    i.end = end;
    i.lowValue = low;
    i.fastValue = fast;
    i.valueDistance = std::abs(low - fast);
    i.lowBytes = lowBytes;
    i.fastBytes = fastBytes;
    return i;
}

class OracleDecision : public ::testing::Test {
protected:
    bool Decide(double oracleValue, double comparisonValue, OracleInterval interval) {
        oracle.SetOracleValue(oracleValue);
        oracle.SetComparisonValue(comparisonValue);
        const bool low = oracle.DecideInterval(interval);
        lastBySize = interval.decidedBySize;
        return low;
    }

    CHostRecorder host;
    CRecordingListSink sink;
    COracle oracle{host};
    bool lastBySize = false;
};

} // namespace

TEST_F(OracleDecision, PercentageVoteFollowsTheOracleValue) {
    // FAST is taken only when LOW's value exceeds FAST's by more than the bias.
    EXPECT_TRUE(Decide(5, 0, Interval(0, 10, 104, 100)));
    EXPECT_FALSE(Decide(5, 0, Interval(0, 10, 106, 100)));
    EXPECT_FALSE(lastBySize);
    // A negative bias lets FAST be up to that much worse.
    EXPECT_FALSE(Decide(-5, 0, Interval(0, 10, 96, 100)));
    // p exactly equal to the Oracle Value is LOW: equal values give p = 0.
    EXPECT_TRUE(Decide(0, 0, Interval(0, 10, 50, 50)));
    EXPECT_FALSE(Decide(-0.001, 0, Interval(0, 10, 50, 50)));
    // Two zero values: the epsilon keeps p finite.
    EXPECT_TRUE(Decide(0, 0, Interval(0, 10, 0, 0)));
}

TEST_F(OracleDecision, CloseQualitiesAreDecidedBySize) {
    // Tolerance 1 x 10 frames; the difference is cut to whole units first.
    EXPECT_TRUE(Decide(5, 1, Interval(0, 10, 109.9, 100, 10, 20)));
    EXPECT_TRUE(lastBySize);
    EXPECT_FALSE(Decide(5, 1, Interval(0, 10, 110.2, 100, 10, 20)));
    EXPECT_FALSE(lastBySize);
    // The smaller interval wins; equal sizes give FAST.
    EXPECT_FALSE(Decide(100, 1, Interval(0, 10, 100, 100, 20, 10)));
    EXPECT_FALSE(Decide(100, 1, Interval(0, 10, 100, 100, 10, 10)));
    EXPECT_TRUE(lastBySize);
    // Comparison 0 never finds two qualities identical.
    EXPECT_FALSE(Decide(-5, 0, Interval(0, 10, 100, 100, 1, 10)));
    EXPECT_FALSE(lastBySize);
    // Any tolerance above 0 decides equal values by size.
    EXPECT_TRUE(Decide(-5, 0.01, Interval(0, 10, 100, 100, 1, 10)));
    // The tolerance grows with the interval: 12 frames, difference 11.5.
    EXPECT_TRUE(Decide(100, 1, Interval(0, 12, 111.5, 100, 1, 10)));
}

TEST_F(OracleDecision, DifferencesBeyond32BitsAreNeverIdentical) {
    // Large frames give values beyond 2^31; such a difference is not "close".
    EXPECT_FALSE(Decide(5, 1, Interval(0, 25, 9e9, 1e9, 1, 10)));
    EXPECT_FALSE(lastBySize);
    EXPECT_TRUE(Decide(5, 1, Interval(0, 25, 1e9, 9e9, 10, 1)));
    EXPECT_FALSE(lastBySize);
}

TEST_F(OracleDecision, RunsOfEqualDecisionsBecomeOneRow) {
    oracle.SetListSink(&sink);
    std::vector<OracleInterval> list{Interval(0, 10, 0, 0), Interval(10, 25, 0, 0), Interval(25, 40, 0, 0),
                                     Interval(40, 52, 0, 0)};
    oracle.ClearRunState();
    const bool decisions[] = {true, true, false, true};
    for (size_t k = 0; k < list.size(); ++k) {
        oracle.AppendRun(list[k], decisions[k]);
    }
    oracle.CloseRun();
    const std::vector<CRecordingListSink::Run> expected{{true, 0, 25}, {false, 25, 40}, {true, 40, 52}};
    EXPECT_EQ(expected, sink.m_runs);
    EXPECT_EQ(OracleInterval::CHOICE_LOW, list[1].choice);
    EXPECT_EQ(OracleInterval::CHOICE_FAST, list[2].choice);
}

TEST_F(OracleDecision, DecideAllReportsEveryIntervalAndListsTheRuns) {
    oracle.SetListSink(&sink);
    oracle.SetOracleValue(5);
    oracle.SetComparisonValue(0);
    oracle.SetIntervals({Interval(0, 10, 100, 100), Interval(10, 20, 200, 100), Interval(20, 30, 50, 100)});
    oracle.DecideAll();
    const std::vector<CRecordingListSink::Run> expected{{true, 0, 10}, {false, 10, 20}, {true, 20, 30}};
    EXPECT_EQ(expected, sink.m_runs);
    const auto status = host.StatusTexts();
    ASSERT_EQ(3u, status.size());
    EXPECT_EQ("Asking Oracle for intervall 3 of 3 ...   ", status.back());
    EXPECT_EQ("100 %", host.PercentTexts().back());
    EXPECT_EQ(10000, host.ProgressPositions().back());
}

namespace {

// The worked example: audio 100 000 bytes in all, three intervals.
std::vector<OracleInterval> SizeExample() {
    OracleInterval i1 = Interval(0, 25, 2.0, 0.0, 400000, 300000);
    i1.choice = OracleInterval::CHOICE_LOW;
    i1.audioBytes = 40000;
    OracleInterval i2 = Interval(25, 50, 0.5, 0.0, 100000, 150000);
    i2.choice = OracleInterval::CHOICE_FAST;
    i2.audioBytes = 30000;
    OracleInterval i3 = Interval(50, 75, 0.1, 0.0, 90000, 80000);
    i3.choice = OracleInterval::CHOICE_FAST;
    i3.decidedBySize = true;
    i3.audioBytes = 30000;
    return {i1, i2, i3};
}

} // namespace

TEST_F(OracleDecision, SizeLimitSwitchesTheClosestIntervalsFirst) {
    oracle.SetListSink(&sink);
    oracle.SetIntervals(SizeExample());
    EXPECT_NEAR(730.0, oracle.EstimateSize(), 1e-9);

    // 650: I2 becomes LOW (680), then I1 FAST (580); every candidate visited.
    oracle.OptimiseSize(650);
    EXPECT_EQ("Reached minimal size!", host.StatusTexts().back());
    EXPECT_NEAR(580.0, oracle.EstimateSize(), 1e-9);
    std::vector<CRecordingListSink::Run> expected{{false, 0, 25}, {true, 25, 50}, {false, 50, 75}};
    EXPECT_EQ(expected, sink.m_runs);

    // 700: I2 becomes LOW (680) and the walk stops before I1.
    oracle.SetIntervals(SizeExample());
    oracle.OptimiseSize(700);
    EXPECT_EQ("Waiting!", host.StatusTexts().back());
    expected = {{true, 0, 50}, {false, 50, 75}};
    EXPECT_EQ(expected, sink.m_runs);
    EXPECT_TRUE(oracle.GetIntervals()[1].decidedBySize);
    EXPECT_FALSE(oracle.GetIntervals()[0].decidedBySize);

    // 800: nothing changes; the list is rebuilt as it was.
    oracle.SetIntervals(SizeExample());
    oracle.OptimiseSize(800);
    EXPECT_EQ("Waiting!", host.StatusTexts().back());
    expected = {{true, 0, 25}, {false, 25, 75}};
    EXPECT_EQ(expected, sink.m_runs);
    EXPECT_TRUE(host.Messages().empty());
    const auto status = host.StatusTexts();
    EXPECT_NE(std::find(status.begin(), status.end(), "Sorting intervall 3 of 3 ...   "), status.end());
    EXPECT_NE(std::find(status.begin(), status.end(), "Optimizing..."), status.end());
}

TEST_F(OracleDecision, SizeLimitVisitsEqualDistancesInMovieOrder) {
    oracle.SetListSink(&sink);
    // Both candidates are 1.0 apart; the earlier one is switched first and
    // already meets the limit.
    OracleInterval a = Interval(0, 10, 1, 0, 100000, 50000);
    a.choice = OracleInterval::CHOICE_LOW;
    OracleInterval b = Interval(10, 20, 1, 0, 100000, 50000);
    b.choice = OracleInterval::CHOICE_LOW;
    oracle.SetIntervals({a, b});
    oracle.OptimiseSize(160);
    EXPECT_EQ(OracleInterval::CHOICE_FAST, oracle.GetIntervals()[0].choice);
    EXPECT_EQ(OracleInterval::CHOICE_LOW, oracle.GetIntervals()[1].choice);
    EXPECT_EQ("Waiting!", host.StatusTexts().back());

    // All decided by size: no candidate, minimal whatever the limit.
    a.decidedBySize = b.decidedBySize = true;
    oracle.SetIntervals({a, b});
    oracle.OptimiseSize(1e12);
    EXPECT_EQ("Reached minimal size!", host.StatusTexts().back());
    const std::vector<CRecordingListSink::Run> expected{{true, 0, 20}};
    EXPECT_EQ(expected, sink.m_runs);
}

TEST_F(OracleDecision, EstimateReportsIntervalsWithoutChoice) {
    std::vector<OracleInterval> list = SizeExample();
    list[1].choice = OracleInterval::CHOICE_NONE;
    oracle.SetIntervals(list);
    // Its audio stays counted, its video does not.
    EXPECT_NEAR(730.0 - 150.0, oracle.EstimateSize(), 1e-9);
    const auto messages = host.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Oracle Error in getting final AVI size!", messages[0].text);
}

TEST_F(OracleDecision, SizeTargetWeighsValuesByLengthAndLeavesRoomForTheAudio) {
    oracle.SetListSink(&sink);
    // Per-frame values: the long interval's small gain outweighs the short
    // interval's larger one when only one of them can have LOW.
    std::vector<OracleInterval> intervals = {Interval(0, 5, 10, 20, 300, 100),
                                             Interval(5, 50, 10, 12, 300, 100)};
    intervals[0].audioBytes = intervals[1].audioBytes = 500;
    oracle.SetIntervals(intervals);
    EXPECT_TRUE(oracle.MeetSizeTarget(1.4)); // 1000 audio + 400 video
    EXPECT_EQ((std::vector<CRecordingListSink::Run>{{false, 0, 5}, {true, 5, 50}}), sink.m_runs);
    EXPECT_EQ("Waiting!", host.StatusTexts().back());

    // The audio alone is larger than the target: the smaller encodings.
    oracle.SetIntervals(intervals);
    EXPECT_FALSE(oracle.MeetSizeTarget(1.0));
    EXPECT_EQ((std::vector<CRecordingListSink::Run>{{false, 0, 50}}), sink.m_runs);
    EXPECT_EQ("Reached minimal size!", host.StatusTexts().back());
    EXPECT_TRUE(host.HasMessage("cannot be reached"));
}
