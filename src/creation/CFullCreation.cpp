#include "creation/CFullCreation.h"

#include "creation/CSavedPieces.h"
#include "jobs/CWaitBox.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "jobs/JobKind.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <optional>

CFullCreation::CFullCreation(CWorker& worker, CWaitBox& waitBox)
    : m_worker(worker), m_waitBox(waitBox), m_encodeJob(worker), m_mergeJob(worker) {}

CFullCreation::EResult CFullCreation::Create(const FullCreationRequest& request, CodecOptions& low,
                                             CodecOptions& fast) {
    if (!m_worker.GetThread()) {
        m_worker.GetHost().ShowError("The full creation needs the worker thread.");
        return RESULT_FAILED;
    }
    m_nFirstPiece = 0;
    m_nPieceIndex = 0;
    CWinBaseThread& thread = *m_worker.GetThread();
    CManualResetEvent* previousIdle = thread.GetIdleEvent();
    thread.SetIdleEvent(&m_steering.GetIdleEvent());
    m_waitBox.Clear();
    m_worker.SetCodecOptions(&low, &fast);
    m_encodeJob.Register();
    m_mergeJob.Register();
    const bool previousSync = m_worker.GetTrySynchronization();

    const EResult result = Steer(request);

    m_worker.SetPieceMode(false);
    m_worker.SetPieceRange(-1, -1);
    m_worker.SetExcludedMergeName("");
    m_worker.SetTrySynchronization(previousSync);
    m_worker.SetCodecOptions(nullptr, nullptr);
    thread.SetIdleEvent(previousIdle);
    // The thread is idle: whoever waits on the previous event must not wait
    // for a signal that went to ours.
    if (previousIdle)
        previousIdle->Set();
    return result;
}

CFullCreation::EResult CFullCreation::Steer(const FullCreationRequest& request) {
    IHost& host = m_worker.GetHost();
    host.JobStarted();
    m_worker.SetPieceMode(request.saveCreation);
    if (!m_worker.OpenInputs("", "", request.inputFile))
        return Fail();
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video) {
        host.ShowError("The source movie " + request.inputFile + " has no video stream.");
        return Fail();
    }
    // Key frames are forced every fps frames; a rate below one frame per
    // second gives no spacing to force them at.
    const int32_t fps = video->GetFramesPerSecond();
    if (fps < 1) {
        host.ShowError("The source movie " + request.inputFile + " has a frame rate below 1 per second.");
        return Fail();
    }
    m_worker.SetTrySynchronization(false);
    if (!request.saveCreation)
        return EncodePlain(request, fps);

    const std::string tempDir = CSavedPieces::TempDirectory(request.inputFile);
    std::error_code error;
    std::filesystem::create_directory(tempDir, error);
    const EResult encoded = EncodePieces(request, fps, tempDir);
    if (encoded != RESULT_CREATED)
        return encoded;
    const EResult joined = JoinPieces(request, tempDir);
    if (joined != RESULT_CREATED)
        return joined;
    return FinishSaveWay(request, tempDir);
}

CFullCreation::EResult CFullCreation::EncodePlain(const FullCreationRequest& request, int32_t fps) {
    if (!m_encodeJob.PrepareEncoding(request.lowFile, fps, true, false) ||
        !m_encodeJob.PrepareEncoding(request.fastFile, fps, true, true))
        return Fail();
    m_steering.StartJob(JOB_ENCODE_KEEP_SOURCE);
    if (WaitForJob() != 0)
        return RESULT_ABORTED;
    m_worker.CloseFile(CWorker::FILE_SOURCE);
    if (!m_encodeJob.Succeeded()) {
        m_worker.GetHost().ShowError("The encoding of " + request.inputFile + " did not finish.");
        return Fail();
    }
    return RESULT_CREATED;
}

