#include "jobs/CPauseGate.h"

void CPauseGate::Pause() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPaused.store(true, std::memory_order_release);
}

void CPauseGate::Resume() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPaused.store(false, std::memory_order_release);
    m_cv.notify_all();
}

void CPauseGate::Pass() {
    if (!IsPaused())
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_nWaiting;
    m_cv.wait(lock, [this] { return !m_bPaused.load(std::memory_order_relaxed); });
    --m_nWaiting;
}

int CPauseGate::GetWaitingCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nWaiting;
}
