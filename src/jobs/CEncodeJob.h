#pragma once
// Encoding the source movie into the LOW and the FAST file in one pass (job
// kind 3, run inside kinds 4 and 8). Every source frame is decoded once and
// handed to both compressors at the same position, side by side on two
// threads, with a key-frame request at every multiple of the frame rate
// (counted in the whole movie) in both: the two files share their key-frame
// positions, which is what lets any interval be taken from either of them.
// Outside piece mode the source's audio is then copied into both files.

#include "jobs/CJobRegistration.h"
#include "jobs/CJobRequest.h"
#include "jobs/CTaskTeam.h"
#include "media/CJobResult.h"
#include "media/CSourceFrame.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CWorker;

class CEncodeJob {
public:
    explicit CEncodeJob(CWorker& worker);

    // Makes this object the worker's kind 3 work, while it lives.
    void Register();

    // User-interface thread, before the start: stores the frame rate, makes
    // `path` the LOW (or FAST) output and creates it; with `withStream`, adds
    // a video stream for frames like the source's first decoded frame and a
    // compressing stream in front of it with the LOW (or FAST) options.
    // False after a message when the file, the stream or the compressor
    // cannot be set up; the job then does not run.
    bool PrepareEncoding(const std::string& path, int32_t framesPerSecond, bool withStream, bool fast);

    // The job, on the worker thread. It stops at the first frame that
    // cannot be decoded or written (after one message) and at an abort.
    CJobResult Run(const CJobRequest& request);

    // True when the last run encoded its whole range without a write error,
    // was not aborted and (outside piece mode) copied the audio.
    bool Succeeded() const { return m_bSucceeded; }
    // Frames encoded by the last run (read by tests while it runs).
    int32_t GetFramesDone() const { return m_nFramesDone.load(); }

private:
    // The frames one run encodes: the whole movie or the requested piece,
    // which the movie's end cuts short and makes the last one.
    struct EncodeRange {
        int32_t first;
        int32_t end;
        bool lastPiece;
    };

    // Progress at 0 and the timer started over `length` frames.
    void StartProgress(int32_t length);
    EncodeRange RangeOf(const CJobRequest& request, int32_t length);
    // Tells both compressors how many frames come and whether they take the
    // source's 4:2:0 planes as they are.
    void PrepareStreams(int32_t frames);
    // Flushes both compressors; a flush that fails turns a done `result`
    // into a failure.
    CJobResult FinishStreams(CJobResult result);
    // Closes both files, or discards them after a failure.
    CJobResult CloseFiles(CJobResult result);
    // The decoded frame, copied (the decoder's buffer changes with its next
    // call); empty when it cannot be decoded.
    bool FetchFrame(int32_t frame, CSourceFrame& into);
    // Encodes `current` as `frame` into both files and meanwhile fetches
    // `next` (none when -1) into `nextFrame`.
    bool EncodeFrame(int32_t frame, int32_t first, const CSourceFrame& current, int32_t next,
                     CSourceFrame& nextFrame);
    // One pass, or an analysing pass and a writing one, over the frames.
    CJobResult EncodeFrames(int32_t first, int32_t end, int32_t length);
    // The compressors' reason for a frame they could not take.
    std::string EncodeError();
    CJobResult CopyAudio();
    void ShowPosition(double position);

    CWorker& m_worker;
    CTaskTeam m_team{2};
    bool m_bSucceeded = false;
    std::atomic<int32_t> m_nFramesDone{0};
    bool m_bPlanes = false;          // the frames go to the compressors as 4:2:0 planes
    CJobRegistration m_registration; // last: unregistered before the rest goes
};
