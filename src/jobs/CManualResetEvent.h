#pragma once
// An event that stays signalled until it is reset: every waiter passes while
// it is set. Used to wake the worker and timer threads, to cut a timer tick
// short and to tell a steering loop that the worker is idle again.

#include <chrono>
#include <condition_variable>
#include <mutex>

class CManualResetEvent {
public:
    explicit CManualResetEvent(bool signalled = false) : m_bSignalled(signalled) {}
    CManualResetEvent(const CManualResetEvent&) = delete;
    CManualResetEvent& operator=(const CManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Blocks until the event is set.
    void Wait();
    // True when the event was set within the time-out, false when it ran out.
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bSignalled;
};