CFullCreation::EResult CFullCreation::EncodePieces(const FullCreationRequest& request, int32_t fps,
                                                   const std::string& tempDir) {
    IHost& host = m_worker.GetHost();
    const int32_t frameSize = std::max(request.frameSize, MIN_FRAME_SIZE);
    const int64_t length = m_worker.GetFile(CWorker::FILE_SOURCE).GetLength();
    m_nPieceIndex = 0;
    int64_t nextStart = CSavedPieces::CountSavedPieces(host, tempDir, 0, m_nPieceIndex);
    m_nFirstPiece = m_nPieceIndex;
    for (;;) {
        if (!m_encodeJob.PrepareEncoding(CSavedPieces::PieceName(tempDir, false, m_nPieceIndex), fps, true,
                                         false) ||
            !m_encodeJob.PrepareEncoding(CSavedPieces::PieceName(tempDir, true, m_nPieceIndex), fps, true,
                                         true))
            return Fail();
        const int64_t end = nextStart + frameSize;
        // The job takes the end as it is and stops at the source's length;
        // only the range has to fit its numbers.
        m_worker.SetPieceRange(static_cast<int32_t>(std::min<int64_t>(nextStart, INT32_MAX)),
                               static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX)));
        const bool lastPiece = length < end;
        m_steering.StartJob(JOB_ENCODE_CLOSE_ALL);
        if (WaitForJob() != 0) {
            // The aborted job closed the pair properly, so both files open
            // with the same, too small, length: left there the next run
            // would take them for a complete pair and go on from the middle.
            std::error_code error;
            std::filesystem::remove(CSavedPieces::PieceName(tempDir, false, m_nPieceIndex), error);
            std::filesystem::remove(CSavedPieces::PieceName(tempDir, true, m_nPieceIndex), error);
            return RESULT_ABORTED;
        }
        if (!m_encodeJob.Succeeded()) {
            host.ShowError("The encoding of piece " + std::to_string(m_nPieceIndex) + " of " +
                             request.inputFile + " did not finish.");
            return Fail();
        }
        if (lastPiece)
            return RESULT_CREATED;
        ++m_nPieceIndex;
        nextStart = end;
    }
}

CFullCreation::EResult CFullCreation::JoinPieces(const FullCreationRequest& request,
                                                 const std::string& tempDir) {
    // The source takes part only with its audio.
    m_worker.SetExcludedMergeName(request.inputFile);
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    for (bool fast : {false, true}) {
        const std::string& target = fast ? request.fastFile : request.lowFile;
        bool sourceAdded = false;
        for (int32_t k = 0; !sourceAdded; ++k) {
            m_worker.ClearMergeInputs();
            // A missing piece ends the pieces of this kind; the source's
            // audio comes last.
            if (k > m_nPieceIndex ||
                !m_worker.AddMergeInput(CSavedPieces::PieceName(tempDir, fast, k), false)) {
                if (k == 0) {
                    m_worker.GetHost().ShowError("The piece " + CSavedPieces::PieceName(tempDir, fast, 0) +
                                                   " cannot be opened; nothing to join.");
                    return Fail();
                }
                if (!m_worker.AddMergeInput(request.inputFile, true))
                    return Fail();
                sourceAdded = true;
            }
            if (k == 0 && !m_mergeJob.PrepareMerge(target, &source, false, true))
                return Fail();
            m_steering.StartJob(JOB_MERGE);
            if (WaitForJob() != 0)
                return RESULT_ABORTED;
            if (!m_mergeJob.Succeeded())
                return Fail();
        }
        if (!m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT).Close()) {
            m_worker.GetHost().ShowError("Error while finishing " + target);
            return Fail();
        }
    }
    return RESULT_CREATED;
}

CFullCreation::EResult CFullCreation::FinishSaveWay(const FullCreationRequest& request,
                                                    const std::string& tempDir) {
    m_worker.CloseFile(CWorker::FILE_SOURCE);
    IHost& host = m_worker.GetHost();
    CAVIFile low(host);
    CAVIFile fast(host);
    // Pieces of a kind go only once their joined file is known to open.
    const bool lowOpens = low.Open(request.lowFile, true);
    const bool fastOpens = fast.Open(request.fastFile, true);
    low.Close();
    fast.Close();
    CSavedPieces::DeletePieces(tempDir, m_nPieceIndex, lowOpens, fastOpens);
    if (!lowOpens || !fastOpens) {
        host.JobFinished();
        return RESULT_FAILED;
    }
    return RESULT_CREATED;
}

int CFullCreation::WaitForJob() {
    const int result = m_steering.WaitForEnd();
    if (result != 0) {
        // The running job skips its remaining frames and closes every file
        // of the worker; nothing may be touched before it has.
        m_worker.RequestAbort();
    }
    m_steering.WaitUntilIdle();
    if (result != 0) {
        m_waitBox.Clear();
        m_worker.SetAbort(false);
        m_worker.CloseFile(CWorker::FILE_MERGE_OUTPUT);
        m_worker.CloseFile(CWorker::FILE_SOURCE);
        m_worker.GetHost().JobFinished();
    }
    return result;
}

CFullCreation::EResult CFullCreation::Fail() {
    m_worker.CloseFile(CWorker::FILE_LOW);
    m_worker.CloseFile(CWorker::FILE_FAST);
    m_worker.CloseFile(CWorker::FILE_MERGE_OUTPUT);
    m_worker.CloseFile(CWorker::FILE_SOURCE);
    m_worker.GetHost().JobFinished();
    return RESULT_FAILED;
}
