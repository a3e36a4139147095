#pragma once
// Starts and steers the jobs of the main window: the worker and the
// progress timer on their threads, the thread priority, the final assembly
// and the oracle. The window calls these use cases and never the jobs'
// internals; a job is submitted to the worker's queue (never waited for),
// and its end reaches the window through the host.

#include "app/CMergeFiles.h"
#include "creation/COracleStart.h"
#include "jobs/CJobRegistration.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"
#include "oracle/COracle.h"

#include <memory>
#include <string>

class CAssembleJob;
class CEncodingList;
class CEncodingListSink;
class CIniFile;
class CPriorityControl;
class IHost;
class ITimeListener;

class CJobController {
public:
    CJobController(IHost& host, ITimeListener& listener);
    ~CJobController();
    CJobController(const CJobController&) = delete;
    CJobController& operator=(const CJobController&) = delete;

    // Starts the worker and timer threads (once).
    void Start();

    // The final assembly of `list` from the two movies into `output`, with
    // key frames every `framesPerSecond`. False (nothing started) when the
    // inputs or the output cannot be opened; the AVI layer has said why.
    bool StartAssembly(const std::string& output, const std::string& low, const std::string& fast,
                       int32_t framesPerSecond, const CEncodingList& list);
    // The oracle with `settings`, filling `list`; its keys go into `store`.
    bool StartOracle(const OracleStartSettings& settings, const std::string& low, const std::string& fast,
                     CIniFile& store, CEncodingList& list);

    // The merge of `request.inputs` into `request.output`. False (nothing
    // started) when the request is refused or no input opens; a message
    // has said why.
    bool StartMerge(const MergeFilesRequest& request);

    // The "Thread Priority:" entry the user chose.
    bool ChoosePriority(const std::string& entry);

    // Orderly end: a running job is stopped at its next frame (a paused one
    // resumed first), the threads joined, and the worker's files closed.
    // Idempotent.
    void Shutdown();

    CWorker& GetWorker() { return m_worker; }

private:
    // Enters the busy state and queues the request.
    bool Submit(const CJobRequest& request);

    IHost& m_host;
    CWorker m_worker;
    CProgressTimer m_timer;
    COracle m_oracle;
    std::unique_ptr<CEncodingListSink> m_pSink;
    std::unique_ptr<CAssembleJob> m_pAssemble;
    std::unique_ptr<CMergeFiles> m_pMerge;
    CJobRegistration m_oracleRegistration; // after the oracle and its sink: unregistered first
    std::unique_ptr<CPriorityControl> m_pPriority;
    bool m_bShutdown = false;
    // Last: the threads stop before the jobs they run are destroyed.
    CWinBaseThread m_timerThread;
    CWinBaseThread m_workerThread;
};
