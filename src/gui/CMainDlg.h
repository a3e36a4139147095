#pragma once
// The main window: the two movies side by side with their navigation, the
// encoding list, the commands, and the job display. It binds small pieces
// together: the control table builds the widgets, the layout keeper places
// them, the core list, marks and navigation decide, the job controller runs
// the jobs and the host brings their calls to this thread.

#include "encoding/CEncodingList.h"
#include "encoding/CPartMarks.h"
#include "gui/CAbortDlg.h"
#include "gui/CAutoCreateDlg.h"
#include "gui/CDialogControls.h"
#include "gui/CFullCreationDlg.h"
#include "gui/CJobController.h"
#include "gui/CLayoutKeeper.h"
#include "gui/CMergeAvisDlg.h"
#include "gui/COptionsDlg.h"
#include "gui/CQtHost.h"
#include "gui/CWidgetCaption.h"
#include "gui/FileDialogs.h"
#include "media/MovieNavigation.h"
#include "settings/CIniFile.h"
#include "settings/CLanguage.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class CAVIFile;
class CDataBaseCommand;
class CDataBaseDlg;
class CEncodingListModel;
class CEncodingListView;
class CFullCreationCommand;
class CNativeSizeWindow;
class CPreviewScreen;
class CProjectCommands;
class QSlider;

// Where the program keeps Settings.ini and finds its language files.
struct MainDlgPaths {
    std::string settingsFile;              // "" : beside the program (or the user's config)
    std::vector<std::string> languageDirs; // empty: beside the program, then installed
};

class CMainDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* TITLE = "Flintmoor 1.5";

    explicit CMainDlg(const MainDlgPaths& paths = MainDlgPaths(), QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Start-up: settings, controls and layout, language, threads.
    void OnInitDialog();

    void JobStarted();
    void JobFinished();
    bool IsBusy() const { return m_bBusy; }
    void Refresh(bool redraw);
    void SelectRowAt(int32_t frame);
    // Opens `path` into the LOW or FAST slot; the slot keeps its movie when
    // the path does not open (after the message).
    bool LoadMovie(bool low, const std::string& path);
    void Reset();
    void ApplyLanguage();

    // Navigation: the common end of every move, and the commands.
    void MoveTo(int32_t frame);
    void Navigate(ENavigation command);
    void OnSliderReleased();

    void OnSelectMovie(bool low);
    void OnStartCreating();
    void OnAutoCreate();
    // The two steps of the Auto Create command around its dialog: the
    // proposals and project values, and the oracle job with the values.
    void PrepareAutoCreate();
    bool StartAutoCreate();
    void OnMergeAvis();
    void OnFullCreation();
    void OnSetStart();
    void OnSetEnd();
    void OnAddPart(bool fast);
    void OnDeleteRow(int row);
    void OnReselectRow(int row);
    void OnToggleRow(int row);
    void OnScreenClicked(bool low);
    void OnOptions();
    void OnAbout();
    void OnDataBase();
    void OnLoadProject();
    void OnSaveProject();
    // Project files and movies given on the command line or dropped: one
    // project, or a LOW and then a FAST movie. `slot`: 0 LOW, 1 FAST, -1 by order.
    void OpenFiles(const QStringList& paths, int slot = -1);

    int32_t GetCurrentFrame() const;
    CAVIFile& GetMovie(bool low) { return low ? *m_pLow : *m_pFast; }
    CIniFile& GetSettingsStore() { return m_store; }
    CEncodingList& GetEncodingList() { return m_list; }
    CPartMarks& GetMarks() { return m_marks; }
    CQtHost& GetHost() { return m_host; }
    CJobController& GetJobs() { return *m_pJobs; }
    COptionsDlg& GetOptions() { return m_options; }
    CDataBaseDlg& GetDataBaseDlg() { return *m_pDataBase; }
    CDataBaseCommand& GetDataBaseCommand() { return *m_pDataBaseCommand; }
    CAbortDlg& GetAbortDlg() { return m_abort; }
    CAutoCreateDlg& GetAutoCreate() { return m_autoCreate; }
    CMergeAvisDlg& GetMergeAvis() { return m_mergeAvis; }
    CFullCreationDlg& GetFullCreation() { return m_fullCreation; }
    CFullCreationCommand& GetFullCreationCommand() { return *m_pFullCreation; }
    CLanguage& GetLanguage() { return m_language; }
    const CDialogControls& GetControls() const { return m_controls; }
    CPreviewScreen* GetScreen(bool low) const;
    CNativeSizeWindow* GetNativeWindow(bool low) const { return low ? m_pNativeLow : m_pNativeFast; }
    CEncodingListView* GetListView() const;
    QSlider* GetSlider() const;
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    std::string ChooseFile(const FileDialogRequest& request);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void ConnectControls();
    void ConnectHost();
    void ConnectFullCreation();
    void LoadProgramSettings();
    void ArrangeScreens();
    void SetFieldText(int id, const QString& text);
    void EnableControl(int id, bool enable);
    void UpdateTotalSize();

    MainDlgPaths m_paths;
    CQtHost m_host;
    std::unique_ptr<CAVIFile> m_pLow;
    std::unique_ptr<CAVIFile> m_pFast;
    CIniFile m_programSettings;
    CIniFile m_store;
    CEncodingList m_list;
    CPartMarks m_marks;
    CLanguage m_language;
    CWidgetCaption m_title{this};
    CDialogControls m_controls;
    CLayoutKeeper m_layout;
    COptionsDlg m_options;
    CAbortDlg m_abort;
    CAutoCreateDlg m_autoCreate;
    CMergeAvisDlg m_mergeAvis;
    CFullCreationDlg m_fullCreation;
    std::unique_ptr<CFullCreationCommand> m_pFullCreation;
    std::unique_ptr<CEncodingListModel> m_pModel;
    std::unique_ptr<CProjectCommands> m_pProject;
    std::unique_ptr<CDataBaseDlg> m_pDataBase;
    std::unique_ptr<CDataBaseCommand> m_pDataBaseCommand;
    CNativeSizeWindow* m_pNativeLow = nullptr;
    CNativeSizeWindow* m_pNativeFast = nullptr;
    FileChooser m_chooser;
    bool m_bBusy = false;
    bool m_bInitialised = false;
    bool m_bClosing = false;
    // Last: its threads stop before anything they use goes away.
    std::unique_ptr<CJobController> m_pJobs;
};
