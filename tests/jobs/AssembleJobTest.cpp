// The final assembly end to end: a LOW and a FAST movie made by ffmpeg with
// key frames at the same places, an encoding list, the job on the worker,
// and the result checked chunk by chunk by ffmpeg.

#include "JobsTestUtil.h"
#include "encoding/CEncodingList.h"
#include "jobs/CAssembleJob.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/LimitedChild.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>

namespace {

template <class T> std::vector<T> Slice(const std::vector<T>& all, size_t from, size_t to) {
    return std::vector<T>(all.begin() + static_cast<long>(std::min(from, all.size())),
                          all.begin() + static_cast<long>(std::min(to, all.size())));
}

template <class T> void Append(std::vector<T>& to, const std::vector<T>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

std::vector<bool> KeyFlags(const std::string& path) {
    std::vector<bool> flags;
    for (const ProbePacket& packet : ProbePackets(path, "v:0"))
        flags.push_back(packet.key);
    return flags;
}

class AssembleJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        // Two encodings of one source: same frames and key frames, different
        // quality; their audio differs in pitch so each part's origin shows.
        fmtest::FfmpegMovie spec;
        spec.frames = 500;
        spec.audio = "pcm";
        spec.quality = 3;
        ASSERT_TRUE(MakeTestMovie(Input("low.avi"), spec));
        spec.quality = 20;
        spec.audioFrequency = 1000;
        spec.videoTag = "XVID";
        ASSERT_TRUE(MakeTestMovie(Input("fast.avi"), spec));
        spec.audio = "";
        ASSERT_TRUE(MakeTestMovie(Input("fast_silent.avi"), spec));
        spec.quality = 3;
        spec.videoTag = "";
        ASSERT_TRUE(MakeTestMovie(Input("low_silent.avi"), spec));
        spec.audio = "pcm";
        spec.audioSeconds = 5; // half the video
        ASSERT_TRUE(MakeTestMovie(Input("low_short_audio.avi"), spec));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Input(const std::string& name) { return s_dir->File(name); }

    void Open(const std::string& low, const std::string& fast) {
        ASSERT_TRUE(m_low.Open(Input(low)));
        ASSERT_TRUE(m_fast.Open(Input(fast)));
    }
    void Add(bool low, int32_t start, int32_t end) {
        ASSERT_GE(
            m_list.AddPart(low ? m_low : m_fast, low ? EPartEncoding::Low : EPartEncoding::Fast, start, end),
            0);
    }
    // "Start Creating": the output is created, then job kind 2 runs.
    bool Assemble(const std::string& output) {
        m_worker.SetOutput(output, m_low.GetStream(m_low.GetVideoIndex())->GetFramesPerSecond());
        m_result = m_worker.RunInline(CJobRequest::Of(JobKind::JOB_ASSEMBLE));
        EXPECT_EQ(m_result.IsDone(), m_job.Succeeded());
        return m_job.Succeeded();
    }

    static CTempDir* s_dir;
    CTempDir m_out;
    CHostRecorder m_host;
    CAVIFile m_low{m_host};
    CAVIFile m_fast{m_host};
    CEncodingList m_list;
    CProgressTimer m_timer;
    CWorker m_worker{m_host};
    CAssembleJob m_job{m_worker, m_list, m_low, m_fast};
    CJobResult m_result;

    void SetUp() override {
        m_job.Register();
        m_worker.SetProgressTimer(&m_timer);
    }
};
CTempDir* AssembleJobTest::s_dir = nullptr;

TEST_F(AssembleJobTest, LowAndFastPartsAreCopiedChunkForChunk) {
    Open("low.avi", "fast.avi");
    Add(true, 0, 250);
    Add(false, 250, 500);
    const std::string out = m_out.File("final.avi");
    ASSERT_TRUE(Assemble(out));

    std::vector<std::string> video = Slice(PacketHashes(Input("low.avi"), "v:0"), 0, 250);
    Append(video, Slice(PacketHashes(Input("fast.avi"), "v:0"), 250, 500));
    ASSERT_EQ(video.size(), 500u);
    EXPECT_EQ(PacketHashes(out, "v:0"), video);
    std::vector<bool> keys = Slice(KeyFlags(Input("low.avi")), 0, 250);
    Append(keys, Slice(KeyFlags(Input("fast.avi")), 250, 500));
    EXPECT_EQ(KeyFlags(out), keys);
    EXPECT_NE(PacketHashes(Input("low.avi"), "v:0"), PacketHashes(Input("fast.avi"), "v:0"))
        << "the two encodings must differ for this test to mean anything";

    // 10 s of the LOW file's audio, then the next 10 s of the FAST file's.
    std::vector<int16_t> audio = Slice(DecodeAudioS16(Input("low.avi")), 0, 80000);
    Append(audio, Slice(DecodeAudioS16(Input("fast.avi")), 80000, 160000));
    EXPECT_TRUE(DecodeAudioS16(out) == audio);
    EXPECT_EQ(FfmpegDecodeErrors(out), "");
    const auto streams = ProbeStreams(out);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codecType, "video");
    EXPECT_EQ(streams[0].codecTag, "FMP4") << "the header of the first row's file";

