#include "gui/CFullCreationDlg.h"

#include "creation/FullCreationNames.h"
#include "gui/CAutoCreateDlg.h"
#include "media/CAVIFile.h"
#include "media/CSilentHost.h"
#include "platform/AviTypes.h"
#include "settings/CIniFile.h"
#include "settings/ProjectKeys.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <iterator>

namespace {
constexpr const char* FULL = "FULL_CREATION_DLG";
using E = EControl;
using D = CFullCreationDlg;

// id, kind, x, y, w, h, built-in caption, section, key, default text, mode
const ControlSpec g_aFullCreationControls[] = {
    {D::IDC_GROUP_INPUT, E::Group, 7, 5, 323, 32, "1. Select your Input File", FULL, "StaticSelectInputFile",
     "1. Select your Input File", -1},
    {D::IDC_CHOOSE_INPUT, E::Button, 14, 17, 100, 14, "Choose Input AVI File", FULL, "ChooseAVIInputFile",
     "Choose Input AVI File", -1},
    {D::IDC_INPUT_FILE, E::Edit, 120, 18, 203, 12, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_GROUP_OUTPUT, E::Group, 7, 41, 323, 50, "2. Select your Output Files", FULL,
     "StaticChooseOutputFile", "2. Select your Output Files", -1},
    {D::IDC_CHOOSE_LOW_FILE, E::Button, 14, 53, 100, 14, "Choose Low-Motion File", FULL,
     "ChooseLowMotionFile", "Choose Low-Motion File", -1},
    {D::IDC_LOW_FILE, E::Edit, 120, 54, 203, 12, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_CHOOSE_FAST_FILE, E::Button, 14, 71, 100, 14, "Choose Fast-Motion File", FULL,
     "ChooseFastMotionFile", "Choose Fast-Motion File", -1},
    {D::IDC_FAST_FILE, E::Edit, 120, 72, 203, 12, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_GROUP_CODECS, E::Group, 7, 95, 323, 34,
     "3. Choose your DivX Low- and Fast-Motion Codec and configure them", FULL, "ChooseCodecs",
     "3. Choose your DivX Low- and Fast-Motion Codec and configure them", -1},
    {D::IDC_CHOOSE_LOW_CODEC, E::Button, 14, 108, 151, 14, "Choose DivX :-) Low-Motion Codec", FULL,
     "ChooseLowMotion", "Choose DivX :-) Low-Motion Codec", -1},
    {D::IDC_CHOOSE_FAST_CODEC, E::Button, 172, 108, 151, 14, "Choose DivX :-) Fast-Motion Codec", FULL,
     "ChooseFastMotion", "Choose DivX :-) Fast-Motion Codec", -1},
    {D::IDC_GROUP_ORACLE, E::Group, 7, 133, 323, 50, "4. Configure the Oracle", FULL, "StaticConfigureOracle",
     "4. Configure the Oracle", -1},
    {D::IDC_CHANGE_ORACLE_VALUE, E::Button, 14, 145, 100, 14, "Change Oracle Value", FULL,
     "ChangeOracleValue", "Change Oracle Value", -1},
    {D::IDC_CHOOSE_ORACLE_FILE, E::Button, 14, 163, 100, 14, "Choose Oracle File", FULL, "ChooseOracleFile",
     "Choose Oracle File", -1},
    {D::IDC_ORACLE_FILE, E::Edit, 120, 164, 203, 12, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_GROUP_START, E::Group, 7, 187, 323, 48, "5. Start Full Creation Process", FULL,
     "StaticStartFullCreation", "5. Start Full Creation Process", -1},
    {D::IDC_START_CREATION, E::Button, 14, 200, 100, 28, "Start Creation", FULL, "StartFullCreation",
     "Start Creation", -1},
    {D::IDC_USE_SAVE_CREATION, E::Check, 130, 200, 120, 10, "Use Save Creation", FULL, "UseSaveCreation",
     "Use Save Creation", -1},
    {D::IDC_FRAME_SIZE_LABEL, E::Label, 130, 216, 100, 9, "Framesize of Save File:", FULL, "StaticFrameSize",
     "Framesize of Save File:", -1},
    {D::IDC_FRAME_SIZE, E::Edit, 232, 214, 50, 12, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_AUDIO_NOTE, E::Label, 7, 240, 323, 24,
     "Remember: At this time, the Audio-Stream is NOT recompressed and is taken directly from the original "
     "AVI file.",
     nullptr, nullptr, nullptr, -1},
    {D::IDC_CANCEL, E::Button, 273, 272, 57, 16, "Cancel", nullptr, nullptr, nullptr, -1},
};

const int g_aOutputGroup[] = {D::IDC_GROUP_OUTPUT,     D::IDC_LOW_FILE,         D::IDC_CHOOSE_LOW_FILE,
                              D::IDC_CHOOSE_FAST_FILE, D::IDC_FAST_FILE,        D::IDC_GROUP_CODECS,
                              D::IDC_CHOOSE_LOW_CODEC, D::IDC_CHOOSE_FAST_CODEC};
const int g_aStartGroup[] = {D::IDC_GROUP_ORACLE, D::IDC_CHANGE_ORACLE_VALUE, D::IDC_CHOOSE_ORACLE_FILE,
                             D::IDC_ORACLE_FILE,  D::IDC_GROUP_START,         D::IDC_START_CREATION,
                             D::IDC_AUDIO_NOTE,   D::IDC_USE_SAVE_CREATION,   D::IDC_FRAME_SIZE_LABEL,
                             D::IDC_FRAME_SIZE};

constexpr const char* DAT_FILTER = "DAT Files (*.dat)|*.dat|All Files (*.*)|*.*||";
} // namespace

