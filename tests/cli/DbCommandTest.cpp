// The db command: export a data base from a project, create the movie from
// it and the source alone, and the refusals with their exit status.

#include "support/Ffprobe.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class DbCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        const CommandResult r =
            RunCli({"sample", Source(), "--size", "64x48", "--frames", "75", "--audio", "8000/1"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        fmtest::FfmpegMovie spec;
        spec.frames = 10;
        spec.size = "32x32";
        ASSERT_TRUE(MakeTestMovie(s_dir->File("other.avi"), spec));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Source() { return s_dir->File("source.avi"); }

    std::string Project(const std::string& rows) {
        const std::string text = "[Movie Settings]\r\n" + rows;
        const std::string path = m_out.File("project.ini");
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        return path;
    }

    static CTempDir* s_dir;
    CTempDir m_out;
};
CTempDir* DbCommandTest::s_dir = nullptr;

} // namespace

TEST_F(DbCommandTest, ExportsAndCreatesTheListedMovie) {
    const std::string project = Project("StartFrame0=00\r\nEndFrame0=25\r\nCodec0=LOW\r\n"
                                        "StartFrame1=25\r\nEndFrame1=75\r\nCodec1=FAST\r\n");
    const std::string vdb = m_out.File("movie.vdb");
    const CommandResult exported =
        RunCli({"db", "export", "--project", project, "--source", Source(), "--output", vdb});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(exported.err.find(vdb + " sucessfully exported."), std::string::npos) << exported.err;
    EXPECT_NE(ReadFileText(vdb).find("StartTime1=1000\r\n"), std::string::npos);

    std::filesystem::create_directory(m_out.File("temp"));
    const std::string final = m_out.File("final.avi");
    const CommandResult created =
        RunCli({"db", "create", vdb, "--source", Source(), "--output", final, "--temp", m_out.File("temp")});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_NE(created.err.find(final + " sucessfully created!"), std::string::npos) << created.err;
    EXPECT_EQ(ProbePackets(final, "v:0").size(), 75u);
    EXPECT_EQ(ProbeVideoKeyFrames(final), (std::vector<int64_t>{0, 25, 50}));
    EXPECT_EQ(DecodeAudioS16(final), DecodeAudioS16(Source()));
    EXPECT_TRUE(std::filesystem::is_empty(m_out.File("temp")));

    // Another source size: the safe answer (No) creates nothing; --yes does.
    const std::string other = m_out.File("other.avi");
    const CommandResult refused = RunCli({"db", "create", vdb, "--source", s_dir->File("other.avi"),
                                          "--output", other, "--temp", m_out.File("temp")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("not compatible"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(other));
    const CommandResult forced = RunCli({"db", "create", vdb, "--source", s_dir->File("other.avi"),
                                         "--output", other, "--temp", m_out.File("temp"), "--yes"});
    // The shorter movie cannot give the second interval: it is named, and
    // the status says that the list was not written whole.
    EXPECT_EQ(forced.exitCode, 1) << forced.err;
    EXPECT_NE(forced.err.find("Interval 1 (StartTime1=1000, EndTime1=3000) starts after the end"),
              std::string::npos)
        << forced.err;
    EXPECT_EQ(ProbePackets(other, "v:0").size(), 10u);
}

TEST_F(DbCommandTest, RefusesBadRequests) {
    const std::string project = Project("StartFrame0=0\r\nEndFrame0=25\r\nCodec0=LOW\r\n");
    const std::string vdb = m_out.File("movie.vdb");
    // Output equal to an input, a codec we do not offer: bad usage.
    EXPECT_EQ(
        RunCli({"db", "export", "--project", project, "--source", Source(), "--output", project}).exitCode,
        2);
    EXPECT_EQ(RunCli({"db", "export", "--project", project, "--source", Source(), "--output", vdb,
                      "--low-codec", "NOPE"})
                  .exitCode,
              2);
    EXPECT_EQ(RunCli({"db", "create", vdb, "--source", Source(), "--output", Source()}).exitCode, 2);
    EXPECT_EQ(
        RunCli({"db", "create", vdb, "--source", Source(), "--output", m_out.File("f.avi"), "--yes", "--no"})
            .exitCode,
        2);

    // A source that does not open, a data base that does not load: failure.
    const std::string garbage = m_out.File("garbage.avi");
    WriteFileBytes(garbage, std::vector<uint8_t>(4096, 'g'));
    const CommandResult noSource =
        RunCli({"db", "export", "--project", project, "--source", garbage, "--output", vdb});
    EXPECT_EQ(noSource.exitCode, 1);
    EXPECT_NE(noSource.err.find("Error: Can´t open the original movie"), std::string::npos) << noSource.err;
    const std::string fifo = m_out.File("fifo.vdb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const CommandResult noBase =
        RunCli({"db", "create", fifo, "--source", Source(), "--output", m_out.File("f.avi")});
    EXPECT_EQ(noBase.exitCode, 1);
    EXPECT_NE(noBase.err.find("Error: Can´t load "), std::string::npos) << noBase.err;
    // Files that are not there: named before anything runs.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"db", "export", "--project", project, "--source", m_out.File("missing.avi"), "--output", vdb},
             {"db", "create", m_out.File("missing.vdb"), "--source", Source(), "--output",
              m_out.File("f.avi")},
             {"db", "create", vdb, "--source", Source(), "--output", m_out.File("f.avi"), "--temp",
              m_out.File("no-dir")}}) {
        const CommandResult missing = RunCli(args);
        EXPECT_EQ(missing.exitCode, 2) << args[2];
        EXPECT_NE(missing.err.find("flintmoor-cli db "), std::string::npos) << missing.err;
    }

    // A hostile state block size is refused with a message, not allocated.
    const std::string huge = m_out.File("huge.vdb");
    const std::string text = "[TimeIntervalls]\r\nStartTime0=0\r\nEndTime0=400\r\n[Low-Codec]\r\n"
                             "LowBufferSize=2147483647\r\n";
    WriteFileBytes(huge, std::vector<uint8_t>(text.begin(), text.end()));
    const CommandResult hostile =
        RunCli({"db", "create", huge, "--source", Source(), "--output", m_out.File("f.avi")});
    EXPECT_EQ(hostile.exitCode, 1);
    EXPECT_NE(hostile.err.find("claim a state block of 2147483647 bytes"), std::string::npos) << hostile.err;
    EXPECT_FALSE(std::filesystem::exists(m_out.File("f.avi")));
}

// Crafted inputs lose nothing and say what went wrong: a data base written
// under a hard link to the source, a FIFO given as the source, intervals
// that overlap many times or give no frames.
TEST_F(DbCommandTest, HostileInputsLoseNothing) {
    const std::string project = Project("StartFrame0=0\r\nEndFrame0=25\r\nCodec0=LOW\r\n");
    const std::vector<uint8_t> source = ReadFileBytes(Source());
    const std::string linked = m_out.File("linked.vdb");
    ASSERT_EQ(::link(Source().c_str(), linked.c_str()), 0);
    RunCli({"db", "export", "--project", project, "--source", Source(), "--output", linked});
    EXPECT_TRUE(ReadFileBytes(Source()) == source);

    const std::string fifo = m_out.File("fifo.avi");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string vdb = m_out.File("movie.vdb");
    ASSERT_EQ(RunCli({"db", "export", "--project", project, "--source", Source(), "--output", vdb}).exitCode,
              0);
    CommandResult r = RunCli({"db", "create", vdb, "--source", fifo, "--output", m_out.File("f.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Failed to open AVI File: " + fifo), std::string::npos) << r.err;

    // The exported data base with these intervals in place of its own.
    const auto dataBase = [this, &vdb](const std::string& intervals) {
        const std::string text = ReadFileText(vdb) + "[TimeIntervalls]\r\n" + intervals;
        const std::string path = m_out.File("hand.vdb");
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        return path;
    };
    std::string overlapping;
    for (int n = 0; n < 50; ++n)
        overlapping += "StartTime" + std::to_string(n) + "=0\r\nEndTime" + std::to_string(n) + "=3000\r\n";
    r = RunCli(
        {"db", "create", dataBase(overlapping), "--source", Source(), "--output", m_out.File("f.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("more than twice"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(m_out.File("f.avi")));

    r = RunCli({"db", "create",
                dataBase("StartTime0=0\r\nEndTime0=2000\r\nStartTime1=2000\r\nEndTime1=1000\r\n"), "--source",
                Source(), "--output", m_out.File("f.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Interval 1 (StartTime1=2000, EndTime1=1000) ends before it starts."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ProbePackets(m_out.File("f.avi"), "v:0").size(), 50u);
}
