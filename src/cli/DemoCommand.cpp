// flintmoor-cli demo [DIR] [--source MOVIE.avi]
// The whole program in one go on the built-in sample movie (or on a movie
// given with --source): makes the sample, runs the full creation with the default settings and the final
// assembly, and reports the encoding list, the sizes, how the oracle decided
// and how close LOW, FAST and the final movie come to the source.

#include "cli/CTerminalHost.h"
#include "cli/Commands.h"
#include "cli/FullCommand.h"
#include "creation/FullCreationNames.h"
#include "creation/MoviePsnr.h"
#include "encoding/CEncodingList.h"
#include "media/CSampleMovie.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {
struct DemoArgs {
    std::string directory = "demo-output";
    std::string source; // a movie to use instead of the sample
    SampleMovieOptions sample;
};

std::string SizeText(const std::string& path) {
    std::error_code error;
    const uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error)
        return "(missing)";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f KBytes", static_cast<double>(bytes) / 1000.0);
    return text;
}

std::string PsnrText(IHost& host, const std::string& source, const std::string& movie) {
    const std::optional<double> psnr = MoviePsnr(host, source, movie);
    if (!psnr)
        return "(cannot be measured)";
    if (std::isinf(*psnr))
        return "identical";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", *psnr);
    return text;
}

int RunDemo(const DemoArgs& args) {
    const std::string sampleError = CSampleMovie::Validate(args.sample);
    if (!sampleError.empty()) {
        std::fprintf(stderr, "flintmoor-cli demo: %s\n", sampleError.c_str());
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(args.directory, error);
    if (error) {
        std::fprintf(stderr, "Cannot create the directory %s: %s\n", args.directory.c_str(),
                     error.message().c_str());
        return 1;
    }
    const std::filesystem::path dir(args.directory);
    FullArgs full;
    full.source = args.source.empty() ? (dir / "sample.avi").string() : args.source;
    full.project = (dir / "project.ini").string();
    full.output = (dir / "final.avi").string();
    // LOW, FAST and the oracle file go into the directory, whatever folder
    // the source is in.
    const std::string inDir = (dir / std::filesystem::path(full.source).filename()).string();
    full.low = FullCreationNames::LowFile(inDir);
    full.fast = FullCreationNames::FastFile(inDir);
    full.oracle.oracleFile = FullCreationNames::OracleFile(inDir);

    if (args.source.empty()) {
        std::printf("Making the sample movie %s ...\n", full.source.c_str());
        std::fflush(stdout);
        std::string writeError;
        if (!CSampleMovie(args.sample).Write(full.source, &writeError)) {
            std::fprintf(stderr, "Cannot write the sample movie: %s\n", writeError.c_str());
            return 1;
        }
    }

    FullOutcome outcome;
    const int status = RunFullCreation(full, &outcome, [](const CEncodingList& list) {
        std::printf("\nEncoding list:\n");
        PrintEncodingList(stdout, list);
    });
    if (status != 0)
        return status;
    std::printf("\nIntervals: %d LOW, %d FAST\n", outcome.lowIntervals, outcome.fastIntervals);
    std::printf("\n%-8s %-40s %-18s %s\n", "", "File", "Size", "PSNR against the source");
    CTerminalHost quiet(stderr, false);
    const std::pair<const char*, std::string> movies[] = {
        {"Source", full.source}, {"LOW", outcome.low}, {"FAST", outcome.fast}, {"Final", full.output}};
    for (const auto& [name, path] : movies)
        std::printf("%-8s %-40s %-18s %s\n", name, path.c_str(), SizeText(path).c_str(),
                    std::string(name) == "Source" ? "" : PsnrText(quiet, full.source, path).c_str());
    std::printf("\nProject: %s\n", full.project.c_str());
    return 0;
}
} // namespace

void RegisterDemoCommand(CLI::App& app, CliExit& exitCode) {
    auto args = std::make_shared<DemoArgs>();
    CLI::App* command = app.add_subcommand(
        "demo",
        "Make the sample movie, run the full creation and the assembly on it, and report the results");
    command->add_option("dir", args->directory, "Directory for the files (default: ./demo-output)")
        ->capture_default_str();
    command->add_option("--source", args->source, "Use this movie instead of making the sample")
        ->check(CLI::ExistingFile);
    // Small sizes for quick trials and tests; not part of the documented use.
    command->add_option("--width", args->sample.width)->group("");
    command->add_option("--height", args->sample.height)->group("");
    command->add_option("--frames", args->sample.frames)->group("");
    command->callback([args, &exitCode]() { exitCode.value = RunDemo(*args); });
}
