// Creating a movie from a data base and the source alone: one temporary file
// per interval, joined in order, checked and deleted; refusals before
// anything is written; abort; a total of 0 frames.

#include "../jobs/JobsTestUtil.h"
#include "database/CDataBaseCreation.h"
#include "database/CMovieDataBase.h"
#include "encoding/EncodingPart.h"
#include "jobs/CWaitBox.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CSampleMovie.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CodecOptions.h"
#include "support/CEventLoopHost.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/LimitedChild.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

enum EOutcome { RESULT_NOTHING, RESULT_CREATED, RESULT_FAILED, RESULT_ABORTED };

// The recorder, with the wait box that the jobs end.
class CWaitHost : public CHostRecorder {
public:
    void EndWaitBox(int result) override {
        CHostRecorder::EndWaitBox(result);
        m_box.End(result);
    }
    CWaitBox m_box;
};

// 100 frames at 25 per second with 8 kHz mono audio.
class DataBaseCreation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir;
        SampleMovieOptions options;
        options.width = 64;
        options.height = 48;
        options.frames = 100;
        options.audioRate = 8000;
        options.audioChannels = 1;
        std::string error;
        ASSERT_TRUE(CSampleMovie(options).Write(Source(), &error)) << error;
        options.rate = 30000;
        options.scale = 1001;
        ASSERT_TRUE(CSampleMovie(options).Write(NtscSource(), &error)) << error;
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Source() { return s_dir->File("source.avi"); }
    // The same at 29.97 frames per second.
    static std::string NtscSource() { return s_dir->File("ntsc.avi"); }

    DataBaseCreation() {
        m_thread.SetJob(&m_worker);
        m_thread.Start();
        std::filesystem::create_directory(TempDir());
        EXPECT_TRUE(CCompressorRegistry::ParseSettings("DIV3", m_low, nullptr));
        EXPECT_TRUE(CCompressorRegistry::ParseSettings("DIV4", m_fast, nullptr));
    }

    std::string TempDir() const { return m_dir.File("temp"); }
    std::vector<std::string> TempDirFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(TempDir()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void LoadDataBase(CMovieDataBase& base, const std::string& text) {
        const std::string path = m_dir.File("hand.vdb");
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        ASSERT_TRUE(base.LoadFromFile(path));
    }
    // Exports the rows of `source` to a data base, imports it and creates the
    // movie from the source alone: every frame once, key frames where the
    // rows begin, the source's audio.
    void RebuildFromDataBase(const std::string& sourcePath, const std::vector<EncodingPart>& rows,
                             const std::string& output, const std::vector<int64_t>& keyFrames,
                             size_t audioShortBy = 0) {
        const std::string vdb = m_dir.File("movie.vdb");
        std::string status;
        ASSERT_TRUE(CMovieDataBase::Export(m_host, sourcePath, rows, m_low, m_fast, vdb, status)) << status;
        CMovieDataBase base(m_host);
        CodecOptions low, fast;
        ASSERT_TRUE(base.Import(vdb, low, fast, status)) << status;
        CAVIFile source(m_host);
        ASSERT_TRUE(source.Open(sourcePath));
        ASSERT_EQ(CreateFrom(base, source, low, fast, output), RESULT_CREATED);
        EXPECT_EQ(ProbePackets(output, "v:0").size(), 100u);
        EXPECT_EQ(ProbeVideoKeyFrames(output), keyFrames);
        EXPECT_EQ(ProbeStreams(output).at(0).rFrameRate, ProbeStreams(sourcePath).at(0).rFrameRate);
        EXPECT_EQ(FfmpegDecodeErrors(output), "");
        // The source's audio, with nothing lost between the intervals; the
        // end may come `audioShortBy` samples short.
        const std::vector<int16_t> audio = DecodeAudioS16(output);
        const std::vector<int16_t> sourceAudio = DecodeAudioS16(sourcePath);
        ASSERT_LE(audio.size(), sourceAudio.size());
        EXPECT_LE(sourceAudio.size() - audio.size(), audioShortBy);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), sourceAudio.begin()));
        EXPECT_TRUE(TempDirFiles().empty());
    }
    EOutcome Create(CMovieDataBase& base, const std::string& output) {
        CAVIFile source(m_host);
        EXPECT_TRUE(source.Open(Source()));
        return CreateFrom(base, source, m_low, m_fast, output);
    }
    // Prepares on the test thread, runs on the worker thread, waits.
    EOutcome CreateFrom(CMovieDataBase& base, CAVIFile& source, const CodecOptions& low,
                        const CodecOptions& fast, const std::string& output) {
        CDataBaseCreation creation(m_worker, base);
        if (!creation.Prepare(source, low, fast, output, TempDir()))
            return creation.NothingToCreate() ? RESULT_NOTHING : RESULT_FAILED;
        std::promise<CJobResult> ended;
        creation.Start(source, low, fast, output, [&](const CJobResult& result) { ended.set_value(result); });
        const CJobResult result = ended.get_future().get();
        if (creation.NothingToCreate())
            return RESULT_NOTHING;
        return result.IsDone() ? RESULT_CREATED : result.IsStopped() ? RESULT_ABORTED : RESULT_FAILED;
    }

    static CTempDir* s_dir;
    CTempDir m_dir;
    CWaitHost m_host;
    CWorker m_worker{m_host};
    CWinBaseThread m_thread; // stops before the worker goes
    CodecOptions m_low;
    CodecOptions m_fast;
};
CTempDir* DataBaseCreation::s_dir = nullptr;

} // namespace

