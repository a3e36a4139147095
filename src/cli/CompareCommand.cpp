// flintmoor-cli compare SOURCE FILE... [--json]: per file its video bytes
// and how close it comes to the source (PSNR, SSIM, the worst key-frame
// interval), measured as ffmpeg's psnr and ssim filters on yuv420p do.

#include "cli/CTerminalHost.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "cli/PlainUnits.h"
#include "creation/MovieQuality.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {
struct CompareOptions {
    std::string source;
    std::vector<std::string> files;
    bool json = false;
};

std::string DbText(double psnr) {
    if (std::isinf(psnr))
        return "identical";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f dB", psnr);
    return text;
}

void PrintRow(const std::string& file, const MovieQuality& q) {
    char worst[96];
    std::snprintf(worst, sizeof worst, "%d-%d (%s)", q.worstStart, q.worstEnd, DbText(q.worstPsnr).c_str());
    std::printf("%-40s %12s %14s %8.5f  %s\n", file.c_str(), PlainSize(q.videoBytes).c_str(),
                DbText(q.psnr).c_str(), q.ssim, worst);
}

int RunCompare(const CompareOptions& options) {
    CTerminalHost quiet(stderr, false);
    int status = 0;
    Json rows = Json::array();
    if (!options.json)
        std::printf("%-40s %12s %14s %8s  %s\n", "File", "Video size", "PSNR", "SSIM",
                    "Worst key-frame interval");
    for (const std::string& file : options.files) {
        std::string error;
        const std::optional<MovieQuality> q = MeasureMovieQuality(quiet, options.source, file, &error);
        if (!q) {
            std::fprintf(stderr, "flintmoor-cli compare: %s: %s\n", file.c_str(), error.c_str());
            status = 1;
        }
        if (options.json) {
            Json row = Json::object();
            PutFileName(row, "file", file);
            if (q)
                row.update(MovieQualityJson(*q));
            else
                row["error"] = error;
            rows.push_back(row);
        } else if (q) {
            PrintRow(file, *q);
        }
    }
    if (options.json) {
        Json result = Json::object();
        PutFileName(result, "source", options.source);
        result["files"] = rows;
        PrintJson(result);
    }
    return status;
}
} // namespace

void RegisterCompareCommand(CLI::App& app, CliExit& exitCode) {
    auto options = std::make_shared<CompareOptions>();
    CLI::App* command = app.add_subcommand(
        "compare", "Video size, PSNR and SSIM against the source (yuv420p, as ffmpeg's filters) per file");
    command->add_option("source", options->source, "The source movie (AVI)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("files", options->files, "The movies to compare with it")->required();
    command->add_flag("--json", options->json, "One JSON object on stdout (see the README)");
    command->callback([options, &exitCode]() { exitCode.value = RunCompare(*options); });
}
