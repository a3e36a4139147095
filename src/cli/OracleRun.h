#pragma once
// What the oracle, full and demo commands share: the oracle's options, typed
// and checked, applied over the defaults; and the encoding list printed as
// a table or as JSON.

#include "cli/JsonOutput.h"
#include "creation/COracleStart.h"

#include <cstdio>
#include <optional>
#include <string>

class CEncodingList;

namespace CLI {
class App;
class Option;
} // namespace CLI

// The oracle's options as given; what was not given keeps its default.
struct OracleOptionValues {
    std::string oracleFile;
    std::optional<double> oracleValue;
    std::optional<double> comparison;
    std::optional<int32_t> precision;
    std::optional<double> limit;
    std::optional<double> targetSize;
    std::optional<std::string> measure;
};

// Adds --oracle-file, --oracle-value, --comparison, --precision, --limit,
// --target-size, --measure. --target-size and --measure judge by the
// difference to the source: `needsSource` is the option that makes the
// source part of the run (oracle: --source), or, with `excludesSource`
// set, the one that takes it away (full: --no-source).
void AddOracleOptions(CLI::App& command, OracleOptionValues& values, CLI::Option* sourceOption,
                      bool excludesSource);

// The values given over `settings`, whose defaults stay for the rest.
void ApplyOracleOptions(const OracleOptionValues& values, OracleStartSettings& settings);

// The encoding list as a table, then its total size text.
void PrintEncodingList(std::FILE* out, const CEncodingList& list);
// The rows with their frames, encoding, times and sizes in bytes.
Json EncodingListJson(const CEncodingList& list);
