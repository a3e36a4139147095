#pragma once
// The data base dialog: the LOW and FAST compressors configured against an
// original movie, a movie data base exported from the main window's
// encoding list or imported from someone else, and the creation of the
// final movie from an imported one. The main window owns the dialog for its
// whole life, so the temp folder, the imported data base and its frame
// count survive between openings. The compressor records and their
// "configured" flags belong to the full creation dialog; this one shares
// them.
//
// Ending with RESULT_CREATE tells the main window to run the creation
// (StartCreation); every other way out ends with IDC_CLOSE.

#include "database/CDataBaseCreation.h"
#include "gui/CCompressorDlg.h"
#include "gui/CDialogControls.h"
#include "gui/CWidgetCaption.h"
#include "gui/FileDialogs.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "settings/CLanguage.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CEncodingList;
class CFullCreationDlg;
class CMovieDataBase;
class IHost;
struct CodecOptions;

class CDataBaseDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDC_CLOSE = 2,
        IDC_ORIGINAL_MOVIE = 1030,
        IDC_TEMP_DIR = 1031,
        IDC_HELP = 1037,
        IDC_CONFIGURE_FAST = 1041,
        IDC_EXPORT = 1099,
        IDC_CONFIGURE_LOW = 1100,
        IDC_IMPORT = 1101,
        IDC_CREATE = 1102,
        IDC_BROWSE = 1103,
        IDC_GROUP_EXPORT = 1104,
        IDC_STATUS = 1105,
        IDC_SET_CHECK_POINT_EXPORT = 1106,
        IDC_RESET_CHECK_POINTS_EXPORT = 1107,
        IDC_BROWSE_TEMP_DIR = 1108,
        IDC_SET_CHECK_POINT_IMPORT = 1109,
        IDC_RESET_CHECK_POINT_IMPORT = 1110,
        IDC_LABEL_TEMP_DIR = 1111,
        IDC_GROUP_SETTINGS = 1112,
        IDC_LABEL_ORIGINAL_MOVIE = 1113,
        IDC_GROUP_IMPORT = 1114,
        IDC_AUDIO_NOTE = -1,
    };
    static constexpr int RESULT_CREATE = 0;
    static constexpr const char* CHECK_POINT_TEXT =
        "Not supported in this version. Please wait for version 1.6";
    static constexpr const char* NOTHING_TO_CREATE = "Nothing created: the data base lists no interval.";
    static const char* const HELP_TEXT;
    static const char* const CODEC_WARNING;

    CDataBaseDlg(IHost& host, CFullCreationDlg& fullCreation, const CEncodingList& list, QWidget* parent);
    ~CDataBaseDlg() override;

    // Captions and the opening state (part of Open).
    void Prepare(const CLanguage& source);
    // Prepare, then the modal run; RESULT_CREATE or IDC_CLOSE.
    int Open(const CLanguage& source);

    // Runs the creation from the imported data base on the worker (after the
    // dialog ended with RESULT_CREATE). False, with nothing queued, when it
    // cannot start (a message said why, or the main window's status line
    // that there is no interval); `done`
    // hears the end of a started one on the worker thread.
    bool StartCreation(CWorker& worker, CWorker::JobDone done);
    // After the creation: the original movie is closed.
    void CreationEnded();

    // The reactions (public for the tests, as the clicks reach them).
    void UpdateControls();
    void OnBrowse();
    void OnBrowseTempDir();
    void OnConfigure(bool low);
    void OnExport();
    void OnImport();
    void OnCreate();
    void OnCheckPoint();
    void OnHelp();
    void OnClose();

    QWidget* GetControl(int id) const { return m_controls.Get(id); }
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // The compressor choice; by default the compressor dialog over this one.
    void SetCodecChooser(CCompressorDlg::Chooser chooser) { m_chooseCodec = std::move(chooser); }
    const std::string& GetTempDirectory() const { return m_strTempDirectory; }
    const std::string& GetOutputPath() const { return m_strOutput; }
    bool IsImported() const { return m_bImported; }
    bool OwnsStateBlocks() const { return m_bLowStateOwned || m_bFastStateOwned; }
    int32_t GetTotalFrames() const { return m_nTotalFrames; }
    const CMovieDataBase& GetDataBase() const { return *m_pBase; }

protected:
    void reject() override;

private:
    std::string MovieText() const;
    void SetStatus(const std::string& text);
    void EnableControls(std::initializer_list<int> ids, bool enable);
    std::string Choose(bool save, const char* filter, const char* extension, bool overwrite);

    IHost& m_host;
    CFullCreationDlg& m_fullCreation;
    const CEncodingList& m_list;
    CDialogControls m_controls;
    CWidgetCaption m_title{this};
    CLanguage m_language;
    FileChooser m_chooser;
    CCompressorDlg::Chooser m_chooseCodec;

    std::string m_strTempDirectory;
    int32_t m_nTotalFrames = 0;
    std::string m_strOutput;
    CAVIFile m_source;
    std::string m_strOriginalMovie;
    std::unique_ptr<CMovieDataBase> m_pBase;
    bool m_bImported = false;
    // The records own their state blocks; these say which ones came from
    // the last import, until "Close" lets them go.
    bool m_bLowStateOwned = false;
    bool m_bFastStateOwned = false;
    std::unique_ptr<CDataBaseCreation> m_pCreation;
};
