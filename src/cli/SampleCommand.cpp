// flintmoor-cli sample OUT.avi [--size WxH] [--frames N] [--fps RATE/SCALE]
//                              [--audio RATE/CHANNELS|none]
// Writes the built-in sample movie: uncompressed video with still, panning
// and busy scenes, and PCM tones.

#include "cli/Commands.h"
#include "media/CSampleMovie.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace {
struct SampleArgs {
    std::string out;
    std::string size;
    std::string frames;
    std::string fps;
    std::string audio;
};

// A whole decimal number without sign, at most `max`.
bool ParseCount(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 12)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value <= max;
}

// "A<sep>B" with two counts; B may be left out (then it is `defaultB`) when
// `defaultB` is not 0.
bool ParsePair(const std::string& text, char sep, uint64_t max, uint64_t defaultB, uint64_t& a, uint64_t& b) {
    const size_t at = text.find(sep);
    if (at == std::string::npos) {
        b = defaultB;
        return defaultB != 0 && ParseCount(text, max, a);
    }
    return ParseCount(text.substr(0, at), max, a) && ParseCount(text.substr(at + 1), max, b);
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "flintmoor-cli sample: %s\n", message.c_str());
    return 2;
}

int RunSample(const SampleArgs& args) {
    SampleMovieOptions options;
    uint64_t a = 0, b = 0;
    if (!args.size.empty()) {
        if (!ParsePair(args.size, 'x', 1000000, 0, a, b) && !ParsePair(args.size, 'X', 1000000, 0, a, b))
            return Usage("--size wants WIDTHxHEIGHT, e.g. 320x240, not \"" + args.size + "\"");
        options.width = static_cast<int>(a);
        options.height = static_cast<int>(b);
    }
    if (!args.frames.empty()) {
        if (!ParseCount(args.frames, 100000000, a))
            return Usage("--frames wants a whole number of frames, not \"" + args.frames + "\"");
        options.frames = static_cast<int>(a);
    }
    if (!args.fps.empty()) {
        if (!ParsePair(args.fps, '/', 0xFFFFFFFFu, 1, a, b))
            return Usage("--fps wants RATE or RATE/SCALE, e.g. 25 or 30000/1001, not \"" + args.fps + "\"");
        options.rate = static_cast<uint32_t>(a);
        options.scale = static_cast<uint32_t>(b);
    }
    if (args.audio == "none") {
        options.audioRate = 0;
    } else if (!args.audio.empty()) {
        if (!ParsePair(args.audio, '/', 10000000, 0, a, b))
            return Usage("--audio wants RATE/CHANNELS, e.g. 44100/2, or none, not \"" + args.audio + "\"");
        if (a == 0)
            return Usage("--audio: the rate must not be 0 (use none for a movie without sound)");
        options.audioRate = static_cast<uint32_t>(a);
        options.audioChannels = static_cast<int>(b);
    }
    const std::string invalid = CSampleMovie::Validate(options);
    if (!invalid.empty())
        return Usage(invalid);

    std::string error;
    if (!CSampleMovie(options).Write(args.out, &error)) {
        std::fprintf(stderr, "flintmoor-cli sample: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %dx%d, %u/%u frames per second, %d frames, ", args.out.c_str(), options.width,
                options.height, options.rate, options.scale, options.frames);
    if (options.audioRate)
        std::printf("%u Hz %d channel(s) 16-bit PCM\n", options.audioRate, options.audioChannels);
    else
        std::printf("no audio\n");
    return 0;
}
} // namespace

void RegisterSampleCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<SampleArgs>();
    CLI::App* command = app.add_subcommand(
        "sample", "Write the built-in sample movie (uncompressed video with still, panning and busy "
                  "scenes, PCM tones)");
    command->add_option("OUT", args->out, "AVI file to write (replaced if it exists)")->required();
    command->add_option("--size", args->size, "frame size WIDTHxHEIGHT (default 320x240)");
    command->add_option("--frames", args->frames, "number of frames (default 300)");
    command->add_option("--fps", args->fps, "frame rate RATE or RATE/SCALE (default 25/1)");
    command->add_option("--audio", args->audio, "audio RATE/CHANNELS or none (default 44100/2)");
    command->callback([args, &exitCode]() { exitCode.value = RunSample(*args); });
}
