#pragma once
// Shows the elapsed time of a job and an estimate of the time left. The job
// sets the total and then moves the current value; the loop runs on its own
// CWinBaseThread and ticks every 500 ms during the first nine seconds, every
// 950 ms afterwards. The estimate assumes the rest of the work goes on at the
// average speed so far.

#include "jobs/CManualResetEvent.h"
#include "jobs/CThreadJob.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class IProgressClock;
class ITimeListener;

class CProgressTimer : public CThreadJob {
public:
    // `clock` (not owned) replaces the steady clock; null for the real one.
    explicit CProgressTimer(IProgressClock* clock = nullptr);
    ~CProgressTimer() override;

    // The timer loop (on the timer thread).
    void Run() override;

    void SetListener(ITimeListener* listener) { m_pListener.store(listener); }

    // Clears both flags and wakes the timer thread, which starts ticking.
    // Without an attached thread nothing is started.
    void Start();
    // Ends the loop and waits for it; then shows 00:00:00 as remaining time.
    // The elapsed time stays as last shown. Returns at once when no loop is
    // running (never started, or stopped already).
    void Stop();
    // The first half of Stop: asks the loop to end without waiting for it.
    void RequestStop();

    // Written by the running job at any time.
    void SetTotal(int32_t total) { m_nTotal.store(total, std::memory_order_relaxed); }
    void SetCurrent(int32_t current) { m_nCurrent.store(current, std::memory_order_relaxed); }
    int32_t GetTotal() const { return m_nTotal.load(std::memory_order_relaxed); }
    int32_t GetCurrent() const { return m_nCurrent.load(std::memory_order_relaxed); }
    bool IsStopped() const {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        return m_bStopped;
    }

    // "hh:mm:ss"; the hours wrap at 24. Negative values show as 00:00:00.
    static std::string FormatTime(int64_t seconds);
    // elapsed / current * (total - current), truncated; 0 while current is 0
    // and whenever the values give no sensible (positive) estimate.
    static int64_t RemainingSeconds(int64_t elapsed, int32_t current, int32_t total);
    // The wait between two ticks for this elapsed time.
    static int TickMilliseconds(int64_t elapsed) { return elapsed <= 9 ? 500 : 950; }

private:
    std::unique_ptr<IProgressClock> m_ownClock;
    IProgressClock* m_pClock;
    std::atomic<int32_t> m_nCurrent{-1};
    std::atomic<int32_t> m_nTotal{-1};
    // Set while no loop runs, so that a Stop without a running loop cannot
    // wait for ever; Stop waits on m_stateChanged for it.
    mutable std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    bool m_bStopped = true;
    uint64_t m_nStarts = 0; // Start calls, to tell a loop that ends from one started again
    std::atomic<bool> m_bStopRequest{false};
    std::atomic<ITimeListener*> m_pListener{nullptr};
    CManualResetEvent m_tickEvent;
};
