// The full creation on real files: the plain way, the save way with its
// pieces, joining and clean-up, and a resumed run after an abort.

#include "creation/CFullCreation.h"
#include "creation/CSavedPieces.h"
#include "creation/FullCreationNames.h"
#include "jobs/CWaitBox.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/CSampleMovie.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CodecOptions.h"
#include "support/CEventLoopHost.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/LimitedChild.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <future>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

enum EOutcome { RESULT_CREATED, RESULT_FAILED, RESULT_ABORTED };

// The recorder with the wait box a window would show, and a hook on the
// status texts so that a test can act while a job runs.
class CBoxHost : public CHostRecorder {
public:
    void EndWaitBox(int result) override {
        CHostRecorder::EndWaitBox(result);
        m_box.End(result);
    }
    void SetStatusText(const std::string& text) override {
        CHostRecorder::SetStatusText(text);
        if (m_onStatus)
            m_onStatus(text);
    }
    CWaitBox m_box;
    std::function<void(const std::string&)> m_onStatus;
};

struct Movie {
    int32_t frames = 0;
    int32_t audioSamples = -1; // -1: no audio stream
};

Movie Read(const std::string& path) {
    CHostRecorder host;
    CAVIFile file(host);
    Movie movie;
    if (!file.Open(path, false))
        return movie;
    if (const CAVIStream* video = file.GetStream(file.GetVideoIndex()))
        movie.frames = video->GetLength();
    if (const CAVIStream* audio = file.GetStream(file.GetAudioIndex()))
        movie.audioSamples = audio->GetLength();
    return movie;
}

class FullCreationTest : public ::testing::Test {
protected:
    FullCreationTest() {
        m_thread.SetJob(&m_worker);
        m_thread.Start();
        std::string error;
        EXPECT_TRUE(CCompressorRegistry::ParseSettings("DIV3", m_low, &error)) << error;
        EXPECT_TRUE(CCompressorRegistry::ParseSettings("DIV4", m_fast, &error)) << error;
    }
    ~FullCreationTest() override { m_thread.Stop(); }

    std::string MakeSource(int frames, bool audio) {
        SampleMovieOptions options;
        options.width = 96;
        options.height = 64;
        options.frames = frames;
        options.audioRate = audio ? 8000 : 0;
        options.audioChannels = 1;
        const std::string path = m_dir.File("film.avi");
        std::string error;
        EXPECT_TRUE(CSampleMovie(options).Write(path, &error)) << error;
        return path;
    }

    FullCreationRequest Request(const std::string& source, bool save) {
        FullCreationRequest request;
        request.inputFile = source;
        request.lowFile = FullCreationNames::LowFile(source);
        request.fastFile = FullCreationNames::FastFile(source);
        request.saveCreation = save;
        request.frameSize = 200;
        return request;
    }

    // Starts the creation on the worker thread and waits for its end.
    EOutcome Run(const FullCreationRequest& request) {
        CFullCreation creation(m_worker);
        std::promise<CJobResult> ended;
        creation.Start(request, m_low, m_fast, [&](const CJobResult& result) { ended.set_value(result); });
        const CJobResult result = ended.get_future().get();
        m_firstPiece = creation.GetFirstEncodedPiece();
        m_lastPiece = creation.GetLastPiece();
        return result.IsDone() ? RESULT_CREATED : result.IsStopped() ? RESULT_ABORTED : RESULT_FAILED;
    }

    CTempDir m_dir;
    CBoxHost m_host;
    CWorker m_worker{m_host};
    CWinBaseThread m_thread;
    CodecOptions m_low;
    CodecOptions m_fast;
    int32_t m_firstPiece = -1;
    int32_t m_lastPiece = -1;
};

