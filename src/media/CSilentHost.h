#pragma once
// A host that shows nothing: for work whose failures are reported
// elsewhere, or by its result alone. Every question gets the same answer.

#include "media/IHost.h"

class CSilentHost : public IHost {
public:
    explicit CSilentHost(int answer = IDOK) : m_answer(answer) {}

    void SetStatusText(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void SetPercentText(const std::string&) override {}
    int MessageBox(const std::string&, const std::string&, EMessageButtons, EMessageKind) override {
        return m_answer;
    }
    void JobFinished() override {}
    void EndWaitBox(int) override {}
    void SetLastPiece(bool) override {}

private:
    int m_answer;
};
