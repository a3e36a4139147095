#include "jobs/CWaitBox.h"

#include "media/IHost.h"

void CWaitBox::End(int result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_result)
        return;
    m_result = result;
    m_cv.notify_all();
}

bool CWaitBox::RequestAbort(IHost& host) {
    if (host.MessageBox(ABORT_QUESTION, "", EMessageButtons::OkCancel, EMessageKind::Question) != IDOK)
        return false;
    End(RESULT_ABORT);
    return true;
}

int CWaitBox::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return m_result.has_value(); });
    return TakeLocked();
}

std::optional<int> CWaitBox::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_cv.wait_for(lock, timeout, [this] { return m_result.has_value(); }))
        return std::nullopt;
    return TakeLocked();
}

int CWaitBox::TakeLocked() {
    const int result = *m_result;
    m_result.reset();
    return result;
}
