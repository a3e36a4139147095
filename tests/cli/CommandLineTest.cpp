// The command line's own surface: one version from the build, and values
// that the option checks refuse before anything runs, said with the command
// and the option they were given to.

#include "FlintmoorVersion.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(CommandLineTest, VersionComesFromTheBuild) {
    const CommandResult r = RunCli({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, std::string("flintmoor-cli ") + FLINTMOOR_VERSION + "\n");
}

TEST(CommandLineTest, MalformedValuesNameTheCommandAndTheOption) {
    CTempDir dir;
    const std::string out = dir.File("x.avi");
    const std::vector<std::vector<std::string>> malformed = {
        {"sample", out, "--size", "320x"},        {"sample", out, "--size", "x240"},
        {"sample", out, "--size", "+320x240"},    {"sample", out, "--size", "320x-240"},
        {"sample", out, "--size", "320 x 240"},   {"sample", out, "--size", "0x0"},
        {"sample", out, "--fps", "25/"},          {"sample", out, "--fps", "/1"},
        {"sample", out, "--fps", "30000/1001/1"}, {"sample", out, "--fps", "4294967296/1"},
        {"sample", out, "--audio", "44100/2/1"},  {"sample", out, "--audio", "None"},
        {"sample", out, "--frames", "1e3"},       {"db", "export", "--project", out}};
    for (const std::vector<std::string>& args : malformed) {
        const CommandResult r = RunCli(args);
        const std::string option = args[args.size() - 2];
        const std::string command = args[0] == "db" ? "db " + args[1] : args[0];
        EXPECT_EQ(r.exitCode, 2) << option << " " << args.back();
        EXPECT_EQ(r.err.rfind("flintmoor-cli " + command + ": " + option + ": ", 0), 0u) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(CommandLineTest, WellFormedValuesInEveryAcceptedSpelling) {
    CTempDir dir;
    const std::string out = dir.File("x.avi");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--size", "48X32", "--fps", "30"},
             {"--size", "48x32", "--fps", "30000/1001", "--audio", "none"}}) {
        std::vector<std::string> argv{"sample", out, "--frames", "2"};
        argv.insert(argv.end(), args.begin(), args.end());
        const CommandResult r = RunCli(argv);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("48x32"), std::string::npos) << r.out;
    }
}
