#pragma once
// Starting the oracle as the Auto Create command does, without its dialog:
// the settings with their defaults, the preparation from the settings store,
// handing the files and values to the oracle and the worker, and saving the
// resulting encoding list into a project file.

#include "jobs/CJobRequest.h"

#include <cstdint>
#include <string>

class CEncodingList;
class CIniFile;
class COracle;
class IHost;

struct OracleStartSettings {
    std::string sourceFile;
    bool useSourceMovie = true;
    std::string oracleFile;
    double oracleValue = 5.0;
    double comparisonValue = 1.0;
    int32_t precisionMode = 1;
    bool limitFlag = false;
    double limitKBytes = 0.0;

    // 5.00 and 1.00 when comparing against the source, else 0.00 and 0.00.
    static OracleStartSettings Defaults(bool useSourceMovie);
};

class COracleStart {
public:
    static constexpr int32_t MIN_PRECISION = 1;
    static constexpr int32_t MAX_PRECISION = 6;

    // Proposes the oracle file from the LOW file when it is empty, then takes
    // "Oracle Value", "Comparison Value" and "Original-File" from the store's
    // "Movie Settings" when present.
    static void Prepare(OracleStartSettings& settings, const std::string& lowFile, const CIniFile& store);

    // Opens the LOW, FAST (and with useSourceMovie the source) file in the
    // oracle, hands it the precision and writes the oracle's keys into the
    // store. False when a file does not open (the AVI layer has said why);
    // the job must not run then.
    static bool Start(IHost& host, COracle& oracle, const OracleStartSettings& settings,
                      const std::string& lowFile, const std::string& fastFile, CIniFile& store);
    // The oracle job's request with the settings' parameters.
    static CJobRequest Request(const OracleStartSettings& settings);

    // The store plus the list's rows as a project file. False when it could
    // not be written.
    static bool SaveProject(const CIniFile& store, const CEncodingList& list, const std::string& path);
};