TEST_F(DataBaseCreation, RebuildsTheListedMovieFromTheSourceAlone) {
    const std::vector<EncodingPart> rows = {EncodingPart::Make(EPartEncoding::Low, 0, 25, 100, 0, 0, 0, 0),
                                            EncodingPart::Make(EPartEncoding::Fast, 25, 75, 100, 0, 0, 0, 0),
                                            EncodingPart::Make(EPartEncoding::Low, 75, 100, 100, 0, 0, 0, 0)};
    const std::string output = m_dir.File("final.avi");
    RebuildFromDataBase(Source(), rows, output, {0, 25, 50, 75});
    const std::vector<std::string> texts = m_host.StatusTexts();
    // The temporary files go into a folder made for the run inside the temp directory.
    EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                           [this](const std::string& text) {
                               return text.rfind("Merging " + TempDir() + "/flintmoor-parts-", 0) == 0 &&
                                      text.find("/2.avi to Final AVI...") != std::string::npos;
                           }),
              texts.end());
    EXPECT_EQ(texts.back(), output + " sucessfully created!");
    EXPECT_EQ(m_host.JobFinishedCount(), 1);
    EXPECT_TRUE(m_host.Messages().empty());
    EXPECT_EQ(m_host.PercentTexts().back(), "100 %");
}

// At 29.97 frames per second the times of the data base lead back to the
// very frames the rows began at (key frames every 29 frames), and the
// movie keeps the source's rate.
TEST_F(DataBaseCreation, AFractionalFrameRateRebuildsTheSameFrames) {
    const std::vector<EncodingPart> rows = {EncodingPart::Make(EPartEncoding::Low, 0, 58, 100, 0, 0, 0, 0),
                                            EncodingPart::Make(EPartEncoding::Fast, 58, 87, 100, 0, 0, 0, 0),
                                            EncodingPart::Make(EPartEncoding::Low, 87, 100, 100, 0, 0, 0, 0)};
    // The data base keeps whole milliseconds: the end of the audio may come
    // up to one (8 samples) short.
    RebuildFromDataBase(NtscSource(), rows, m_dir.File("final.avi"), {0, 29, 58, 87}, 8);
}

