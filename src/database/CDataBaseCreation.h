#pragma once
// Creating the final movie from an imported data base and the user's copy of
// the source movie: every interval is compressed straight from the source
// into a temporary file of its own (job kind 9 on the worker, one job per
// interval), the temporary files are appended in order to the final AVI
// (job kind 10 per file), the result is checked by opening it and the
// temporary files are deleted.
//
// The steering runs on the starting side and blocks: after each job it
// waits for the wait box to end (0: the job finished, RESULT_ABORT: the
// user aborted) and for the worker thread to be idle again. The worker
// must be attached to its thread and idle when Create is called.

#include "jobs/CJobSteering.h"

#include <functional>
#include <string>

class CAVIFile;
class CMovieDataBase;
class CWaitBox;
class CWorker;
struct CodecOptions;

class CDataBaseCreation {
public:
    enum EResult {
        RESULT_NOTHING, // no interval, or the first temporary file could not be made: nothing shown
        RESULT_CREATED,
        RESULT_FAILED, // a message said why
        RESULT_ABORTED // the files written so far stay
    };

    static constexpr const char* MERGE_ERROR =
        "Some error occured when merging the temp files. Please try manually.";

    // `waitBox` is the one the host's EndWaitBox ends.
    CDataBaseCreation(CWorker& worker, CMovieDataBase& base, CWaitBox& waitBox);

    // Polled while waiting for a job: true asks for an abort, as a confirmed
    // Escape in the wait box does.
    void SetAbortCheck(std::function<bool()> check) { m_steering.SetAbortCheck(std::move(check)); }

    // The temporary files go into `tempDirectory`; `output` is replaced.
    EResult Create(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                   const std::string& output, const std::string& tempDirectory);

    // Whether the compressor records the data base's intervals use can be
    // encoded with; a message names the first one that cannot.
    bool CheckCodecs(const CodecOptions& low, const CodecOptions& fast) const;

private:
    // Refuses (RESULT_FAILED, with a message) intervals that together cover
    // more than twice the source movie, and warns about each interval that
    // gives no frames; RESULT_CREATED lets the creation go on.
    EResult CheckIntervals(CAVIFile& source) const;
    EResult Steer(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                  const std::string& output);
    EResult Finish(const std::string& output, bool copyFailed);
    EResult Fail();
    // The wait box's result, then the worker idle again.
    int WaitForJob();
    void DeleteTempFiles(bool onlyReadable);

    CWorker& m_worker;
    CMovieDataBase& m_base;
    CWaitBox& m_waitBox;
    // Starts the jobs; its idle event is the worker thread's while a
    // creation runs.
    CJobSteering m_steering{m_worker, m_waitBox};
};
