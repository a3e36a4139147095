#include "gui/CAutoCreateDlg.h"

#include "gui/CQualityChart.h"
#include "media/IHost.h"
#include "platform/TextNumbers.h"
#include "settings/CIniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
constexpr const char* SECTION = "AUTO_CREATE_ENCODING_LIST_DLG";
constexpr int DLG_WIDTH = 302;
constexpr int DLG_HEIGHT = 237;
// The quality view, under the template's controls when there is one.
constexpr int CHART_Y = 237;
constexpr int CHART_HEIGHT = 110;
using E = EControl;
using D = CAutoCreateDlg;

// id, kind, x, y, w, h, built-in caption, section, key, default text, mode
const ControlSpec g_aAutoCreateControls[] = {
    {D::IDC_GROUP, E::Group, 5, 5, 290, 200, "Encoding Option", SECTION, "StaticEncodingOption",
     "Encoding Option", -1},
    {D::IDC_USE_SOURCE, E::Check, 15, 20, 240, 10, "Use Original File for creating the Encoding List",
     SECTION, "UseOriginalFile", "Use Original File for creating the Encoding List", -1},
    {D::IDC_SOURCE_LABEL, E::Label, 15, 38, 50, 8, "Original File:", SECTION, "StaticOriginalFile",
     "Original File:", -1},
    {D::IDC_SOURCE_FILE, E::Edit, 70, 35, 140, 14, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_BROWSE_SOURCE, E::Button, 220, 35, 65, 14, "Brows", SECTION, "BrowseOriginalFile", "Browse", -1},
    {D::IDC_ORACLE_LABEL, E::Label, 15, 62, 35, 8, "Oracle File:", SECTION, "StaticOracleFile",
     "Oracle File:", -1},
    {D::IDC_ORACLE_FILE, E::Edit, 70, 60, 140, 14, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_BROWSE_ORACLE, E::Button, 220, 60, 65, 14, "Brows", SECTION, "BrowseOracleFile", "Browse", -1},
    {D::IDC_MORE_FAST, E::Label, 20, 81, 115, 8, "More FAST parts", SECTION, "MoreFastParts",
     "More FAST parts", -1},
    {D::IDC_MORE_LOW, E::Label, 175, 81, 50, 8, "More LOW parts", SECTION, "MoreLowParts", "More LOW parts",
     -1},
    {D::IDC_ORACLE_LABEL_VALUE, E::Label, 15, 97, 50, 8, "Oracle Value:", SECTION, "StaticOracleValue",
     "Oracle Value", -1},
    {D::IDC_ORACLE_SLIDER, E::Slider, 70, 90, 140, 26, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_ORACLE_VALUE, E::Edit, 220, 95, 65, 14, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_COMPARISON_LABEL, E::Label, 15, 123, 55, 8, "Comparison:", SECTION, "StaticComparison",
     "Comparison:", -1},
    {D::IDC_COMPARISON_SLIDER, E::Slider, 70, 115, 140, 25, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_COMPARISON_VALUE, E::Edit, 220, 121, 65, 14, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_NO_DIFFERENCE, E::Label, 35, 145, 85, 8, "No Difference allowed", SECTION, "StaticNoDifference",
     "No Difference allowed", -1},
    {D::IDC_FULL_DIFFERENCE, E::Label, 150, 145, 105, 8, "100 % Difference allowed", SECTION,
     "StaticFullDifference", "100 % Difference allowed", -1},
    {D::IDC_USE_LIMIT, E::Check, 15, 167, 110, 10, "Maximum Limit AVI File Size", SECTION,
     "MaximumLimitFileSize", "Maximum Limit AVI File Size", -1},
    {D::IDC_LIMIT, E::Edit, 140, 166, 65, 14, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_KBYTES, E::Label, 220, 167, 65, 8, "KBytes", nullptr, nullptr, nullptr, -1},
    {D::IDC_PRECISION_LABEL, E::Label, 15, 187, 115, 8, "Choose precision of the Orale:", SECTION,
     "ChoosePrecision", "Choose precision of the Orale:", -1},
    {D::IDC_PRECISION, E::Combo, 140, 185, 145, 14, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_START, E::Button, 5, 215, 75, 14, "Start", SECTION, "Start", "Start", -1},
    {D::IDC_HELP, E::Button, 115, 215, 75, 14, "Show Help", SECTION, "Help", "Help", -1},
    {D::IDC_CANCEL, E::Button, 220, 215, 75, 14, "Cancel", SECTION, "Cancel", "Cancel", -1},
};

