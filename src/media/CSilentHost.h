#pragma once
// A host that shows nothing and answers every box with OK: for side work
// (previews) on movies whose failures the window has already reported.

#include "media/IHost.h"

class CSilentHost : public IHost {
public:
    void SetStatusText(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void SetPercentText(const std::string&) override {}
    int MessageBox(const std::string&, const std::string&, EMessageButtons, EMessageKind) override {
        return IDOK;
    }
    void JobFinished() override {}
    void EndWaitBox(int) override {}
    void SetLastPiece(bool) override {}
};
