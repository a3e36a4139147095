#include "app/COracleAndSave.h"

#include "media/IHost.h"
#include "oracle/OracleJob.h"
#include "platform/FileIdentity.h"
#include "settings/ProjectKeys.h"

COracleAndSave::COracleAndSave(CWorker& worker)
    : m_worker(worker), m_oracle(worker.GetHost()),
      m_sink(m_list, m_oracle.GetFiles().GetLowFile(), m_oracle.GetFiles().GetFastFile()) {}

PrepareResult COracleAndSave::Prepare(const OracleAndSaveRequest& request, const CIniFile& store) {
    m_request = request;
    m_store.Clear();
    m_store.Merge(store);
    OracleStartSettings& settings = m_request.settings;
    COracleStart::Prepare(settings, request.low, m_store);
    // The oracle file and the project are written: neither may be a movie.
    for (const std::string& movie :
         {request.low, request.fast, settings.useSourceMovie ? settings.sourceFile : ""}) {
        if (IsSameFile(settings.oracleFile, movie))
            return PrepareResult::Refused("the oracle file must not be the movie " + movie);
        if (IsSameFile(request.project, movie))
            return PrepareResult::Refused("the project file must not be the movie " + movie);
    }
    if (IsSameFile(settings.oracleFile, request.project))
        return PrepareResult::Refused("the oracle file and the project file must be two different files");
    if (!COracleStart::Start(m_worker.GetHost(), m_oracle, settings, request.low, request.fast, m_store))
        return PrepareResult::Failed("the movies do not open in the oracle");
    return PrepareResult::Ready();
}

CJobResult COracleAndSave::Run() {
    const CJobRegistration registration = RegisterOracleJob(m_worker, m_oracle, m_sink);
    const CJobResult result = m_worker.RunInline(COracleStart::Request(m_request.settings));
    if (!result.IsDone())
        return result;
    // The window's store always holds the slider position; a project made
    // here opens at the first frame.
    int32_t slider = 0;
    if (!m_store.GetInt(ProjectKeys::SLIDER, ProjectKeys::VALUE, slider))
        m_store.SetInt(ProjectKeys::SLIDER, ProjectKeys::VALUE, 0);
    m_store.SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::LOW_FILE, m_request.low);
    m_store.SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::FAST_FILE, m_request.fast);
    if (!COracleStart::SaveProject(m_store, m_list, m_request.project)) {
        const std::string reason = "Cannot write the project file " + m_request.project;
        m_worker.GetHost().ShowError(reason);
        return CJobResult::Failed(reason);
    }
    return result;
}

void COracleAndSave::Start(CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.SubmitSequence([this](CWorker&) { return Run(); }, std::move(done));
}

COracleAndSave::Counts COracleAndSave::GetCounts() const {
    Counts counts;
    for (const OracleInterval& interval : m_oracle.GetIntervals()) {
        if (interval.choice == OracleInterval::CHOICE_LOW)
            ++counts.lowIntervals;
        else if (interval.choice == OracleInterval::CHOICE_FAST)
            ++counts.fastIntervals;
    }
    return counts;
}
