#include "MediaTestMovies.h"

#include "support/Ffprobe.h"

#include <gtest/gtest.h>

std::string MakeMovie(const CTempDir& dir, const std::string& name, const std::vector<std::string>& audioArgs,
                      int seconds, const std::string& extraKeys) {
    const std::string path = dir.File(name);
    std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25"};
    if (!audioArgs.empty())
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=f=440:sample_rate=44100"});
    args.insert(args.end(), {"-t", std::to_string(seconds), "-c:v", "msmpeg4", "-vtag", "DIV3", "-g", "25",
                             "-sc_threshold", "1000000000"});
    if (!extraKeys.empty())
        args.insert(args.end(), {"-force_key_frames", extraKeys});
    if (audioArgs.empty())
        args.push_back("-an");
    args.insert(args.end(), audioArgs.begin(), audioArgs.end());
    args.push_back(path);
    const CommandResult r = Ffmpeg(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return path;
}

std::string StreamMd5(const std::string& path, const std::string& stream) {
    const CommandResult r = Ffmpeg({"-i", path, "-map", "0:" + stream, "-c", "copy", "-f", "md5", "-"});
    return r.exitCode == 0 ? r.out : "failed: " + r.err;
}

double MaxVolumeDb(const std::string& path) {
    const CommandResult r = RunCommand(
        {"ffmpeg", "-nostdin", "-i", path, "-map", "0:a", "-af", "volumedetect", "-f", "null", "-"});
    const std::string key = "max_volume: ";
    const size_t at = r.err.find(key);
    return at == std::string::npos ? 0.0 : std::stod(r.err.substr(at + key.size()));
}
