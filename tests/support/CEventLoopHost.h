#pragma once
// A test's stand-in for a window's UI thread: every host call of a job is
// posted to the test thread as an event and recorded there, as the Qt
// window's adapter does with queued calls; message boxes block only the
// worker until the test thread has answered. The test thread never waits
// for the worker itself: it runs the event loop until the job's end arrives
// as one more event.

#include "media/CJobResult.h"
#include "media/IHost.h"
#include "support/CHostRecorder.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

class CEventLoopHost : public IHost {
public:
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

    // A `done` callback for Submit and Start: posts the end as an event.
    std::function<void(const CJobResult&)> EndEvent();
    // Test thread: handles events until the end arrives; returns it.
    CJobResult RunUntilEnd();

    // What arrived, read on the test thread.
    const CHostRecorder& Recorded() const { return m_recorded; }
    // Events handled on the test thread.
    int HandledCount() const { return m_nHandled; }

private:
    void Post(std::function<void()> event);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_events;
    std::optional<CJobResult> m_end;
    CHostRecorder m_recorded; // touched only on the test thread
    int m_nHandled = 0;
};
