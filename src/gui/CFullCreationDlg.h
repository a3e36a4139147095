#pragma once
// The Full Creation dialog: the source movie, the names of the LOW, FAST
// and oracle files, the two compressor records, the oracle's values and the
// resumable ("save") way, in five numbered steps that open one after the
// other: the output names and codec buttons need a source that opens as an
// AVI file, the oracle and start controls need both compressors chosen.
//
// The dialog lives as long as the main window and keeps its values between
// openings. It also holds the LOW and FAST compressor records with their
// "configured" flags, which the data base dialog reads and writes too; the
// records are zeroed once per program run, by the first PrepareOptionRecords
// (this dialog's first opening or the data base dialog's first compressor
// configuration).

#include "gui/CCompressorDlg.h"
#include "gui/CDialogControls.h"
#include "gui/CWidgetCaption.h"
#include "gui/FileDialogs.h"
#include "platform/CodecOptions.h"
#include "settings/CLanguage.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class CAutoCreateDlg;
class CIniFile;
class IHost;

class CFullCreationDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDC_GROUP_INPUT = 1083,
        IDC_CHOOSE_INPUT = 1041,
        IDC_INPUT_FILE = 1030,
        IDC_GROUP_OUTPUT = 1047,
        IDC_CHOOSE_LOW_FILE = 1044,
        IDC_LOW_FILE = 1035,
        IDC_CHOOSE_FAST_FILE = 1045,
        IDC_FAST_FILE = 1036,
        IDC_GROUP_CODECS = 1048,
        IDC_CHOOSE_LOW_CODEC = 1031,
        IDC_CHOOSE_FAST_CODEC = 1033,
        IDC_GROUP_ORACLE = 1049,
        IDC_CHANGE_ORACLE_VALUE = 1042,
        IDC_CHOOSE_ORACLE_FILE = 1043,
        IDC_ORACLE_FILE = 1034,
        IDC_GROUP_START = 1051,
        IDC_START_CREATION = 1032,
        IDC_USE_SAVE_CREATION = 1097,
        IDC_FRAME_SIZE_LABEL = 1098,
        IDC_FRAME_SIZE = 1037,
        IDC_AUDIO_NOTE = 1052,
        IDC_CANCEL = 2
    };
    static constexpr const char* TITLE = "Full Automatic DivX :-) Creation with Low- and Fast-Motion";
    static constexpr int32_t MIN_FRAME_SIZE = 200;

    // What the dialog needs of its main window.
    struct Context {
        CIniFile* store = nullptr;           // the main window's settings store
        IHost* host = nullptr;               // where an open failure is told
        const CLanguage* language = nullptr; // the source of the captions
        FileChooser chooseFile;              // the open and save dialogs
        CCompressorDlg::Chooser chooseCodec; // the compressor dialog
        // The Auto Create dialog: "Change Oracle Value" shows it with its
        // file rows locked, and its oracle file follows the oracle file edit.
        CAutoCreateDlg* autoCreate = nullptr;
    };

    explicit CFullCreationDlg(QWidget* parent = nullptr);
    void SetContext(Context context) { m_context = std::move(context); }
    Context& GetContext() { return m_context; }

    // Prepares the opening (OnInitDialog), then the modal run.
    int Open();
    void OnInitDialog();

    // The compressor records and their flags, shared with the data base dialog.
    void PrepareOptionRecords();
    CodecOptions& GetLowOptions() { return m_lowOptions; }
    CodecOptions& GetFastOptions() { return m_fastOptions; }
    CodecOptions& GetOptions(bool fast) { return fast ? m_fastOptions : m_lowOptions; }
    bool IsConfigured(bool fast) const { return fast ? m_bFastConfigured : m_bLowConfigured; }
    void SetConfigured(bool fast, bool configured);
    bool IsFirstOpening() const { return m_bFirstOpening; }
    // An import replaces the records: they must not be zeroed any more.
    void ClearFirstOpening() { m_bFirstOpening = false; }

    // What the creation takes after OK.
    const std::string& GetInputFile() const { return m_strInputFile; }
    const std::string& GetLowFile() const { return m_strLowFile; }
    const std::string& GetFastFile() const { return m_strFastFile; }
    const std::string& GetOracleFile() const { return m_strOracleFile; }
    int32_t GetFrameSize() const { return m_nFrameSize; }
    bool GetUseSaveCreation() const { return m_bUseSaveCreation; }

    // The handlers of the controls.
    void OnChooseInput();
    void OnInputChanged();
    void OnChooseLowFile();
    void OnChooseFastFile();
    void OnChooseOracleFile();
    void OnOracleFileChanged();
    void OnChooseLowCodec() { ChooseCodec(false); }
    void OnChooseFastCodec() { ChooseCodec(true); }
    void OnChangeOracleValue();
    void OnUseSaveCreation();
    void OnStartCreation();

    QWidget* GetControl(int id) const { return m_controls.Get(id); }
    QString GetText(int id) const;
    void SetText(int id, const QString& text);

private:
    void ConnectControls();
    void SetDefaultNames();
    void CheckInput();
    void EnableOutputs(bool on);
    void EnableStart(bool on);
    void ChooseCodec(bool fast);
    // A save dialog for an output name kept in `field` and shown in edit `id`.
    void ChooseOutputName(int id, std::string& field, const char* filter, const char* extension,
                          bool overwritePrompt);

    Context m_context;
    CDialogControls m_controls;
    CWidgetCaption m_title{this};
    CLanguage m_language;

    std::string m_strInputFile;
    std::string m_strLowFile;
    std::string m_strFastFile;
    std::string m_strOracleFile;
    int32_t m_nFrameSize = MIN_FRAME_SIZE;
    bool m_bUseSaveCreation = false;
    bool m_bLowConfigured = false;
    bool m_bFastConfigured = false;
    bool m_bFirstOpening = true;
    CodecOptions m_lowOptions;
    CodecOptions m_fastOptions;
};
