#include "jobs/CJobSteering.h"

#include "jobs/CWaitBox.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"

#include <chrono>
#include <optional>

void CJobSteering::StartJob(int kind) {
    m_idle.Reset();
    m_worker.SetJobKind(kind);
    m_worker.GetThread()->Signal();
}

int CJobSteering::WaitForEnd() {
    for (;;) {
        if (std::optional<int> ended = m_waitBox.WaitFor(std::chrono::milliseconds(100)))
            return *ended;
        if (m_abortCheck && m_abortCheck())
            return CWaitBox::RESULT_ABORT;
    }
}

void CJobSteering::WaitUntilIdle() {
    m_idle.Wait();
    m_idle.Reset();
}
