#pragma once
// "Encode": the source movie encoded into the LOW and the FAST file in one
// pass, the audio copied into both. Prepare runs on the calling thread; Run
// on the worker thread (Start queues it there).

#include "app/PrepareResult.h"
#include "jobs/CEncodeJob.h"
#include "jobs/CWorker.h"
#include "media/CJobResult.h"
#include "platform/CodecOptions.h"

#include <string>

struct EncodeMovieRequest {
    std::string source;
    std::string low;
    std::string fast;
    CodecOptions lowCodec;
    CodecOptions fastCodec;
};

class CEncodeMovie {
public:
    explicit CEncodeMovie(CWorker& worker) : m_worker(worker), m_job(worker) {}
    ~CEncodeMovie();

    // Refuses LOW or FAST files that are the source or one file; opens the
    // source and creates both files with their compressors.
    PrepareResult Prepare(const EncodeMovieRequest& request);

    CJobResult Run();
    void Start(CWorker::JobDone done);

private:
    CWorker& m_worker;
    EncodeMovieRequest m_request;
    CEncodeJob m_job;
};
