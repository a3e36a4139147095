#pragma once
// The "Merge different AVIs together" dialog: the movies to join, in the
// order they follow each other in the merged file, and whether short audio
// is padded with silence. The list starts empty at every opening; the
// main window takes fileList and syncAudio when the dialog ends with OK.

#include "gui/CDialogControls.h"
#include "gui/CWidgetCaption.h"
#include "settings/CLanguage.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class IHost;
class QTreeWidget;

class CMergeAvisDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDC_START = 1002,
        IDC_SELECT_FILES = 1003,
        IDC_UP = 1004,
        IDC_DOWN = 1005,
        IDC_HELP = 1037,
        IDC_FILE_LIST = 1068,
        IDC_FIRST = 1070,
        IDC_LAST = 1071,
        IDC_CHECK_AVI = 1072,
        IDC_SYNC = 1077,
        IDC_GROUP = 1082,
    };
    // Chooses several existing files; empty on Cancel.
    using FilesChooser = std::function<QStringList()>;

    CMergeAvisDlg(IHost& host, QWidget* parent = nullptr);

    // The paths taken by the last Start, top to bottom.
    std::vector<std::string> fileList;
    bool syncAudio = true;

    // Localises, empties the list, ticks the synchronise box and shows the
    // dialog modally; Accepted after Start.
    int Open(const CLanguage& source);
    void OnInitDialog(const CLanguage& source);

    void OnSelectFiles();
    void AddFile(const QString& path);
    void OnStart();
    void OnHelp();
    void OnFirst();
    void OnUp();
    void OnDown();
    void OnLast();
    void OnCheckAvi();
    void OnSyncClicked();
    // A key in the list; true when it was a command.
    bool OnListKeyDown(int key);

    QStringList GetRows() const;
    QTreeWidget* GetList() const { return m_pList; }
    QWidget* GetControl(int id) const { return m_controls.Get(id); }
    // Replaces the open dialog of Select Files (tests).
    void SetFilesChooser(FilesChooser chooser) { m_chooser = std::move(chooser); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The first selected row, -1 for none.
    int SelectedRow() const;
    // Moves the row one place up or down with its selection; false at the end.
    bool MoveSelected(int step);

    IHost& m_host;
    CDialogControls m_controls;
    CWidgetCaption m_title{this};
    CLanguage m_language;
    QTreeWidget* m_pList = nullptr;
    FilesChooser m_chooser;
};
