#include "jobs/CProgressTimer.h"

#include "jobs/CWinBaseThread.h"
#include "jobs/IProgressClock.h"
#include "jobs/ITimeListener.h"

#include <chrono>
#include <cstdio>

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
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        generation = m_nStarts;
    }
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
    // A Start that came while this loop was ending has woken the thread for
    // a new loop: the timer is not stopped then.
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (generation == m_nStarts)
            m_bStopped = true;
    }
    m_stateChanged.notify_all();
}

void CProgressTimer::Start() {
    CWinBaseThread* thread = GetThread();
    if (!thread || !thread->IsStarted())
        return;
    // A loop that is still ending sees the signal as soon as it is back: the
    // thread keeps a signal that comes while it runs.
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        ++m_nStarts;
        m_bStopped = false;
        m_bStopRequest.store(false);
    }
    thread->Signal();
}

void CProgressTimer::RequestStop() {
    m_bStopRequest.store(true);
    m_tickEvent.Set();
}

void CProgressTimer::Stop() {
    RequestStop();
    {
        std::unique_lock<std::mutex> lock(m_stateMutex);
        m_stateChanged.wait(lock, [this] { return m_bStopped; });
    }
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
