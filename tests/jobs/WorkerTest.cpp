#include "JobsTestUtil.h"
#include "jobs/CManualResetEvent.h"
#include "jobs/CWaitBox.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

std::string MakeAvi(const CTempDir& dir, const std::string& name, int frames, bool audio) {
    const std::string path = dir.File(name);
    std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25"};
    if (audio)
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=f=440:sample_rate=22050", "-c:a", "pcm_s16le"});
    args.insert(args.end(), {"-frames:v", std::to_string(frames), "-c:v", "mjpeg"});
    if (audio)
        args.insert(args.end(), {"-t", std::to_string(frames / 25.0)});
    args.push_back(path);
    const CommandResult r = Ffmpeg(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return path;
}

// Registers recording work for every kind that takes some.
struct CWorkLog {
    explicit CWorkLog(CWorker& worker) {
        for (JobKind kind : {JobKind::JOB_ASSEMBLE, JobKind::JOB_ENCODE, JobKind::JOB_MERGE,
                             JobKind::JOB_ORACLE, JobKind::JOB_DATABASE_PART}) {
            tokens.push_back(worker.RegisterJob(kind, [this, kind](CWorker&, const CJobRequest&) {
                runs.push_back(static_cast<int>(kind));
                return CJobResult::Done();
            }));
            EXPECT_TRUE(tokens.back().IsRegistered());
        }
    }
    std::vector<int> runs;
    std::vector<CJobRegistration> tokens; // after `runs`: unregistered first
};

CJobResult RunKind(CWorker& worker, int kind) {
    return worker.RunInline(CJobRequest::Of(static_cast<JobKind>(kind)));
}

constexpr int JOB_ASSEMBLE = 2, JOB_ENCODE = 3, JOB_ENCODE_KEEP_SOURCE = 4, JOB_MERGE = 6, JOB_ORACLE = 7,
              JOB_ENCODE_CLOSE_ALL = 8, JOB_DATABASE_PART = 9, JOB_COPY = 10;

} // namespace

TEST(Worker, DispatchesEveryKindAndNotifiesAsTheFlagSays) {
    struct Case {
        int kind;
        std::vector<int> work;
        int waitBoxEnds;
        bool notifyAfter;
    };
    const Case cases[] = {
        {JOB_ASSEMBLE, {JOB_ASSEMBLE}, 0, true},
        {JOB_ENCODE, {JOB_ENCODE}, 0, true},
        {JOB_ENCODE_KEEP_SOURCE, {JOB_ENCODE}, 1, false},
        {JOB_MERGE, {JOB_MERGE}, 0, false}, // the merge work sets it again outside piece mode
        {JOB_ORACLE, {JOB_ORACLE}, 0, true},
        {JOB_ENCODE_CLOSE_ALL, {JOB_ENCODE}, 1, false},
        {JOB_DATABASE_PART, {JOB_DATABASE_PART}, 1, false},
        {JOB_COPY, {}, 1, false},
        {0, {}, 0, true},
        {5, {}, 0, true},
        {11, {}, 0, true},
    };
    for (const Case& c : cases) {
        CHostRecorder host;
        CWorker worker(host);
        CWorkLog log(worker);
        EXPECT_TRUE(RunKind(worker, c.kind).IsDone());
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(log.runs, c.work);
        EXPECT_EQ(host.WaitBoxResults(), std::vector<int>(c.waitBoxEnds, 0));
        EXPECT_EQ(worker.GetNotify(), c.notifyAfter);
        EXPECT_EQ(host.JobFinishedCount(), c.notifyAfter ? 1 : 0);
    }

    // An unknown kind after a job that cleared the flag sends nothing.
    CHostRecorder host;
    CWorker worker(host);
    worker.SetNotify(false);
    RunKind(worker, 5);
    EXPECT_EQ(host.JobFinishedCount(), 0);
    auto none = [](CWorker&, const CJobRequest&) { return CJobResult::Done(); };
    EXPECT_FALSE(worker.RegisterJob(JobKind::JOB_COPY, none).IsRegistered());
    EXPECT_FALSE(worker.RegisterJob(JobKind::JOB_ENCODE_CLOSE_ALL, none).IsRegistered());
}

