#pragma once
// Everything a job says to "the main window": the status line, the progress
// bar and its percent text, message boxes, and the end-of-job notifications.
// The Qt window, the terminal front end and the test recorder implement it.
// Calls may come from any thread; implementations hand them on safely.

#include <string>

enum class EMessageButtons { Ok, OkCancel, YesNo, YesNoCancel };

// What a message box says, for its icon (and for the terminal's wording of
// nothing: the texts stay the jobs' own). A caller never learns from the
// kind whether a job failed: jobs return a CJobResult for that.
enum class EMessageKind { Information, Warning, Error, Question };

// Answers as the classic message box returns them.
enum EMessageAnswer { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IHost {
public:
    virtual ~IHost() = default;

    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual void SetPercentText(const std::string& text) = 0;

    // A modal message; blocks the calling thread until answered.
    virtual int MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                           EMessageKind kind) = 0;

    // The starting side hands a job to the worker: enter the busy state
    // (most commands disabled until JobFinished).
    virtual void JobStarted() {}
    // The job's notify flag was set at its end: leave the busy state.
    virtual void JobFinished() = 0;
    // End the wait box with this result (0: the job finished). May arrive
    // before the box is shown; the implementation must not lose it.
    virtual void EndWaitBox(int result) = 0;
    // The full creation's last piece is being encoded.
    virtual void SetLastPiece(bool last) = 0;

    // The progress bar's percent text as every job writes it ("42 %").
    void SetPercent(int percent) { SetPercentText(std::to_string(percent) + " %"); }

    // Shorthands for the common "OK only" message with an empty caption.
    void ShowError(const std::string& text) {
        MessageBox(text, "", EMessageButtons::Ok, EMessageKind::Error);
    }
    void ShowWarning(const std::string& text) {
        MessageBox(text, "", EMessageButtons::Ok, EMessageKind::Warning);
    }
    void ShowInformation(const std::string& text) {
        MessageBox(text, "", EMessageButtons::Ok, EMessageKind::Information);
    }
};