    const std::vector<std::string> status = m_host.StatusTexts();
    const std::vector<std::string> expected = {"Writing Video: 00:00:00,000 - 00:00:10,000 (Low)",
                                               "Writing Video: 00:00:10,000 - 00:00:20,000 (Fast)",
                                               "Writing Audio: 00:00:00,000 - 00:00:10,000 (Low)",
                                               "Writing Audio: 00:00:10,000 - 00:00:20,000 (Fast)",
                                               "Writing Sucessfull!"};
    EXPECT_EQ(status, expected);
    EXPECT_EQ(m_host.ProgressRange(), std::make_pair(0, 1000));
    EXPECT_EQ(m_host.ProgressPositions(), (std::vector<int>{0, 0, 250, 500, 750, 1000}));
    EXPECT_EQ(m_host.PercentTexts(),
              (std::vector<std::string>{"0 %", "0 %", "25 %", "50 %", "75 %", "100 %"}));
    EXPECT_EQ(m_timer.GetTotal(), 1000);
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(AssembleJobTest, GapsOverlapsAndAFastFirstRowAreWrittenAsTheRowsSay) {
    Open("low.avi", "fast.avi");
    Add(false, 0, 100);
    Add(true, 200, 300);
    Add(false, 260, 350); // overlaps, and starts on no key frame
    const std::string out = m_out.File("final.avi");
    ASSERT_TRUE(Assemble(out));

    const auto low = PacketHashes(Input("low.avi"), "v:0");
    const auto fast = PacketHashes(Input("fast.avi"), "v:0");
    std::vector<std::string> video = Slice(fast, 0, 100);
    Append(video, Slice(low, 200, 300));
    Append(video, Slice(fast, 260, 350));
    EXPECT_EQ(PacketHashes(out, "v:0"), video);
    const auto lowKeys = KeyFlags(Input("low.avi"));
    const auto fastKeys = KeyFlags(Input("fast.avi"));
    std::vector<bool> keys = Slice(fastKeys, 0, 100);
    Append(keys, Slice(lowKeys, 200, 300));
    Append(keys, Slice(fastKeys, 260, 350));
    EXPECT_EQ(KeyFlags(out), keys);
    EXPECT_FALSE(keys[200]) << "a part off its key frame starts with a delta frame";

    // 290 frames of 40 ms: 11.6 s of audio, each part from its own file.
    const auto lowAudio = DecodeAudioS16(Input("low.avi"));
    const auto fastAudio = DecodeAudioS16(Input("fast.avi"));
    std::vector<int16_t> audio = Slice(fastAudio, 0, 32000);
    Append(audio, Slice(lowAudio, 64000, 96000));
    Append(audio, Slice(fastAudio, 83200, 112000));
    EXPECT_TRUE(DecodeAudioS16(out) == audio);
    const auto streams = ProbeStreams(out);
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].codecTag, "XVID") << "the header of the first row's file (FAST)";
}

