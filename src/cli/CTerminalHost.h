#pragma once
// The command line's "main window". Progress shows as one line on stderr:
// percent, status text, elapsed and remaining time. On a terminal the line is
// rewritten in place; in a log (not a terminal) a line is written only when
// the percent changes, so that a long job leaves a short log. Messages get a
// line of their own. Questions get the answer given on the command line
// (--yes/--no), else the safe one, the one that loses nothing. Every call may
// come from the worker, the timer or the main thread.

#include "jobs/CWaitBox.h"
#include "jobs/ITimeListener.h"
#include "media/IHost.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

class CTerminalHost : public IHost, public ITimeListener {
public:
    enum class EAnswerPolicy { Safe, Yes, No };

    // Rewrites the line in place when `out` is a terminal.
    explicit CTerminalHost(std::FILE* out = stderr);
    CTerminalHost(std::FILE* out, bool terminal);

    void SetAnswerPolicy(EAnswerPolicy policy);

    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void SetPercentText(const std::string& text) override;
    int MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                   EMessageKind kind) override;
    void JobFinished() override;
    void EndWaitBox(int result) override { m_waitBox.End(result); }
    void SetLastPiece(bool last) override { m_bLastPiece.store(last); }

    void ShowCurrentTime(const std::string& text) override;
    void ShowRemainingTime(const std::string& text) override;

    // Ends the progress line so that what follows starts on a fresh line; in
    // a log, writes the last state first when it was not written yet.
    void FinishLine();

    bool GetLastPiece() const { return m_bLastPiece.load(); }
    // The wait for a job that EndWaitBox ends (the terminal's wait box).
    CWaitBox& GetWaitBox() { return m_waitBox; }

private:
    int Answer(EMessageButtons buttons) const;
    std::string ComposeLine() const;
    // Terminal: redraw the line when it changed. Log: write it when the
    // percent changed since the last written line.
    void UpdateLocked(bool percentChanged);
    void ClearLineLocked();
    void FinishLineLocked();

    std::FILE* m_out;
    const bool m_bTerminal;
    std::mutex m_mutex;
    EAnswerPolicy m_policy = EAnswerPolicy::Safe;
    std::string m_strStatus;
    std::string m_strPercent;
    std::string m_strCurrentTime;
    std::string m_strRemainingTime;
    std::string m_strShown;  // terminal: the line now on screen ("" for none)
    bool m_bPending = false; // log: the state changed since the last written line
    std::atomic<bool> m_bLastPiece{false};
    CWaitBox m_waitBox;
};
