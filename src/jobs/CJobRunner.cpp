#include "jobs/CJobRunner.h"

#include "jobs/ITimeListener.h"
#include "media/IHost.h"

#include <future>

CJobRunner::CJobRunner(IHost& host, ITimeListener* listener) : m_host(host), m_worker(host) {
    m_timer.SetListener(listener);
    m_worker.SetProgressTimer(&m_timer);
    m_timerThread.SetJob(&m_timer);
    m_timerThread.Start();
    m_workerThread.SetJob(&m_worker);
    m_workerThread.Start();
}

CJobRunner::~CJobRunner() {
    // A paused job could never end.
    m_worker.GetPauseGate().Resume();
    m_workerThread.Stop();
    m_timer.Stop();
    m_timerThread.Stop();
}

CJobResult CJobRunner::Run(const CJobRequest& request) {
    return RunSequence([request](CWorker& worker) { return worker.RunInline(request); });
}

CJobResult CJobRunner::RunSequence(CWorker::JobSequence sequence) {
    auto ended = std::make_shared<std::promise<CJobResult>>();
    std::future<CJobResult> result = ended->get_future();
    m_host.JobStarted();
    m_worker.SubmitSequence(std::move(sequence), [ended](const CJobResult& r) { ended->set_value(r); });
    return result.get();
}

bool CJobRunner::SetPriority(const std::string& entry) {
    if (!m_priority)
        m_priority = std::make_unique<CPriorityControl>(m_workerThread, m_worker.GetPauseGate());
    return m_priority->Choose(entry);
}
