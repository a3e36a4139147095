#include "creation/COracleStart.h"

#include "creation/FullCreationNames.h"
#include "encoding/CEncodingList.h"
#include "jobs/CWorker.h"
#include "media/IHost.h"
#include "oracle/COracle.h"
#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"
#include "settings/ProjectKeys.h"

using namespace ProjectKeys;

OracleStartSettings OracleStartSettings::Defaults(bool useSourceMovie) {
    OracleStartSettings settings;
    settings.useSourceMovie = useSourceMovie;
    settings.oracleValue = useSourceMovie ? 5.0 : 0.0;
    settings.comparisonValue = useSourceMovie ? 1.0 : 0.0;
    return settings;
}

void COracleStart::Prepare(OracleStartSettings& settings, const std::string& lowFile, const CIniFile& store) {
    if (settings.oracleFile.empty())
        settings.oracleFile = FullCreationNames::OracleFileForLow(lowFile);
    float value = 0.0f;
    if (store.GetFloat(MOVIE_SETTINGS, ORACLE_VALUE, value))
        settings.oracleValue = value;
    if (store.GetFloat(MOVIE_SETTINGS, COMPARISON_VALUE, value))
        settings.comparisonValue = value;
    std::string source;
    if (store.GetString(MOVIE_SETTINGS, ORIGINAL_FILE, source))
        settings.sourceFile = source;
}

CJobRequest COracleStart::Request(const OracleStartSettings& settings) {
    CJobRequest request = CJobRequest::Of(JobKind::JOB_ORACLE);
    OracleParameters& parameters = request.oracle;
    parameters.strOracleFile = settings.oracleFile;
    parameters.dOracleValue = settings.oracleValue;
    parameters.dComparisonValue = settings.comparisonValue;
    parameters.bSizeLimit = settings.limitFlag;
    parameters.dSizeLimitKBytes = settings.limitKBytes;
    return request;
}

bool COracleStart::Start(IHost& host, COracle& oracle, const OracleStartSettings& settings,
                         const std::string& lowFile, const std::string& fastFile, CIniFile& store) {
    COracleInputs& files = oracle.GetFiles();
    if (!files.OpenLow(lowFile) || !files.OpenFast(fastFile))
        return false;
    if (settings.useSourceMovie && settings.sourceFile.empty()) {
        host.ShowError("No source movie to compare with: give one or compare without it.");
        return false;
    }
    // Without the source a stale one from an earlier run must not be read.
    if (!files.OpenSource(settings.useSourceMovie ? settings.sourceFile : std::string()) &&
        settings.useSourceMovie)
        return false;
    oracle.SetPrecisionMode(settings.precisionMode);
    oracle.SetUseSourceMovie(settings.useSourceMovie);

    store.SetString(MOVIE_SETTINGS, ORIGINAL_FILE, settings.sourceFile);
    store.SetString(MOVIE_SETTINGS, ORACLE_FILE, settings.oracleFile);
    store.SetFloat(MOVIE_SETTINGS, ORACLE_VALUE, static_cast<float>(settings.oracleValue));
    store.SetFloat(MOVIE_SETTINGS, COMPARISON_VALUE, static_cast<float>(settings.comparisonValue));
    return true;
}

bool COracleStart::SaveProject(const CIniFile& store, const CEncodingList& list, const std::string& path) {
    std::vector<ProjectRow> rows;
    for (const EncodingPart& part : list.Rows())
        rows.push_back({part.cells[COLUMN_START], part.cells[COLUMN_END], part.cells[COLUMN_ENCODING]});
    return CProjectFile::Save(store, rows, path);
}
