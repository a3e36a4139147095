#include "cli/OracleRun.h"

#include "cli/OptionTypes.h"
#include "encoding/CEncodingList.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <limits>

namespace {
// A number of KBytes that a file can have.
CLI::Range KBytesRange() {
    return CLI::Range(0.0, 1e12);
}

// "12,005 KBytes" back to its bytes: the cell holds them to the byte.
int64_t CellBytes(const std::string& cell) {
    return std::llround(ReadPartSize(cell) * 1000.0);
}
} // namespace

void AddOracleOptions(CLI::App& command, OracleOptionValues& values, CLI::Option* sourceOption,
                      bool excludesSource) {
    command
        .add_option("--oracle-file", values.oracleFile,
                    "Oracle file (default: the LOW file without extension + _oracle.dat)")
        ->type_name("FILE");
    command
        .add_option("--oracle-value", values.oracleValue,
                    "Oracle Value in percent; more positive means more LOW (default 5.00 with the source, "
                    "else 0.00)")
        ->check(FiniteCheck());
    command
        .add_option("--comparison", values.comparison,
                    "Comparison Value in percent (default 1.00 with the source, else 0.00)")
        ->check(FiniteCheck());
    command.add_option("--precision", values.precision, "Precision 1 (every frame) to 6 (default 1)")
        ->check(CLI::Range(COracleStart::MIN_PRECISION, COracleStart::MAX_PRECISION));
    CLI::Option* limit =
        command.add_option("--limit", values.limit, "Maximum size of the final AVI in KBytes")
            ->check(FiniteCheck() & KBytesRange());
    CLI::Option* target =
        command
            .add_option("--target-size", values.targetSize,
                        "Size target of the final AVI in KBytes (1000 bytes): per interval LOW or FAST with "
                        "the smallest summed difference to the source")
            ->check(FiniteCheck() & KBytesRange() & CLI::PositiveNumber)
            ->excludes(limit);
    CLI::Option* measure = command
                               .add_option("--measure", values.measure,
                                           "Difference to the source: sad (sum of absolute differences, "
                                           "default) or sse (sum of squared differences, what PSNR counts)")
                               ->check(CLI::IsMember({"sad", "sse"}));
    for (CLI::Option* judged : {target, measure}) {
        if (excludesSource)
            judged->excludes(sourceOption);
        else
            judged->needs(sourceOption);
    }
}

void ApplyOracleOptions(const OracleOptionValues& values, OracleStartSettings& settings) {
    if (!values.oracleFile.empty())
        settings.oracleFile = values.oracleFile;
    settings.oracleValue = values.oracleValue.value_or(settings.oracleValue);
    settings.comparisonValue = values.comparison.value_or(settings.comparisonValue);
    settings.precisionMode = values.precision.value_or(settings.precisionMode);
    if (values.limit) {
        settings.limitFlag = true;
        settings.limitKBytes = *values.limit;
    }
    settings.targetKBytes = values.targetSize.value_or(settings.targetKBytes);
    if (values.measure)
        settings.squaredDifferences = *values.measure == "sse";
}

void PrintEncodingList(std::FILE* out, const CEncodingList& list) {
    const int widths[COLUMN_COUNT] = {12, 10, 29, 15, 20, 20};
    for (int c = 0; c < COLUMN_COUNT; ++c)
        std::fprintf(out, "%-*s", widths[c], g_aEncodingColumns[c].heading);
    std::fprintf(out, "\n");
    for (const EncodingPart& part : list.Rows()) {
        for (int c = 0; c < COLUMN_COUNT; ++c)
            std::fprintf(out, "%-*s", widths[c], part.cells[c].c_str());
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "Final AVI Size: %s\n", list.GetTotalSizeText().c_str());
}

Json EncodingListJson(const CEncodingList& list) {
    Json rows = Json::array();
    int64_t total = 0;
    for (const EncodingPart& part : list.Rows()) {
        const int64_t video = CellBytes(part.cells[COLUMN_VIDEO_SIZE]);
        const int64_t audio = CellBytes(part.cells[COLUMN_AUDIO_SIZE]);
        total += video + audio;
        rows.push_back({{"start", part.GetStart()},
                        {"end", part.GetEnd()},
                        {"encoding", part.IsLow() ? "LOW" : "FAST"},
                        {"time", part.cells[COLUMN_TIME]},
                        {"video_bytes", video},
                        {"audio_bytes", audio}});
    }
    return Json{{"rows", rows}, {"total_bytes", total}};
}
