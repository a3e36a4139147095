#pragma once
// The main window's "Data Base": the data base dialog, and when it ends with
// its create result the creation of the final movie from the imported data
// base on the worker while the wait box shows. Escape in the wait box and OK
// on the question stop the creation after its current frame; the files
// written so far are closed and the window stays open.

#include "media/CJobResult.h"

#include <QObject>

class CMainDlg;

class CDataBaseCommand : public QObject {
    Q_OBJECT
public:
    explicit CDataBaseCommand(CMainDlg& main);

    // The button: the dialog, and after its create result the creation.
    void Run();
    // The creation the dialog has prepared; returns when it has ended.
    // False when it did not start or did not end done.
    bool Start();

    const CJobResult& GetLastResult() const { return m_result; }

private:
    void OnCreationEnded(const CJobResult& result);

    CMainDlg& m_main;
    CJobResult m_result;
    bool m_bCreating = false;
};
