#pragma once
// The full creation on the command line, shared by the `full` and `demo`
// commands.

#include "cli/OracleRun.h"

#include <cstdint>
#include <functional>
#include <string>

class CEncodingList;

struct FullArgs {
    std::string source;
    std::string low;
    std::string fast;
    bool saveCreation = false;
    int32_t frameSize = 200;
    std::string lowCodec = "DIV3";
    std::string fastCodec = "DIV4";
    std::string bitrate; // kbit/s of both; empty: proposed from the source
    OracleOptionValues oracle;
    bool noSource = false; // the oracle compares LOW and FAST without the source
    std::string project;
    std::string output;
};

// What a run made, for the demo's report.
struct FullOutcome {
    std::string low;
    std::string fast;
    int lowIntervals = 0;
    int fastIntervals = 0;
};

// Runs the whole creation (and the assembly with `output`); the exit
// status. `onList` gets the encoding list when the run did all it had to.
int RunFullCreation(const FullArgs& args, FullOutcome* outcome,
                    const std::function<void(const CEncodingList&)>& onList);
