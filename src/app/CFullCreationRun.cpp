#include "app/CFullCreationRun.h"

#include "creation/FullCreationNames.h"
#include "media/IHost.h"
#include "platform/FileIdentity.h"
#include "settings/CIniFile.h"
#include "settings/ProjectKeys.h"

#include <algorithm>
#include <utility>
#include <vector>

CFullCreationRun::CFullCreationRun(CWorker& worker)
    : m_worker(worker), m_creation(worker), m_oracle(worker) {}

PrepareResult CFullCreationRun::Prepare(const FullCreationRunRequest& request) {
    m_request = request;
    m_creationRequest.inputFile = request.source;
    m_creationRequest.lowFile =
        request.low.empty() ? FullCreationNames::LowFile(request.source) : request.low;
    m_creationRequest.fastFile =
        request.fast.empty() ? FullCreationNames::FastFile(request.source) : request.fast;
    m_creationRequest.saveCreation = request.saveCreation;
    // As the dialog does: a smaller piece size becomes the smallest one.
    m_creationRequest.frameSize = std::max(request.frameSize, CFullCreation::MIN_FRAME_SIZE);
    CIniFile store;
    store.SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, request.source);
    COracleStart::Prepare(m_request.oracle, m_creationRequest.lowFile, store);

    // Every file the run writes must differ from the source and from each other.
    const std::vector<std::pair<std::string, std::string>> written = {
        {"the LOW file", m_creationRequest.lowFile},
        {"the FAST file", m_creationRequest.fastFile},
        {"the oracle file", m_request.oracle.oracleFile},
        {"the project file", request.project},
        {"the output", request.output}};
    for (size_t i = 0; i < written.size(); ++i) {
        if (IsSameFile(written[i].second, request.source))
            return PrepareResult::Refused(written[i].first + " must not be the source " + request.source);
        for (size_t j = i + 1; j < written.size(); ++j)
            if (IsSameFile(written[i].second, written[j].second))
                return PrepareResult::Refused(written[i].first + " and " + written[j].first +
                                              " must be two different files");
    }
    return PrepareResult::Ready();
}

CJobResult CFullCreationRun::Run() {
    const CJobResult created = m_creation.Run(m_creationRequest, m_request.lowCodec, m_request.fastCodec);
    if (!created.IsDone())
        return created;
    CIniFile store;
    store.SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, m_request.source);
    OracleAndSaveRequest oracle{m_request.oracle, m_creationRequest.lowFile, m_creationRequest.fastFile,
                                m_request.project};
    const PrepareResult ready = m_oracle.Prepare(oracle, store);
    if (!ready.IsReady())
        return CJobResult::Failed(ready.text);
    const CJobResult measured = m_oracle.Run();
    if (!measured.IsDone() || m_request.output.empty() || !m_worker.PassPauseGate())
        return m_worker.IsAbortSet() ? CJobResult::Stopped() : measured;
    m_assembly = std::make_unique<CProjectAssembly>(m_worker);
    const PrepareResult assembly = m_assembly->Prepare({m_request.project, m_request.output, "", ""});
    if (!assembly.IsReady())
        return CJobResult::Failed(assembly.text);
    return m_assembly->Run();
}

void CFullCreationRun::Start(CWorker::JobDone done) {
    m_worker.GetHost().JobStarted();
    m_worker.SubmitSequence([this](CWorker&) { return Run(); }, std::move(done));
}

void CFullCreationRun::StartCreation(CWorker::JobDone done) {
    m_creation.Start(m_creationRequest, m_request.lowCodec, m_request.fastCodec, std::move(done));
}

const std::vector<std::string>& CFullCreationRun::GetWarnings() const {
    static const std::vector<std::string> none;
    return m_assembly ? m_assembly->GetWarnings() : none;
}
