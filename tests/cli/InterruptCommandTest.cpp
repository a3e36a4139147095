// Ctrl-C on the real command line, on a 720p movie: the running job stops
// after its current frame or chunk, the command ends within a second with
// status 130, and what it was writing is not left behind.

#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The command line started in the background with its output thrown away.
class CRunningCli {
public:
    explicit CRunningCli(const std::vector<std::string>& args) {
        std::vector<std::string> argv{FLINTMOOR_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, pointers[0], &actions, nullptr, pointers.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CRunningCli() {
        if (m_pid > 0 && !m_bEnded) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool Started() const { return m_pid > 0; }
    // Whether it still runs (reaps it when it has ended).
    bool Running() {
        if (m_bEnded)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_bEnded = true;
            m_nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return !m_bEnded;
    }
    void Interrupt() { kill(m_pid, SIGINT); }
    // Waits up to `limit` for the end; the exit status, or -1 when it ran on.
    int WaitFor(std::chrono::milliseconds limit) {
        const auto until = Clock::now() + limit;
        while (Running() && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return m_bEnded ? m_nStatus : -1;
    }

private:
    pid_t m_pid = -1;
    bool m_bEnded = false;
    int m_nStatus = -1;
};

class InterruptCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        // Ten seconds of 720p, and the same stream copied forty times over:
        // long enough that every command is still at work after a second.
        const CommandResult small = RunCommand({"ffmpeg",
                                                "-loglevel",
                                                "error",
                                                "-y",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "testsrc=size=1280x720:rate=25",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "sine=f=440:sample_rate=22050",
                                                "-t",
                                                "10",
                                                "-c:v",
                                                "mjpeg",
                                                "-q:v",
                                                "5",
                                                "-c:a",
                                                "pcm_s16le",
                                                Input("small.avi")});
        ASSERT_EQ(small.exitCode, 0) << small.err;
        const CommandResult big = RunCommand({"ffmpeg", "-loglevel", "error", "-y", "-stream_loop", "40",
                                              "-i", Input("small.avi"), "-c", "copy", Input("big.avi")});
        ASSERT_EQ(big.exitCode, 0) << big.err;
        WriteText(Input("big.ini"), "[Movie Settings]\nLow-File=" + Input("big.avi") + "\nFast-File=" +
                                        Input("big.avi") + "\nStartFrame0=0\nEndFrame0=10250\nCodec0=LOW\n");
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Input(const std::string& name) { return s_dir->File(name); }
    static void WriteText(const std::string& path, const std::string& text) {
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    }

    // Outputs are written under a hidden temporary name beside the target
    // (".name.<suffix>") and take their name only when complete.
    static bool BeingWritten(const std::string& path) {
        const std::filesystem::path target(path);
        if (std::filesystem::exists(target))
            return true;
        const std::string prefix = "." + target.filename().string() + ".";
        for (const auto& entry : std::filesystem::directory_iterator(target.parent_path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                return true;
        return false;
    }

    // Starts the command, interrupts it once `started` (a file it writes)
    // is being written and `delay` has passed, and checks the orderly end.
    void InterruptAndCheck(const std::vector<std::string>& args, const std::string& started,
                           std::chrono::milliseconds delay, const std::vector<std::string>& gone) {
        CRunningCli cli(args);
        ASSERT_TRUE(cli.Started());
        const auto give_up = Clock::now() + std::chrono::seconds(60);
        while (!BeingWritten(started) && cli.Running() && Clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(delay);
        ASSERT_TRUE(cli.Running()) << "the command ended before the interrupt";
        cli.Interrupt();
        // Bounded only against a hang: the run stops at its next frame or
        // chunk, which on a loaded machine under the sanitizers can take
        // seconds. How fast it stops is a benchmark's business.
        EXPECT_EQ(cli.WaitFor(std::chrono::seconds(20)), 130);
        for (const std::string& path : gone)
            EXPECT_FALSE(std::filesystem::exists(path)) << path;
    }

    static CTempDir* s_dir;
    CTempDir m_out;
};
CTempDir* InterruptCommandTest::s_dir = nullptr;

TEST_F(InterruptCommandTest, OracleAndFullStopAfterASecond) {
    const std::string oracleFile = m_out.File("big_oracle.dat");
    const std::string project = m_out.File("oracle.ini");
    InterruptAndCheck({"oracle", "--low", Input("big.avi"), "--fast", Input("big.avi"), "--oracle-file",
                       oracleFile, "--project", project},
                      oracleFile, std::chrono::milliseconds(1000), {oracleFile, project});

    const std::string low = m_out.File("low.avi");
    const std::string full = m_out.File("full.ini");
    InterruptAndCheck({"full", Input("small.avi"), "--low", low, "--fast", m_out.File("fast.avi"),
                       "--project", full, "--output", m_out.File("final.avi")},
                      low, std::chrono::milliseconds(1000), {full, m_out.File("final.avi")});
}

// The assembly and the merge copy chunks by reference and spend their time
// finishing the file: interrupted while they do, the file is not left.
TEST_F(InterruptCommandTest, AssembleAndMergeStopWithoutOutput) {
    const std::string assembled = m_out.File("assembled.avi");
    InterruptAndCheck({"assemble", "--project", Input("big.ini"), "--output", assembled}, assembled,
                      std::chrono::milliseconds(300), {assembled});
    const std::string merged = m_out.File("merged.avi");
    InterruptAndCheck({"merge", "--output", merged, Input("big.avi"), Input("small.avi")}, merged,
                      std::chrono::milliseconds(300), {merged});
}

} // namespace