TEST(Worker, EncodingSequenceRunsTheEncodingInlineAndWorkSetsTheNotifyFlag) {
    CHostRecorder host;
    CWorker worker(host);
    int encodeKindSeen = 0;
    bool notifySeen = true;
    const CJobRegistration encode =
        worker.RegisterJob(JobKind::JOB_ENCODE, [&](CWorker& w, const CJobRequest& request) {
            encodeKindSeen = static_cast<int>(request.kind);
            notifySeen = w.GetNotify(); // the encoding keeps its files open when clear
            return CJobResult::Done();
        });
    const CJobRegistration merge =
        worker.RegisterJob(JobKind::JOB_MERGE, [](CWorker& w, const CJobRequest& request) {
            w.SetNotify(!request.bPieceMode);
            return CJobResult::Done();
        });
    RunKind(worker, JOB_ENCODE_KEEP_SOURCE);
    EXPECT_EQ(encodeKindSeen, JOB_ENCODE);
    EXPECT_FALSE(notifySeen);

    CJobRequest piece = CJobRequest::Of(JobKind::JOB_MERGE);
    piece.bPieceMode = true;
    worker.RunInline(piece);
    EXPECT_EQ(host.JobFinishedCount(), 0);
    RunKind(worker, JOB_MERGE);
    EXPECT_EQ(host.JobFinishedCount(), 1);
}

TEST(Worker, AbortCleanupClosesTheSourceUnlessAPlainPieceKeepsIt) {
    CTempDir dir;
    const std::string movie = MakeAvi(dir, "movie.avi", 5, false);
    struct Case {
        int kind;
        bool pieceMode;
        bool abort;
        bool sourceOpenAfter;
        bool othersOpenAfter;
    };
    const Case cases[] = {
        {JOB_ENCODE_KEEP_SOURCE, true, true, true, false},
        {JOB_ENCODE_KEEP_SOURCE, false, true, false, false},
        {JOB_ENCODE_CLOSE_ALL, true, true, false, false},
        {JOB_ENCODE_CLOSE_ALL, true, false, true, true},
    };
    const CWorker::EFileSlot others[] = {CWorker::FILE_OUTPUT};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + (c.pieceMode ? " piece" : "") + (c.abort ? " abort" : ""));
        CHostRecorder host;
        CWorker worker(host);
        ASSERT_TRUE(worker.OpenInputs(movie, movie, movie));
        for (auto slot : others)
            ASSERT_TRUE(worker.GetFile(slot).Open(movie));
        ASSERT_TRUE(worker.GetFile(CWorker::FILE_COPY_SOURCE).Open(movie));
        // The user aborts while the encoding runs.
        const CJobRegistration encode =
            worker.RegisterJob(JobKind::JOB_ENCODE, [&](CWorker& w, const CJobRequest&) {
                if (c.abort)
                    w.RequestAbort();
                return c.abort ? CJobResult::Stopped() : CJobResult::Done();
            });
        CJobRequest request = CJobRequest::Of(static_cast<JobKind>(c.kind));
        request.bPieceMode = c.pieceMode;
        CJobResult result;
        worker.Submit(request, [&](const CJobResult& r) { result = r; });
        worker.Run(); // no thread attached: the queue is run here
        EXPECT_EQ(result.IsStopped(), c.abort);

        EXPECT_FALSE(worker.GetFile(CWorker::FILE_LOW).IsOpen());
        EXPECT_FALSE(worker.GetFile(CWorker::FILE_FAST).IsOpen());
        EXPECT_EQ(worker.GetFile(CWorker::FILE_SOURCE).IsOpen(), c.sourceOpenAfter);
        for (auto slot : others)
            EXPECT_EQ(worker.GetFile(slot).IsOpen(), c.othersOpenAfter) << slot;
        EXPECT_TRUE(worker.GetFile(CWorker::FILE_COPY_SOURCE).IsOpen());
        EXPECT_FALSE(worker.IsAbortSet());
        EXPECT_EQ(host.WaitBoxResults(), std::vector<int>{0});
        EXPECT_EQ(host.JobFinishedCount(), 0);
    }
}

