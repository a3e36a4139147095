#pragma once
// What the oracle and full commands share: the oracle's options as typed,
// checked and applied, the oracle job run the way the Auto Create command
// starts it, the project file written, and the encoding list printed.

#include "creation/COracleStart.h"

#include <cstdio>
#include <string>

class CCliJobRunner;
class CEncodingList;
class CIniFile;

namespace CLI {
class App;
}

struct OracleOptionTexts {
    std::string oracleFile;
    std::string oracleValue;
    std::string comparison;
    std::string precision;
    std::string limit;
    std::string targetSize;
    std::string measure;
};

struct OracleCounts {
    int lowIntervals = 0;
    int fastIntervals = 0;
};

// Adds --oracle-file, --oracle-value, --comparison, --precision, --limit,
// --target-size, --measure.
void AddOracleOptions(CLI::App& command, OracleOptionTexts& texts);

// The typed values over `settings` (whose defaults stay for what was not
// given); "" when they are all usable, else what is wrong.
std::string ApplyOracleOptions(const OracleOptionTexts& texts, OracleStartSettings& settings);

// Starts the oracle on `runner`'s worker, fills `list`, writes the project
// with the store's keys and the rows. Returns the exit status (0 or 1).
int RunOracleAndSave(CCliJobRunner& runner, const OracleStartSettings& settings, const std::string& low,
                     const std::string& fast, CIniFile& store, const std::string& project,
                     CEncodingList& list, OracleCounts* counts);

// The encoding list as a table, then its total size text.
void PrintEncodingList(std::FILE* out, const CEncodingList& list);
