// A 4:2:0 source reaches the compressors in its own planes, in the encoding
// and in the creation from a data base: a lossless 4:2:0 compressor then
// gives back the source's very pictures, and two rebuilds the same bytes.

#include "support/Ffprobe.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace {
// The pictures as ffmpeg decodes them, one hash per frame.
std::vector<std::string> PictureHashes(const std::string& path) {
    const CommandResult r = RunCommand({"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-map", "0:v",
                                        "-pix_fmt", "yuv420p", "-f", "framemd5", "-"});
    std::vector<std::string> hashes;
    size_t at = 0;
    while ((at = r.out.find('\n', at)) != std::string::npos) {
        const size_t end = r.out.find('\n', at + 1);
        const std::string line =
            r.out.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        if (!line.empty() && line[0] != '#')
            hashes.push_back(line.substr(line.rfind(',') + 1));
        at += 1;
    }
    return hashes;
}
} // namespace

TEST(SourcePlanes, ALosslessRoundTripGivesTheSourcesPictures) {
    CTempDir dir;
    const std::string source = dir.File("src.avi");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=96x64:rate=25", "-frames:v", "60", "-c:v",
                      "ffvhuff", "-pix_fmt", "yuv420p", source})
                  .exitCode,
              0);
    const std::vector<std::string> expected = PictureHashes(source);
    ASSERT_EQ(expected.size(), 60u);

    const CommandResult encode =
        RunCli({"encode", source, "--low", dir.File("low.avi"), "--fast", dir.File("fast.avi"), "--low-codec",
                "FFVH", "--fast-codec", "FFVH"});
    ASSERT_EQ(encode.exitCode, 0) << encode.err;
    EXPECT_EQ(PictureHashes(dir.File("low.avi")), expected);
    EXPECT_EQ(PictureHashes(dir.File("fast.avi")), expected);

    // The data base's rebuild: the same pictures, and the same bytes for
    // every user with the same source.
    const std::string project = dir.File("p.ini");
    const CommandResult full =
        RunCli({"full", source, "--low-codec", "FFVH", "--fast-codec", "FFVH", "--project", project});
    ASSERT_EQ(full.exitCode, 0) << full.err;
    const std::string vdb = dir.File("movie.vdb");
    ASSERT_EQ(RunCli({"db", "export", "--project", project, "--source", source, "--output", vdb,
                      "--low-codec", "FFVH", "--fast-codec", "FFVH"})
                  .exitCode,
              0);
    for (const char* name : {"one.avi", "two.avi"}) {
        const CommandResult create =
            RunCli({"db", "create", vdb, "--source", source, "--output", dir.File(name)});
        ASSERT_EQ(create.exitCode, 0) << create.err;
    }
    EXPECT_EQ(PictureHashes(dir.File("one.avi")), expected);
    EXPECT_EQ(PacketHashes(dir.File("one.avi"), "v:0"), PacketHashes(dir.File("two.avi"), "v:0"));
}
