// flintmoor-cli compare SOURCE FILE... [--json]: per file its video bytes
// and how close it comes to the source (PSNR, SSIM, the worst key-frame
// interval), measured as ffmpeg's psnr and ssim filters on yuv420p do.

#include "cli/CTerminalHost.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "creation/MovieQuality.h"

#include <CLI/CLI.hpp>

#include <cinttypes>
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

// JSON has no infinity: identical pictures give null.
std::string JsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

void PrintRow(const std::string& file, const MovieQuality& q) {
    char worst[96];
    std::snprintf(worst, sizeof worst, "%d-%d (%s)", q.worstStart, q.worstEnd, DbText(q.worstPsnr).c_str());
    std::printf("%-40s %12" PRId64 " %14s %8.5f  %s\n", file.c_str(), q.videoBytes, DbText(q.psnr).c_str(),
                q.ssim, worst);
}

std::string JsonRow(const std::string& file, const std::optional<MovieQuality>& q, const std::string& error) {
    std::string row = "{\"file\": " + JsonString(file);
    if (!q)
        return row + ", \"error\": " + JsonString(error) + "}";
    char text[256];
    std::snprintf(text, sizeof text,
                  ", \"video_bytes\": %" PRId64 ", \"frames\": %d, \"psnr\": %s, \"ssim\": %.5f, "
                  "\"worst_interval\": {\"start\": %d, \"end\": %d, \"psnr\": %s}}",
                  q->videoBytes, q->frames, JsonNumber(q->psnr).c_str(), q->ssim, q->worstStart, q->worstEnd,
                  JsonNumber(q->worstPsnr).c_str());
    return row + text;
}

int RunCompare(const CompareOptions& options) {
    CTerminalHost quiet(stderr, false);
    int status = 0;
    std::vector<std::string> rows;
    if (!options.json)
        std::printf("%-40s %12s %14s %8s  %s\n", "File", "Video bytes", "PSNR", "SSIM",
                    "Worst key-frame interval");
    for (const std::string& file : options.files) {
        std::string error;
        const std::optional<MovieQuality> q = MeasureMovieQuality(quiet, options.source, file, &error);
        if (!q) {
            std::fprintf(stderr, "flintmoor-cli compare: %s: %s\n", file.c_str(), error.c_str());
            status = 1;
        }
        if (options.json)
            rows.push_back(JsonRow(file, q, error));
        else if (q)
            PrintRow(file, *q);
    }
    if (options.json) {
        std::printf("{\"source\": %s, \"files\": [", JsonString(options.source).c_str());
        for (size_t i = 0; i < rows.size(); ++i)
            std::printf("%s\n  %s", i ? "," : "", rows[i].c_str());
        std::printf("\n]}\n");
    }
    return status;
}
} // namespace

void RegisterCompareCommand(CLI::App& app, CliExit& exitCode) {
    auto options = std::make_shared<CompareOptions>();
    CLI::App* command = app.add_subcommand(
        "compare", "Video bytes, PSNR and SSIM against the source (yuv420p, as ffmpeg's filters) per file");
    command->add_option("source", options->source, "The source movie (AVI)")->required();
    command->add_option("files", options->files, "The movies to compare with it")->required();
    command->add_flag("--json", options->json, "Machine-readable output");
    command->callback([options, &exitCode]() { exitCode.value = RunCompare(*options); });
}
