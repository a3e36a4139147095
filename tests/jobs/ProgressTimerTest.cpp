#include "JobsTestUtil.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWinBaseThread.h"
#include "jobs/IProgressClock.h"
#include "jobs/ITimeListener.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class CTimeRecorder : public ITimeListener {
public:
    void ShowCurrentTime(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_current.push_back(text);
    }
    void ShowRemainingTime(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_remaining.push_back(text);
    }
    std::vector<std::string> Current() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_current;
    }
    std::vector<std::string> Remaining() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_remaining;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_current;
    std::vector<std::string> m_remaining;
};

// Time passes only by the waits of the loop; the test steers it from onWait.
class CFakeClock : public IProgressClock {
public:
    int64_t NowSeconds() override { return nowMs / 1000; }
    void WaitTick(CManualResetEvent&, int milliseconds) override {
        waits.push_back(milliseconds);
        nowMs += milliseconds;
        if (onWait)
            onWait();
    }
    int64_t nowMs = 0;
    std::vector<int> waits;
    std::function<void()> onWait;
};

// For the loop on its real thread: every call of NowSeconds moves time on
// by `step` seconds; a tick lasts until the tick event is set.
class CSteppingClock : public IProgressClock {
public:
    explicit CSteppingClock(int64_t step) : m_step(step) {}
    int64_t NowSeconds() override { return m_now.fetch_add(m_step); }
    void WaitTick(CManualResetEvent& tick, int) override { tick.Wait(); }

private:
    int64_t m_step;
    std::atomic<int64_t> m_now{0};
};

} // namespace

// The loop run on the test's own thread with fake time, a job's total of 100
// and current 0.
class ProgressTimerLoop : public ::testing::Test {
protected:
    ProgressTimerLoop() {
        timer.SetListener(&listener);
        timer.SetTotal(100);
        timer.SetCurrent(0);
    }
    CFakeClock clock;
    CTimeRecorder listener;
    CProgressTimer timer{&clock};
};

TEST(ProgressTimer, FormatsTimesWithHoursWrappingAtADay) {
    EXPECT_EQ(CProgressTimer::FormatTime(0), "00:00:00");
    EXPECT_EQ(CProgressTimer::FormatTime(3725), "01:02:05");
    EXPECT_EQ(CProgressTimer::FormatTime(25 * 3600), "01:00:00");
    EXPECT_EQ(CProgressTimer::FormatTime(24 * 3600 - 1), "23:59:59");
    EXPECT_EQ(CProgressTimer::FormatTime(-5), "00:00:00");
}

TEST(ProgressTimer, EstimatesLinearlyAndNeverNegativeOrOverflowing) {
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 25, 100), 30);
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 3, 10), 23); // 23.33 truncated
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 0, 100), 0);
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, -1, -1), 0);   // nothing set yet
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, -1, 1000), 0); // total set, current not yet
    EXPECT_EQ(CProgressTimer::RemainingSeconds(10, 120, 100), 0); // past the total
    EXPECT_GT(CProgressTimer::RemainingSeconds(1000000, 1, INT32_MAX), 0);
}

TEST_F(ProgressTimerLoop, TicksEvery500msForNineSecondsThenEvery950ms) {
    clock.onWait = [&] {
        if (clock.waits.size() == 24)
            timer.RequestStop();
    };
    timer.Run();

    ASSERT_EQ(clock.waits.size(), 24u);
    for (size_t i = 0; i < 20; ++i) // elapsed 0 .. 9 s
        EXPECT_EQ(clock.waits[i], 500) << i;
    for (size_t i = 20; i < 24; ++i)
        EXPECT_EQ(clock.waits[i], 950) << i;
    const auto current = listener.Current();
    EXPECT_EQ(current.front(), "00:00:00");
    EXPECT_EQ(current[20], "00:00:10");
    // current stayed 0: no estimate
    for (const auto& text : listener.Remaining())
        EXPECT_EQ(text, "00:00:00");
    EXPECT_TRUE(timer.IsStopped());
}

TEST_F(ProgressTimerLoop, ShowsElapsedAndRemainingFromTheJobsValues) {
    clock.onWait = [&] {
        if (clock.waits.size() == 1) {
            clock.nowMs = 10'000;
            timer.SetCurrent(25);
        } else if (clock.waits.size() == 2) {
            clock.nowMs = 25 * 3600 * 1000; // a day and an hour
            timer.SetCurrent(50);
        } else {
            timer.RequestStop();
        }
    };
    timer.Run();

    EXPECT_EQ(listener.Current(), (std::vector<std::string>{"00:00:00", "00:00:10", "01:00:00"}));
    // 90000 s / 50 * 50 = 90000 s = 25 h, shown as 01:00:00 too
    EXPECT_EQ(listener.Remaining(), (std::vector<std::string>{"00:00:00", "00:00:30", "01:00:00"}));
}

TEST(ProgressTimer, StopOnItsThreadShowsNoTimeLeftAndKeepsTheElapsedTime) {
    CSteppingClock clock(100);
    CTimeRecorder listener;
    CProgressTimer timer(&clock);
    timer.SetListener(&listener);
    CWinBaseThread thread;
    thread.SetJob(&timer);
    thread.Start();

    timer.SetTotal(100);
    timer.SetCurrent(50);
    timer.Start();
    ASSERT_TRUE(WaitUntil([&] { return !listener.Remaining().empty(); }));
    timer.Stop();

    EXPECT_EQ(listener.Current(), (std::vector<std::string>{"00:01:40"}));
    EXPECT_EQ(listener.Remaining(), (std::vector<std::string>{"00:01:40", "00:00:00"}));
    thread.Stop();
}

TEST(ProgressTimer, StopWithoutARunningLoopAndQuickRestartsNeverHang) {
    CTimeRecorder listener;
    CProgressTimer unattached;
    unattached.SetListener(&listener);
    unattached.Start(); // no thread: nothing runs
    unattached.Stop();  // and nothing to wait for
    EXPECT_EQ(listener.Remaining().back(), "00:00:00");

    CProgressTimer timer;
    CWinBaseThread thread;
    thread.SetJob(&timer);
    thread.Start();
    timer.Stop(); // attached, never started
    // A Start right after a Stop may meet the thread before it is back at
    // its wait; the signal must not get lost.
    for (int i = 0; i < 50; ++i) {
        timer.SetTotal(10);
        timer.SetCurrent(i % 10);
        timer.Start();
        timer.Stop();
    }
    EXPECT_TRUE(timer.IsStopped());
    thread.Stop();
}
