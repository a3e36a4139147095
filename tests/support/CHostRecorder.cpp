#include "support/CHostRecorder.h"

void CHostRecorder::SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_status.push_back(text);
}
void CHostRecorder::SetProgressRange(int low, int high) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_range = {low, high};
}
void CHostRecorder::SetProgressPos(int pos) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_positions.push_back(pos);
}
void CHostRecorder::SetPercentText(const std::string& text) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_percent.push_back(text);
}
int CHostRecorder::MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                              EMessageKind kind) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_messages.push_back({text, caption, buttons, kind});
    if (!m_answers.empty()) {
        int a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    return (buttons == EMessageButtons::YesNo || buttons == EMessageButtons::YesNoCancel) ? IDYES : IDOK;
}
void CHostRecorder::JobStarted() {
    std::lock_guard<std::mutex> l(m_mutex);
    ++m_jobStarted;
}
void CHostRecorder::JobFinished() {
    std::lock_guard<std::mutex> l(m_mutex);
    ++m_jobFinished;
}
void CHostRecorder::EndWaitBox(int result) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_waitBox.push_back(result);
}
void CHostRecorder::SetLastPiece(bool last) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_lastPiece = last;
}
void CHostRecorder::QueueAnswer(int answer) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_answers.push_back(answer);
}
std::vector<CHostRecorder::Message> CHostRecorder::Messages() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_messages;
}
std::vector<std::string> CHostRecorder::StatusTexts() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_status;
}
std::vector<std::string> CHostRecorder::PercentTexts() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_percent;
}
std::vector<int> CHostRecorder::ProgressPositions() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_positions;
}
std::pair<int, int> CHostRecorder::ProgressRange() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_range;
}
int CHostRecorder::JobStartedCount() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_jobStarted;
}
int CHostRecorder::JobFinishedCount() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_jobFinished;
}
std::vector<int> CHostRecorder::WaitBoxResults() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_waitBox;
}
bool CHostRecorder::LastPiece() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_lastPiece;
}
bool CHostRecorder::HasMessage(const std::string& part) const {
    std::lock_guard<std::mutex> l(m_mutex);
    for (const auto& m : m_messages)
        if (m.text.find(part) != std::string::npos)
            return true;
    return false;
}
void CHostRecorder::Clear() {
    std::lock_guard<std::mutex> l(m_mutex);
    m_messages.clear();
    m_status.clear();
    m_percent.clear();
    m_positions.clear();
    m_jobStarted = 0;
    m_jobFinished = 0;
    m_waitBox.clear();
}
