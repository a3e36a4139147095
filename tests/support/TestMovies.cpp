#include "support/TestMovies.h"

#include "support/Ffprobe.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

bool MakeTestMovie(const std::string& path, const fmtest::FfmpegMovie& spec, std::string* error) {
    const std::string rate = std::to_string(spec.fps);
    std::vector<std::string> args = {"-f", "lavfi", "-i",
                                     spec.pattern + "=size=" + spec.size + ":rate=" + rate};
    if (!spec.audio.empty()) {
        const double seconds = spec.audioSeconds > 0 ? spec.audioSeconds : double(spec.frames) / spec.fps;
        args.insert(args.end(), {"-f", "lavfi", "-i",
                                 "sine=frequency=" + std::to_string(spec.audioFrequency) +
                                     ":sample_rate=" + std::to_string(spec.sampleRate),
                                 "-af", "atrim=duration=" + std::to_string(seconds)});
    }
    args.insert(args.end(),
                {"-map", "0:v", "-frames:v", std::to_string(spec.frames), "-c:v", "mpeg4", "-q:v",
                 std::to_string(spec.quality), "-g", "100000", "-force_key_frames",
                 "expr:eq(mod(n," + std::to_string(spec.keyEvery) + "),0)", "-sc_threshold", "1000000000"});
    if (!spec.videoTag.empty())
        args.insert(args.end(), {"-vtag", spec.videoTag});
    if (spec.audio == "pcm")
        args.insert(args.end(), {"-map", "1:a", "-c:a", "pcm_s16le"});
    else if (spec.audio == "pcm_u8")
        args.insert(args.end(), {"-map", "1:a", "-c:a", "pcm_u8"});
    else if (spec.audio == "mp3")
        args.insert(args.end(), {"-map", "1:a", "-c:a", "libmp3lame", "-b:a", "64k"});
    else if (spec.audio == "ac3")
        args.insert(args.end(), {"-map", "1:a", "-c:a", "ac3"});
    args.push_back(path);
    const CommandResult r = Ffmpeg(args);
    if (r.exitCode != 0 && error)
        *error = r.err;
    return r.exitCode == 0;
}

std::vector<std::string> PacketHashes(const std::string& path, const std::string& stream) {
    std::vector<std::string> hashes;
    for (const std::string& line : FramemD5Copy(path, stream)) {
        // stream, dts, pts, duration, size, hash: keep the last two fields.
        size_t comma = line.size();
        for (int i = 0; i < 2 && comma != std::string::npos; ++i)
            comma = line.rfind(',', comma - 1);
        hashes.push_back(comma == std::string::npos ? line : line.substr(comma + 1));
    }
    return hashes;
}

std::vector<int16_t> DecodeAudioS16(const std::string& path) {
    const CommandResult r = RunCommand(
        {"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-map", "0:a:0", "-f", "s16le", "-ac", "1", "-"});
    std::vector<int16_t> samples(r.out.size() / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), r.out.data(), samples.size() * 2);
    return samples;
}

bool MarkRawAviBottomUp(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    const std::string tag = "strf";
    const auto found = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    // biHeight follows the tag, the chunk size, biSize and biWidth.
    const size_t at = static_cast<size_t>(found - bytes.begin()) + 16;
    if (found == bytes.end() || at + 4 > bytes.size())
        return false;
    int32_t height = 0;
    std::memcpy(&height, bytes.data() + at, 4);
    if (height >= 0 || height == INT32_MIN)
        return false;
    height = -height;
    std::memcpy(bytes.data() + at, &height, 4);
    WriteFileBytes(path, bytes);
    return true;
}
