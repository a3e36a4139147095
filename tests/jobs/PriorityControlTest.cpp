#include "jobs/CPauseGate.h"
#include "jobs/CPriorityControl.h"
#include "jobs/CThreadJob.h"
#include "jobs/CWinBaseThread.h"

#include "JobsTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <sys/resource.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A job that advances one step at a time and passes the gate before each.
class CSteppingJob : public CThreadJob {
public:
    explicit CSteppingJob(CPauseGate& gate) : m_gate(gate) {}
    void Run() override {
        while (!stop.load()) {
            m_gate.Pass();
            ++steps;
            std::this_thread::yield();
        }
    }
    std::atomic<bool> stop{false};
    std::atomic<long> steps{0};

private:
    CPauseGate& m_gate;
};

int NiceOf(pid_t tid) {
    errno = 0;
    return getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
}

} // namespace

TEST(PriorityControl, PauseHoldsARunningJobWithinOneStepAndAnyOtherEntryResumes) {
    CPauseGate gate;
    CSteppingJob job(gate);
    CWinBaseThread worker;
    CPriorityControl control(worker, gate);
    worker.SetJob(&job);
    worker.Start();
    worker.Signal();
    ASSERT_TRUE(WaitUntil([&] { return job.steps.load() > 10; }));

    EXPECT_TRUE(control.Choose("Pause"));
    const long atPause = job.steps.load();
    ASSERT_TRUE(WaitUntil([&] { return gate.GetWaitingCount() == 1; }));
    const long held = job.steps.load();
    EXPECT_LE(held, atPause + 1);
    EXPECT_TRUE(control.IsPaused());

    EXPECT_TRUE(control.Choose("Pause")); // twice: still one pause
    EXPECT_EQ(gate.GetWaitingCount(), 1);
    EXPECT_EQ(job.steps.load(), held);

    EXPECT_TRUE(control.Choose("Normal"));
    EXPECT_FALSE(control.IsPaused());
    EXPECT_EQ(control.GetSelection(), "Normal");
    EXPECT_TRUE(WaitUntil([&] { return job.steps.load() > held + 10; }));

    job.stop = true;
    worker.Stop();
}

TEST(PriorityControl, NiceValuesStayWithinTheSystemsRange) {
    int nice = 0;
    ASSERT_TRUE(CPriorityControl::NiceFor("Lowest", 15, &nice));
    EXPECT_EQ(nice, 19);
    ASSERT_TRUE(CPriorityControl::NiceFor("Highest", -15, &nice));
    EXPECT_EQ(nice, -20);
    EXPECT_FALSE(CPriorityControl::NiceFor("Pause", 0, &nice));
    EXPECT_FALSE(CPriorityControl::NiceFor("normal", 0, &nice)); // the texts exactly
}

TEST(PriorityControl, AppliesNiceValuesToTheWorkerThreadOnly) {
    CPauseGate gate;
    CWinBaseThread worker;
    worker.Start();
    const pid_t tid = worker.GetThreadId();
    const int base = NiceOf(0);
    CPriorityControl control(worker, gate);

    EXPECT_FALSE(control.Choose("Turbo"));
    EXPECT_EQ(control.GetSelection(), "Normal");

    ASSERT_TRUE(control.Choose("Low"));
    EXPECT_EQ(NiceOf(tid), std::min(base + 5, 19));
    EXPECT_EQ(NiceOf(0), base); // this thread keeps its priority
    ASSERT_TRUE(control.Choose("Idle"));
    EXPECT_EQ(NiceOf(tid), 19);

    // Going back up is a raise, which only a privileged process may make.
    control.Choose("Lowest");
    if (NiceOf(tid) != std::min(base + 10, 19))
        GTEST_SKIP() << "raising a thread's priority is not permitted here";
    // Choosing the same entry again applies it again.
    ASSERT_EQ(setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 3), 0);
    control.Choose("Lowest");
    EXPECT_EQ(NiceOf(tid), std::min(base + 10, 19));
    control.Choose("Highest");
    EXPECT_EQ(NiceOf(tid), std::max(base - 10, -20));
    worker.Stop();
}
