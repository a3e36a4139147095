#pragma once
// Joining AVI files: the merge job (kind 6) and its preparation. The
// compressed video frames of every merge input, then their audio, are
// appended unchanged to one video and one audio stream of the merge output.
// With synchronisation on, each input's audio is padded with silence where
// it is shorter than its video, carrying the rounding to whole audio samples
// over to the next input, so that a long chain of parts stays in step.

#include "jobs/CJobRegistration.h"
#include "jobs/CJobRequest.h"
#include "media/CJobResult.h"

#include <string>

class CAVIFile;
class CWorker;

class CMergeJob {
public:
    explicit CMergeJob(CWorker& worker) : m_worker(worker) {}

    // Makes this object the worker's merge work, while it lives.
    void Register();

    // Creates the merge output at `path` (an existing file is replaced) with
    // a stream like the first video stream of `source` (when videoFromSource)
    // or of the first merge input, then one like the first audio stream of
    // `source` (audioFromSource) or of the first merge input; a stream the
    // chosen file lacks is not made. False after "Error! Can´t create new
    // file!" when the output cannot be created, after a message when a stream
    // cannot be made in it.
    bool PrepareMerge(const std::string& path, CAVIFile* source, bool videoFromSource, bool audioFromSource);

    // The job, on the worker thread. It stops at the first read or write
    // error (after one message) and at an abort; outside piece mode no
    // output is left then.
    CJobResult Run(const CJobRequest& request);

    // True when the last run wrote and finished the output with every
    // merge input (piece mode: wrote every input; the caller finishes it).
    bool Succeeded() const { return m_bSucceeded; }

private:
    void ShowProgress(double done, double total);
    // Pads the audio of `input` (whose samples were just appended) so that
    // it is as long as its video, taking `carryMs` into account.
    CJobResult PadAudio(CAVIFile& input, int outputAudio, int32_t& carryMs);
    // Outside piece mode: closes the output when everything was appended,
    // else leaves none.
    CJobResult Finish(const CJobResult& appended);
    // The video of every input, then their audio.
    CJobResult Append(const CJobRequest& request);

    CWorker& m_worker;
    bool m_bPrepared = false;
    bool m_bSucceeded = false;
    CJobRegistration m_registration; // last: unregistered before the rest goes
};
