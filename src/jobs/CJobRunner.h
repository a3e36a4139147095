#pragma once
// The worker and the progress timer, each on its own thread, set up the way
// the main window sets them up, for a caller that may wait: the command line
// and tests. Run and RunSequence submit to the worker and wait for the
// result (on a future: no polling). A window submits to GetWorker() itself
// and never waits.

#include "jobs/CJobRequest.h"
#include "jobs/CPriorityControl.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "media/CJobResult.h"

#include <memory>
#include <string>

class IHost;
class ITimeListener;

class CJobRunner {
public:
    // `listener` (may be null) gets the timer's times.
    CJobRunner(IHost& host, ITimeListener* listener);
    ~CJobRunner();
    CJobRunner(const CJobRunner&) = delete;
    CJobRunner& operator=(const CJobRunner&) = delete;

    IHost& GetHost() { return m_host; }
    CWorker& GetWorker() { return m_worker; }

    // Announces the job to the host, runs it on the worker thread and
    // returns its result.
    CJobResult Run(const CJobRequest& request);
    CJobResult RunSequence(CWorker::JobSequence sequence);

    // Any thread: the running job stops at its next frame or chunk.
    void RequestStop() { m_worker.RequestAbort(); }

    // The "Thread Priority:" choice for the worker ("Highest" .. "Idle",
    // "Pause"); false for an unknown entry.
    bool SetPriority(const std::string& entry);

private:
    IHost& m_host;
    CWorker m_worker;
    CProgressTimer m_timer;
    // Last: the threads stop before the jobs they run are destroyed.
    CWinBaseThread m_timerThread;
    CWinBaseThread m_workerThread;
    std::unique_ptr<CPriorityControl> m_priority;
};
