// flintmoor-cli compare end to end: the table, the JSON form and failures.

#include "support/TestUtil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

TEST(CompareCommandTest, ReportsEveryFileAndFailsForOneThatCannotBeMeasured) {
    CTempDir dir;
    const std::string source = dir.File("src.avi");
    ASSERT_EQ(RunCli({"sample", source, "--size", "64x48", "--frames", "30", "--audio", "none"}).exitCode, 0);
    ASSERT_EQ(
        RunCli({"encode", source, "--low", dir.File("low.avi"), "--fast", dir.File("fast.avi")}).exitCode, 0);

    const CommandResult table = RunCli({"compare", source, dir.File("low.avi"), dir.File("fast.avi")});
    ASSERT_EQ(table.exitCode, 0) << table.err;
    EXPECT_NE(table.out.find("Video size"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("low.avi"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find(" dB"), std::string::npos) << table.out;

    // A missing file whose name is no UTF-8: named as valid text, its bytes
    // in hexadecimal beside it, the error text valid too.
    const std::string gone = dir.File("gone\xfe.avi");
    const CommandResult json = RunCli({"compare", "--json", source, source, dir.File("low.avi"), gone});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_NE(json.err.find(gone), std::string::npos) << json.err;
    nlohmann::json result = nlohmann::json::parse(json.out);
    EXPECT_EQ(result["source"], source);
    nlohmann::json& files = result["files"];
    ASSERT_EQ(files.size(), 3u);
    // Identical pictures have no finite PSNR: null in JSON.
    EXPECT_EQ(files[0]["file"], source);
    EXPECT_TRUE(files[0]["psnr"].is_null());
    EXPECT_EQ(files[0]["ssim"], 1.0);
    EXPECT_EQ(files[0]["frames"], 30);
    EXPECT_GT(files[0]["video_bytes"].get<int64_t>(), 30 * 64 * 48 * 3 - 1);
    // A compressed file: a finite PSNR, its worst interval no better.
    EXPECT_GT(files[1]["psnr"].get<double>(), 20.0);
    EXPECT_LE(files[1]["worst_interval"]["psnr"].get<double>(), files[1]["psnr"].get<double>());
    EXPECT_LT(files[1]["worst_interval"]["start"].get<int>(), files[1]["worst_interval"]["end"].get<int>());
    EXPECT_EQ(files[2]["file"], dir.File("gone\xef\xbf\xbd.avi"));
    EXPECT_EQ(
        files[2]["file_hex"].get<std::string>().substr(files[2]["file_hex"].get<std::string>().size() - 18),
        "676f6e65fe2e617669");
    EXPECT_NE(files[2]["error"].get<std::string>().find("gone\xef\xbf\xbd.avi"), std::string::npos);
    EXPECT_FALSE(files[1].contains("file_hex"));
    EXPECT_FALSE(files[2].contains("psnr"));

    EXPECT_EQ(RunCli({"compare", source}).exitCode, 2);
    EXPECT_EQ(RunCli({"compare", gone, source}).exitCode, 2);
}
