#pragma once
// "Run the oracle and save the project", as the Auto Create command does:
// the movies open in the oracle, the oracle job fills the encoding list, and
// the list is saved with the movies and the oracle's settings into the
// project file. Prepare runs on the calling thread; Run on the worker thread
// (Start queues it there). A stopped or failed run writes no project and
// leaves no oracle file of its own.

#include "app/PrepareResult.h"
#include "creation/COracleStart.h"
#include "encoding/CEncodingList.h"
#include "jobs/CWorker.h"
#include "media/CJobResult.h"
#include "oracle/CEncodingListSink.h"
#include "oracle/COracle.h"
#include "settings/CIniFile.h"

#include <string>

struct OracleAndSaveRequest {
    OracleStartSettings settings; // the oracle file proposed from the LOW file when empty
    std::string low;
    std::string fast;
    std::string project;
};

class COracleAndSave {
public:
    struct Counts {
        int lowIntervals = 0;
        int fastIntervals = 0;
    };

    explicit COracleAndSave(CWorker& worker);

    // `store` holds what the project is saved with besides the oracle's keys
    // (say the source movie's name); it is copied. Refuses an oracle file or
    // project that is one of the movies, or the two being one file; opens
    // the movies in the oracle.
    PrepareResult Prepare(const OracleAndSaveRequest& request, const CIniFile& store = CIniFile());

    CJobResult Run();
    void Start(CWorker::JobDone done);

    const CEncodingList& GetList() const { return m_list; }
    // LOW and FAST intervals of the last run.
    Counts GetCounts() const;
    bool MissedSizeTarget() const { return m_oracle.MissedSizeTarget(); }
    // The settings after Prepare (with the proposed oracle file).
    const OracleStartSettings& GetSettings() const { return m_request.settings; }

private:
    CWorker& m_worker;
    OracleAndSaveRequest m_request;
    CIniFile m_store;
    CEncodingList m_list;
    COracle m_oracle;
    CEncodingListSink m_sink;
};
