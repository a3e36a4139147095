#include "cli/OracleRun.h"

#include "encoding/CEncodingList.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
// A whole, finite number or nothing: "5x", "" and "nan" are typing errors.
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}
} // namespace

void AddOracleOptions(CLI::App& command, OracleOptionTexts& texts) {
    command.add_option("--oracle-file", texts.oracleFile,
                       "Oracle file (default: the LOW file without extension + _oracle.dat)");
    command.add_option("--oracle-value", texts.oracleValue,
                       "Oracle Value in percent; more positive means more LOW (default 5.00 with the source, "
                       "else 0.00)");
    command.add_option("--comparison", texts.comparison,
                       "Comparison Value in percent (default 1.00 with the source, else 0.00)");
    command.add_option("--precision", texts.precision, "Precision 1 (every frame) to 6 (default 1)");
    command.add_option("--limit", texts.limit, "Maximum size of the final AVI in KBytes");
}

std::string ApplyOracleOptions(const OracleOptionTexts& texts, OracleStartSettings& settings) {
    if (!texts.oracleFile.empty())
        settings.oracleFile = texts.oracleFile;
    if (!texts.oracleValue.empty() && !ParseNumber(texts.oracleValue, settings.oracleValue))
        return "--oracle-value: \"" + texts.oracleValue + "\" is not a number";
    if (!texts.comparison.empty() && !ParseNumber(texts.comparison, settings.comparisonValue))
        return "--comparison: \"" + texts.comparison + "\" is not a number";
    if (!texts.precision.empty()) {
        double precision = 0;
        if (!ParseNumber(texts.precision, precision) || precision != std::floor(precision) ||
            precision < COracleStart::MIN_PRECISION || precision > COracleStart::MAX_PRECISION)
            return "--precision: \"" + texts.precision + "\" is not a whole number from 1 to 6";
        settings.precisionMode = static_cast<int32_t>(precision);
    }
    if (!texts.limit.empty()) {
        double limit = 0;
        if (!ParseNumber(texts.limit, limit) || limit < 0)
            return "--limit: \"" + texts.limit + "\" is not a size in KBytes (0 or more)";
        settings.limitFlag = true;
        settings.limitKBytes = limit;
    }
    return "";
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
