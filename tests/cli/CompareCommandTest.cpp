// flintmoor-cli compare end to end: the table, the JSON form and failures.

#include "support/TestUtil.h"

#include <gtest/gtest.h>

TEST(CompareCommandTest, ReportsEveryFileAndFailsForOneThatCannotBeMeasured) {
    CTempDir dir;
    const std::string source = dir.File("src.avi");
    ASSERT_EQ(RunCli({"sample", source, "--size", "64x48", "--frames", "30", "--audio", "none"}).exitCode, 0);
    ASSERT_EQ(
        RunCli({"encode", source, "--low", dir.File("low.avi"), "--fast", dir.File("fast.avi")}).exitCode, 0);

    const CommandResult table = RunCli({"compare", source, dir.File("low.avi"), dir.File("fast.avi")});
    ASSERT_EQ(table.exitCode, 0) << table.err;
    EXPECT_NE(table.out.find("Video bytes"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("low.avi"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find(" dB"), std::string::npos) << table.out;

    const CommandResult json = RunCli({"compare", "--json", source, source, dir.File("gone.avi")});
    EXPECT_EQ(json.exitCode, 1);
    // Identical pictures have no finite PSNR: null in JSON.
    EXPECT_NE(json.out.find("\"psnr\": null"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"ssim\": 1.00000"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"error\": "), std::string::npos) << json.out;
    EXPECT_NE(json.err.find("gone.avi"), std::string::npos) << json.err;

    EXPECT_EQ(RunCli({"compare", source}).exitCode, 2);
}
