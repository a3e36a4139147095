#pragma once
// A long-lived thread that sleeps on its wake event and runs its one job each
// time it is signalled. The worker and the progress timer each have one.
//
// A signal that arrives while the job runs is kept: the wake event is reset
// before the job runs, so the thread runs it once more right after. (The
// worker drains its whole queue on each run, so no request waits for a
// further signal.)

#include "jobs/CManualResetEvent.h"

#include <atomic>
#include <sys/types.h>
#include <thread>

class CThreadJob;

class CWinBaseThread {
public:
    CWinBaseThread() = default;
    // Stops and joins the thread (see Stop).
    ~CWinBaseThread();
    CWinBaseThread(const CWinBaseThread&) = delete;
    CWinBaseThread& operator=(const CWinBaseThread&) = delete;

    // Attaches the job (not owned) and gives it the back-pointer to this thread.
    void SetJob(CThreadJob* job);
    // Starts the platform thread, which then waits for the first signal. It
    // inherits the starting thread's (normal) priority. Called once; later
    // calls do nothing. Returns when the thread id is known.
    void Start();
    // Wakes the thread: it runs the job once.
    void Signal();
    // Signalled each time the thread goes back to waiting; null for none.
    void SetIdleEvent(CManualResetEvent* event) { m_pIdleEvent.store(event); }

    // Orderly end: sets the stop flag, wakes the thread and joins it. A job
    // that is running is finished first, so whoever stops the thread must make
    // sure the job can finish (a paused worker must be resumed). Idempotent.
    void Stop();

    bool IsStarted() const { return m_thread.joinable(); }
    // True while the thread waits for a signal (between two runs of its job).
    bool IsWaiting() const { return m_bWaiting.load(); }
    // The Linux thread id (for setpriority); 0 before Start.
    pid_t GetThreadId() const { return m_nThreadId.load(); }

private:
    int Run();

    std::atomic<CManualResetEvent*> m_pIdleEvent{nullptr};
    std::atomic<bool> m_bStop{false};
    CManualResetEvent m_wakeEvent;
    std::atomic<CThreadJob*> m_pJob{nullptr};
    std::atomic<pid_t> m_nThreadId{0};
    std::atomic<bool> m_bWaiting{false};
    std::thread m_thread;
};
