#pragma once
// Drives jobs one after the other from the starting side, as the full
// creation and the creation from a data base do: start a job on the worker
// thread, wait for the wait box's result while polling for an abort request,
// and wait until the worker thread is idle again before the next start (a
// signal that reaches a busy worker is lost).

#include "jobs/CManualResetEvent.h"

#include <functional>

class CWaitBox;
class CWorker;

class CJobSteering {
public:
    CJobSteering(CWorker& worker, CWaitBox& waitBox) : m_worker(worker), m_waitBox(waitBox) {}

    // Polled while waiting: true asks for an abort, as a confirmed Escape in
    // the wait box does.
    void SetAbortCheck(std::function<bool()> check) { m_abortCheck = std::move(check); }

    // The event to give the worker thread as its idle event while steering.
    CManualResetEvent& GetIdleEvent() { return m_idle; }

    void StartJob(int kind);
    // The wait box's result: 0 when the job ended it, non-zero for an abort.
    int WaitForEnd();
    void WaitUntilIdle();

private:
    CWorker& m_worker;
    CWaitBox& m_waitBox;
    std::function<bool()> m_abortCheck;
    CManualResetEvent m_idle;
};
