#pragma once
// The wait box shown while a sequence of jobs runs: no buttons, no title,
// centred. Escape asks whether to abort; OK ends the box with -1. A job
// ends it with its result (0) through the host; a result that arrives
// before the box is shown is kept, and the next showing returns it at once.

#include <QDialog>

#include <functional>

#include <optional>

class CAbortDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int RESULT_ABORT = -1;

    explicit CAbortDlg(QWidget* parent = nullptr);

    // Shows the box modally until a job or the user ends it; its result.
    int ShowModal();
    // A job ended the box (any time, also before it is shown).
    void End(int result);
    bool HasPendingResult() const { return m_pending.has_value(); }

    // Asks the abort question; tests replace it. Returns true for OK.
    std::function<bool()> m_confirmAbort;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::optional<int> m_pending;
    bool m_bShowing = false;
};
