// The full, oracle and demo commands end to end: exit status, what they
// print, the project they write and the final movie, checked by ffprobe.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

    // The same run (from the cache now) in JSON: the rows the project holds,
    // sizes in bytes that add up to the total.
    const CommandResult json = RunCli({"oracle", "--json", "--low", File("film_low.avi"), "--fast",
                                       File("film_fast.avi"), "--oracle-file", File("plain.dat"),
                                       "--precision", "2", "--project", File("oracle_json.ini")});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    nlohmann::json oracle = nlohmann::json::parse(json.out);
    EXPECT_EQ(oracle["low"], File("film_low.avi"));
    EXPECT_EQ(oracle["oracle_file"], File("plain.dat"));
    EXPECT_EQ(oracle["project"], File("oracle_json.ini"));
    EXPECT_FALSE(oracle["missed_size_target"].get<bool>());
    nlohmann::json& rows = oracle["rows"];
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(oracle["low_intervals"].get<int>() + oracle["fast_intervals"].get<int>(),
              static_cast<int>(rows.size()));
    int64_t total = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(rows[i]["start"], std::stoi(Value(project, "StartFrame" + n))) << i;
        EXPECT_EQ(rows[i]["end"], std::stoi(Value(project, "EndFrame" + n))) << i;
        EXPECT_EQ(rows[i]["start"], i == 0 ? nlohmann::json(0) : rows[i - 1]["end"]) << i;
        EXPECT_EQ(rows[i]["encoding"], Value(project, "Codec" + n)) << i;
        EXPECT_GT(rows[i]["video_bytes"].get<int64_t>(), 0);
        total += rows[i]["video_bytes"].get<int64_t>() + rows[i]["audio_bytes"].get<int64_t>();
    }
    EXPECT_EQ(rows.back()["end"], 120);
    EXPECT_EQ(oracle["total_bytes"], total);
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
             {"oracle", "--low", low, "--fast", fast, "--target-size", "50", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--source", File("film.avi"), "--target-size", "50",
              "--limit", "60", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--source", File("film.avi"), "--measure", "psnr",
              "--project", project},
             {"full", File("film.avi"), "--low", File("film.avi"), "--project", project},
             {"full", File("film.avi"), "--frame-size", "199", "--project", project},
             {"full", File("film.avi"), "--no-source", "--target-size", "50", "--project", project},
             {"full", File("film.avi"), "--low-codec", "DIV3:keyint=x", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--limit", "inf", "--project", project},
             {"oracle", "--low", low, "--fast", fast, "--source", File("gone.avi"), "--project", project},
             {"full", File("film.avi"), "--low", low, "--fast", low, "--project", project},
         }) {
        const CommandResult result = RunCli(args);
        EXPECT_EQ(result.exitCode, 2) << args[0] << " " << args[args.size() - 3] << "\n" << result.err;
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(project));
}

TEST_F(FullOracleCommandTest, TheSizeTargetKeepsTheFinalAtOrUnderItWithEitherMeasure) {
    ASSERT_EQ(s_full->exitCode, 0) << s_full->err;
    auto bytes = [](const std::string& movie, const std::string& stream) {
        int64_t total = 0;
        for (const ProbePacket& packet : ProbePackets(movie, stream))
            total += packet.size;
        return total;
    };
    const int64_t audio = bytes(File("film_low.avi"), "a:0");
    const int64_t low = bytes(File("film_low.avi"), "v:0") + audio;
    const int64_t fast = bytes(File("film_fast.avi"), "v:0") + audio;
    ASSERT_NE(low, fast);
    const int64_t target = (low + fast) / 2;
    for (const char* measure : {"sad", "sse"}) {
        const std::string project = File(std::string("target_") + measure + ".ini");
        const std::string final = File(std::string("target_") + measure + ".avi");
        const CommandResult result =
            RunCli({"oracle", "--low", File("film_low.avi"), "--fast", File("film_fast.avi"), "--source",
                    File("film.avi"), "--measure", measure, "--target-size", std::to_string(target / 1000.0),
                    "--project", project});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const CommandResult assemble = RunCli({"assemble", "--project", project, "--output", final});
        ASSERT_EQ(assemble.exitCode, 0) << assemble.err;
        EXPECT_LE(bytes(final, "v:0") + bytes(final, "a:0"), target) << measure;
    }
    // Each measure has its own cache.
    EXPECT_TRUE(std::filesystem::exists(File("film_low_sse_oracle.dat")));

    // Below the smallest choice: the smallest is taken, and the run says so.
    const CommandResult tiny =
        RunCli({"oracle", "--low", File("film_low.avi"), "--fast", File("film_fast.avi"), "--source",
                File("film.avi"), "--target-size", "1", "--project", File("tiny.ini")});
    EXPECT_EQ(tiny.exitCode, 1);
    EXPECT_NE(tiny.err.find("cannot be reached"), std::string::npos) << tiny.err;
}

TEST_F(FullOracleCommandTest, FullWithASourceThatDoesNotOpenFails) {
    WriteFileBytes(File("none.avi"), std::vector<uint8_t>(4096, 'g'));
    const CommandResult result = RunCli({"full", File("none.avi"), "--project", File("none.ini")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Failed to open AVI File: "), std::string::npos) << result.err;
}

// The demo's report in JSON (stdout holds nothing else): every file with
// its size and quality, and a final whose video is exactly the rows' video.
TEST_F(FullOracleCommandTest, DemoReportsSizesDecisionsAndQuality) {
    const std::string dir = File("demo");
    const CommandResult result =
        RunCli({"demo", dir, "--json", "--width", "96", "--height", "64", "--frames", "60"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("Making the sample movie"), std::string::npos) << result.err;
    nlohmann::json report = nlohmann::json::parse(result.out);
    EXPECT_EQ(report["project"], dir + "/project.ini");
    ASSERT_FALSE(report["rows"].empty());
    int64_t rowVideo = 0;
    for (nlohmann::json& row : report["rows"])
        rowVideo += row["video_bytes"].get<int64_t>();
    EXPECT_EQ(report["rows"].back()["end"], 60);
    nlohmann::json& files = report["files"];
    ASSERT_EQ(files.size(), 4u);
    const char* roles[] = {"Source", "LOW", "FAST", "Final"};
    for (size_t i = 0; i < 4; ++i) {
        nlohmann::json& file = files[i];
        EXPECT_EQ(file["role"], roles[i]);
        const std::string path = file["path"];
        EXPECT_EQ(file["bytes"], std::filesystem::file_size(path)) << path;
        if (i == 0) {
            EXPECT_FALSE(file.contains("quality"));
            continue;
        }
        ASSERT_TRUE(file.contains("quality")) << file.dump();
        nlohmann::json& quality = file["quality"];
        EXPECT_EQ(quality["frames"], 60);
        EXPECT_GT(quality["psnr"].get<double>(), 20.0) << path;
        EXPECT_GT(quality["ssim"].get<double>(), 0.5) << path;
        EXPECT_LE(quality["ssim"].get<double>(), 1.0) << path;
    }
    EXPECT_EQ(files[3]["path"], dir + "/final.avi");
    EXPECT_EQ(files[3]["quality"]["video_bytes"], rowVideo);
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
