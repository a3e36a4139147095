#pragma once
// The final assembly (job kind 2): for every row of the encoding list the
// compressed video frames of its part are copied unchanged, with their key
// flags, from the LOW or the FAST movie into one output video stream; then,
// in a second pass, the audio that plays during each part is copied from the
// same movie into one output audio stream. The output's stream headers come
// from the first row's movie. Nothing is decoded.

#include "jobs/CJobRegistration.h"
#include "media/CJobResult.h"

#include <cstdint>
#include <string>
#include <vector>

class CAVIFile;
class CAVIStream;
class CEncodingList;
class CWorker;

class CAssembleJob {
public:
    // The list and the two movies belong to the main window; while the job
    // runs the window changes none of them.
    CAssembleJob(CWorker& worker, const CEncodingList& list, CAVIFile& low, CAVIFile& fast);

    // Makes this object the worker's assembly work. The output is the
    // worker's output file, created by CWorker::SetOutput before the start.
    void Register();

    // The job, on the worker thread. It stops at the first read or write
    // error (after one message) and at an abort; then no output is left.
    CJobResult Run();

    // True when the last run wrote every part and finished the file.
    bool Succeeded() const { return m_bSucceeded; }

private:
    struct Part {
        int32_t start;
        int32_t end;
        bool low;
        std::string time;
    };
    // The list's rows as parts; `total` their frames.
    std::vector<Part> ListParts(int64_t& total) const;
    void StartProgress(int64_t total);
    // Closes the output once every part is in it.
    CJobResult Finish();
    // The output stream like `source`; -1 and `error` when it cannot be made.
    int MakeStreamLike(CAVIFile& from, int index, std::string& error);
    // The video (or audio) pass over all parts.
    CJobResult CopyParts(const std::vector<Part>& parts, int64_t total, bool video);
    void ShowProgress(double done, double total);
    // Ends a job that cannot write: a message, no output left behind, and
    // the job-finished notification all the same.
    CJobResult Fail(const std::string& message);
    // Ends a job that failed or was stopped: no output left behind.
    CJobResult End(const CJobResult& result);

    CWorker& m_worker;
    const CEncodingList& m_list;
    CAVIFile& m_low;
    CAVIFile& m_fast;
    bool m_bSucceeded = false;
    CJobRegistration m_registration; // last: unregistered before the rest goes
};