CFullCreationDlg::CFullCreationDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(TITLE));
    setFixedSize(CDialogControls::ToPixels(0, 0, 337, 295, QFontMetrics(font())).size());
    m_controls.Build(this, g_aFullCreationControls, std::size(g_aFullCreationControls));
    static_cast<QLabel*>(GetControl(IDC_AUDIO_NOTE))->setWordWrap(true);
    auto* frameSize = static_cast<QLineEdit*>(GetControl(IDC_FRAME_SIZE));
    frameSize->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    static_cast<QPushButton*>(GetControl(IDC_START_CREATION))->setDefault(true);
    m_context.chooseFile = [this](const FileDialogRequest& request) {
        return ChooseFileWithDialog(this, request);
    };
    m_context.chooseCodec = [this](const std::string& source, CodecOptions& record, FOURCC proposed) {
        return CCompressorDlg::Choose(this, source, record, proposed);
    };
    ConnectControls();
}

void CFullCreationDlg::ConnectControls() {
    const auto button = [this](int id, auto handler) {
        connect(static_cast<QAbstractButton*>(GetControl(id)), &QAbstractButton::clicked, this, handler);
    };
    const auto edited = [this](int id, auto handler) {
        connect(static_cast<QLineEdit*>(GetControl(id)), &QLineEdit::textChanged, this, handler);
    };
    button(IDC_CHOOSE_INPUT, [this] { OnChooseInput(); });
    button(IDC_CHOOSE_LOW_FILE, [this] { OnChooseLowFile(); });
    button(IDC_CHOOSE_FAST_FILE, [this] { OnChooseFastFile(); });
    button(IDC_CHOOSE_ORACLE_FILE, [this] { OnChooseOracleFile(); });
    button(IDC_CHOOSE_LOW_CODEC, [this] { OnChooseLowCodec(); });
    button(IDC_CHOOSE_FAST_CODEC, [this] { OnChooseFastCodec(); });
    button(IDC_CHANGE_ORACLE_VALUE, [this] { OnChangeOracleValue(); });
    button(IDC_USE_SAVE_CREATION, [this] { OnUseSaveCreation(); });
    button(IDC_START_CREATION, [this] { OnStartCreation(); });
    button(IDC_CANCEL, [this] { reject(); });
    edited(IDC_INPUT_FILE, [this] { OnInputChanged(); });
    edited(IDC_ORACLE_FILE, [this] { OnOracleFileChanged(); });
}