TEST(FullCreationNames, ProposalsAndTemporaryDirectory) {
    EXPECT_EQ(FullCreationNames::LowFile("/clips/movie.avi"), "/clips/movie_low.avi");
    EXPECT_EQ(FullCreationNames::FastFile("/clips/movie.avi"), "/clips/movie_fast.avi");
    EXPECT_EQ(FullCreationNames::OracleFile("/clips/movie.avi"), "/clips/movie_low_oracle.dat");
    EXPECT_EQ(FullCreationNames::OracleFileForLow("/clips/movie_low.avi"), "/clips/movie_low_oracle.dat");
    EXPECT_EQ(CSavedPieces::TempDirectory("/movies/film.avi"), "/movies/film/");
    // Without an extension: the names stand alone, the directory is the path.
    EXPECT_EQ(FullCreationNames::LowFile("/clips/movie"), "_low.avi");
    EXPECT_EQ(CSavedPieces::TempDirectory("/movies/film"), "/movies/film/");
    // A "." in a directory name is no extension of the file.
    EXPECT_EQ(CSavedPieces::TempDirectory("/my.movies/film"), "/my.movies/film/");
    // Oracle files are cut before the last "." of the whole path.
    EXPECT_EQ(FullCreationNames::OracleFileForLow("/my.movies/low"), "/my_oracle.dat");
    EXPECT_EQ(FullCreationNames::OracleFileForLow("/clips/low"), "_oracle.dat");
    EXPECT_EQ(FullCreationNames::OracleFile("/clips/movie"), "_low_oracle.dat");
    EXPECT_EQ(CSavedPieces::PieceName("/m/film/", true, 12), "/m/film/TempFast_12.avi");
}

