#include "creation/CFullCreation.h"

#include "creation/CSavedPieces.h"
#include "jobs/CWorker.h"
#include "jobs/DiscardOutput.h"
#include "jobs/JobKind.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"

#include <algorithm>
#include <climits>
#include <filesystem>

CFullCreation::CFullCreation(CWorker& worker) : m_worker(worker), m_encodeJob(worker), m_mergeJob(worker) {}

void CFullCreation::Start(const FullCreationRequest& request, CodecOptions& low, CodecOptions& fast,
                          CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.SubmitSequence([this, request, &low, &fast](CWorker&) { return Run(request, low, fast); },
                            std::move(done));
}

CJobResult CFullCreation::Run(const FullCreationRequest& request, CodecOptions& low, CodecOptions& fast) {
    m_nFirstPiece = 0;
    m_nPieceIndex = 0;
    m_worker.SetCodecOptions(&low, &fast);
    m_encodeJob.Register();
    m_mergeJob.Register();
    const CJobResult result = Steer(request);
    m_worker.SetCodecOptions(nullptr, nullptr);
    return result;
}

CJobResult CFullCreation::Steer(const FullCreationRequest& request) {
    IHost& host = m_worker.GetHost();
    if (!m_worker.OpenInputs("", "", request.inputFile))
        return Fail("the source movie " + request.inputFile + " does not open");
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video) {
        const std::string reason = "The source movie " + request.inputFile + " has no video stream.";
        host.ShowError(reason);
        return Fail(reason);
    }
    // Key frames are forced every fps frames; a rate below one frame per
    // second gives no spacing to force them at.
    const int32_t fps = video->GetFramesPerSecond();
    if (fps < 1) {
        const std::string reason =
            "The source movie " + request.inputFile + " has a frame rate below 1 per second.";
        host.ShowError(reason);
        return Fail(reason);
    }
    if (!request.saveCreation)
        return EncodePlain(request, fps);

    const std::string tempDir = CSavedPieces::TempDirectory(request.inputFile);
    std::error_code error;
    std::filesystem::create_directory(tempDir, error);
    const CJobResult encoded = EncodePieces(request, fps, tempDir);
    if (!encoded.IsDone())
        return encoded;
    const CJobResult joined = JoinPieces(request, tempDir);
    if (!joined.IsDone())
        return joined;
    return FinishSaveWay(request, tempDir);
}

CJobResult CFullCreation::EncodePlain(const FullCreationRequest& request, int32_t fps) {
    if (!m_encodeJob.PrepareEncoding(request.lowFile, fps, true, false) ||
        !m_encodeJob.PrepareEncoding(request.fastFile, fps, true, true))
        return Fail("the LOW and FAST files cannot be prepared");
    const CJobResult encoded = m_worker.RunInline(CJobRequest::Of(JobKind::JOB_ENCODE_KEEP_SOURCE));
    if (encoded.IsStopped())
        return Stopped();
    m_worker.CloseFile(CWorker::FILE_SOURCE);
    if (!encoded.IsDone())
        return Fail(encoded.GetReason());
    return encoded;
}

