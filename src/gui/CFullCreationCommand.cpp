#include "gui/CFullCreationCommand.h"

#include "app/CFullCreationRun.h"
#include "gui/CAbortDlg.h"
#include "gui/CAutoCreateDlg.h"
#include "gui/CFullCreationDlg.h"
#include "gui/CMainDlg.h"
#include "settings/ProjectKeys.h"

CFullCreationCommand::CFullCreationCommand(CMainDlg& main) : m_main(main) {}

CFullCreationCommand::~CFullCreationCommand() = default;

void CFullCreationCommand::Run() {
    if (m_main.IsBusy() || m_bEncoding)
        return;
    if (m_main.GetFullCreation().Open() != QDialog::Accepted)
        return;
    Start();
}

bool CFullCreationCommand::Start() {
    CFullCreationDlg& dlg = m_main.GetFullCreation();
    FullCreationRunRequest request;
    request.source = dlg.GetInputFile();
    request.low = dlg.GetLowFile();
    request.fast = dlg.GetFastFile();
    request.saveCreation = dlg.GetUseSaveCreation();
    request.frameSize = dlg.GetFrameSize();
    request.lowCodec = dlg.GetLowOptions();
    request.fastCodec = dlg.GetFastOptions();
    // The oracle compares with this source and keeps its measurements in the
    // file the dialog names.
    CAutoCreateDlg& autoCreate = m_main.GetAutoCreate();
    autoCreate.m_strSourceFile = dlg.GetInputFile();
    autoCreate.m_strOracleFile = dlg.GetOracleFile();
    request.oracle = autoCreate.GetSettings();
    m_pRun = std::make_unique<CFullCreationRun>(m_main.GetJobs().GetWorker());
    const PrepareResult ready = m_pRun->Prepare(request);
    if (!ready.IsReady()) {
        // A failure has been told already; a refusal says what is wrong.
        if (ready.state == PrepareResult::EState::Refused)
            m_main.GetHost().ShowError(ready.text);
        m_pRun.reset();
        m_result = CJobResult::Failed(ready.text);
        return false;
    }
    m_main.Reset();
    // The project made from these movies remembers its source.
    m_main.GetSettingsStore().SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE,
                                        request.source);
    // An end left over from an earlier job would close the box at once.
    CAbortDlg& box = m_main.GetAbortDlg();
    while (box.HasPendingResult())
        box.ShowModal();
    m_bEncoding = true;
    m_bStopRequested = false;
    m_pRun->StartCreation([this](const CJobResult& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { OnEncodingEnded(result); }, Qt::QueuedConnection);
    });
    ShowWaitBox();
    Finish();
    return m_result.IsDone();
}

void CFullCreationCommand::ShowWaitBox() {
    CAbortDlg& box = m_main.GetAbortDlg();
    // Every step of the encoding ends the box; it shows again until the
    // whole encoding has ended.
    while (m_bEncoding) {
        const int result = box.ShowModal();
        if (result == CAbortDlg::RESULT_ABORT && m_bEncoding && !m_bStopRequested) {
            m_bStopRequested = true;
            m_main.GetJobs().GetWorker().RequestAbort();
        }
    }
}

void CFullCreationCommand::OnEncodingEnded(const CJobResult& result) {
    m_result = result;
    m_bEncoding = false;
    m_main.GetAbortDlg().End(0);
}

void CFullCreationCommand::Finish() {
    const std::string low = m_pRun->GetLowFile();
    const std::string fast = m_pRun->GetFastFile();
    m_pRun.reset(); // its jobs' registrations with it
    if (m_bStopRequested && m_result.IsDone()) {
        // The stop came after the last step had ended: nothing saw the abort
        // flag, which would stop the next job at once. A step of no work
        // takes it; the oracle is not wanted then.
        m_main.GetJobs().GetWorker().SubmitSequence([](CWorker&) { return CJobResult::Done(); });
        m_result = CJobResult::Stopped();
    }
    if (!m_result.IsDone()) {
        m_main.JobFinished();
        m_main.GetHost().SetStatusText(
            m_result.IsStopped()
                ? (m_main.GetFullCreation().GetUseSaveCreation()
                       ? "Stopped! The complete pieces stay for the next Full Creation of this movie."
                       : "Stopped! The LOW and FAST files are incomplete.")
                : "Full Creation failed!");
        return;
    }
    CIniFile& store = m_main.GetSettingsStore();
    for (const bool isLow : {true, false}) {
        const std::string& path = isLow ? low : fast;
        store.SetString(ProjectKeys::MOVIE_SETTINGS, isLow ? ProjectKeys::LOW_FILE : ProjectKeys::FAST_FILE,
                        path);
        m_main.LoadMovie(isLow, path);
    }
    m_main.PrepareAutoCreate();
    if (!m_main.StartAutoCreate())
        m_main.JobFinished();
}