TEST_F(AssembleJobTest, MissingOrShortAudio) {
    // No audio in either file: video only.
    Open("low_silent.avi", "fast_silent.avi");
    Add(true, 0, 500);
    const std::string out = m_out.File("final.avi");
    ASSERT_TRUE(Assemble(out));
    auto streams = ProbeStreams(out);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codecType, "video");

    // Audio that ends before the part does: the copy stops at its end.
    m_list.Clear();
    m_low.Close();
    m_fast.Close();
    Open("low_short_audio.avi", "fast.avi");
    Add(true, 0, 500);
    ASSERT_TRUE(Assemble(out));
    EXPECT_TRUE(DecodeAudioS16(out) == DecodeAudioS16(Input("low_short_audio.avi")));
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(AssembleJobTest, FailuresStillEndTheJob) {
    Open("low.avi", "fast.avi");
    Add(true, 0, 250);
    // The output cannot be created: a message, nothing written, job finished.
    const std::string out = m_out.File("no/such/dir/final.avi");
    EXPECT_FALSE(Assemble(out));
    EXPECT_TRUE(m_host.HasMessage("Cannot create the final AVI file " + out));
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
    const auto status = m_host.StatusTexts();
    EXPECT_EQ(std::count(status.begin(), status.end(), "Writing Sucessfull!"), 0);
    EXPECT_TRUE(m_timer.IsStopped());

    // The output is an input: refused, the input untouched.
    m_host.Clear();
    const auto before = ReadFileBytes(Input("low.avi"));
    EXPECT_FALSE(Assemble(Input("low.avi")));
    EXPECT_TRUE(ReadFileBytes(Input("low.avi")) == before);
    EXPECT_EQ(m_host.JobFinishedCount(), 1);

    // An empty list gives a file without streams, and success.
    m_host.Clear();
    m_list.Clear();
    const std::string empty = m_out.File("empty.avi");
    EXPECT_TRUE(Assemble(empty));
    EXPECT_TRUE(std::filesystem::exists(empty));
    EXPECT_EQ(m_host.StatusTexts().back(), "Writing Sucessfull!");
    EXPECT_EQ(m_host.PercentTexts().back(), "100 %");
}

} // namespace

namespace {

// On the worker thread: held at the gate before its first chunk, nothing is
// written; a stop there ends the job with its output removed.
TEST_F(AssembleJobTest, PauseHoldsItAndAStopEndsItWithoutOutput) {
    Open("low.avi", "fast.avi");
    Add(true, 0, 250);
    Add(false, 250, 500);
    const std::string out = m_out.File("stopped.avi");
    m_worker.SetOutput(out, 25);
    bool held = false;
    const CJobResult result = RunPausedThenStopped(m_worker, CJobRequest::Of(JobKind::JOB_ASSEMBLE), [&] {
        CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
        const CAVIStream* video = output.GetStream(output.GetVideoIndex());
        held = video == nullptr || video->GetLength() == 0;
    });
    EXPECT_TRUE(held);
    EXPECT_TRUE(result.IsStopped());
    EXPECT_FALSE(std::filesystem::exists(out));
    const auto status = m_host.StatusTexts();
    EXPECT_EQ(std::count(status.begin(), status.end(), "Writing Sucessfull!"), 0);
    EXPECT_TRUE(m_host.Messages().empty());
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
}

// A disk that fills up: one message, a failed result, no output left.
TEST_F(AssembleJobTest, AWriteErrorGivesOneMessageAndAFailedResult) {
    const std::string out = m_out.File("full.avi");
    const int outcome = RunInLimitedChild(64 * 1024, [&] {
        CHostRecorder host;
        CWorker worker(host);
        CAVIFile low(host), fast(host);
        CEncodingList list;
        if (!low.Open(Input("low.avi")) || !fast.Open(Input("fast.avi")) ||
            list.AddPart(low, EPartEncoding::Low, 0, 500) < 0)
            return 100;
        CAssembleJob job(worker, list, low, fast);
        job.Register();
        worker.SetOutput(out, 25);
        return WriteErrorOutcome(worker.RunInline(CJobRequest::Of(JobKind::JOB_ASSEMBLE)), host, out);
    });
    EXPECT_EQ(outcome, WRITE_ERROR_HANDLED);
}

} // namespace