// An uncompressed source stored top-down (as ffmpeg writes it) or bottom-up
// gives an upright movie: with lossless compressors it shows exactly the
// pictures ffmpeg shows for the source.
TEST_F(DataBaseCreation, UncompressedSourcesOfEitherRowOrderGiveAnUprightMovie) {
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("HFYU", m_low, nullptr));
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("HFYU", m_fast, nullptr));
    const std::vector<EncodingPart> rows = {
        EncodingPart::Make(EPartEncoding::Low, 0, 50, 100, 0, 0, 0, 0),
        EncodingPart::Make(EPartEncoding::Fast, 50, 100, 100, 0, 0, 0, 0)};
    std::vector<int64_t> everyFrame(100);
    for (size_t i = 0; i < everyFrame.size(); ++i)
        everyFrame[i] = static_cast<int64_t>(i);
    for (bool bottomUp : {false, true}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        const std::string source = m_dir.File(bottomUp ? "up.avi" : "down.avi");
        const CommandResult made = Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=50x36:rate=25", "-frames:v",
                                           "100", "-c:v", "rawvideo", "-pix_fmt", "bgr24", source});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        if (bottomUp) {
            ASSERT_TRUE(MarkRawAviBottomUp(source));
        }
        const std::string output = m_dir.File(bottomUp ? "up_final.avi" : "down_final.avi");
        RebuildFromDataBase(source, rows, output, everyFrame);
        const auto expected = FfmpegFramesBottomUp(source, 50, 36);
        ASSERT_EQ(expected.size(), 100u);
        EXPECT_TRUE(FfmpegFramesBottomUp(output, 50, 36) == expected);
    }
}

TEST_F(DataBaseCreation, EmptyAndOverlongIntervalsStillJoinIntoTheMovie) {
    // An empty interval makes a file without frames that is joined all the
    // same; one running far past the end stops at the last frame.
    CMovieDataBase base(m_host);
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=1000\nPart0=1\n"
                       "StartTime1=1000\nEndTime1=1000\nPart1=0\n"
                       "StartTime2=1000\nEndTime2=99999999\n");
    const std::string output = m_dir.File("final.avi");
    ASSERT_EQ(Create(base, output), RESULT_CREATED);
    EXPECT_EQ(ProbePackets(output, "v:0").size(), 100u);
    EXPECT_EQ(base.GetTempFiles().size(), 3u);
    EXPECT_EQ(DecodeAudioS16(output), DecodeAudioS16(Source()));
    EXPECT_TRUE(TempDirFiles().empty());
}

// Files already in the temp directory under the names the parts would get
// (another run's 0.avi, the source itself as 1.avi) are neither replaced nor
// deleted: the run writes into a folder of its own and removes only that.
TEST_F(DataBaseCreation, TemporaryFilesLiveInAFolderOfTheRunsOwn) {
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};
    WriteFileBytes(TempDir() + "/0.avi", mine);
    std::filesystem::copy_file(Source(), TempDir() + "/1.avi");
    CMovieDataBase base(m_host);
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=2000\nStartTime1=2000\nEndTime1=4000\n");
    CAVIFile source(m_host);
    ASSERT_TRUE(source.Open(TempDir() + "/1.avi"));
    const std::string output = m_dir.File("final.avi");
    ASSERT_EQ(CreateFrom(base, source, m_low, m_fast, output), RESULT_CREATED);
    EXPECT_EQ(ProbePackets(output, "v:0").size(), 100u);
    EXPECT_EQ(ReadFileBytes(TempDir() + "/0.avi"), mine);
    EXPECT_EQ(ReadFileBytes(TempDir() + "/1.avi"), ReadFileBytes(Source()));
    EXPECT_EQ(TempDirFiles(), (std::vector<std::string>{"0.avi", "1.avi"}));
}