QString CFullCreationDlg::GetText(int id) const {
    if (auto* edit = qobject_cast<QLineEdit*>(GetControl(id)))
        return edit->text();
    return QString();
}

void CFullCreationDlg::SetText(int id, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(GetControl(id)))
        edit->setText(text);
}

int CFullCreationDlg::Open() {
    OnInitDialog();
    return exec();
}

void CFullCreationDlg::OnInitDialog() {
    m_language.Register(&m_title, TITLE, "FULL_CREATION_DLG", "MainTitle", CLanguage::MODE_REPLACE,
                        m_context.language);
    m_controls.RegisterLanguage(m_language, m_context.language);
    m_language.ApplyAll();
    if (m_bFirstOpening) {
        PrepareOptionRecords();
        EnableOutputs(false);
        EnableStart(false);
    }
    std::string original;
    if (m_context.store &&
        m_context.store->GetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, original)) {
        m_strInputFile = original;
        SetText(IDC_INPUT_FILE, QString::fromStdString(original));
    }
    SetDefaultNames();
    static_cast<QCheckBox*>(GetControl(IDC_USE_SAVE_CREATION))->setChecked(m_bUseSaveCreation);
    SetText(IDC_FRAME_SIZE, QString::number(m_nFrameSize));
    CheckInput();
    GetControl(IDC_INPUT_FILE)->setFocus(); // step 1 first
}

void CFullCreationDlg::PrepareOptionRecords() {
    if (!m_bFirstOpening)
        return;
    m_lowOptions.Clear();
    m_fastOptions.Clear();
    m_bFirstOpening = false;
}

void CFullCreationDlg::SetConfigured(bool fast, bool configured) {
    (fast ? m_bFastConfigured : m_bLowConfigured) = configured;
}

void CFullCreationDlg::SetDefaultNames() {
    m_strLowFile = FullCreationNames::LowFile(m_strInputFile);
    m_strFastFile = FullCreationNames::FastFile(m_strInputFile);
    m_strOracleFile = FullCreationNames::OracleFile(m_strInputFile);
}

void CFullCreationDlg::CheckInput() {
    m_strInputFile = GetText(IDC_INPUT_FILE).toStdString();
    // Checked quietly: a path being typed fails at nearly every key.
    CSilentHost quiet;
    CAVIFile source(quiet);
    const bool opens = !m_strInputFile.empty() && source.Open(m_strInputFile, false);
    if (opens)
        SetDefaultNames();
    EnableOutputs(opens);
    EnableStart(opens);
}

void CFullCreationDlg::EnableOutputs(bool on) {
    for (const int id : g_aOutputGroup)
        GetControl(id)->setEnabled(on);
    // The three names are copied first: each edit's change reports back.
    const std::string low = on ? m_strLowFile : std::string();
    const std::string fast = on ? m_strFastFile : std::string();
    const std::string oracle = on ? m_strOracleFile : std::string();
    SetText(IDC_LOW_FILE, QString::fromStdString(low));
    SetText(IDC_FAST_FILE, QString::fromStdString(fast));
    SetText(IDC_ORACLE_FILE, QString::fromStdString(oracle));
}

void CFullCreationDlg::EnableStart(bool on) {
    const bool enable = on && m_bLowConfigured && m_bFastConfigured;
    for (const int id : g_aStartGroup)
        GetControl(id)->setEnabled(enable);
}

void CFullCreationDlg::OnChooseInput() {
    const std::string path = m_context.chooseFile({false, QString::fromUtf8(AVI_FILTER), QString(), false});
    if (path.empty())
        return;
    m_strInputFile = path;
    SetText(IDC_INPUT_FILE, QString::fromStdString(path)); // checks it again
    CheckInput();
}

void CFullCreationDlg::OnInputChanged() {
    CheckInput();
}

void CFullCreationDlg::ChooseOutputName(int id, std::string& field, const char* filter, const char* extension,
                                        bool overwritePrompt) {
    field = GetText(id).toStdString();
    const std::string path = m_context.chooseFile(
        {true, QString::fromUtf8(filter), QString::fromUtf8(extension), overwritePrompt});
    if (path.empty())
        return;
    field = path;
    SetText(id, QString::fromStdString(path));
}