CJobResult CFullCreation::EncodePieces(const FullCreationRequest& request, int32_t fps,
                                       const std::string& tempDir) {
    IHost& host = m_worker.GetHost();
    const int32_t frameSize = std::max(request.frameSize, MIN_FRAME_SIZE);
    const int64_t length = m_worker.GetFile(CWorker::FILE_SOURCE).GetLength();
    m_nPieceIndex = 0;
    int64_t nextStart = CSavedPieces::CountSavedPieces(host, tempDir, 0, m_nPieceIndex);
    m_nFirstPiece = m_nPieceIndex;
    for (;;) {
        if (!m_worker.PassPauseGate())
            return Stopped();
        if (!m_encodeJob.PrepareEncoding(CSavedPieces::PieceName(tempDir, false, m_nPieceIndex), fps, true,
                                         false) ||
            !m_encodeJob.PrepareEncoding(CSavedPieces::PieceName(tempDir, true, m_nPieceIndex), fps, true,
                                         true))
            return Fail("the pieces cannot be prepared");
        const int64_t end = nextStart + frameSize;
        // The job takes the end as it is and stops at the source's length;
        // only the range has to fit its numbers.
        CJobRequest piece = CJobRequest::Of(JobKind::JOB_ENCODE_CLOSE_ALL);
        piece.bPieceMode = true;
        piece.nPieceFirst = static_cast<int32_t>(std::min<int64_t>(nextStart, INT32_MAX));
        piece.nPieceEnd = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
        const bool lastPiece = length < end;
        const CJobResult encoded = m_worker.RunInline(piece);
        if (!encoded.IsDone()) {
            // The stopped job closed the pair properly, so both files open
            // with the same, too small, length: left there the next run
            // would take them for a complete pair and go on from the middle.
            std::error_code error;
            std::filesystem::remove(CSavedPieces::PieceName(tempDir, false, m_nPieceIndex), error);
            std::filesystem::remove(CSavedPieces::PieceName(tempDir, true, m_nPieceIndex), error);
            return encoded.IsStopped() ? Stopped() : Fail(encoded.GetReason());
        }
        if (lastPiece)
            return encoded;
        ++m_nPieceIndex;
        nextStart = end;
    }
}

CJobResult CFullCreation::JoinPieces(const FullCreationRequest& request, const std::string& tempDir) {
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    // The pieces are appended one per run into the output kept open; the
    // source takes part only with its audio.
    CJobRequest merge = CJobRequest::Of(JobKind::JOB_MERGE);
    merge.bPieceMode = true;
    merge.bTrySynchronization = false;
    merge.strExcludedMergeName = request.inputFile;
    for (bool fast : {false, true}) {
        const std::string& target = fast ? request.fastFile : request.lowFile;
        bool sourceAdded = false;
        for (int32_t k = 0; !sourceAdded; ++k) {
            if (!m_worker.PassPauseGate())
                return Stopped();
            m_worker.ClearMergeInputs();
            // A missing piece ends the pieces of this kind; the source's
            // audio comes last.
            if (k > m_nPieceIndex ||
                !m_worker.AddMergeInput(CSavedPieces::PieceName(tempDir, fast, k), false)) {
                if (k == 0) {
                    const std::string reason = "The piece " + CSavedPieces::PieceName(tempDir, fast, 0) +
                                               " cannot be opened; nothing to join.";
                    m_worker.GetHost().ShowError(reason);
                    return Fail(reason);
                }
                if (!m_worker.AddMergeInput(request.inputFile, true))
                    return Fail("the source movie " + request.inputFile + " does not open");
                sourceAdded = true;
            }
            if (k == 0 && !m_mergeJob.PrepareMerge(target, &source, false, true))
                return Fail("the joined file " + target + " cannot be created");
            const CJobResult merged = m_worker.RunInline(merge);
            if (merged.IsStopped())
                return Stopped();
            if (!merged.IsDone())
                return Fail(merged.GetReason());
        }
        if (!m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT).Close()) {
            if (m_worker.IsAbortSet())
                return Stopped();
            const std::string reason = "Error while finishing " + target;
            m_worker.GetHost().ShowError(reason);
            return Fail(reason);
        }
    }
    return CJobResult::Done();
}

CJobResult CFullCreation::FinishSaveWay(const FullCreationRequest& request, const std::string& tempDir) {
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
        return CJobResult::Failed("a joined file does not open");
    }
    return CJobResult::Done();
}

CJobResult CFullCreation::Stopped() {
    // A joined file that was being written is of no use: its pieces stay
    // for the next run. The encoded files were closed by their job.
    DiscardOutput(m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT));
    m_worker.CloseFile(CWorker::FILE_SOURCE);
    m_worker.GetHost().JobFinished();
    return CJobResult::Stopped();
}

CJobResult CFullCreation::Fail(const std::string& reason) {
    m_worker.CloseFile(CWorker::FILE_LOW);
    m_worker.CloseFile(CWorker::FILE_FAST);
    DiscardOutput(m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT));
    m_worker.CloseFile(CWorker::FILE_SOURCE);
    m_worker.GetHost().JobFinished();
    return CJobResult::Failed(reason);
}
