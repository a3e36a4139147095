// flintmoor-cli sample OUT.avi [--size WxH] [--frames N] [--fps RATE/SCALE]
//                              [--audio RATE/CHANNELS|none]
// Writes the built-in sample movie: uncompressed video with still, panning
// and busy scenes, and PCM tones.

#include "cli/Commands.h"
#include "cli/OptionTypes.h"
#include "media/CSampleMovie.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

namespace {
struct SampleArgs {
    std::string out;
    FrameSizeOption size{SampleMovieOptions().width, SampleMovieOptions().height};
    int frames = SampleMovieOptions().frames;
    FrameRateOption fps{SampleMovieOptions().rate, SampleMovieOptions().scale};
    AudioOption audio{SampleMovieOptions().audioRate, SampleMovieOptions().audioChannels};
};

int RunSample(const SampleArgs& args) {
    SampleMovieOptions options;
    options.width = args.size.width;
    options.height = args.size.height;
    options.frames = args.frames;
    options.rate = args.fps.rate;
    options.scale = args.fps.scale;
    options.audioRate = args.audio.rate;
    options.audioChannels = args.audio.channels;
    // The limits of the sample (and how the values go together) are the
    // sample's own.
    const std::string invalid = CSampleMovie::Validate(options);
    if (!invalid.empty())
        return UsageError("sample", invalid);

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
    command->add_option("--size", args->size, "Frame size WIDTHxHEIGHT, 16x16 to 4096x4096 (default 320x240)")
        ->check(FrameSizeCheck())
        ->type_name("WxH");
    command->add_option("--frames", args->frames, "Number of frames, 1 to 1000000")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    command->add_option("--fps", args->fps, "Frame rate RATE or RATE/SCALE, 1/10 to 1000 (default 25/1)")
        ->check(FrameRateCheck())
        ->type_name("RATE[/SCALE]");
    command->add_option("--audio", args->audio, "Audio RATE/CHANNELS or none (default 44100/2)")
        ->check(AudioCheck())
        ->type_name("RATE/CHANNELS|none");
    command->callback([args, &exitCode]() { exitCode.value = RunSample(*args); });
}
