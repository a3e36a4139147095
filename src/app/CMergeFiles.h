#pragma once
// "Merge": AVI files joined one after the other into one AVI, each file's
// short audio padded with silence unless synchronisation is off. Prepare
// runs on the calling thread; Run on the worker thread (Start queues it).

#include "app/PrepareResult.h"
#include "jobs/CWorker.h"
#include "media/CJobResult.h"
#include "merge/CMergeJob.h"

#include <cstddef>
#include <string>
#include <vector>

struct MergeFilesRequest {
    std::vector<std::string> inputs;
    std::string output;
    bool trySynchronization = true;
};

class CMergeFiles {
public:
    explicit CMergeFiles(CWorker& worker) : m_worker(worker), m_job(worker) {}

    // Refuses an output that is one of the inputs; opens the inputs (one
    // that does not open is left out after its message) and creates the
    // output. Fails when no input opens.
    PrepareResult Prepare(const MergeFilesRequest& request);
    // How many inputs opened.
    size_t GetOpenedCount() const { return m_nOpened; }

    CJobResult Run();
    void Start(CWorker::JobDone done);

private:
    CJobRequest Request() const;

    CWorker& m_worker;
    CMergeJob m_job;
    MergeFilesRequest m_request;
    size_t m_nOpened = 0;
};
