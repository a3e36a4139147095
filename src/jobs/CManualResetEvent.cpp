#include "jobs/CManualResetEvent.h"

void CManualResetEvent::Set() {
    // Notify under the lock: a waiter may destroy the event as soon as it
    // sees it set (a local event that only announces a start).
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSignalled = true;
    m_cv.notify_all();
}

void CManualResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSignalled = false;
}

bool CManualResetEvent::IsSet() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bSignalled;
}

void CManualResetEvent::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return m_bSignalled; });
}

bool CManualResetEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [this] { return m_bSignalled; });
}