const char* const HELP_PARAGRAPHS[] = {
    "Use Original File for Creating the Encoding List: You can select two modi. Create with Encoding List "
    "with or without the Original-File. Without the Original-File, the Oracle is faster than without the "
    "Original-File. But with Original-File, the results ARE better than without the Original File.",
    "Original File: If you want to create the Encoding List with the Original-File, you have to select the "
    "Original AVI file.",
    "Oracle File: File that is created by the oracle. If you want to change the Oracle Value later, all "
    "values are taken from this file (Oracle Values are only calculated one time).",
    "Oracle Value: For every intervall (from key frame to key frame) is calculated the value of the quality "
    "of the encoding with LOW- and FAST-Motion. The oracle decides, which encoding is taken (LOW or FAST) "
    "depending of the quality of encoding. The oracle value is important for the oracle. More positive "
    "value means more LOW Encoding. More negative value means more FAST Encoding. Example: You choose 5% as "
    "oracle value; the quality of the FAST-part has to be 5% bigger than the LOW-Part, when the oracle "
    "decides for the FAST-part. If not, it chooses the LOW-Part. The same counts for negative values.",
    "Comparison: The Comparison Value (Extended Oracle Value) is important for the difference between the "
    "Low-encoded frame and the Fast-encoded frame. If the quality of both encoded frames is identical "
    "(depends on the Comparison Value), then the Oracle compares the size in KBytes of the intervall from "
    "start key frame to end key frame and takes the smaller part. The final AVI gets smaller. 0% means that "
    "the Oracle doesn´t compare both frames. If the difference of both qualities is bigger than the "
    "Comparison Value, then the frames are different. If not, they are identical. And then the Oracle "
    "compares the size in KBytes of the intervall.",
    "Maximum Limit AVI File Size: You can specify a value, which presents a maximum file size limit in "
    "KBytes. The size of final AVI doesn´t be bigger than this limit.",
};

// A slider position for a value: its integer part, held inside the
// slider's range (a typed value far beyond it must not overflow the cast).
int SliderPosition(double value, const QSlider* slider) {
    const double clamped =
        std::clamp(std::trunc(value), double(slider->minimum()), double(slider->maximum()));
    return static_cast<int>(clamped);
}

// The "%f" scan of an edit's text; false (value unchanged) for text that
// is no number, and for infinities and NaN, which no setting can mean.
bool ReadEdit(const QLineEdit* edit, float& value) {
    float scanned = 0.0f;
    if (!ScanFloat(edit->text().toStdString(), scanned) || !std::isfinite(scanned))
        return false;
    value = scanned;
    return true;
}
} // namespace

const char* const CAutoCreateDlg::PRECISION_ENTRIES[6] = {
    "Every Frame (Best Result)",
    "Every Second Frame (Good Result)",
    "Every Third Frame",
    "Every 5th Frame",
    "Every 10th Frame (could be not so good)",
    "First 3 Frames of Intervall (could be not so good)",
};

