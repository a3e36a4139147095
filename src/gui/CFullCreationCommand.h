#pragma once
// The main window's "Full Creation": the Full Creation dialog, then the
// LOW and FAST files encoded on the worker (whole, or in resumable pieces)
// while the wait box shows, then both movies loaded into the window and the
// oracle started on them with the Auto Create dialog's values, without that
// dialog, so that the window's list fills while the user watches.
//
// Escape in the wait box and OK on the question stop the encoding at its
// next frame: its files are closed, the complete pieces of the save way stay
// for the next run on the same source, and the window stays open.

#include "media/CJobResult.h"

#include <QObject>

#include <memory>

class CFullCreationRun;
class CMainDlg;

class CFullCreationCommand : public QObject {
    Q_OBJECT
public:
    explicit CFullCreationCommand(CMainDlg& main);
    ~CFullCreationCommand() override;

    // The button: the dialog, and after its OK the creation.
    void Run();
    // The creation with what the dialog holds; returns when the encoding
    // has ended (the oracle may still run then). False when it did not
    // start or did not end done.
    bool Start();

    // How the last encoding ended.
    const CJobResult& GetLastResult() const { return m_result; }
    bool IsEncoding() const { return m_bEncoding; }

private:
    void OnEncodingEnded(const CJobResult& result);
    void ShowWaitBox();
    void Finish();

    CMainDlg& m_main;
    std::unique_ptr<CFullCreationRun> m_pRun;
    CJobResult m_result;
    bool m_bEncoding = false;
    bool m_bStopRequested = false;
};
