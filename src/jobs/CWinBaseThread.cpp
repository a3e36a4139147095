#include "jobs/CWinBaseThread.h"

#include "jobs/CThreadJob.h"

#include <unistd.h>

CWinBaseThread::~CWinBaseThread() {
    Stop();
}

void CWinBaseThread::SetJob(CThreadJob* job) {
    m_pJob.store(job);
    if (job)
        job->SetThread(this);
}

void CWinBaseThread::Start() {
    if (m_thread.joinable())
        return;
    CManualResetEvent started;
    m_thread = std::thread([this, &started] {
        m_nThreadId.store(gettid());
        started.Set();
        Run();
    });
    started.Wait();
}

void CWinBaseThread::Signal() {
    m_wakeEvent.Set();
}

void CWinBaseThread::Stop() {
    m_bStop.store(true);
    m_wakeEvent.Set();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

int CWinBaseThread::Run() {
    while (!m_bStop.load()) {
        if (CManualResetEvent* idle = m_pIdleEvent.load())
            idle->Set();
        m_bWaiting.store(true);
        m_wakeEvent.Wait();
        m_bWaiting.store(false);
        if (m_bStop.load())
            break;
        // Reset before the run: a signal that comes while the job runs wakes
        // the thread again right after it.
        m_wakeEvent.Reset();
        if (CThreadJob* job = m_pJob.load())
            job->Run();
    }
    return 0;
}
