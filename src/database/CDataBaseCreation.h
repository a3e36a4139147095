#pragma once
// Creating the final movie from an imported data base and the user's copy of
// the source movie: every interval is compressed straight from the source
// into a temporary file of its own (job kind 9 on the worker, one job per
// interval), the temporary files are appended in order to the final AVI
// (job kind 10 per file), the result is checked by opening it and the
// temporary files are deleted.
//
// The creation is a sequence on the worker thread: Prepare checks on the
// calling thread, Start submits the sequence and returns at once; the
// caller hears from it only through the host and the `done` callback. Every
// frame and step passes the pause gate and ends at an abort, with the files
// written so far closed (the unfinished final AVI is removed).

#include "jobs/CWorker.h"
#include "media/CJobResult.h"

#include <string>

class CAVIFile;
class CMovieDataBase;
struct CodecOptions;

class CDataBaseCreation {
public:
    static constexpr const char* MERGE_ERROR =
        "Some error occured when merging the temp files. Please try manually.";

    CDataBaseCreation(CWorker& worker, CMovieDataBase& base);

    // Calling thread: the temporary files go into a folder made for this run
    // inside `tempDirectory` (files already there are never touched);
    // `output` (replaced at the end) must not be the source, the intervals
    // must not overlap the movie over and over, and the data base's
    // compressor records must be usable. False after a
    // message, or quietly when there is nothing to create (NothingToCreate).
    bool Prepare(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                 const std::string& output, const std::string& tempDirectory);
    // Any thread, after Prepare: queues the creation on the worker. The
    // source, the options and this object must outlive the run.
    void Start(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast, const std::string& output,
               CWorker::JobDone done);
    // The creation itself, on the worker thread (or on the calling thread
    // when no worker thread runs).
    CJobResult Run(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                   const std::string& output);

    // True when the last Prepare or Run found no interval, or could not
    // make the first temporary file: nothing was shown or made.
    bool NothingToCreate() const { return m_bNothing; }
    // False when the last Prepare named intervals that give no frames: the
    // final AVI is then not the whole list.
    bool IsWhole() const { return m_bWhole; }

    // Whether the compressor records the data base's intervals use can be
    // encoded with; a message names the first one that cannot.
    bool CheckCodecs(const CodecOptions& low, const CodecOptions& fast) const;

private:
    // Refuses (false, with a message) intervals that together cover more
    // than twice the source movie, and warns about each interval that gives
    // no frames.
    bool CheckIntervals(CAVIFile& source);
    CJobResult Steer(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast,
                     const std::string& output);
    CJobResult Finish(const std::string& output, bool copyFailed);
    CJobResult Fail();
    void DeleteTempFiles(bool onlyReadable);

    CWorker& m_worker;
    CMovieDataBase& m_base;
    bool m_bNothing = false;
    bool m_bWhole = true;
    std::string m_strRunFolder; // made by Prepare for this run's temporary files
};
