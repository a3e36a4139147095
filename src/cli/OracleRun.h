#pragma once
// What the oracle and full commands share: the oracle's options as typed,
// checked and applied, and the encoding list printed.

#include "creation/COracleStart.h"

#include <cstdio>
#include <string>

class CEncodingList;

namespace CLI {
class App;
}

struct OracleOptionTexts {
    std::string oracleFile;
    std::string oracleValue;
    std::string comparison;
    std::string precision;
    std::string limit;
};

// Adds --oracle-file, --oracle-value, --comparison, --precision, --limit.
void AddOracleOptions(CLI::App& command, OracleOptionTexts& texts);

// The typed values over `settings` (whose defaults stay for what was not
// given); "" when they are all usable, else what is wrong.
std::string ApplyOracleOptions(const OracleOptionTexts& texts, OracleStartSettings& settings);

// The encoding list as a table, then its total size text.
void PrintEncodingList(std::FILE* out, const CEncodingList& list);
