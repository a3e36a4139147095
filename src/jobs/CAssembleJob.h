#pragma once
// The final assembly (job kind 2): for every row of the encoding list the
// compressed video frames of its part are copied unchanged, with their key
// flags, from the LOW or the FAST movie into one output video stream; then,
// in a second pass, the audio that plays during each part is copied from the
// same movie into one output audio stream. The output's stream headers come
// from the first row's movie. Nothing is decoded.

#include <string>

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

    // The job, on the worker thread.
    void Run();

    // True when the last run wrote every part and finished the file.
    bool Succeeded() const { return m_bSucceeded; }

private:
    // The output stream like `source`; -1 after a message when it cannot be
    // made.
    int MakeStreamLike(CAVIFile& from, int index);
    void ShowProgress(double done, double total);
    // Ends a job that cannot write: a message, no output left behind, and
    // the job-finished notification all the same.
    void Fail(const std::string& message);

    CWorker& m_worker;
    const CEncodingList& m_list;
    CAVIFile& m_low;
    CAVIFile& m_fast;
    bool m_bSucceeded = false;
};
