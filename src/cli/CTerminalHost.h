#pragma once
// The command line's "main window": status texts and messages go to stderr;
// questions get the answer given on the command line, else the safe one.

#include "platform/IHost.h"

#include <cstdio>
#include <mutex>

class CTerminalHost : public IHost {
public:
    enum class EAnswerPolicy { Safe, Yes, No };

    explicit CTerminalHost(std::FILE* out = stderr) : m_out(out) {}

    void SetAnswerPolicy(EAnswerPolicy policy) { m_policy = policy; }

    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void SetPercentText(const std::string& text) override;
    int MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons) override;
    void JobFinished() override {}
    void EndWaitBox(int) override {}
    void SetLastPiece(bool) override {}

private:
    std::FILE* m_out;
    std::mutex m_mutex;
    EAnswerPolicy m_policy = EAnswerPolicy::Safe;
};
