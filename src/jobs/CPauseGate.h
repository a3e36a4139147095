#pragma once
// Pausing the worker. Linux cannot suspend a thread from outside, so the
// jobs pass this gate at every frame and audio block and wait there while it
// is closed. Passing an open gate costs one atomic load.

#include <atomic>
#include <condition_variable>
#include <mutex>

class CPauseGate {
public:
    void Pause();
    void Resume();
    bool IsPaused() const { return m_bPaused.load(std::memory_order_acquire); }
    // Returns at once when open; otherwise waits until Resume.
    void Pass();
    // How many threads wait at the gate right now.
    int GetWaitingCount() const;

private:
    std::atomic<bool> m_bPaused{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_nWaiting = 0;
};