void CFullCreationDlg::OnChooseLowFile() {
    // A movie chosen by name is replaced by the creation: ask before.
    ChooseOutputName(IDC_LOW_FILE, m_strLowFile, AVI_FILTER, "*.avi", true);
}

void CFullCreationDlg::OnChooseFastFile() {
    ChooseOutputName(IDC_FAST_FILE, m_strFastFile, AVI_FILTER, "*.avi", true);
}

void CFullCreationDlg::OnChooseOracleFile() {
    // An existing oracle file is a cache of measurements that the oracle
    // reuses, so choosing one replaces nothing.
    ChooseOutputName(IDC_ORACLE_FILE, m_strOracleFile, DAT_FILTER, "*.dat", false);
}

void CFullCreationDlg::OnOracleFileChanged() {
    m_strOracleFile = GetText(IDC_ORACLE_FILE).toStdString();
    if (m_context.autoCreate)
        m_context.autoCreate->m_strOracleFile = m_strOracleFile;
}

void CFullCreationDlg::ChooseCodec(bool fast) {
    m_strInputFile = GetText(IDC_INPUT_FILE).toStdString();
    {
        // Said aloud this time: the buttons are enabled only for a source
        // that opened, so a failure now is news to the user.
        CSilentHost quiet;
        CAVIFile source(m_context.host ? *m_context.host : static_cast<IHost&>(quiet));
        if (!source.Open(m_strInputFile, true))
            return;
    }
    const FOURCC proposed = MakeFourCC('D', 'I', 'V', fast ? '4' : '3');
    if (!m_context.chooseCodec || !m_context.chooseCodec(m_strInputFile, GetOptions(fast), proposed))
        return;
    SetConfigured(fast, true);
    EnableStart(true);
}

void CFullCreationDlg::OnChangeOracleValue() {
    CAutoCreateDlg* autoCreate = m_context.autoCreate;
    if (!autoCreate || !m_context.store || !m_context.language)
        return;
    // The files are this dialog's to choose; the Auto Create dialog only
    // sets the values, and starts nothing: the oracle runs after the encoding.
    autoCreate->SetFilesLocked(true);
    m_strInputFile = GetText(IDC_INPUT_FILE).toStdString();
    autoCreate->m_strOracleFile = m_strOracleFile;
    CIniFile& store = *m_context.store;
    float value = 0.0f;
    if (store.GetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORACLE_VALUE, value))
        autoCreate->oracleValue = value;
    if (store.GetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::COMPARISON_VALUE, value))
        autoCreate->comparisonValue = value;
    autoCreate->m_strSourceFile = m_strInputFile;
    if (autoCreate->Open(*m_context.language) == QDialog::Accepted) {
        store.SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, autoCreate->m_strSourceFile);
        store.SetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORACLE_VALUE, autoCreate->oracleValue);
        store.SetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::COMPARISON_VALUE,
                       autoCreate->comparisonValue);
    }
    autoCreate->SetFilesLocked(false);
}

void CFullCreationDlg::OnUseSaveCreation() {
    m_bUseSaveCreation = !m_bUseSaveCreation;
    static_cast<QCheckBox*>(GetControl(IDC_USE_SAVE_CREATION))->setChecked(m_bUseSaveCreation);
}

void CFullCreationDlg::OnStartCreation() {
    m_strInputFile = GetText(IDC_INPUT_FILE).toStdString();
    if (m_context.store)
        m_context.store->SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, m_strInputFile);
    m_strLowFile = GetText(IDC_LOW_FILE).toStdString();
    m_strFastFile = GetText(IDC_FAST_FILE).toStdString();
    m_strOracleFile = GetText(IDC_ORACLE_FILE).toStdString();
    // Too small, empty or no number at all: the smallest piece size.
    bool ok = false;
    const int32_t size = GetText(IDC_FRAME_SIZE).toInt(&ok);
    m_nFrameSize = ok && size >= MIN_FRAME_SIZE ? size : MIN_FRAME_SIZE;
    SetText(IDC_FRAME_SIZE, QString::number(m_nFrameSize));
    accept();
}
