// The assemble and merge commands: exit status, messages on stderr, and the
// files they write, checked by ffprobe.

#include "support/Ffprobe.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

class AssembleMergeCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir();
        fmtest::FfmpegMovie spec;
        spec.frames = 100;
        spec.audio = "pcm";
        spec.audioSeconds = 3.96; // 40 ms short of the video
        spec.quality = 3;
        ASSERT_TRUE(MakeTestMovie(Input("low.avi"), spec));
        spec.quality = 20;
        ASSERT_TRUE(MakeTestMovie(Input("fast.avi"), spec));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Input(const std::string& name) { return s_dir->File(name); }

    // A project naming the movies (as given) with rows "start end codec".
    std::string Project(const std::string& low, const std::string& fast, const std::vector<std::string>& rows,
                        const std::string& name = "project.ini") {
        std::string text = "[Movie Settings]\r\nLow-File=" + low + "\r\nFast-File=" + fast + "\r\n";
        for (size_t r = 0; r < rows.size(); ++r) {
            const std::string n = std::to_string(r);
            std::istringstream in(rows[r]);
            std::string start, end, codec;
            in >> start >> end >> codec;
            text += "StartFrame" + n + "=" + start + "\r\nEndFrame" + n + "=" + end + "\r\nCodec" + n + "=" +
                    codec + "\r\n";
        }
        const std::string path = m_out.File(name);
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        return path;
    }

    static CTempDir* s_dir;
    CTempDir m_out;
};
CTempDir* AssembleMergeCommandTest::s_dir = nullptr;

TEST_F(AssembleMergeCommandTest, AssembleWritesThePartsAndWarnsAboutKeyFrames) {
    const std::string project = Project(Input("low.avi"), Input("fast.avi"), {"000 50 LOW", "060 100 FAST"});
    const std::string out = m_out.File("final.avi");
    const CommandResult r = RunCli({"assemble", "--project", project, "--output", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("does not start on a key frame"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Writing Sucessfull!"), std::string::npos);

    std::vector<std::string> expected = PacketHashes(Input("low.avi"), "v:0");
    expected.resize(50);
    const auto fast = PacketHashes(Input("fast.avi"), "v:0");
    expected.insert(expected.end(), fast.begin() + 60, fast.end());
    EXPECT_EQ(PacketHashes(out, "v:0"), expected);

    // Movies given on the command line win over the project's.
    const std::string moved = Project("/nowhere/low.avi", "/nowhere/fast.avi", {"0 100 FAST"});
    const CommandResult given = RunCli({"assemble", "--project", moved, "--output", out, "--low",
                                        Input("low.avi"), "--fast", Input("fast.avi")});
    EXPECT_EQ(given.exitCode, 0) << given.err;
    EXPECT_EQ(PacketHashes(out, "v:0"), fast);
    EXPECT_EQ(given.err.find("key frame"), std::string::npos) << given.err;
}

TEST_F(AssembleMergeCommandTest, AssembleRefusesBadRequests) {
    const std::string project = Project(Input("low.avi"), Input("fast.avi"), {"0 100 LOW"});
    const auto before = ReadFileBytes(Input("low.avi"));
    CommandResult r = RunCli({"assemble", "--project", project, "--output", Input("low.avi")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("is one of the inputs"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFileBytes(Input("low.avi")) == before);

    r = RunCli({"assemble", "--project", m_out.File("missing.ini"), "--output", m_out.File("f.avi")});
    EXPECT_EQ(r.exitCode, 2); // no such file: the command line names it before anything runs
    EXPECT_NE(r.err.find("missing.ini"), std::string::npos) << r.err;

    const std::string broken = Project("/nowhere/low.avi", Input("fast.avi"), {"0 100 LOW"}, "broken.ini");
    r = RunCli({"assemble", "--project", broken, "--output", m_out.File("f.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Failed to open AVI File: /nowhere/low.avi"), std::string::npos) << r.err;

    r = RunCli({"assemble", "--project", project, "--output", m_out.File("no/dir/f.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Cannot create the final AVI file"), std::string::npos) << r.err;

    EXPECT_EQ(RunCli({"assemble", "--output", m_out.File("f.avi")}).exitCode, 2);
}

// Rows that cannot be written as listed are each named, and the status says
// the list was not written whole; no row at all writes nothing.
TEST_F(AssembleMergeCommandTest, AssembleNamesEveryRowItCannotWrite) {
    // Row 1 ends before it starts, row 2 runs past the end, row 3 starts
    // past it, and row 5 follows a missing row 4.
    std::string text = "[Movie Settings]\r\nLow-File=" + Input("low.avi") +
                       "\r\nFast-File=" + Input("fast.avi") +
                       "\r\nStartFrame0=0\r\nEndFrame0=50\r\nCodec0=LOW\r\n"
                       "StartFrame1=60\r\nEndFrame1=50\r\nCodec1=LOW\r\n"
                       "StartFrame2=50\r\nEndFrame2=130\r\nCodec2=FAST\r\n"
                       "StartFrame3=120\r\nEndFrame3=150\r\nCodec3=FAST\r\n"
                       "StartFrame5=0\r\nEndFrame5=10\r\nCodec5=LOW\r\n";
    const std::string project = m_out.File("rows.ini");
    WriteFileBytes(project, std::vector<uint8_t>(text.begin(), text.end()));
    const std::string out = m_out.File("final.avi");
    CommandResult r = RunCli({"assemble", "--project", project, "--output", out});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    for (const char* warning :
         {"Part 1 of the project file ends (frame 50) before it starts (frame 60)",
          "Part 4 of the project file lacks its keys", "part 2 (frames 50 - 130, FAST) runs past the end of",
          "part 3 (frames 120 - 150, FAST) starts past the end"})
        EXPECT_NE(r.err.find(warning), std::string::npos) << warning << "\n" << r.err;
    EXPECT_EQ(ProbePackets(out, "v:0").size(), 100u);

    const std::string none = Project(Input("low.avi"), Input("fast.avi"), {"200 300 LOW"}, "none.ini");
    const std::string nothing = m_out.File("nothing.avi");
    r = RunCli({"assemble", "--project", none, "--output", nothing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Nothing written"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(nothing));
}

TEST_F(AssembleMergeCommandTest, MergeJoinsWithAndWithoutSynchronisation) {
    const std::string out = m_out.File("merged.avi");
    CommandResult r = RunCli({"merge", "--output", out, Input("low.avi"), Input("fast.avi")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto packets = ProbePackets(out, "v:0");
    EXPECT_EQ(packets.size(), 200u);
    // 8000 samples per second: 2 x 4 s of audio with the padding.
    EXPECT_EQ(DecodeAudioS16(out).size(), 64000u);

    r = RunCli({"merge", "--no-sync", "--output", out, Input("low.avi"), Input("fast.avi")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(DecodeAudioS16(out).size(), 63360u);

    const auto before = ReadFileBytes(Input("fast.avi"));
    r = RunCli({"merge", "--output", Input("fast.avi"), Input("low.avi"), Input("fast.avi")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(ReadFileBytes(Input("fast.avi")) == before);

    // A missing input is left out after its message; the merge says that the
    // output holds only the others, and its status says so.
    r = RunCli({"merge", "--output", out, Input("low.avi"), m_out.File("missing.avi")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Failed to open AVI File: "), std::string::npos);
    EXPECT_NE(r.err.find("1 of 2 inputs could not be opened; " + out + " holds only the others."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ProbePackets(out, "v:0").size(), 100u);

    EXPECT_EQ(RunCli({"merge", "--output", out}).exitCode, 2);
}

} // namespace
