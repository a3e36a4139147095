#include "jobs/CManualResetEvent.h"
#include "jobs/CThreadJob.h"
#include "jobs/CWinBaseThread.h"

#include "JobsTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Counts its runs; each run announces itself and then needs one permit.
class CGatedJob : public CThreadJob {
public:
    void Run() override {
        ++runs;
        entered.Set();
        permits.acquire();
    }
    std::atomic<int> runs{0};
    CManualResetEvent entered;
    std::counting_semaphore<16> permits{0};
};

} // namespace

TEST(ManualResetEvent, StaysSetUntilResetAndWaitsTimeOut) {
    CManualResetEvent event;
    EXPECT_FALSE(event.WaitFor(5ms));
    event.Set();
    EXPECT_TRUE(event.WaitFor(0ms));
    event.Wait(); // still set: every waiter passes
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.WaitFor(5ms));

    std::thread setter([&] { event.Set(); });
    event.Wait();
    setter.join();
}

TEST(WinBaseThread, RunsTheJobOncePerSignalAndOnceMoreForASignalDuringARun) {
    CWinBaseThread thread;
    CGatedJob job;
    CManualResetEvent idle;
    thread.SetIdleEvent(&idle);
    thread.SetJob(&job);
    EXPECT_EQ(job.GetThread(), &thread);
    thread.Start();
    EXPECT_NE(thread.GetThreadId(), 0);
    idle.Wait(); // waiting for the first signal
    EXPECT_EQ(job.runs.load(), 0);

    idle.Reset();
    thread.Signal();
    job.entered.Wait();
    job.entered.Reset();
    thread.Signal(); // while the job runs: kept, and the job runs again
    thread.Signal(); // two signals in one run make one more run
    job.permits.release();
    job.entered.Wait();
    job.permits.release();
    idle.Wait();
    ASSERT_TRUE(WaitUntil([&] { return thread.IsWaiting(); }));
    EXPECT_EQ(job.runs.load(), 2);

    // The thread then waits for a fresh signal and runs once more.
    idle.Reset();
    job.permits.release();
    thread.Signal();
    idle.Wait();
    ASSERT_TRUE(WaitUntil([&] { return thread.IsWaiting(); }));
    EXPECT_EQ(job.runs.load(), 3);

    thread.Stop();
    EXPECT_FALSE(thread.IsStarted());
    EXPECT_EQ(job.runs.load(), 3);
}

TEST(WinBaseThread, StopLetsARunningJobFinishFirst) {
    CGatedJob job;
    {
        CWinBaseThread thread;
        thread.SetJob(&job);
        thread.Start();
        thread.Signal();
        job.entered.Wait();
        std::thread releaser([&] {
            std::this_thread::sleep_for(20ms);
            job.permits.release();
        });
        thread.Stop(); // joins after the job has returned
        releaser.join();
    } // the destructor's second Stop is harmless
    EXPECT_EQ(job.runs.load(), 1);
}
