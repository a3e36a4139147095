#include "gui/CJobController.h"

#include "encoding/CEncodingList.h"
#include "jobs/CAssembleJob.h"
#include "jobs/CPriorityControl.h"
#include "jobs/JobKind.h"
#include "media/IHost.h"
#include "oracle/CEncodingListSink.h"
#include "oracle/OracleJob.h"

CJobController::CJobController(IHost& host, ITimeListener& listener)
    : m_host(host), m_worker(host), m_oracle(host) {
    m_timer.SetListener(&listener);
    m_worker.SetProgressTimer(&m_timer);
    m_timerThread.SetJob(&m_timer);
    m_workerThread.SetJob(&m_worker);
}

CJobController::~CJobController() {
    Shutdown();
}

void CJobController::Start() {
    m_timerThread.Start();
    m_workerThread.Start();
    m_pPriority = std::make_unique<CPriorityControl>(m_workerThread, m_worker.GetPauseGate());
}

bool CJobController::Submit(const CJobRequest& request) {
    m_host.JobStarted();
    m_worker.Submit(request);
    return true;
}

bool CJobController::StartAssembly(const std::string& output, const std::string& low, const std::string& fast,
                                   int32_t framesPerSecond, const CEncodingList& list) {
    if (m_bShutdown || !m_worker.OpenInputs(low, fast, ""))
        return false;
    if (!m_worker.SetOutput(output, framesPerSecond)) {
        m_worker.CloseFile(CWorker::FILE_LOW);
        m_worker.CloseFile(CWorker::FILE_FAST);
        return false;
    }
    m_pAssemble = std::make_unique<CAssembleJob>(m_worker, list, m_worker.GetFile(CWorker::FILE_LOW),
                                                 m_worker.GetFile(CWorker::FILE_FAST));
    // The worker's copies of the movies stay open until the next job or the
    // end of the program opens or closes its slots.
    m_pAssemble->Register();
    return Submit(CJobRequest::Of(JobKind::JOB_ASSEMBLE));
}

bool CJobController::StartOracle(const OracleStartSettings& settings, const std::string& low,
                                 const std::string& fast, CIniFile& store, CEncodingList& list) {
    if (m_bShutdown || !COracleStart::Start(m_host, m_oracle, settings, low, fast, store))
        return false;
    m_oracleRegistration.Reset();
    m_pSink = std::make_unique<CEncodingListSink>(list, m_oracle.GetFiles().GetLowFile(),
                                                  m_oracle.GetFiles().GetFastFile());
    m_oracleRegistration = RegisterOracleJob(m_worker, m_oracle, *m_pSink);
    return Submit(COracleStart::Request(settings));
}

bool CJobController::StartMerge(const MergeFilesRequest& request) {
    if (m_bShutdown)
        return false;
    if (!m_pMerge)
        m_pMerge = std::make_unique<CMergeFiles>(m_worker);
    const PrepareResult prepared = m_pMerge->Prepare(request);
    if (prepared.state == PrepareResult::EState::Refused)
        m_host.ShowError(prepared.text);
    if (!prepared.IsReady())
        return false;
    m_pMerge->Start({});
    return true;
}

bool CJobController::ChoosePriority(const std::string& entry) {
    return m_pPriority && m_pPriority->Choose(entry);
}

void CJobController::Shutdown() {
    if (m_bShutdown)
        return;
    m_bShutdown = true;
    m_worker.RequestAbort();
    m_workerThread.Stop();
    m_timer.RequestStop();
    m_timerThread.Stop();
    for (int slot = 0; slot < CWorker::FILE_SLOT_COUNT; ++slot)
        m_worker.CloseFile(static_cast<CWorker::EFileSlot>(slot));
}
