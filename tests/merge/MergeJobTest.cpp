// The merge job end to end: files made by ffmpeg are joined on the worker
// and the result is read back by ffmpeg/ffprobe and by our own reader.

#include "../jobs/JobsTestUtil.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "merge/CMergeJob.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/LimitedChild.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>

namespace {

// Shared inputs: made once, only read by the tests.
class MergeJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        // The classic case: 1000 frames (40 s) with 40 ms of audio missing.
        fmtest::FfmpegMovie pcm;
        pcm.frames = 1000;
        pcm.audio = "pcm";
        pcm.audioSeconds = 39.96;
        ASSERT_TRUE(MakeTestMovie(Input("a.avi"), pcm));
        pcm.pattern = "smptebars";
        ASSERT_TRUE(MakeTestMovie(Input("b.avi"), pcm));
        fmtest::FfmpegMovie mp3 = pcm;
        mp3.audio = "mp3";
        mp3.sampleRate = 44100;
        ASSERT_TRUE(MakeTestMovie(Input("a_mp3.avi"), mp3));
        mp3.pattern = "testsrc";
        ASSERT_TRUE(MakeTestMovie(Input("b_mp3.avi"), mp3));
        fmtest::FfmpegMovie small;
        small.audio = "pcm";
        small.audioSeconds = 4.5; // longer than its 4 s of video
        ASSERT_TRUE(MakeTestMovie(Input("long_audio.avi"), small));
        small.audio = "";
        ASSERT_TRUE(MakeTestMovie(Input("silent.avi"), small));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Input(const std::string& name) { return s_dir->File(name); }

    // Runs the merge tool's flow: inputs, preparation, job kind 6.
    bool Merge(const std::vector<std::string>& inputs, const std::string& output, bool sync = true,
               const std::string& excluded = "") {
        m_worker.ClearMergeInputs();
        CJobRequest request = CJobRequest::Of(JobKind::JOB_MERGE);
        request.bTrySynchronization = sync;
        request.strExcludedMergeName = excluded;
        for (const std::string& input : inputs)
            m_worker.AddMergeInput(input, true);
        m_job.PrepareMerge(output, nullptr, false, false);
        m_result = m_worker.RunInline(request);
        EXPECT_EQ(m_result.IsDone(), m_job.Succeeded());
        return m_job.Succeeded();
    }

    static int32_t StreamMs(const CAVIFile& file, int index) {
        const CAVIStream* stream = file.GetStream(index);
        return stream ? stream->SampleToTime(stream->GetLength()) : -1;
    }

