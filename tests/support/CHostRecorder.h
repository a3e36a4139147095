#pragma once
// A host that records everything a job says, for tests. Thread-safe; message
// boxes are answered from a queue of prepared answers (default: the first
// button: OK or Yes).

#include "media/IHost.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

class CHostRecorder : public IHost {
public:
    struct Message {
        std::string text;
        std::string caption;
        EMessageButtons buttons;
        EMessageKind kind;
    };

    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void SetPercentText(const std::string& text) override;
    int MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                   EMessageKind kind) override;
    void JobStarted() override;
    void JobFinished() override;
    void EndWaitBox(int result) override;
    void SetLastPiece(bool last) override;

    void QueueAnswer(int answer);

    std::vector<Message> Messages() const;
    std::vector<std::string> StatusTexts() const;
    std::vector<std::string> PercentTexts() const;
    std::vector<int> ProgressPositions() const;
    std::pair<int, int> ProgressRange() const;
    int JobStartedCount() const;
    int JobFinishedCount() const;
    std::vector<int> WaitBoxResults() const;
    bool LastPiece() const;
    // True when any message text contains `part`.
    bool HasMessage(const std::string& part) const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::vector<std::string> m_status;
    std::vector<std::string> m_percent;
    std::vector<int> m_positions;
    std::pair<int, int> m_range{0, 0};
    int m_jobStarted = 0;
    int m_jobFinished = 0;
    std::vector<int> m_waitBox;
    bool m_lastPiece = false;
    std::deque<int> m_answers;
};