// An interval that ends before it starts, or starts after the movie, gives
// no frames: a warning names it (the command line then exits 1).
TEST_F(DataBaseCreation, IntervalsThatGiveNoFramesAreNamed) {
    CMovieDataBase base(m_host);
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=2000\nStartTime1=3000\nEndTime1=2000\n"
                       "StartTime2=90000\nEndTime2=95000\n");
    const std::string output = m_dir.File("final.avi");
    ASSERT_EQ(Create(base, output), RESULT_CREATED);
    EXPECT_EQ(ProbePackets(output, "v:0").size(), 50u);
    ASSERT_EQ(m_host.Messages().size(), 1u);
    EXPECT_TRUE(m_host.HasMessage("Interval 1 (StartTime1=3000, EndTime1=2000) ends before it starts."));
    EXPECT_TRUE(m_host.HasMessage("Interval 2 (StartTime2=90000, EndTime2=95000) starts after the end"));
}

TEST_F(DataBaseCreation, RefusesBeforeWritingAnything) {
    CMovieDataBase base(m_host);
    // No interval: nothing happens, nothing is said.
    LoadDataBase(base, "[Movie]\nResolutionX=64\n");
    EXPECT_EQ(Create(base, m_dir.File("final.avi")), RESULT_NOTHING);
    EXPECT_TRUE(m_host.Messages().empty());

    // The final AVI under the name of the source.
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=400\nStartTime1=400\nEndTime1=800\n");
    EXPECT_EQ(Create(base, Source()), RESULT_FAILED);
    EXPECT_TRUE(m_host.HasMessage("would replace the source movie"));

    // Intervals that together cover more than twice the movie overlap: a
    // small data base must not make the movie again and again.
    std::string overlapping = "[TimeIntervalls]\n";
    for (int n = 0; n < 3; ++n)
        overlapping += "StartTime" + std::to_string(n) + "=0\nEndTime" + std::to_string(n) + "=4000\n";
    LoadDataBase(base, overlapping);
    m_host.Clear();
    EXPECT_EQ(Create(base, m_dir.File("final.avi")), RESULT_FAILED);
    EXPECT_TRUE(m_host.HasMessage("cover 300 frames, more than twice the 100 frames"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("final.avi")));

    // A FAST state block that is not ours: no creation, the LOW-only data
    // base is not bothered by it.
    m_fast.lpParms.assign(35, 0xAB);
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=400\nPart0=0\n");
    m_host.Clear();
    EXPECT_EQ(Create(base, m_dir.File("final.avi")), RESULT_FAILED);
    EXPECT_TRUE(m_host.HasMessage("The FAST compressor settings of the data base cannot be used"));
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=400\nPart0=1\n");
    EXPECT_EQ(Create(base, m_dir.File("final.avi")), RESULT_CREATED);
    EXPECT_EQ(ProbePackets(m_dir.File("final.avi"), "v:0").size(), 10u);

    // A compressor we do not offer: the same.
    m_fast = m_low;
    m_fast.fccHandler = MakeFourCC('Z', 'Z', 'Z', 'Z');
    m_host.Clear();
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=400\nPart0=0\n");
    EXPECT_EQ(Create(base, m_dir.File("other.avi")), RESULT_FAILED);
    EXPECT_TRUE(m_host.HasMessage("compressor settings of the data base cannot be used"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("other.avi")));
    EXPECT_TRUE(TempDirFiles().empty());
}

TEST_F(DataBaseCreation, AbortLeavesTheFilesWrittenSoFar) {
    CMovieDataBase base(m_host);
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=2000\nStartTime1=2000\nEndTime1=4000\n");
    CAVIFile source(m_host);
    ASSERT_TRUE(source.Open(Source()));
    // Held at its first frame until the abort opens the gate.
    m_worker.GetPauseGate().Pause();
    std::thread user([&] {
        WaitUntil([&] { return m_worker.GetPauseGate().GetWaitingCount() == 1; });
        m_worker.RequestAbort();
    });
    EXPECT_EQ(CreateFrom(base, source, m_low, m_fast, m_dir.File("final.avi")), RESULT_ABORTED);
    user.join();
    EXPECT_FALSE(m_worker.IsAbortSet());
    const std::vector<std::string> folders = TempDirFiles();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].rfind("flintmoor-parts-", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(TempDir() + "/" + folders[0] + "/0.avi"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("final.avi")));
    // The worker is idle again and takes the next creation.
    EXPECT_EQ(CreateFrom(base, source, m_low, m_fast, m_dir.File("final.avi")), RESULT_CREATED);
}