    static std::vector<std::string> Concat(const std::vector<std::vector<std::string>>& parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    static CTempDir* s_dir;
    CTempDir m_out;
    CHostRecorder m_host;
    CWorker m_worker{m_host};
    CMergeJob m_job{m_worker};
    CJobResult m_result;

    void SetUp() override { m_job.Register(); }
};
CTempDir* MergeJobTest::s_dir = nullptr;

TEST_F(MergeJobTest, SynchronisationPadsEachFilesAudioToItsVideo) {
    const std::string out = m_out.File("out.avi");
    ASSERT_TRUE(Merge({Input("a.avi"), Input("b.avi")}, out));

    CAVIFile merged(m_host);
    ASSERT_TRUE(merged.Open(out));
    EXPECT_EQ(merged.GetStream(merged.GetVideoIndex())->GetLength(), 2000);
    EXPECT_EQ(StreamMs(merged, merged.GetAudioIndex()), 80000);

    EXPECT_EQ(PacketHashes(out, "v:0"),
              Concat({PacketHashes(Input("a.avi"), "v:0"), PacketHashes(Input("b.avi"), "v:0")}));
    // Each file's audio, then 40 ms (320 samples) of silence.
    std::vector<int16_t> expected = DecodeAudioS16(Input("a.avi"));
    ASSERT_EQ(expected.size(), 319680u);
    expected.resize(expected.size() + 320, 0);
    const std::vector<int16_t> second = DecodeAudioS16(Input("b.avi"));
    expected.insert(expected.end(), second.begin(), second.end());
    expected.resize(expected.size() + 320, 0);
    EXPECT_TRUE(DecodeAudioS16(out) == expected);
    EXPECT_EQ(FfmpegDecodeErrors(out), "");

    EXPECT_EQ(m_host.StatusTexts().back(), "Writing Sucessfull!");
    EXPECT_EQ(m_host.ProgressPositions().back(), 10000);
    EXPECT_EQ(m_host.PercentTexts().back(), "100 %");
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(MergeJobTest, WithoutSynchronisationTheAudioStaysShort) {
    const std::string out = m_out.File("out.avi");
    ASSERT_TRUE(Merge({Input("a.avi"), Input("b.avi")}, out, false));
    CAVIFile merged(m_host);
    ASSERT_TRUE(merged.Open(out));
    EXPECT_EQ(StreamMs(merged, merged.GetVideoIndex()), 80000);
    EXPECT_EQ(StreamMs(merged, merged.GetAudioIndex()), 79920);
}

TEST_F(MergeJobTest, Mp3PaddingDecodesAsSilence) {
    const std::string out = m_out.File("out.avi");
    ASSERT_TRUE(Merge({Input("a_mp3.avi"), Input("b_mp3.avi")}, out));
    EXPECT_EQ(FfmpegDecodeErrors(out), "");

    CAVIFile merged(m_host), first(m_host);
    ASSERT_TRUE(merged.Open(out));
    ASSERT_TRUE(first.Open(Input("a_mp3.avi")));
    const CAVIStream* audio = merged.GetStream(merged.GetAudioIndex());
    const int32_t frames = first.GetStream(first.GetAudioIndex())->GetLength();
    // Padded to the video within one MP3 frame (26 ms).
    EXPECT_NEAR(StreamMs(merged, merged.GetAudioIndex()), StreamMs(merged, merged.GetVideoIndex()), 27);
    EXPECT_GT(audio->GetLength(), 2 * frames);

    // The padding after the first file: the decoder's overlap of the last
    // real frame aside, it is silent.
    const std::vector<int16_t> decoded = DecodeAudioS16(out);
    const size_t from = static_cast<size_t>(frames + 1) * 1152;
    ASSERT_GT(decoded.size(), from + 1152);
    int peak = 0;
    for (size_t i = from; i < from + 1152; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(decoded[i])));
    EXPECT_LE(peak, 1);
    const std::vector<int16_t> tone = DecodeAudioS16(Input("a_mp3.avi"));
    int tonePeak = 0;
    for (size_t i = 5000; i < 6152; ++i)
        tonePeak = std::max(tonePeak, std::abs(static_cast<int>(tone[i])));
    EXPECT_GT(tonePeak, 1000) << "the check above must be able to tell sound from silence";
}

TEST_F(MergeJobTest, ExcludedFileGivesAudioOnly) {
    const std::string out = m_out.File("out.avi");
    // The excluded name may be spelled differently from the input's path.
    const std::string excluded = s_dir->Path().string() + "/./b.avi";
    ASSERT_TRUE(Merge({Input("a.avi"), Input("b.avi")}, out, true, excluded));
    CAVIFile merged(m_host);
    ASSERT_TRUE(merged.Open(out));
    EXPECT_EQ(PacketHashes(out, "v:0"), PacketHashes(Input("a.avi"), "v:0"));
    EXPECT_EQ(StreamMs(merged, merged.GetAudioIndex()), 80000);
}

TEST_F(MergeJobTest, LongAudioWarnsAndSilentFilesAreNotPadded) {
    const std::string out = m_out.File("out.avi");
    ASSERT_TRUE(Merge({Input("long_audio.avi"), Input("silent.avi"), Input("long_audio.avi")}, out));
    const std::string warning = "Synchronization Warning: Audio Stream is longer than the Video "
                                "Stream.\r\n\r\nSolution: Not supported yet.";
    const auto messages = m_host.Messages();
    ASSERT_EQ(messages.size(), 2u) << "once per file whose audio is too long";
    EXPECT_EQ(messages[0].text, warning);

    CAVIFile merged(m_host), input(m_host);
    ASSERT_TRUE(merged.Open(out));
    ASSERT_TRUE(input.Open(Input("long_audio.avi")));
    EXPECT_EQ(merged.GetStream(merged.GetVideoIndex())->GetLength(), 300);
    EXPECT_EQ(merged.GetStream(merged.GetAudioIndex())->GetLength(),
              2 * input.GetStream(input.GetAudioIndex())->GetLength())
        << "nothing padded";
}

TEST_F(MergeJobTest, NothingToMergeOrNowhereToWriteStillEndsTheJob) {
    // No input opened: the messages were shown; no file is made.
    const std::string out = m_out.File("out.avi");
    EXPECT_FALSE(Merge({m_out.File("missing.avi")}, out));
    EXPECT_TRUE(m_host.HasMessage("Failed to open AVI File: "));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
    // A file already under the output's name stays as it was.
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};
    WriteFileBytes(out, mine);
    m_host.Clear();
    EXPECT_FALSE(Merge({m_out.File("missing.avi")}, out));
    EXPECT_EQ(ReadFileBytes(out), mine);
    std::filesystem::remove(out);

