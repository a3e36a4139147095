#pragma once
// "Save Project Settings" and "Load Project Settings" of the main window:
// the file dialogs, and the load sequence (reset, the movies opened with
// their messages, the slider, the rows measured in their movies). A row
// whose movie cannot be opened is kept as it was read, unmeasured, so that
// saving the project again does not lose it.

#include <string>

class CMainDlg;

class CProjectCommands {
public:
    explicit CProjectCommands(CMainDlg& dlg) : m_dlg(dlg) {}

    void OnSaveProject();
    void OnLoadProject();

    // The store and the rows into `path`; false when it could not be written.
    bool SaveProject(const std::string& path);
    // The whole load sequence for `path`.
    void LoadProject(const std::string& path);

private:
    CMainDlg& m_dlg;
};