TEST(Worker, CopyAppendsAllVideoAndThenAllAudioOfEachSource) {
    CTempDir dir;
    const std::string first = MakeAvi(dir, "0.avi", 10, true);
    const std::string second = MakeAvi(dir, "1.avi", 15, true);
    const std::string silent = MakeAvi(dir, "2.avi", 5, false);
    const std::string output = dir.File("final.avi");
    CHostRecorder host;
    CWorker worker(host);

    ASSERT_TRUE(worker.PrepareCopy(output, first));
    EXPECT_TRUE(RunKind(worker, JOB_COPY).IsDone());
    ASSERT_TRUE(worker.OpenCopySource(second));
    EXPECT_TRUE(RunKind(worker, JOB_COPY).IsDone());
    ASSERT_TRUE(worker.OpenCopySource(silent)); // video only: no audio pasted
    EXPECT_TRUE(RunKind(worker, JOB_COPY).IsDone());
    EXPECT_EQ(host.WaitBoxResults(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(host.JobFinishedCount(), 0);
    worker.CloseFile(CWorker::FILE_COPY_SOURCE);
    ASSERT_TRUE(worker.GetFile(CWorker::FILE_COPY_DESTINATION).Close());
    EXPECT_TRUE(host.Messages().empty());

    // The packet hashes carry no position, so the sequences must match.
    auto expected = PacketHashes(first, "v:0");
    for (const auto& path : {second, silent})
        for (const auto& hash : PacketHashes(path, "v:0"))
            expected.push_back(hash);
    EXPECT_EQ(PacketHashes(output, "v:0"), expected);
    CAVIFile in(host), a(host), b(host);
    ASSERT_TRUE(in.Open(output));
    ASSERT_TRUE(a.Open(first));
    ASSERT_TRUE(b.Open(second));
    ASSERT_GE(in.GetAudioIndex(), 0);
    EXPECT_EQ(in.GetStream(in.GetAudioIndex())->GetLength(),
              a.GetStream(a.GetAudioIndex())->GetLength() + b.GetStream(b.GetAudioIndex())->GetLength());
}

TEST(Worker, StartingSideWaitsForTheJobAndAnAbortReachesAPausedJob) {
    // A host whose wait box is the core latch, as the terminal's.
    struct CWaitingHost : CHostRecorder {
        void EndWaitBox(int result) override {
            CHostRecorder::EndWaitBox(result);
            box.End(result);
        }
        CWaitBox box;
    };
    CTempDir dir;
    const std::string movie = MakeAvi(dir, "movie.avi", 5, false);
    CWaitingHost host;
    CWorker worker(host);
    std::atomic<int> frames{0};
    const CJobRegistration encode =
        worker.RegisterJob(JobKind::JOB_ENCODE, [&](CWorker& w, const CJobRequest&) {
            for (int i = 0; i < 1'000'000; ++i) {
                if (!w.PassPauseGate())
                    return CJobResult::Stopped();
                ++frames;
            }
            return CJobResult::Done();
        });
    CWinBaseThread thread;
    thread.SetJob(&worker);
    thread.Start();

    ASSERT_TRUE(worker.OpenInputs("", "", movie));
    CJobRequest request = CJobRequest::Of(JobKind::JOB_ENCODE_CLOSE_ALL);
    request.bPieceMode = true;
    worker.GetPauseGate().Pause();
    host.JobStarted();
    worker.Submit(request);
    // The job holds at the gate; the user confirms the abort.
    ASSERT_TRUE(WaitUntil([&] { return worker.GetPauseGate().GetWaitingCount() == 1; }));
    worker.RequestAbort();
    EXPECT_EQ(host.box.Wait(), 0);
    thread.Stop(); // the job has left the encoding: the join returns
    EXPECT_LE(frames.load(), 1);
    EXPECT_FALSE(worker.GetFile(CWorker::FILE_SOURCE).IsOpen());
    EXPECT_FALSE(worker.IsAbortSet());
}

// Pasting jobs (copy, merge, assembly, the encoding's audio) pass the pause
// gate at every frame and audio block, not only between files.
TEST(Worker, PauseHoldsAPasteInsideTheJob) {
    CTempDir dir;
    const std::string source = MakeAvi(dir, "0.avi", 10, true);
    CHostRecorder host;
    CWorker worker(host);
    ASSERT_TRUE(worker.PrepareCopy(dir.File("copy.avi"), source));
    CManualResetEvent idle;
    CWinBaseThread thread;
    thread.SetIdleEvent(&idle);
    thread.SetJob(&worker);
    thread.Start();
    idle.Wait();
    idle.Reset();

    worker.GetPauseGate().Pause();
    worker.Submit(CJobRequest::Of(JobKind::JOB_COPY));
    for (int i = 0; i < 500 && worker.GetPauseGate().GetWaitingCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(worker.GetPauseGate().GetWaitingCount(), 1);
    EXPECT_FALSE(idle.WaitFor(std::chrono::milliseconds(100)));
    CAVIFile& copy = worker.GetFile(CWorker::FILE_COPY_DESTINATION);
    EXPECT_EQ(copy.GetStream(copy.GetVideoIndex())->GetLength(), 0);

    worker.GetPauseGate().Resume();
    ASSERT_TRUE(idle.WaitFor(std::chrono::seconds(30)));
    thread.Stop();
    EXPECT_EQ(copy.GetStream(copy.GetVideoIndex())->GetLength(), 10);
}
