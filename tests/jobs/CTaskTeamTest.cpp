#include "jobs/CTaskTeam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

TEST(TaskTeam, EachSlotKeepsItsThreadAndAllTasksFinishBeforeRunReturns) {
    CTaskTeam team(2);
    std::thread::id ids[3];
    std::thread::id first[3];
    int counts[3] = {0, 0, 0};
    for (int step = 0; step < 50; ++step) {
        std::vector<std::function<void()>> tasks;
        for (int k = 0; k < 3; ++k) {
            tasks.emplace_back([&, k] {
                ids[k] = std::this_thread::get_id();
                ++counts[k];
            });
        }
        team.Run(tasks);
        if (step == 0) {
            std::copy(ids, ids + 3, first);
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(first[k], ids[k]);
        }
    }
    EXPECT_EQ(std::this_thread::get_id(), first[0]);
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[1], first[2]);
    EXPECT_EQ(50, counts[0]);
    EXPECT_EQ(50, counts[2]);
}

TEST(TaskTeam, ExceptionsOfHelpersReachTheCaller) {
    CTaskTeam team(1);
    std::vector<std::function<void()>> tasks{[] {}, [] { throw std::runtime_error("decoder"); }};
    EXPECT_THROW(team.Run(tasks), std::runtime_error);
    // The team stays usable, and tasks beyond the helpers run on the caller.
    std::atomic<int> done{0};
    std::vector<std::function<void()>> more{[&] { ++done; }, [&] { ++done; }, [&] { ++done; }};
    team.Run(more);
    EXPECT_EQ(3, done);
}