CAutoCreateDlg::CAutoCreateDlg(IHost& host, QWidget* parent) : QDialog(parent), m_host(host) {
    setWindowTitle(QStringLiteral("Auto Create Encoding List"));
    m_controls.Build(this, g_aAutoCreateControls, std::size(g_aAutoCreateControls));
    for (const int id : {IDC_MORE_FAST, IDC_MORE_LOW, IDC_NO_DIFFERENCE, IDC_FULL_DIFFERENCE})
        m_controls.As<QLabel>(id)->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_controls.As<QSlider>(IDC_ORACLE_SLIDER)->setRange(-100, 100);
    m_controls.As<QSlider>(IDC_COMPARISON_SLIDER)->setRange(0, 100);
    for (const int id : {IDC_ORACLE_SLIDER, IDC_COMPARISON_SLIDER})
        m_controls.As<QSlider>(id)->setTickPosition(QSlider::TicksBelow);
    m_controls.As<QSlider>(IDC_ORACLE_SLIDER)->setTickInterval(10);
    m_controls.As<QSlider>(IDC_COMPARISON_SLIDER)->setTickInterval(10);
    m_controls.As<QPushButton>(IDC_START)->setDefault(true);
    m_pChart = new CQualityChart(this);
    m_pChart->setGeometry(CDialogControls::ToPixels(5, CHART_Y, 290, CHART_HEIGHT - 5, QFontMetrics(font())));
    m_pChart->hide();
    connect(m_pChart, &CQualityChart::intervalClicked, this, &CAutoCreateDlg::frameChosen);
    ConnectControls();
    FitSize();
}

CAutoCreateDlg::~CAutoCreateDlg() = default;

