// The one-pass encoding of the LOW and FAST files from the sample movie:
// shared key frames, the source's audio in both, piece mode, abort, pause,
// and a compressor that cannot be set up. ffprobe/ffmpeg judge the files.

#include "jobs/CEncodeJob.h"
#include "jobs/CManualResetEvent.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/CSampleMovie.h"
#include "platform/CCompressorRegistry.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/LimitedChild.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

std::vector<int64_t> Multiples(int64_t step, int64_t below) {
    std::vector<int64_t> out;
    for (int64_t i = 0; i < below; i += step)
        out.push_back(i);
    return out;
}

class EncodeJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        SampleMovieOptions options;
        options.width = 160;
        options.height = 120;
        options.frames = 70;
        options.audioRate = 22050;
        options.audioChannels = 1;
        std::string error;
        ASSERT_TRUE(CSampleMovie(options).Write(Source(), &error)) << error;
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Source() { return s_dir->File("source.avi"); }

    void SetUp() override {
        std::string error;
        // A bit rate that fits the small picture: at the presets' own rate
        // both would code every frame with the finest quantiser.
        ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3:bitrate=120", m_low, &error)) << error;
        ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV4:bitrate=120", m_fast, &error)) << error;
        m_worker.SetCodecOptions(&m_low, &m_fast);
        m_worker.SetProgressTimer(&m_timer);
        m_job.Register();
        ASSERT_TRUE(m_worker.OpenInputs("", "", Source()));
    }

    bool Prepare() {
        return m_job.PrepareEncoding(Low(), 25, true, false) && m_job.PrepareEncoding(Fast(), 25, true, true);
    }
    CJobResult RunKind(JobKind kind) {
        CJobRequest request = m_request;
        request.kind = kind;
        return m_worker.RunInline(request);
    }
    CJobRequest m_request;
    std::string Low() const { return m_out.File("low.avi"); }
    std::string Fast() const { return m_out.File("fast.avi"); }

    static CTempDir* s_dir;
    CTempDir m_out;
    CHostRecorder m_host;
    CodecOptions m_low, m_fast;
    CProgressTimer m_timer;
    CWorker m_worker{m_host};
    CEncodeJob m_job{m_worker};
};
CTempDir* EncodeJobTest::s_dir = nullptr;

TEST_F(EncodeJobTest, BothFilesShareTheKeyFramesAndCarryTheSourceAudio) {
    ASSERT_TRUE(Prepare());
    RunKind(JobKind::JOB_ENCODE_KEEP_SOURCE);
    ASSERT_TRUE(m_job.Succeeded());
    EXPECT_TRUE(m_host.Messages().empty());
    const auto status = m_host.StatusTexts();
    EXPECT_EQ(status.front(), "Creating Frame 0 of 70 ... (Low and Fast)");
    EXPECT_EQ(status.back(), "Writing Sucessfull!");
    EXPECT_EQ(m_host.PercentTexts().back(), "100 %");
    EXPECT_EQ(m_host.WaitBoxResults(), std::vector<int>{0});
    EXPECT_EQ(m_host.JobFinishedCount(), 0);

    // The audio is copied unchanged; only its chunking follows the copy's
    // 32 KB blocks.
    const auto sourceAudio = DecodeAudioS16(Source());
    ASSERT_FALSE(sourceAudio.empty());
    for (const std::string& file : {Low(), Fast()}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ProbePackets(file, "v:0").size(), 70u);
        EXPECT_EQ(ProbeVideoKeyFrames(file), Multiples(25, 70));
        EXPECT_TRUE(DecodeAudioS16(file) == sourceAudio);
        EXPECT_EQ(FfmpegDecodeErrors(file), "");
        auto streams = ProbeStreams(file);
        ASSERT_FALSE(streams.empty());
        EXPECT_EQ(streams[0].codecName, "msmpeg4v3");
    }
    // The two presets really are two encodings of the same frames.
    EXPECT_NE(FramemD5Copy(Low(), "v:0"), FramemD5Copy(Fast(), "v:0"));
}

// A source that stores its rows top-down (as ffmpeg writes uncompressed
// video) or bottom-up is encoded upright: the lossless LOW and FAST files
// show exactly the pictures ffmpeg shows for the source.
TEST_F(EncodeJobTest, UncompressedSourcesOfEitherRowOrderAreEncodedUpright) {
    std::string error;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("HFYU", m_low, &error)) << error;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("HFYU", m_fast, &error)) << error;
    for (bool bottomUp : {false, true}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        const std::string source = m_out.File(bottomUp ? "up.avi" : "down.avi");
        const CommandResult made = Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=50x36:rate=25", "-frames:v",
                                           "8", "-c:v", "rawvideo", "-pix_fmt", "bgr24", source});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        if (bottomUp) {
            ASSERT_TRUE(MarkRawAviBottomUp(source));
        }
        ASSERT_TRUE(m_worker.OpenInputs("", "", source));
        ASSERT_TRUE(Prepare());
        RunKind(JobKind::JOB_ENCODE_KEEP_SOURCE);
        ASSERT_TRUE(m_job.Succeeded());
        const auto expected = FfmpegFramesBottomUp(source, 50, 36);
        ASSERT_EQ(expected.size(), 8u);
        EXPECT_TRUE(FfmpegFramesBottomUp(Low(), 50, 36) == expected);
        EXPECT_TRUE(FfmpegFramesBottomUp(Fast(), 50, 36) == expected);
    }
}

