#include "gui/CDataBaseCommand.h"

#include "gui/CAbortDlg.h"
#include "gui/CDataBaseDlg.h"
#include "gui/CMainDlg.h"

CDataBaseCommand::CDataBaseCommand(CMainDlg& main) : m_main(main) {}

void CDataBaseCommand::Run() {
    if (m_main.IsBusy() || m_bCreating)
        return;
    CDataBaseDlg& dlg = m_main.GetDataBaseDlg();
    // Its questions belong to the dialog while it shows.
    m_main.GetHost().SetBoxParent(&dlg);
    const int result = dlg.Open(m_main.GetLanguage());
    m_main.GetHost().SetBoxParent(&m_main);
    if (result == CDataBaseDlg::RESULT_CREATE)
        Start();
}

bool CDataBaseCommand::Start() {
    CAbortDlg& box = m_main.GetAbortDlg();
    // An end left over from an earlier job would close the box at once.
    while (box.HasPendingResult())
        box.ShowModal();
    m_bCreating = true;
    m_result = CJobResult::Failed("the creation did not start");
    CWorker& worker = m_main.GetJobs().GetWorker();
    const bool started = m_main.GetDataBaseDlg().StartCreation(worker, [this](const CJobResult& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { OnCreationEnded(result); }, Qt::QueuedConnection);
    });
    if (!started) {
        m_bCreating = false;
        return false;
    }
    // Every part and every join ends the box; it shows again until the
    // whole creation has ended.
    bool stopping = false;
    while (m_bCreating) {
        if (box.ShowModal() == CAbortDlg::RESULT_ABORT && m_bCreating && !stopping) {
            stopping = true;
            worker.RequestAbort();
        }
    }
    m_main.GetDataBaseDlg().CreationEnded();
    return m_result.IsDone();
}

void CDataBaseCommand::OnCreationEnded(const CJobResult& result) {
    m_result = result;
    m_bCreating = false;
    m_main.GetAbortDlg().End(0);
}