TEST_F(FullCreationTest, PlainWayWithoutAudioWritesVideoOnlyFiles) {
    const std::string source = MakeSource(60, false);
    ASSERT_EQ(Run(Request(source, false)), RESULT_CREATED);
    for (const std::string& path :
         {FullCreationNames::LowFile(source), FullCreationNames::FastFile(source)}) {
        const Movie movie = Read(path);
        EXPECT_EQ(movie.frames, 60) << path;
        EXPECT_EQ(movie.audioSamples, -1) << path;
        // 25 frames per second: key frames forced at 0, 25, 50.
        EXPECT_EQ(ProbeVideoKeyFrames(path), (std::vector<int64_t>{0, 25, 50})) << path;
    }
    EXPECT_FALSE(std::filesystem::exists(CSavedPieces::TempDirectory(source)));
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(FullCreationTest, SaveWayEncodesPiecesJoinsThemWithTheAudioAndCleansUp) {
    const std::string source = MakeSource(450, true);
    const Movie original = Read(source);
    ASSERT_EQ(Run(Request(source, true)), RESULT_CREATED);
    EXPECT_EQ(m_firstPiece, 0);
    EXPECT_EQ(m_lastPiece, 2); // 200 + 200 + 50 frames
    for (const std::string& path :
         {FullCreationNames::LowFile(source), FullCreationNames::FastFile(source)}) {
        const Movie movie = Read(path);
        EXPECT_EQ(movie.frames, 450) << path;
        EXPECT_EQ(movie.audioSamples, original.audioSamples) << path;
        EXPECT_EQ(FfmpegDecodeErrors(path), "") << path;
    }
    EXPECT_FALSE(std::filesystem::exists(CSavedPieces::TempDirectory(source)));
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(FullCreationTest, ExactMultipleOfThePieceSizeEndsWithAnEmptyPair) {
    const std::string source = MakeSource(400, true);
    ASSERT_EQ(Run(Request(source, true)), RESULT_CREATED);
    EXPECT_EQ(m_lastPiece, 2); // pieces 0 and 1 full, 2 without frames
    EXPECT_EQ(Read(FullCreationNames::LowFile(source)).frames, 400);
    EXPECT_EQ(Read(FullCreationNames::FastFile(source)).frames, 400);
    EXPECT_FALSE(std::filesystem::exists(CSavedPieces::TempDirectory(source)));
}

TEST_F(FullCreationTest, AbortedRunKeepsCompletePairsAndResumesToTheSameFiles) {
    const std::string source = MakeSource(450, true);
    const FullCreationRequest request = Request(source, true);
    ASSERT_EQ(Run(request), RESULT_CREATED);
    const auto lowVideo = FramemD5Copy(request.lowFile, "v:0");
    const auto fastVideo = FramemD5Copy(request.fastFile, "v:0");
    ASSERT_EQ(lowVideo.size(), 450u);
    std::filesystem::remove(request.lowFile);
    std::filesystem::remove(request.fastFile);

    // Hold the worker inside piece 1 and abort there.
    std::atomic<bool> inPieceOne{false};
    m_host.m_onStatus = [&](const std::string& text) {
        int frame = 0, total = 0;
        if (!inPieceOne.load() && std::sscanf(text.c_str(), "Creating Frame %d of %d", &frame, &total) == 2 &&
            frame >= 210) {
            m_worker.RequestAbort();
            inPieceOne.store(true);
        }
    };
    ASSERT_EQ(Run(request), RESULT_ABORTED);
    m_host.m_onStatus = nullptr;
    const std::string tempDir = CSavedPieces::TempDirectory(source);
    int32_t piece = 0;
    EXPECT_EQ(CSavedPieces::CountSavedPieces(m_host, tempDir, 0, piece), 200);
    EXPECT_EQ(piece, 1);
    EXPECT_FALSE(std::filesystem::exists(request.lowFile));

    ASSERT_EQ(Run(request), RESULT_CREATED);
    EXPECT_EQ(m_firstPiece, 1);
    EXPECT_EQ(FramemD5Copy(request.lowFile, "v:0"), lowVideo);
    EXPECT_EQ(FramemD5Copy(request.fastFile, "v:0"), fastVideo);
    EXPECT_FALSE(std::filesystem::exists(tempDir));
}

TEST_F(FullCreationTest, SourceThatDoesNotOpenFailsWithTheMessage) {
    FullCreationRequest request = Request(m_dir.File("missing.avi"), false);
    EXPECT_EQ(Run(request), RESULT_FAILED);
    EXPECT_TRUE(m_host.HasMessage("Failed to open AVI File: "));
    EXPECT_FALSE(std::filesystem::exists(request.lowFile));
}

// A disk that fills up while the LOW and FAST files are written: one
// message, a failed result, neither file left half made. Only this thread
// may live at the fork (the encoding starts threads in the child), so the
// test has no worker thread.
TEST(FullCreationWriteError, GivesOneMessageAndAFailedResult) {
    CTempDir dir;
    SampleMovieOptions options;
    options.width = 96;
    options.height = 64;
    options.frames = 120;
    std::string error;
    ASSERT_TRUE(CSampleMovie(options).Write(dir.File("film.avi"), &error)) << error;
    FullCreationRequest request;
    request.inputFile = dir.File("film.avi");
    request.lowFile = dir.File("low.avi");
    request.fastFile = dir.File("fast.avi");
    CodecOptions low, fast;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3", low, &error)) << error;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV4", fast, &error)) << error;
    const int outcome = RunInLimitedChild(32 * 1024, [&] {
        CHostRecorder host;
        CWorker worker(host);
        CFullCreation creation(worker);
        const CJobResult result = creation.Run(request, low, fast);
        const bool fastGone = !std::filesystem::exists(request.fastFile);
        return WriteErrorOutcome(result, host, request.lowFile) | (fastGone ? 0 : 64);
    });
    EXPECT_EQ(outcome, WRITE_ERROR_HANDLED);
}

// Driven as a window drives it: the starting thread hands the creation to
// the worker and from then on only takes host calls (and the end) from its
// event queue; it never waits for the worker itself.
TEST_F(FullCreationTest, DrivenFromAThreadThatOnlyTakesHostCalls) {
    const FullCreationRequest request = Request(MakeSource(60, true), true);
    CEventLoopHost host;
    CWorker worker(host);
    CWinBaseThread thread;
    thread.SetJob(&worker);
    thread.Start();
    CFullCreation creation(worker);
    creation.Start(request, m_low, m_fast, host.EndEvent());
    const CJobResult result = host.RunUntilEnd();
    thread.Stop();
    EXPECT_TRUE(result.IsDone()) << result.Describe();
    EXPECT_TRUE(host.Recorded().Messages().empty());
    EXPECT_GE(host.Recorded().JobStartedCount(), 1);
    EXPECT_EQ(Read(request.lowFile).frames, 60);
    EXPECT_EQ(Read(request.fastFile).frames, 60);
}

} // namespace
