#pragma once
// The full automatic creation without its window: the source is encoded in
// one pass into the LOW and the FAST file, either whole (job kind 4) or, in
// the save way, in pieces of a fixed number of frames (kind 8 per piece)
// that a later run on the same source resumes from the first incomplete
// pair. The pieces are then joined, LOW first, each followed by the source's
// audio (kind 6), checked by opening them, and deleted. Starting the oracle
// afterwards is the caller's step (COracleStart).
//
// The creation is a sequence on the worker thread: Start submits it and
// returns at once; the caller hears from it only through the host and the
// `done` callback. Every step passes the pause gate and ends at an abort,
// with the files of the step closed (complete piece pairs stay).

#include "jobs/CEncodeJob.h"
#include "jobs/CWorker.h"
#include "media/CJobResult.h"
#include "merge/CMergeJob.h"

#include <cstdint>
#include <string>

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
    static constexpr int32_t MIN_FRAME_SIZE = 200;

    explicit CFullCreation(CWorker& worker);

    // Any thread: queues the creation on the worker. The options stay with
    // the caller (the worker reads them while it prepares each encoding);
    // they and this object must outlive the run.
    void Start(const FullCreationRequest& request, CodecOptions& low, CodecOptions& fast,
               CWorker::JobDone done);
    // The creation itself, on the worker thread (or on the calling thread
    // when no worker thread runs, as in tests).
    CJobResult Run(const FullCreationRequest& request, CodecOptions& low, CodecOptions& fast);

    // Save way: the first piece this run encoded (after the resume scan) and
    // the highest piece number.
    int32_t GetFirstEncodedPiece() const { return m_nFirstPiece; }
    int32_t GetLastPiece() const { return m_nPieceIndex; }

private:
    CJobResult Steer(const FullCreationRequest& request);
    CJobResult EncodePlain(const FullCreationRequest& request, int32_t fps);
    CJobResult EncodePieces(const FullCreationRequest& request, int32_t fps, const std::string& tempDir);
    CJobResult JoinPieces(const FullCreationRequest& request, const std::string& tempDir);
    CJobResult FinishSaveWay(const FullCreationRequest& request, const std::string& tempDir);
    CJobResult Stopped();
    CJobResult Fail(const std::string& reason);

    CWorker& m_worker;
    CEncodeJob m_encodeJob;
    CMergeJob m_mergeJob;
    int32_t m_nFirstPiece = 0;
    int32_t m_nPieceIndex = 0;
};