void CAutoCreateDlg::ConnectControls() {
    const auto button = [this](int id, auto handler) {
        connect(m_controls.As<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    button(IDC_START, [this] { OnStart(); });
    button(IDC_CANCEL, [this] { reject(); });
    button(IDC_HELP, [this] { OnShowHelp(); });
    button(IDC_BROWSE_SOURCE, [this] { OnBrowse(true); });
    button(IDC_BROWSE_ORACLE, [this] { OnBrowse(false); });
    button(IDC_USE_SOURCE, [this] { OnUseSourceClicked(); });
    button(IDC_USE_LIMIT, [this] { OnUseLimitClicked(); });
    const auto edit = [this](int editId, int sliderId, float& value) {
        connect(m_controls.As<QLineEdit>(editId), &QLineEdit::textChanged, this,
                [this, editId, sliderId, &value] { OnValueEdited(editId, sliderId, value); });
        auto* slider = m_controls.As<QSlider>(sliderId);
        connect(slider, &QSlider::sliderReleased, this,
                [this, sliderId, editId] { OnSliderMoved(sliderId, editId); });
        // Clicks beside the handle and the keyboard move the slider without
        // a drag; they count as a release.
        connect(slider, &QSlider::actionTriggered, this, [this, sliderId, editId](int action) {
            if (action != QAbstractSlider::SliderMove)
                QMetaObject::invokeMethod(
                    this, [this, sliderId, editId] { OnSliderMoved(sliderId, editId); },
                    Qt::QueuedConnection);
        });
    };
    edit(IDC_ORACLE_VALUE, IDC_ORACLE_SLIDER, oracleValue);
    edit(IDC_COMPARISON_VALUE, IDC_COMPARISON_SLIDER, comparisonValue);
    auto* precision = m_controls.As<QComboBox>(IDC_PRECISION);
    connect(precision, &QComboBox::activated, this,
            [this, precision](int index) { OnPrecisionChosen(precision->itemText(index)); });
}

void CAutoCreateDlg::FitSize() {
    const int height = m_pChart->isHidden() ? DLG_HEIGHT : CHART_Y + CHART_HEIGHT;
    setFixedSize(CDialogControls::ToPixels(0, 0, DLG_WIDTH, height, QFontMetrics(font())).size());
}

void CAutoCreateDlg::ResetForProject() {
    // The values follow the state of the box at this moment; the box itself
    // is ticked again afterwards.
    SetDefaultValues();
    m_strSourceFile.clear();
    m_strOracleFile.clear();
    m_dLimit = 0.0;
    m_bFilesLocked = false;
    m_bLimit = false;
    useSourceMovie = true;
    PrecisionMode = 1;
}

void CAutoCreateDlg::SetDefaultValues() {
    const OracleStartSettings defaults = OracleStartSettings::Defaults(useSourceMovie);
    oracleValue = static_cast<float>(defaults.oracleValue);
    comparisonValue = static_cast<float>(defaults.comparisonValue);
}

void CAutoCreateDlg::Prepare(const std::string& lowFile, const CIniFile& store) {
    OracleStartSettings settings = GetSettings();
    COracleStart::Prepare(settings, lowFile, store);
    m_strOracleFile = settings.oracleFile;
    m_strSourceFile = settings.sourceFile;
    oracleValue = static_cast<float>(settings.oracleValue);
    comparisonValue = static_cast<float>(settings.comparisonValue);
}

OracleStartSettings CAutoCreateDlg::GetSettings() const {
    OracleStartSettings settings;
    settings.sourceFile = m_strSourceFile;
    settings.useSourceMovie = useSourceMovie;
    settings.oracleFile = m_strOracleFile;
    settings.oracleValue = oracleValue;
    settings.comparisonValue = comparisonValue;
    settings.precisionMode = PrecisionMode;
    settings.limitFlag = m_bLimit;
    settings.limitKBytes = m_dLimit;
    return settings;
}

QString CAutoCreateDlg::FormatValue(double value) {
    std::string text = FormatC("%f", value);
    const size_t point = text.find('.');
    if (point != std::string::npos && text.size() > point + 3)
        text.resize(point + 3);
    return QString::fromStdString(text);
}

void CAutoCreateDlg::InitDialog(const CLanguage& source) {
    m_language.Register(&m_title, "Auto Create Encoding List", SECTION, "MainTitle", CLanguage::MODE_REPLACE,
                        &source);
    m_controls.RegisterLanguage(m_language, &source);
    m_language.ApplyAll();

    auto* precision = m_controls.As<QComboBox>(IDC_PRECISION);
    precision->clear();
    for (const char* entry : PRECISION_ENTRIES)
        precision->addItem(QString::fromUtf8(entry));
    if (PrecisionMode >= 1 && PrecisionMode <= static_cast<int32_t>(std::size(PRECISION_ENTRIES)))
        precision->setCurrentIndex(PrecisionMode - 1);

    m_controls.As<QLineEdit>(IDC_ORACLE_FILE)->setText(QString::fromStdString(m_strOracleFile));
    m_controls.As<QLineEdit>(IDC_SOURCE_FILE)->setText(QString::fromStdString(m_strSourceFile));
    EnableFileRows();
    m_controls.As<QCheckBox>(IDC_USE_LIMIT)->setChecked(m_bLimit);
    m_controls.Get(IDC_LIMIT)->setEnabled(m_bLimit);
    m_controls.Get(IDC_KBYTES)->setEnabled(m_bLimit);
    m_controls.As<QLineEdit>(IDC_LIMIT)->setText(
        QString::fromStdString(FormatC("%.0f", std::trunc(m_dLimit))));
    m_controls.As<QCheckBox>(IDC_USE_SOURCE)->setChecked(useSourceMovie);
    ApplySourceRule();
}

int CAutoCreateDlg::Open(const CLanguage& source) {
    InitDialog(source);
    return exec();
}

void CAutoCreateDlg::EnableFileRows() {
    for (const int id : {IDC_SOURCE_LABEL, IDC_SOURCE_FILE, IDC_BROWSE_SOURCE, IDC_ORACLE_LABEL,
                         IDC_ORACLE_FILE, IDC_BROWSE_ORACLE})
        m_controls.Get(id)->setEnabled(!m_bFilesLocked);
}

void CAutoCreateDlg::ApplySourceRule() {
    for (const int id : {IDC_SOURCE_LABEL, IDC_SOURCE_FILE, IDC_BROWSE_SOURCE})
        m_controls.Get(id)->setEnabled(useSourceMovie);
    if (m_bFirstShow) {
        SetDefaultValues();
        m_bFirstShow = false;
    }
    RefreshEdits();
}

void CAutoCreateDlg::RefreshEdits() {
    // Copies first: setting one edit's text scans it back into its value.
    const float oracle = oracleValue;
    const float comparison = comparisonValue;
    m_controls.As<QLineEdit>(IDC_ORACLE_VALUE)->setText(FormatValue(oracle));
    m_controls.As<QLineEdit>(IDC_COMPARISON_VALUE)->setText(FormatValue(comparison));
}

void CAutoCreateDlg::OnValueEdited(int editId, int sliderId, float& value) {
    if (!ReadEdit(m_controls.As<QLineEdit>(editId), value))
        return;
    auto* slider = m_controls.As<QSlider>(sliderId);
    const QSignalBlocker quiet(slider);
    slider->setValue(SliderPosition(value, slider));
}

void CAutoCreateDlg::OnSliderMoved(int sliderId, int editId) {
    m_controls.As<QLineEdit>(editId)->setText(FormatValue(m_controls.As<QSlider>(sliderId)->value()));
}

void CAutoCreateDlg::OnUseSourceClicked() {
    useSourceMovie = m_controls.As<QCheckBox>(IDC_USE_SOURCE)->isChecked();
    SetDefaultValues();
    ApplySourceRule();
}

void CAutoCreateDlg::OnUseLimitClicked() {
    m_bLimit = !m_bLimit;
    m_controls.As<QCheckBox>(IDC_USE_LIMIT)->setChecked(m_bLimit);
    m_controls.Get(IDC_LIMIT)->setEnabled(m_bLimit);
    m_controls.Get(IDC_KBYTES)->setEnabled(m_bLimit);
}

void CAutoCreateDlg::OnPrecisionChosen(const QString& text) {
    for (size_t i = 0; i < std::size(PRECISION_ENTRIES); ++i) {
        if (text == QString::fromUtf8(PRECISION_ENTRIES[i]))
            PrecisionMode = static_cast<int32_t>(i) + 1;
    }
}

void CAutoCreateDlg::OnBrowse(bool source) {
    const FileDialogRequest request =
        source ? FileDialogRequest{false, QString::fromUtf8(AVI_FILTER), QStringLiteral("*.avi"), true}
               : FileDialogRequest{true, QStringLiteral("DAT Files (*.dat)|*.dat|All Files (*.*)|*.*||"),
                                   QStringLiteral("*.dat"), true};
    const std::string path = m_chooser ? m_chooser(request) : ChooseFileWithDialog(this, request);
    if (path.empty())
        return;
    (source ? m_strSourceFile : m_strOracleFile) = path;
    m_controls.As<QLineEdit>(source ? IDC_SOURCE_FILE : IDC_ORACLE_FILE)
        ->setText(QString::fromStdString(path));
}

void CAutoCreateDlg::OnShowHelp() {
    std::string text;
    for (const char* paragraph : HELP_PARAGRAPHS)
        text += (text.empty() ? "" : "\r\n\r\n") + std::string(paragraph);
    m_host.MessageBox(text, "", EMessageButtons::Ok, EMessageKind::Information);
}

void CAutoCreateDlg::OnStart() {
    float limit = static_cast<float>(m_dLimit);
    if (ReadEdit(m_controls.As<QLineEdit>(IDC_LIMIT), limit))
        m_dLimit = limit;
    m_strSourceFile = m_controls.As<QLineEdit>(IDC_SOURCE_FILE)->text().toStdString();
    m_strOracleFile = m_controls.As<QLineEdit>(IDC_ORACLE_FILE)->text().toStdString();
    accept();
}

void CAutoCreateDlg::LoadQuality(const CAVIFile& low, const CEncodingList& list) {
    m_pChart->SetPoints(CQualityChart::Read(m_strOracleFile, low, list));
    m_pChart->setVisible(!m_pChart->GetPoints().empty());
    FitSize();
}
