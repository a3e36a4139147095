#include "jobs/CWaitBox.h"
#include "support/CHostRecorder.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(WaitBox, KeepsAResultThatArrivesBeforeTheWaitAndTheFirstOneWins) {
    CWaitBox box;
    box.End(0); // the job was faster than the box
    box.End(CWaitBox::RESULT_ABORT);
    EXPECT_EQ(box.Wait(), 0);
    EXPECT_FALSE(box.WaitFor(1ms).has_value()); // taken

    std::thread job([&] {
        std::this_thread::sleep_for(10ms);
        box.End(0);
    });
    EXPECT_EQ(box.Wait(), 0);
    job.join();
}

TEST(WaitBox, AbortNeedsTheUsersConfirmation) {
    CHostRecorder host;
    CWaitBox box;
    host.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(box.RequestAbort(host));
    EXPECT_FALSE(box.WaitFor(1ms).has_value());

    host.QueueAnswer(IDOK);
    EXPECT_TRUE(box.RequestAbort(host));
    EXPECT_EQ(box.Wait(), CWaitBox::RESULT_ABORT);

    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Abort Compression! Are you sure?");
    EXPECT_EQ(messages[0].caption, "");
    EXPECT_EQ(messages[0].buttons, EMessageButtons::OkCancel);
}
