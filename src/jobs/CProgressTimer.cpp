#include "jobs/CProgressTimer.h"

#include "jobs/CWinBaseThread.h"
#include "jobs/IProgressClock.h"
#include "jobs/ITimeListener.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// A monotonic clock: a change of the system time must not turn the elapsed
// time negative or jump the estimate.
class CSteadyClock : public IProgressClock {
public:
    int64_t NowSeconds() override {
        using namespace std::chrono;
        return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
    }
    void WaitTick(CManualResetEvent& tick, int milliseconds) override {
        tick.WaitFor(std::chrono::milliseconds(milliseconds));
    }
};

void SleepOneMillisecond() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

CProgressTimer::CProgressTimer(IProgressClock* clock) : m_pClock(clock) {
    if (!m_pClock) {
        m_ownClock = std::make_unique<CSteadyClock>();
        m_pClock = m_ownClock.get();
    }
}

CProgressTimer::~CProgressTimer() = default;

void CProgressTimer::Run() {
    // A Stop that came before this loop began may have left the event set.
    m_tickEvent.Reset();
    const int64_t start = m_pClock->NowSeconds();
    while (!m_bStopRequest.load()) {
        const int64_t elapsed = m_pClock->NowSeconds() - start;
        const int64_t remaining = RemainingSeconds(elapsed, GetCurrent(), GetTotal());
        if (ITimeListener* listener = m_pListener.load()) {
            listener->ShowCurrentTime(FormatTime(elapsed));
            listener->ShowRemainingTime(FormatTime(remaining));
        }
        m_pClock->WaitTick(m_tickEvent, TickMilliseconds(elapsed));
        m_tickEvent.Reset();
    }
    m_bStopped.store(true);
}

void CProgressTimer::Start() {
    CWinBaseThread* thread = GetThread();
    if (!thread || !thread->IsStarted())
        return;
    // A loop that has just ended may not be back at its wait yet; a signal
    // now would be wiped by the thread's reset of its wake event, the loop
    // would never run and the next Stop would wait for ever. The tail of the
    // loop takes microseconds; the bound only guards a thread being shut down.
    if (m_bStopped.load())
        for (int i = 0; i < 1000 && !thread->IsWaiting(); ++i)
            SleepOneMillisecond();
    m_bStopped.store(false);
    m_bStopRequest.store(false);
    thread->Signal();
}

void CProgressTimer::RequestStop() {
    m_bStopRequest.store(true);
    m_tickEvent.Set();
}

void CProgressTimer::Stop() {
    RequestStop();
    while (!m_bStopped.load())
        SleepOneMillisecond();
    if (ITimeListener* listener = m_pListener.load())
        listener->ShowRemainingTime(FormatTime(0));
}

std::string CProgressTimer::FormatTime(int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    const int hours = static_cast<int>((seconds / 3600) % 24);
    const int minutes = static_cast<int>((seconds / 60) % 60);
    const int secs = static_cast<int>(seconds % 60);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, secs);
    return text;
}

int64_t CProgressTimer::RemainingSeconds(int64_t elapsed, int32_t current, int32_t total) {
    if (current == 0)
        return 0;
    const double remaining =
        static_cast<double>(elapsed) / current * (static_cast<double>(total) - static_cast<double>(current));
    // Negative (current past total, or not yet set) or absurdly large values
    // (a tiny current early in a huge job) must not reach the integer cast.
    if (!(remaining > 0))
        return 0;
    constexpr double maxSeconds = 1e15;
    return remaining >= maxSeconds ? static_cast<int64_t>(maxSeconds) : static_cast<int64_t>(remaining);
}
