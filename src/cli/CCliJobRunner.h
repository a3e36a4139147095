#pragma once
// What the command line needs to run a job the way the main window does: the
// terminal host, the worker and the progress timer, each on its own thread.
// RunJob hands a job to the worker and waits until the worker is idle again.
// The runner also counts the messages that report a failure, so that a
// command can tell a job that did everything from one that went on after
// errors (a synchronisation warning is no failure).

#include "cli/CTerminalHost.h"
#include "jobs/CManualResetEvent.h"
#include "jobs/CPriorityControl.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

class CCliJobRunner {
public:
    CCliJobRunner();
    ~CCliJobRunner();
    CCliJobRunner(const CCliJobRunner&) = delete;
    CCliJobRunner& operator=(const CCliJobRunner&) = delete;

    IHost& GetHost() { return m_host; }
    CWorker& GetWorker() { return m_worker; }

    // Starts `kind` on the worker thread and returns when it has run. With
    // interrupts caught, Ctrl-C during the job asks the worker to abort, as
    // the wait box's Escape does.
    void RunJob(int kind);
    void CatchInterrupts();
    // Whether Ctrl-C came since CatchInterrupts (for steering that waits on
    // its own, job after job).
    static bool WasInterrupted();
    // The terminal's wait box, ended by the jobs' EndWaitBox.
    CWaitBox& GetWaitBox() { return m_host.GetWaitBox(); }

    // The "Thread Priority:" choice for the worker ("Highest" .. "Idle",
    // "Pause"); false for an unknown entry.
    bool SetPriority(const std::string& entry);

    // Messages shown so far that report something going wrong.
    int GetFailureCount() const { return m_host.GetFailureCount(); }
    // A line on stderr that does not tear the progress line.
    void Say(const std::string& text);

private:
    class CCountingHost : public CTerminalHost {
    public:
        CCountingHost() : CTerminalHost(stderr) {}
        int MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                       EMessageKind kind) override;
        int GetFailureCount() const { return m_nFailures.load(); }

    private:
        std::atomic<int> m_nFailures{0};
    };

    CCountingHost m_host;
    CWorker m_worker{m_host};
    CProgressTimer m_timer;
    CManualResetEvent m_idle;
    // Last: the threads stop before the jobs they run are destroyed.
    CWinBaseThread m_timerThread;
    CWinBaseThread m_workerThread;
    std::unique_ptr<CPriorityControl> m_priority;
};
