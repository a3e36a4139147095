#include "support/CEventLoopHost.h"

#include <future>

void CEventLoopHost::Post(std::function<void()> event) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    m_cv.notify_one();
}

void CEventLoopHost::SetStatusText(const std::string& text) {
    Post([this, text] { m_recorded.SetStatusText(text); });
}
void CEventLoopHost::SetProgressRange(int low, int high) {
    Post([this, low, high] { m_recorded.SetProgressRange(low, high); });
}
void CEventLoopHost::SetProgressPos(int pos) {
    Post([this, pos] { m_recorded.SetProgressPos(pos); });
}
void CEventLoopHost::SetPercentText(const std::string& text) {
    Post([this, text] { m_recorded.SetPercentText(text); });
}
int CEventLoopHost::MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                               EMessageKind kind) {
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> answered = answer->get_future();
    Post([=, this] { answer->set_value(m_recorded.MessageBox(text, caption, buttons, kind)); });
    return answered.get();
}
void CEventLoopHost::JobStarted() {
    Post([this] { m_recorded.JobStarted(); });
}
void CEventLoopHost::JobFinished() {
    Post([this] { m_recorded.JobFinished(); });
}
void CEventLoopHost::EndWaitBox(int result) {
    Post([this, result] { m_recorded.EndWaitBox(result); });
}
void CEventLoopHost::SetLastPiece(bool last) {
    Post([this, last] { m_recorded.SetLastPiece(last); });
}

std::function<void(const CJobResult&)> CEventLoopHost::EndEvent() {
    return [this](const CJobResult& result) { Post([this, result] { m_end = result; }); };
}

CJobResult CEventLoopHost::RunUntilEnd() {
    m_end.reset();
    while (!m_end) {
        std::function<void()> event;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cv.wait(lock, [this] { return !m_events.empty(); });
            event = std::move(m_events.front());
            m_events.pop_front();
        }
        event();
        ++m_nHandled;
    }
    return *m_end;
}
