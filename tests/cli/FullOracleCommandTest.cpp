// The full, oracle and demo commands end to end: exit status, what they
// print, the project they write and the final movie, checked by ffprobe.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class FullOracleCommandTest : public ::testing::Test {
protected:
    // One full creation for the suite: the other tests reuse its movies.
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        const CommandResult sample =
            RunCli({"sample", File("film.avi"), "--size", "96x64", "--frames", "120", "--audio", "8000/1"});
        ASSERT_EQ(sample.exitCode, 0) << sample.err;
        s_full = new CommandResult(
            RunCli({"full", File("film.avi"), "--project", File("full.ini"), "--output", File("final.avi")}));
    }
    static void TearDownTestSuite() {
        delete s_full;
        delete s_dir;
        s_full = nullptr;
        s_dir = nullptr;
    }
    static std::string File(const std::string& name) { return s_dir->File(name); }
    static std::string Value(const std::string& project, const std::string& key) {
        const std::string text = ReadFileText(project);
        const size_t at = text.find("\n" + key + "=");
        if (at == std::string::npos)
            return "<missing>";
        const size_t start = at + key.size() + 2;
        return text.substr(start, text.find_first_of("\r\n", start) - start);
    }

    static CTempDir* s_dir;
    static CommandResult* s_full;
};
CTempDir* FullOracleCommandTest::s_dir = nullptr;
CommandResult* FullOracleCommandTest::s_full = nullptr;

TEST_F(FullOracleCommandTest, FullWritesTheProposedFilesTheProjectAndTheFinalMovie) {
    ASSERT_EQ(s_full->exitCode, 0) << s_full->err;
    EXPECT_NE(s_full->out.find("Start Frame"), std::string::npos) << s_full->out;
    EXPECT_NE(s_full->out.find("Final AVI Size: "), std::string::npos) << s_full->out;
    EXPECT_TRUE(std::filesystem::exists(File("film_low.avi")));
    EXPECT_TRUE(std::filesystem::exists(File("film_fast.avi")));
    EXPECT_TRUE(std::filesystem::exists(File("film_low_oracle.dat")));

    const std::string project = File("full.ini");
    EXPECT_EQ(Value(project, "Low-File"), File("film_low.avi"));
    EXPECT_EQ(Value(project, "Fast-File"), File("film_fast.avi"));
    EXPECT_EQ(Value(project, "Original-File"), File("film.avi"));
    EXPECT_EQ(Value(project, "Oracle-File"), File("film_low_oracle.dat"));
    EXPECT_EQ(Value(project, "Oracle Value"), "5.000000");
    EXPECT_EQ(Value(project, "Comparison Value"), "1.000000");
    EXPECT_EQ(Value(project, "StartFrame0"), "000");
    // As the window's store always has it: the slider at the first frame.
    EXPECT_EQ(Value(project, "Value"), "0");

    const auto streams = ProbeStreams(File("final.avi"));
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codecType, "video");
    EXPECT_EQ(streams[0].nbFrames, 120);
    EXPECT_EQ(streams[1].codecType, "audio");
    EXPECT_EQ(FfmpegDecodeErrors(File("final.avi")), "");
}

TEST_F(FullOracleCommandTest, OracleWithoutSourceUsesZeroDefaultsAndWritesTheProject) {
    ASSERT_EQ(s_full->exitCode, 0) << s_full->err;
    const std::string project = File("oracle.ini");
    const CommandResult result =
        RunCli({"oracle", "--low", File("film_low.avi"), "--fast", File("film_fast.avi"), "--oracle-file",
                File("plain.dat"), "--precision", "2", "--project", project});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Final AVI Size: "), std::string::npos) << result.out;
    EXPECT_EQ(Value(project, "Oracle Value"), "0.000000");
    EXPECT_EQ(Value(project, "Comparison Value"), "0.000000");
    EXPECT_EQ(Value(project, "Oracle-File"), File("plain.dat"));
    EXPECT_EQ(Value(project, "Low-File"), File("film_low.avi"));
    EXPECT_NE(Value(project, "Codec0"), "<missing>");

    // The project assembles like one saved by the window.
    const CommandResult assemble = RunCli({"assemble", "--project", project, "--output", File("again.avi")});
    EXPECT_EQ(assemble.exitCode, 0) << assemble.err;
}