TEST_F(DataBaseCreation, NoFramesToCountKeepsTheProgressAtItsStart) {
    CMovieDataBase base(m_host);
    LoadDataBase(base, "[TimeIntervalls]\nStartTime0=0\nEndTime0=400\n");
    CAVIFile source(m_host);
    ASSERT_TRUE(source.Open(Source()));
    base.ResetParts();
    base.SetTempDirectory(TempDir());
    ASSERT_TRUE(base.PrepareNextPart(source, m_low, m_fast));
    base.SetTotalFrames(0);
    CWorker idle(m_host);
    EXPECT_TRUE(base.CompressPart(source, idle));
    EXPECT_FALSE(base.IsFailed());
    for (const std::string& text : m_host.PercentTexts())
        EXPECT_EQ(text, "0 %");
    EXPECT_EQ(base.GetFramesDone(), 10);
    EXPECT_FALSE(base.CompressPart(source, idle)); // no interval 1
}

namespace {

// A disk that fills up while the parts are written: one message, a failed
// result, no final AVI and no temporary file left.
TEST_F(DataBaseCreation, AWriteErrorGivesOneMessageAndAFailedResult) {
    const std::string output = m_dir.File("final.avi");
    const int outcome = RunInLimitedChild(16 * 1024, [&] {
        CHostRecorder host;
        CWorker worker(host);
        CMovieDataBase base(host);
        const std::string path = m_dir.File("full.vdb");
        const std::string text =
            "[TimeIntervalls]\nStartTime0=0\nEndTime0=2000\nStartTime1=2000\nEndTime1=4000\n";
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        CAVIFile source(host);
        if (!base.LoadFromFile(path) || !source.Open(Source()))
            return 100;
        CDataBaseCreation creation(worker, base);
        if (!creation.Prepare(source, m_low, m_fast, output, TempDir()))
            return 101;
        const CJobResult result = creation.Run(source, m_low, m_fast, output);
        return WriteErrorOutcome(result, host, output) | (TempDirFiles().empty() ? 0 : 64);
    });
    EXPECT_EQ(outcome, WRITE_ERROR_HANDLED);
}

// Driven as a window drives it: the starting thread hands the creation to
// the worker and from then on only takes host calls (and the end) from its
// event queue; it never waits for the worker itself.
TEST_F(DataBaseCreation, DrivenFromAThreadThatOnlyTakesHostCalls) {
    CEventLoopHost host;
    CWorker worker(host);
    CWinBaseThread thread;
    thread.SetJob(&worker);
    thread.Start();
    CMovieDataBase base(host);
    LoadDataBase(base,
                 "[TimeIntervalls]\nStartTime0=0\nEndTime0=2000\nPart0=1\nStartTime1=2000\nEndTime1=4000\n");
    CAVIFile source(host);
    ASSERT_TRUE(source.Open(Source()));
    const std::string output = m_dir.File("final.avi");
    CDataBaseCreation creation(worker, base);
    ASSERT_TRUE(creation.Prepare(source, m_low, m_fast, output, TempDir()));
    creation.Start(source, m_low, m_fast, output, host.EndEvent());
    const CJobResult result = host.RunUntilEnd();
    thread.Stop();
    EXPECT_TRUE(result.IsDone()) << result.Describe();
    EXPECT_TRUE(host.Recorded().Messages().empty());
    EXPECT_EQ(host.Recorded().StatusTexts().back(), output + " sucessfully created!");
    EXPECT_EQ(ProbePackets(output, "v:0").size(), 100u);
    EXPECT_TRUE(TempDirFiles().empty());
}

} // namespace
