#include "cli/CCliJobRunner.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <string_view>

namespace {
// Set by the SIGINT handler, read by the thread waiting for the job.
std::atomic<bool> g_bInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    g_bInterrupted.store(true);
}
} // namespace

int CCliJobRunner::CCountingHost::MessageBox(const std::string& text, const std::string& caption,
                                             EMessageButtons buttons) {
    // The merge goes on after this warning by design, and the oracle's note
    // that it measures again is information; everything else a job shows in
    // a message box is an error it could not mend.
    if (std::string_view(text).substr(0, 23) != "Synchronization Warning" && caption != "Oracle")
        ++m_nFailures;
    return CTerminalHost::MessageBox(text, caption, buttons);
}

CCliJobRunner::CCliJobRunner() {
    m_timer.SetListener(&m_host);
    m_worker.SetProgressTimer(&m_timer);
    m_timerThread.SetJob(&m_timer);
    m_timerThread.Start();
    m_workerThread.SetIdleEvent(&m_idle);
    m_workerThread.SetJob(&m_worker);
    m_workerThread.Start();
}

CCliJobRunner::~CCliJobRunner() {
    m_workerThread.Stop();
    m_timer.Stop();
    m_timerThread.Stop();
}

void CCliJobRunner::RunJob(int kind) {
    // The thread signals idle once before its first wait; take that first so
    // that the next signal can only come after the job.
    m_idle.Wait();
    m_idle.Reset();
    m_worker.SetJobKind(kind);
    m_host.JobStarted();
    m_workerThread.Signal();
    bool abortRequested = false;
    while (!m_idle.WaitFor(std::chrono::milliseconds(100))) {
        if (g_bInterrupted.load() && !abortRequested) {
            abortRequested = true;
            Say("Interrupted: stopping after the current frame ...");
            m_worker.RequestAbort();
        }
    }
    m_host.FinishLine();
}

void CCliJobRunner::CatchInterrupts() {
    g_bInterrupted.store(false);
    std::signal(SIGINT, OnInterrupt);
}

bool CCliJobRunner::WasInterrupted() {
    return g_bInterrupted.load();
}

bool CCliJobRunner::SetPriority(const std::string& entry) {
    if (!m_priority)
        m_priority = std::make_unique<CPriorityControl>(m_workerThread, m_worker.GetPauseGate());
    return m_priority->Choose(entry);
}

void CCliJobRunner::Say(const std::string& text) {
    m_host.FinishLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}
