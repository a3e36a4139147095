// flintmoor-cli demo [DIR] [--source MOVIE.avi] [--json]
// The whole program in one go on the built-in sample movie (or on a movie
// given with --source): makes the sample, runs the full creation with the default settings and the final
// assembly, and reports the encoding list, the sizes, how the oracle decided
// and how close LOW, FAST and the final movie come to the source.

#include "cli/CTerminalHost.h"
#include "cli/Commands.h"
#include "cli/FullCommand.h"
#include "cli/JsonOutput.h"
#include "cli/PlainUnits.h"
#include "creation/FullCreationNames.h"
#include "creation/MovieQuality.h"
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
#include <vector>

namespace {
struct DemoArgs {
    std::string directory = "demo-output";
    std::string source; // a movie to use instead of the sample
    SampleMovieOptions sample;
    bool json = false;
};

// One movie of the report: its size and how close it comes to the source.
struct MovieReport {
    const char* name;
    std::string path;
    std::optional<int64_t> bytes;
    std::optional<MovieQuality> quality;
    std::string error; // why the quality could not be measured
};

std::optional<int64_t> FileBytes(const std::string& path) {
    std::error_code error;
    const uintmax_t bytes = std::filesystem::file_size(path, error);
    return error ? std::nullopt : std::optional<int64_t>(static_cast<int64_t>(bytes));
}

// Size and quality side by side, so that no figure is read without the other.
std::string QualityText(const MovieReport& movie) {
    if (!movie.quality)
        return "(cannot be measured: " + movie.error + ")";
    const MovieQuality& q = *movie.quality;
    char text[160];
    if (std::isinf(q.psnr))
        std::snprintf(text, sizeof text, "%12s  identical", PlainSize(q.videoBytes).c_str());
    else
        std::snprintf(text, sizeof text, "%12s  %8.2f dB  %7.4f", PlainSize(q.videoBytes).c_str(), q.psnr,
                      q.ssim);
    return text;
}

void PrintPlainReport(const FullOutcome& outcome, const std::vector<MovieReport>& movies,
                      const std::string& project) {
    std::printf("\nIntervals: %d LOW, %d FAST\n", outcome.lowIntervals, outcome.fastIntervals);
    // As `compare` measures: yuv420p, PSNR from the mean squared error.
    std::printf("\n%-8s %-40s %-12s %12s  %11s  %7s\n", "", "File", "File size", "Video size", "PSNR",
                "SSIM");
    for (const MovieReport& movie : movies)
        std::printf("%-8s %-40s %-12s %s\n", movie.name, movie.path.c_str(),
                    movie.bytes ? PlainSize(*movie.bytes).c_str() : "(missing)",
                    &movie == &movies.front() ? "" : QualityText(movie).c_str());
    std::printf("\nProject: %s\n", project.c_str());
}

void PrintJsonReport(const FullOutcome& outcome, const std::vector<MovieReport>& movies,
                     const std::string& project, const Json& list) {
    Json report = Json::object();
    PutFileName(report, "project", project);
    report["low_intervals"] = outcome.lowIntervals;
    report["fast_intervals"] = outcome.fastIntervals;
    report.update(list);
    Json files = Json::array();
    for (const MovieReport& movie : movies) {
        Json file = {{"role", movie.name}};
        PutFileName(file, "path", movie.path);
        file["bytes"] = movie.bytes ? Json(*movie.bytes) : Json(nullptr);
        if (movie.quality)
            file["quality"] = MovieQualityJson(*movie.quality);
        else if (&movie != &movies.front())
            file["error"] = movie.error;
        files.push_back(file);
    }
    report["files"] = files;
    PrintJson(report);
}

int RunDemo(const DemoArgs& args) {
    const std::string sampleError = CSampleMovie::Validate(args.sample);
    if (!sampleError.empty())
        return UsageError("demo", sampleError);
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

    // With --json, stdout holds the JSON alone.
    std::FILE* const say = args.json ? stderr : stdout;
    if (args.source.empty()) {
        std::fprintf(say, "Making the sample movie %s ...\n", full.source.c_str());
        std::fflush(say);
        std::string writeError;
        if (!CSampleMovie(args.sample).Write(full.source, &writeError)) {
            std::fprintf(stderr, "Cannot write the sample movie: %s\n", writeError.c_str());
            return 1;
        }
    }

    FullOutcome outcome;
    Json list;
    const int status = RunFullCreation(full, &outcome, [&](const CEncodingList& encodingList) {
        if (args.json) {
            list = EncodingListJson(encodingList);
            return;
        }
        std::printf("\nEncoding list:\n");
        PrintEncodingList(stdout, encodingList);
    });
    if (status != 0)
        return status;
    std::vector<MovieReport> movies = {
        {"Source", full.source, {}, {}, {}},
        {"LOW", outcome.low, {}, {}, {}},
        {"FAST", outcome.fast, {}, {}, {}},
        {"Final", full.output, {}, {}, {}},
    };
    CTerminalHost quiet(stderr, false);
    for (MovieReport& movie : movies) {
        movie.bytes = FileBytes(movie.path);
        if (&movie != &movies.front())
            movie.quality = MeasureMovieQuality(quiet, full.source, movie.path, &movie.error);
    }
    if (args.json)
        PrintJsonReport(outcome, movies, full.project, list);
    else
        PrintPlainReport(outcome, movies, full.project);
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
    command->add_flag("--json", args->json,
                      "The report as one JSON object on stdout (see the README); progress stays on stderr");
    // Small sizes for quick trials and tests; not part of the documented use.
    command->add_option("--width", args->sample.width)->group("");
    command->add_option("--height", args->sample.height)->group("");
    command->add_option("--frames", args->sample.frames)->group("");
    command->callback([args, &exitCode]() { exitCode.value = RunDemo(*args); });
}
