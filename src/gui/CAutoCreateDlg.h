#pragma once
// The "Auto Create Encoding List" dialog: the oracle's settings (source
// movie, oracle file, Oracle and Comparison Value, size limit, precision)
// and, after a run, the quality view of the oracle file's values. The main
// window owns it for its whole life, so the values carry over from one
// opening to the next; the full creation dialog opens the same object with
// the file rows locked.
//
// The value edits are what counts: a typed value is kept as typed (also
// beyond the slider's range, where the slider only shows its end), and a
// released slider writes its position into the edit.

#include "creation/COracleStart.h"
#include "gui/CDialogControls.h"
#include "gui/CWidgetCaption.h"
#include "gui/FileDialogs.h"
#include "settings/CLanguage.h"

#include <QDialog>

#include <cstdint>
#include <string>

class CAVIFile;
class CEncodingList;
class CIniFile;
class CQualityChart;
class IHost;

class CAutoCreateDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDC_START = 1,
        IDC_CANCEL = 2,
        IDC_LIMIT = 1030,
        IDC_BROWSE_SOURCE = 1033,
        IDC_ORACLE_FILE = 1034,
        IDC_ORACLE_SLIDER = 1035,
        IDC_ORACLE_VALUE = 1036,
        IDC_HELP = 1037,
        IDC_SOURCE_FILE = 1038,
        IDC_BROWSE_ORACLE = 1039,
        IDC_COMPARISON_SLIDER = 1040,
        IDC_COMPARISON_VALUE = 1041,
        IDC_SOURCE_LABEL = 1054,
        IDC_ORACLE_LABEL = 1055,
        IDC_USE_LIMIT = 1075,
        IDC_KBYTES = 1076,
        IDC_USE_SOURCE = 1077,
        IDC_GROUP = 1084,
        IDC_MORE_FAST = 1085,
        IDC_MORE_LOW = 1086,
        IDC_ORACLE_LABEL_VALUE = 1087,
        IDC_COMPARISON_LABEL = 1088,
        IDC_NO_DIFFERENCE = 1089,
        IDC_FULL_DIFFERENCE = 1090,
        IDC_PRECISION = 1092,
        IDC_PRECISION_LABEL = 1093,
    };
    // The precision entries, in list order; entry i sets PrecisionMode i + 1.
    static const char* const PRECISION_ENTRIES[6];

    CAutoCreateDlg(IHost& host, QWidget* parent = nullptr);
    ~CAutoCreateDlg() override;

    // The values, as the main window and the full creation dialog read and
    // set them between openings.
    int32_t PrecisionMode = 1;
    bool useSourceMovie = true;
    double m_dLimit = 0.0; // KBytes
    bool m_bLimit = false;
    std::string m_strSourceFile;
    std::string m_strOracleFile;
    float oracleValue = 5.0f;
    float comparisonValue = 1.0f;

    // The full creation dialog locks the file rows while it shows this one.
    void SetFilesLocked(bool locked) { m_bFilesLocked = locked; }
    bool GetFilesLocked() const { return m_bFilesLocked; }
    // The defaults again, as a loaded project wants them.
    void ResetForProject();

    // The main window's preparation: the oracle file proposed from the LOW
    // file when empty, then the project's values from `store`.
    void Prepare(const std::string& lowFile, const CIniFile& store);
    // The values as the oracle start takes them.
    OracleStartSettings GetSettings() const;

    // Localises, fills the controls and shows the dialog modally; Accepted
    // when the user pressed "Start".
    int Open(const CLanguage& source);
    // Localising and filling the controls (the first part of Open).
    void InitDialog(const CLanguage& source);

    // The quality view: the values of the oracle file per interval of the
    // LOW movie with the list's choice; hidden when the file holds none.
    void LoadQuality(const CAVIFile& low, const CEncodingList& list);
    CQualityChart* GetChart() const { return m_pChart; }

    // "%f" cut (not rounded) after the second decimal: 5.00, -12.50, 0.45.
    static QString FormatValue(double value);

    QWidget* GetControl(int id) const { return m_controls.Get(id); }
    // Replaces the browse dialogs (tests).
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

signals:
    // A click on an interval of the quality view: its first frame.
    void frameChosen(int frame);

private:
    void ConnectControls();
    void ApplySourceRule();
    void RefreshEdits();
    void SetDefaultValues();
    void EnableFileRows();
    void OnValueEdited(int editId, int sliderId, float& value);
    void OnSliderMoved(int sliderId, int editId);
    void OnUseSourceClicked();
    void OnUseLimitClicked();
    void OnPrecisionChosen(const QString& text);
    void OnBrowse(bool source);
    void OnShowHelp();
    void OnStart();
    void FitSize();

    IHost& m_host;
    CDialogControls m_controls;
    CWidgetCaption m_title{this};
    CLanguage m_language;
    CQualityChart* m_pChart = nullptr;
    FileChooser m_chooser;
    bool m_bFirstShow = true;
    bool m_bFilesLocked = false;
};