    // The output cannot be created.
    m_host.Clear();
    EXPECT_FALSE(Merge({Input("a.avi")}, m_out.File("no/such/dir/out.avi")));
    EXPECT_TRUE(m_host.HasMessage("Error! Can´t create new file!"));
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
    const auto status = m_host.StatusTexts();
    EXPECT_EQ(std::count(status.begin(), status.end(), "Writing Sucessfull!"), 0);

    // The output is one of the inputs: refused, the input stays intact.
    m_host.Clear();
    const std::string copy = m_out.File("copy.avi");
    std::filesystem::copy_file(Input("a.avi"), copy);
    const auto before = ReadFileBytes(copy);
    EXPECT_FALSE(Merge({copy, Input("b.avi")}, copy));
    m_worker.ClearMergeInputs();
    EXPECT_TRUE(ReadFileBytes(copy) == before);
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
}

TEST_F(MergeJobTest, PieceModeLeavesTheOutputOpenAndEndsTheWaitBox) {
    const std::string out = m_out.File("piece.avi");
    m_worker.ClearMergeInputs();
    ASSERT_TRUE(m_worker.AddMergeInput(Input("silent.avi"), true));
    ASSERT_TRUE(m_job.PrepareMerge(out, nullptr, false, false));
    CJobRequest piece = CJobRequest::Of(JobKind::JOB_MERGE);
    piece.bPieceMode = true;
    EXPECT_TRUE(m_worker.RunInline(piece).IsDone());
    EXPECT_TRUE(m_job.Succeeded());
    EXPECT_EQ(m_host.WaitBoxResults(), std::vector<int>{0});
    EXPECT_EQ(m_host.JobFinishedCount(), 0);
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
    EXPECT_TRUE(output.IsOpen());
    EXPECT_EQ(output.GetStream(output.GetVideoIndex())->GetLength(), 100);
    EXPECT_TRUE(output.Close());
}

} // namespace

namespace {

// On the worker thread: held at the gate inside the first input's video
// (the paste passes it at every chunk), nothing more is written; a stop
// there ends the job with its output removed.
TEST_F(MergeJobTest, PauseHoldsItWithinAChunkAndAStopEndsItWithoutOutput) {
    const std::string out = m_out.File("stopped.avi");
    m_worker.ClearMergeInputs();
    ASSERT_TRUE(m_worker.AddMergeInput(Input("a.avi"), true));
    ASSERT_TRUE(m_worker.AddMergeInput(Input("b.avi"), true));
    ASSERT_TRUE(m_job.PrepareMerge(out, nullptr, false, false));
    int32_t heldAt = -1;
    const CJobResult result = RunPausedThenStopped(m_worker, CJobRequest::Of(JobKind::JOB_MERGE), [&] {
        CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
        heldAt = output.GetStream(output.GetVideoIndex())->GetLength();
    });
    EXPECT_EQ(heldAt, 0);
    EXPECT_TRUE(result.IsStopped());
    EXPECT_FALSE(std::filesystem::exists(out));
    const auto status = m_host.StatusTexts();
    EXPECT_EQ(std::count(status.begin(), status.end(), "Writing Sucessfull!"), 0);
    EXPECT_TRUE(m_host.Messages().empty());
}

// A disk that fills up: one message, a failed result, no output left.
TEST_F(MergeJobTest, AWriteErrorGivesOneMessageAndAFailedResult) {
    const std::string out = m_out.File("full.avi");
    const int outcome = RunInLimitedChild(64 * 1024, [&] {
        CHostRecorder host;
        CWorker worker(host);
        CMergeJob job(worker);
        job.Register();
        if (!worker.AddMergeInput(Input("a.avi"), true) || !worker.AddMergeInput(Input("b.avi"), true) ||
            !job.PrepareMerge(out, nullptr, false, false))
            return 100;
        return WriteErrorOutcome(worker.RunInline(CJobRequest::Of(JobKind::JOB_MERGE)), host, out);
    });
    EXPECT_EQ(outcome, WRITE_ERROR_HANDLED);
}

} // namespace