// A cache made for another run is measured again: information, not a
// failure. A size limit of 0 asks for the smallest movie. Neither a project
// written under a hard link to a movie nor any other output harms that movie.
TEST_F(FullOracleCommandTest, OracleRunsThatAreNoFailures) {
    ASSERT_EQ(s_full->exitCode, 0) << s_full->err;
    const std::string low = File("film_low.avi");
    const std::string fast = File("film_fast.avi");
    const std::string cache = File("short.dat");
    // One record of zeros (too short), then a record of NaNs for every interval.
    const size_t whole = std::filesystem::file_size(File("film_low_oracle.dat"));
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>(16, 0), std::vector<uint8_t>(whole, 0xFF)}) {
        WriteFileBytes(cache, bytes);
        const CommandResult result = RunCli(
            {"oracle", "--low", low, "--fast", fast, "--oracle-file", cache, "--project", File("short.ini")});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.err.find("belongs to another movie or run"), std::string::npos) << result.err;
        EXPECT_NE(result.out.find("Final AVI Size: "), std::string::npos) << result.out;
        EXPECT_EQ(std::filesystem::file_size(cache), whole);
        EXPECT_NE(ReadFileBytes(cache), bytes);
    }

    const CommandResult smallest = RunCli({"oracle", "--low", low, "--fast", fast, "--oracle-file", cache,
                                           "--limit", "0", "--project", File("limit.ini")});
    EXPECT_EQ(smallest.exitCode, 0) << smallest.err;
    EXPECT_NE(smallest.err.find("Reached minimal size!"), std::string::npos) << smallest.err;

    const std::vector<uint8_t> before = ReadFileBytes(low);
    ASSERT_EQ(::link(low.c_str(), File("linked.ini").c_str()), 0);
    RunCli({"oracle", "--low", low, "--fast", fast, "--oracle-file", cache, "--project", File("linked.ini")});
    EXPECT_TRUE(ReadFileBytes(low) == before);
}

// Without the source the oracle compares LOW and FAST alone, with the
// defaults for that; the oracle file is proposed from the source's name.
TEST_F(FullOracleCommandTest, FullWithoutTheSourceRunsTheOracleOnTheTwoEncodings) {
    const std::string project = File("nosource.ini");
    const CommandResult result = RunCli({"full", File("film.avi"), "--no-source", "--low", File("ns_low.avi"),
                                         "--fast", File("ns_fast.avi"), "--project", project});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Value(project, "Oracle Value"), "0.000000");
    EXPECT_EQ(Value(project, "Oracle-File"), File("film_low_oracle.dat"));
}

TEST_F(FullOracleCommandTest, BadValuesAndNamesAreRefusedBeforeAnythingRuns) {
    const std::string low = File("film_low.avi");
    const std::string fast = File("film_fast.avi");
    const std::string project = File("bad.ini");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"oracle", "--low", low, "--fast", fast, "--precision", "7", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--precision", "1.5", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--oracle-value", "5x", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--comparison", "nan", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--limit", "-3", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--oracle-file", low, "--project", project},
             {"full", File("film.avi"), "--low", File("film.avi"), "--project", project},
             {"full", File("film.avi"), "--low", low, "--fast", low, "--project", project},
         }) {
        const CommandResult result = RunCli(args);
        EXPECT_EQ(result.exitCode, 2) << args[0] << " " << args[args.size() - 3] << "\n" << result.err;
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(project));
}

TEST_F(FullOracleCommandTest, FullWithMissingSourceFails) {
    const CommandResult result = RunCli({"full", File("none.avi"), "--project", File("none.ini")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Failed to open AVI File: "), std::string::npos) << result.err;
}

TEST_F(FullOracleCommandTest, DemoReportsSizesDecisionsAndQuality) {
    const std::string dir = File("demo");
    const CommandResult result = RunCli({"demo", dir, "--width", "96", "--height", "64", "--frames", "60"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Final AVI Size: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Intervals: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" dB"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("cannot be measured"), std::string::npos) << result.out;
    EXPECT_TRUE(std::filesystem::exists(dir + "/final.avi"));
}

// The demo on a given movie: the same movie stored top-down (as ffmpeg
// writes uncompressed video) and bottom-up (as our sample is) gets the same
// encoding list, the same choices and the same quality report.
TEST_F(FullOracleCommandTest, DemoOnEitherRowOrderOfOneMovieReportsTheSame) {
    std::filesystem::create_directories(File("topdown"));
    std::filesystem::create_directories(File("bottomup"));
    const CommandResult made = Ffmpeg({"-i", File("film.avi"), "-map", "0", "-c:v", "rawvideo", "-pix_fmt",
                                       "bgr24", "-c:a", "copy", File("topdown/film.avi")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    std::filesystem::copy_file(File("film.avi"), File("bottomup/film.avi"));
    std::string reports[2];
    for (int k = 0; k < 2; ++k) {
        const std::string kind = k == 0 ? "topdown" : "bottomup";
        const CommandResult result =
            RunCli({"demo", File("demo_" + kind), "--source", File(kind + "/film.avi")});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out.find("cannot be measured"), std::string::npos) << result.out;
        // The report from the encoding list on, without the file names (they
        // name the folders) and the source's size (the files' layouts differ).
        std::string report = result.out.substr(result.out.find("Encoding list:"));
        const size_t source = report.find("\nSource ");
        ASSERT_NE(source, std::string::npos) << report;
        report.erase(source + 1, report.find('\n', source + 1) - source);
        for (const std::string& path : {File("demo_" + kind), File(kind)})
            for (size_t at = report.find(path); at != std::string::npos; at = report.find(path))
                report.replace(at, path.size(), "DIR");
        reports[k] = report;
    }
    EXPECT_EQ(reports[0], reports[1]);
    EXPECT_NE(reports[0].find("Intervals: "), std::string::npos);
    // The oracle measured the same values against both.
    const std::vector<uint8_t> values = ReadFileBytes(File("demo_topdown/film_low_oracle.dat"));
    EXPECT_FALSE(values.empty());
    EXPECT_TRUE(values == ReadFileBytes(File("demo_bottomup/film_low_oracle.dat")));
}

} // namespace
