#include "oracle/OracleJob.h"

#include "../jobs/JobsTestUtil.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "oracle/COracle.h"
#include "support/CHostRecorder.h"
#include "support/TestUtil.h"

#include "CFakeOracleMedia.h"
#include "CRecordingListSink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>

TEST(OracleJob, KindSevenRunsTheOracleWithTheWorkersParameters) {
    CTempDir dir;
    CHostRecorder host;
    CWorker worker(host);
    COracle oracle(host);
    CRecordingListSink sink;
    CFakeOracleMedia low(20, 8, 4);
    CFakeOracleMedia fast(20, 8, 4);
    low.SetKeyFrames({0, 10});
    oracle.SetInputs(&low, &fast, nullptr);
    const CJobRegistration registration = RegisterOracleJob(worker, oracle, sink);

    // Identical frames, a tolerance: decided by size; then a limit far below
    // the movie's size.
    fast.SetFrameBytes(3, 5000);
    CJobRequest request = CJobRequest::Of(JobKind::JOB_ORACLE);
    OracleParameters& p = request.oracle;
    p.strOracleFile = dir.File("job.dat");
    p.dOracleValue = 5;
    p.dComparisonValue = 1;
    p.bSizeLimit = true;
    p.dSizeLimitKBytes = 1;
    worker.SetNotify(false);
    EXPECT_TRUE(worker.RunInline(request).IsDone());

    const std::vector<CRecordingListSink::Run> expected{{true, 0, 10}, {false, 10, 20}};
    EXPECT_EQ(expected, sink.m_runs);
    EXPECT_EQ("Reached minimal size!", host.StatusTexts().back());
    EXPECT_EQ(1, host.JobFinishedCount());
    EXPECT_EQ(32u, ReadFileBytes(p.strOracleFile).size());

    // A failed run still ends the busy state, without "Waiting!".
    host.Clear();
    p.strOracleFile.clear();
    EXPECT_TRUE(worker.RunInline(request).IsFailed());
    EXPECT_EQ(1, host.JobFinishedCount());
    EXPECT_EQ(1u, host.Messages().size());
    EXPECT_NE("Waiting!", host.StatusTexts().back());
}

// On the worker thread every measured frame passes the pause gate: held
// there, nothing more is decoded; a stop ends the run as "stopped", with no
// oracle file left and no list decided. Alike with the movies decoded ahead
// on threads of their own and one after the other.
class OracleJobPause : public ::testing::TestWithParam<bool> {};

TEST_P(OracleJobPause, PauseHoldsItAtAFrameAndAStopLeavesNoOracleFile) {
    CTempDir dir;
    CHostRecorder host;
    CWorker worker(host);
    COracle oracle(host);
    CRecordingListSink sink;
    CFakeOracleMedia low(200, 8, 4);
    CFakeOracleMedia fast(200, 8, 4);
    low.SetKeyFrames({0, 50, 100, 150});
    oracle.SetInputs(&low, &fast, nullptr);
    oracle.SetParallelDecoding(GetParam());
    const CJobRegistration registration = RegisterOracleJob(worker, oracle, sink);
    CJobRequest request = CJobRequest::Of(JobKind::JOB_ORACLE);
    request.oracle.strOracleFile = dir.File("stopped.dat");
    int decodedWhilePaused = -1;
    const CJobResult result =
        RunPausedThenStopped(worker, request, [&] { decodedWhilePaused = low.Decodes(); });
    EXPECT_EQ(decodedWhilePaused, 0);
    EXPECT_TRUE(result.IsStopped());
    EXPECT_LE(low.Decodes(), 1);
    EXPECT_FALSE(std::filesystem::exists(request.oracle.strOracleFile));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_NE("Waiting!", host.StatusTexts().back());
    EXPECT_EQ(1, host.JobFinishedCount());
}

INSTANTIATE_TEST_SUITE_P(Decoding, OracleJobPause, ::testing::Values(false, true));