TEST_F(EncodeJobTest, PiecesStartAtFrameZeroWithAKeyFrameAndHaveNoAudio) {
    m_request.bPieceMode = true;
    m_request.nPieceFirst = 25;
    m_request.nPieceEnd = 50;
    ASSERT_TRUE(Prepare());
    RunKind(JobKind::JOB_ENCODE_KEEP_SOURCE);
    EXPECT_FALSE(m_host.LastPiece()); // 50 lies inside the movie
    EXPECT_EQ(ProbePackets(Low(), "v:0").size(), 25u);
    EXPECT_EQ(ProbeVideoKeyFrames(Fast()), std::vector<int64_t>{0});
    EXPECT_TRUE(ProbePackets(Low(), "a:0").empty());
    // The piece is no end of the whole encoding: no success text yet.
    for (const auto& text : m_host.StatusTexts())
        EXPECT_NE(text, "Writing Sucessfull!");

    // A piece reaching past the end stops at the last frame and is the last.
    m_host.Clear();
    m_request.nPieceFirst = 50;
    m_request.nPieceEnd = 75;
    ASSERT_TRUE(Prepare());
    RunKind(JobKind::JOB_ENCODE_KEEP_SOURCE);
    EXPECT_TRUE(m_host.LastPiece());
    EXPECT_EQ(ProbePackets(Low(), "v:0").size(), 20u);
    EXPECT_EQ(ProbeVideoKeyFrames(Low()), std::vector<int64_t>{0});
    EXPECT_EQ(m_host.StatusTexts().back(), "Writing Sucessfull!");
}

TEST_F(EncodeJobTest, ACompressorThatCannotBeSetUpStopsThePreparation) {
    m_fast.lpParms = {0xde, 0xad, 0xbe, 0xef};
    EXPECT_TRUE(m_job.PrepareEncoding(Low(), 25, true, false));
    EXPECT_FALSE(m_job.PrepareEncoding(Fast(), 25, true, true));
    ASSERT_EQ(m_host.Messages().size(), 1u);
    EXPECT_NE(m_host.Messages()[0].text.find("Cannot set up the FAST compressor"), std::string::npos);
    RunKind(JobKind::JOB_ENCODE_KEEP_SOURCE);
    EXPECT_FALSE(m_job.Succeeded());
    EXPECT_EQ(m_job.GetFramesDone(), 0);
}

// On the worker thread: pausing stops the frame loop, "Normal" lets it go on;
// an abort skips the rest and leaves closed, readable files.
TEST_F(EncodeJobTest, PauseHoldsTheEncodingAndAbortEndsItEarly) {
    CManualResetEvent idle;
    CWinBaseThread thread;
    thread.SetIdleEvent(&idle);
    thread.SetJob(&m_worker);
    thread.Start();
    idle.Wait();
    idle.Reset();
    ASSERT_TRUE(Prepare());

    m_worker.GetPauseGate().Pause();
    std::atomic<bool> stopped{false};
    m_worker.Submit(CJobRequest::Of(JobKind::JOB_ENCODE_KEEP_SOURCE),
                    [&](const CJobResult& result) { stopped = result.IsStopped(); });
    for (int i = 0; i < 500 && m_worker.GetPauseGate().GetWaitingCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(m_worker.GetPauseGate().GetWaitingCount(), 1);
    const int32_t held = m_job.GetFramesDone();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(m_job.GetFramesDone(), held);

    // Abort while paused: the gate opens and the loop ends at once.
    m_worker.RequestAbort();
    ASSERT_TRUE(idle.WaitFor(std::chrono::seconds(60)));
    thread.Stop();
    EXPECT_TRUE(stopped.load());
    EXPECT_FALSE(m_job.Succeeded());
    EXPECT_LT(m_job.GetFramesDone(), 70);
    for (const auto& text : m_host.StatusTexts())
        EXPECT_NE(text, "Writing Sucessfull!");
    // Whatever was written is a finished file ffprobe can read.
    EXPECT_EQ(ProbePackets(Low(), "v:0").size(), static_cast<size_t>(m_job.GetFramesDone()));
}

} // namespace

namespace {

// A disk that fills up while the LOW and FAST files are written: one
// message, a failed result, and neither file left half made. Only this
// thread may live at the fork, so the test makes its own source.
TEST(EncodeJobWriteError, GivesOneMessageAndAFailedResult) {
    CTempDir dir;
    SampleMovieOptions options;
    options.width = 160;
    options.height = 120;
    options.frames = 70;
    std::string error;
    ASSERT_TRUE(CSampleMovie(options).Write(dir.File("source.avi"), &error)) << error;
    const int outcome = RunInLimitedChild(32 * 1024, [&] {
        CHostRecorder host;
        CWorker worker(host);
        CodecOptions low, fast;
        std::string why;
        if (!CCompressorRegistry::ParseSettings("DIV3", low, &why) ||
            !CCompressorRegistry::ParseSettings("DIV4", fast, &why))
            return 100;
        worker.SetCodecOptions(&low, &fast);
        CEncodeJob job(worker);
        job.Register();
        if (!worker.OpenInputs("", "", dir.File("source.avi")) ||
            !job.PrepareEncoding(dir.File("low.avi"), 25, true, false) ||
            !job.PrepareEncoding(dir.File("fast.avi"), 25, true, true))
            return 101;
        const CJobResult result = worker.RunInline(CJobRequest::Of(JobKind::JOB_ENCODE_KEEP_SOURCE));
        const bool fastGone = !std::filesystem::exists(dir.File("fast.avi"));
        return WriteErrorOutcome(result, host, dir.File("low.avi")) | (fastGone ? 0 : 64);
    });
    EXPECT_EQ(outcome, WRITE_ERROR_HANDLED);
}

} // namespace
