#pragma once
// The full automatic creation without its window: the source is encoded in
// one pass into the LOW and the FAST file, either whole (job kind 4) or, in
// the save way, in pieces of a fixed number of frames (kind 8 per piece)
// that a later run on the same source resumes from the first incomplete
// pair. The pieces are then joined, LOW first, each followed by the source's
// audio (kind 6), checked by opening them, and deleted. Starting the oracle
// afterwards is the caller's step (COracleStart).
//
// The steering runs on the starting side and blocks: after each job it
// waits for the wait box (0: the job finished, RESULT_ABORT: the user
// aborted) and for the worker thread to be idle again. The worker must be
// attached to its thread and idle when Create is called.

#include "jobs/CEncodeJob.h"
#include "jobs/CJobSteering.h"
#include "merge/CMergeJob.h"

#include <cstdint>
#include <functional>
#include <string>

class CWaitBox;
class CWorker;
struct CodecOptions;

struct FullCreationRequest {
    std::string inputFile;
    std::string lowFile;
    std::string fastFile;
    bool saveCreation = false;
    int32_t frameSize = 200; // frames per piece of the save way
};

class CFullCreation {
public:
    enum EResult {
        RESULT_CREATED,
        RESULT_FAILED, // a message said why
        RESULT_ABORTED // complete piece pairs stay for the next run
    };

    static constexpr int32_t MIN_FRAME_SIZE = 200;

    // `waitBox` is the one the host's EndWaitBox ends.
    CFullCreation(CWorker& worker, CWaitBox& waitBox);

    // Polled while waiting for a job: true asks for an abort, as a confirmed
    // Escape in the wait box does.
    void SetAbortCheck(std::function<bool()> check) { m_steering.SetAbortCheck(std::move(check)); }

    // The options stay with the caller; the worker reads them while it
    // prepares each encoding.
    EResult Create(const FullCreationRequest& request, CodecOptions& low, CodecOptions& fast);

    // Save way: the first piece this run encoded (after the resume scan) and
    // the highest piece number.
    int32_t GetFirstEncodedPiece() const { return m_nFirstPiece; }
    int32_t GetLastPiece() const { return m_nPieceIndex; }

private:
    EResult Steer(const FullCreationRequest& request);
    EResult EncodePlain(const FullCreationRequest& request, int32_t fps);
    EResult EncodePieces(const FullCreationRequest& request, int32_t fps, const std::string& tempDir);
    EResult JoinPieces(const FullCreationRequest& request, const std::string& tempDir);
    EResult FinishSaveWay(const FullCreationRequest& request, const std::string& tempDir);
    // The wait box's result, then the worker idle again; after an abort the
    // job has closed its files when this returns.
    int WaitForJob();
    EResult Fail();

    CWorker& m_worker;
    CWaitBox& m_waitBox;
    CEncodeJob m_encodeJob;
    CMergeJob m_mergeJob;
    CJobSteering m_steering{m_worker, m_waitBox};
    int32_t m_nFirstPiece = 0;
    int32_t m_nPieceIndex = 0;
};
