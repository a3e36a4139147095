#include "gui/CDataBaseDlg.h"

#include "app/DataBaseUseCases.h"
#include "database/CMovieDataBase.h"
#include "encoding/CEncodingList.h"
#include "gui/CFullCreationDlg.h"
#include "media/IHost.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <iterator>

namespace {
constexpr const char* SECTION = "DATABASE";
constexpr const char* DATA_BASE_FILTER = "AVI Files (*.vdb)|*.vdb|All Files (*.*)|*.*||";
constexpr int DLG_WIDTH = 300;
constexpr int DLG_HEIGHT = 288;
using D = CDataBaseDlg;
using E = EControl;

// id, kind, x, y, w, h, built-in caption, section, key, default text, mode
const ControlSpec g_aDataBaseControls[] = {
    {D::IDC_GROUP_SETTINGS, E::Group, 7, 7, 286, 92, "Settings for Import / Export", SECTION,
     "StaticSettingsImportExport", "Settings for Import / Export", -1},
    {D::IDC_LABEL_ORIGINAL_MOVIE, E::Label, 14, 21, 60, 9, "Original Movie:", SECTION, "StaticOriginalMovie",
     "Original Movie:", -1},
    {D::IDC_ORIGINAL_MOVIE, E::Edit, 76, 19, 160, 13, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_BROWSE, E::Button, 240, 19, 46, 13, "Browse", SECTION, "Browse", "Browse", -1},
    {D::IDC_LABEL_TEMP_DIR, E::Label, 14, 38, 60, 9, "Temp Directory:", SECTION, "StaticTempDir",
     "Temp Directory:", -1},
    {D::IDC_TEMP_DIR, E::Field, 76, 36, 160, 13, "", nullptr, nullptr, nullptr, -1},
    {D::IDC_BROWSE_TEMP_DIR, E::Button, 240, 36, 46, 13, "Browse", SECTION, "BrowseTempDir", "Browse", -1},
    {D::IDC_CONFIGURE_LOW, E::Button, 14, 56, 272, 15, "Configure DivX :-) Low-Motion Codec", SECTION,
     "ConfigureLow", "Configure DivX :-) Low-Motion Codec", -1},
    {D::IDC_CONFIGURE_FAST, E::Button, 14, 76, 272, 15, "Configure DivX :-) Fast-Motion Codec", SECTION,
     "ConfigureFast", "Configure DivX :-) Fast-Motion Codec", -1},
    {D::IDC_GROUP_IMPORT, E::Group, 7, 104, 286, 88, "Import", SECTION, "StaticImport", "Import", -1},
    {D::IDC_IMPORT, E::Button, 14, 117, 272, 15, "Import Movie Data Base File", SECTION, "Import",
     "Import Movie Data Base File", -1},
    {D::IDC_SET_CHECK_POINT_IMPORT, E::Button, 14, 136, 134, 14, "Set Check Point", SECTION,
     "SetCheckPointImport", "Set Check Point", -1},
    {D::IDC_RESET_CHECK_POINT_IMPORT, E::Button, 152, 136, 134, 14, "Reset Check Point", SECTION,
     "ResetCheckPointImport", "Reset Check Point", -1},
    {D::IDC_CREATE, E::Button, 14, 155, 272, 17, "Create New DivX :-) AVI from Original-AVI", SECTION,
     "CreateNewDivXAVI", "Create New DivX :-) AVI from Original-AVI", -1},
    {D::IDC_AUDIO_NOTE, E::Label, 14, 177, 272, 9,
     "At this time, the Audio Stream is directly copied via direct stream copy.", nullptr, nullptr, nullptr,
     -1},
    {D::IDC_GROUP_EXPORT, E::Group, 7, 197, 286, 54, "Export as Movie Data Base File", SECTION,
     "StaticExport", "Export", -1},
    {D::IDC_EXPORT, E::Button, 14, 210, 272, 15, "Export Movie Data Base File", SECTION, "Export", "Export",
     -1},
    {D::IDC_SET_CHECK_POINT_EXPORT, E::Button, 14, 230, 134, 14, "Set Check Point", SECTION,
     "SetCheckPointExport", "Set Check Point", -1},
    {D::IDC_RESET_CHECK_POINTS_EXPORT, E::Button, 152, 230, 134, 14, "Reset Check Points", SECTION,
     "ResetCheckPointsExport", "Reset Check Points", -1},
    {D::IDC_HELP, E::Button, 7, 256, 60, 14, "Help", SECTION, "Help", "Help", -1},
    {D::IDC_CLOSE, E::Button, 233, 256, 60, 14, "Close", SECTION, "Close", "Close", -1},
    {D::IDC_STATUS, E::Label, 7, 274, 286, 11, "", nullptr, nullptr, nullptr, -1},
};

// The folder part of a path: everything before its last "/" ("" without one).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
} // namespace

const char* const CDataBaseDlg::HELP_TEXT =
    "What does this feature do?\r\n\r\nWell, very easy. If you want to create a new DivX file and you don´t "
    "want to use the oracle, because it takes too much time, then it could be, that someone else has done "
    "this. So you only need the data base file and you can create very fast your final DivX AVI.\r\n\r\n"
    "Export: For exporting a complete encoding list for a movie as a database file, do the following "
    "steps:\r\n1. Configure Low and Fast-Motion Codec.\r\n2. Press \"Export Movie Data Base File\" and "
    "select "
    "the output file. Now every other person can use this data base file for creating a new DivX movie of "
    "the same Original-AVI.\r\n\r\nImport: To create a new DivX movie from a data base file, do the "
    "following steps:\r\n1. Select Original-AVI.\r\n2. Select Temp-Directory.\r\n3. Press \"Import Movie "
    "Data Base File\". The codecs (Low and Fast) are configured automatically.\r\n4. Press \"Create...\". "
    "Wait some time and you get your final DivX AVI without using the oracle or a low and fast movie file.";

const char* const CDataBaseDlg::CODEC_WARNING =
    "Changing the Codec Configuration could result in an unspecified result of your final AVI. The Encoding "
    "List directly depends on the Codec Configuration. Do you want to edit the configuration?";

CDataBaseDlg::CDataBaseDlg(IHost& host, CFullCreationDlg& fullCreation, const CEncodingList& list,
                           QWidget* parent)
    : QDialog(parent), m_host(host), m_fullCreation(fullCreation), m_list(list), m_source(host),
      m_pBase(std::make_unique<CMovieDataBase>(host)) {
    setWindowTitle(QStringLiteral("DataBase"));
    m_chooseCodec = [this](const std::string& source, CodecOptions& record, FOURCC proposed) {
        return CCompressorDlg::Choose(this, source, record, proposed);
    };
    setFixedSize(CDialogControls::ToPixels(0, 0, DLG_WIDTH, DLG_HEIGHT, QFontMetrics(font())).size());
    m_controls.Build(this, g_aDataBaseControls, std::size(g_aDataBaseControls));
    // The temp folder is only shown: it changes through its Browse button.
    auto* movie = m_controls.As<QLineEdit>(IDC_ORIGINAL_MOVIE);
    m_controls.As<QLineEdit>(IDC_TEMP_DIR)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* status = m_controls.As<QLabel>(IDC_STATUS);
    status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(movie, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
    const auto button = [this](int id, auto handler) {
        connect(m_controls.As<QPushButton>(id), &QPushButton::clicked, this, handler);
    };
    button(IDC_BROWSE, [this] { OnBrowse(); });
    button(IDC_BROWSE_TEMP_DIR, [this] { OnBrowseTempDir(); });
    button(IDC_CONFIGURE_LOW, [this] { OnConfigure(true); });
    button(IDC_CONFIGURE_FAST, [this] { OnConfigure(false); });
    button(IDC_EXPORT, [this] { OnExport(); });
    button(IDC_IMPORT, [this] { OnImport(); });
    button(IDC_CREATE, [this] { OnCreate(); });
    for (const int id : {IDC_SET_CHECK_POINT_IMPORT, IDC_RESET_CHECK_POINT_IMPORT, IDC_SET_CHECK_POINT_EXPORT,
                         IDC_RESET_CHECK_POINTS_EXPORT})
        button(id, [this] { OnCheckPoint(); });
    button(IDC_HELP, [this] { OnHelp(); });
    button(IDC_CLOSE, [this] { OnClose(); });
}

CDataBaseDlg::~CDataBaseDlg() = default;

void CDataBaseDlg::Prepare(const CLanguage& source) {
    m_language.Register(&m_title, "DataBase", SECTION, "MainTitle", CLanguage::MODE_REPLACE, &source);
    m_controls.RegisterLanguage(m_language, &source);
    m_language.ApplyAll();
    {
        const QSignalBlocker quiet(m_controls.Get(IDC_ORIGINAL_MOVIE));
        m_controls.As<QLineEdit>(IDC_ORIGINAL_MOVIE)->clear();
    }
    m_controls.As<QLineEdit>(IDC_TEMP_DIR)->clear();
    SetStatus("");
    EnableControls({IDC_CONFIGURE_LOW, IDC_CONFIGURE_FAST, IDC_IMPORT, IDC_CREATE}, false);
    const bool both = m_fullCreation.IsConfigured(false) && m_fullCreation.IsConfigured(true);
    EnableControls({IDC_GROUP_EXPORT, IDC_EXPORT, IDC_LABEL_TEMP_DIR, IDC_TEMP_DIR, IDC_BROWSE_TEMP_DIR},
                   both);
    m_controls.Get(IDC_ORIGINAL_MOVIE)->setFocus();
}

int CDataBaseDlg::Open(const CLanguage& source) {
    Prepare(source);
    return exec();
}

std::string CDataBaseDlg::MovieText() const {
    return m_controls.As<QLineEdit>(IDC_ORIGINAL_MOVIE)->text().toStdString();
}

void CDataBaseDlg::SetStatus(const std::string& text) {
    m_controls.As<QLabel>(IDC_STATUS)->setText(QString::fromStdString(text));
}

void CDataBaseDlg::EnableControls(std::initializer_list<int> ids, bool enable) {
    for (const int id : ids)
        m_controls.Get(id)->setEnabled(enable);
}

std::string CDataBaseDlg::Choose(bool save, const char* filter, const char* extension, bool overwrite) {
    const FileDialogRequest request{save, QString::fromUtf8(filter), QString::fromUtf8(extension), overwrite};
    return m_chooser ? m_chooser(request) : ChooseFileWithDialog(this, request);
}

void CDataBaseDlg::UpdateControls() {
    const std::string movie = MovieText();
    CAVIFile probe(m_host);
    const bool opens = probe.Open(movie, false);
    if (opens)
        probe.Close();
    EnableControls({IDC_CONFIGURE_LOW, IDC_CONFIGURE_FAST, IDC_IMPORT}, opens);
    EnableControls({IDC_CREATE}, opens && m_bImported);
    const bool both = m_fullCreation.IsConfigured(false) && m_fullCreation.IsConfigured(true);
    EnableControls({IDC_GROUP_EXPORT, IDC_EXPORT, IDC_LABEL_TEMP_DIR, IDC_TEMP_DIR, IDC_BROWSE_TEMP_DIR},
                   both);
    // Derived only from a path that names a movie: while a path is typed,
    // its first folders would otherwise stick as the temp folder.
    if (m_strTempDirectory.empty() && opens) {
        m_strTempDirectory = FolderOf(movie);
        m_controls.As<QLineEdit>(IDC_TEMP_DIR)->setText(QString::fromStdString(m_strTempDirectory));
    }
}

void CDataBaseDlg::OnBrowse() {
    const std::string path = Choose(false, AVI_FILTER, "*.avi", false);
    if (path.empty())
        return;
    // Setting the text runs UpdateControls through its change notification.
    m_controls.As<QLineEdit>(IDC_ORIGINAL_MOVIE)->setText(QString::fromStdString(path));
}

void CDataBaseDlg::OnBrowseTempDir() {
    // The user picks any file inside the wanted folder. The request's text
    // is the dialog's title: as a default extension it would be appended to
    // a typed name.
    static const char* const filter = "All Files (*.*)|*.*||";
    const std::string path =
        m_chooser ? m_chooser({false, QString::fromUtf8(filter), QString(), false})
                  : QFileDialog::getOpenFileName(this, QStringLiteral("Choose your Temp-Directory!"),
                                                 QString(), QtFilterFrom(QString::fromUtf8(filter)))
                        .toStdString();
    if (path.empty())
        return;
    const size_t slash = path.rfind('/');
    m_strTempDirectory = slash == std::string::npos ? path : path.substr(0, slash);
    m_controls.As<QLineEdit>(IDC_TEMP_DIR)->setText(QString::fromStdString(m_strTempDirectory));
}

void CDataBaseDlg::OnConfigure(bool low) {
    if (m_bImported &&
        m_host.MessageBox(CODEC_WARNING, "Warning!", EMessageButtons::YesNo, EMessageKind::Warning) != IDYES)
        return;
    const std::string movie = MovieText();
    {
        CAVIFile source(m_host);
        if (!source.Open(movie, true))
            return;
    }
    // An import has cleared the first opening: the choice starts from the
    // imported settings.
    m_fullCreation.PrepareOptionRecords();
    const FOURCC proposed = MakeFourCC('D', 'I', 'V', low ? '3' : '4');
    if (m_chooseCodec && m_chooseCodec(movie, m_fullCreation.GetOptions(!low), proposed)) {
        m_fullCreation.SetConfigured(!low, true);
        UpdateControls();
        (low ? m_bLowStateOwned : m_bFastStateOwned) = true;
    }
}

void CDataBaseDlg::OnExport() {
    const std::string path = Choose(true, DATA_BASE_FILTER, "*.vdb", true);
    if (path.empty())
        return;
    std::string status;
    CMovieDataBase::Export(m_host, MovieText(), m_list.Rows(), m_fullCreation.GetLowOptions(),
                           m_fullCreation.GetFastOptions(), path, status);
    SetStatus(status);
}

void CDataBaseDlg::OnImport() {
    const std::string path = Choose(false, DATA_BASE_FILTER, "*.vdb", false);
    if (path.empty())
        return;
    // Read and checked on its own first: a refused file changes nothing here,
    // neither the data base imported before nor the compressor records.
    ImportedDataBase imported;
    std::string status;
    const std::string movie = MovieText();
    if (!ImportDataBase(m_host, path, movie, imported, status)) {
        SetStatus(status);
        return;
    }
    m_pBase = std::move(imported.base);
    m_fullCreation.GetLowOptions() = std::move(imported.low);
    m_fullCreation.GetFastOptions() = std::move(imported.fast);
    m_fullCreation.SetConfigured(false, true);
    m_fullCreation.SetConfigured(true, true);
    m_fullCreation.ClearFirstOpening();
    m_bLowStateOwned = true;
    m_bFastStateOwned = true;
    m_bImported = true;
    m_strOriginalMovie = movie;
    m_nTotalFrames = imported.totalFrames;
    UpdateControls();
    SetStatus(status);
}

void CDataBaseDlg::OnCreate() {
    const std::string output = Choose(true, AVI_FILTER, "*.avi", true);
    if (output.empty())
        return;
    m_strOutput = output;
    m_pBase->ResetParts();
    m_strOriginalMovie = MovieText();
    if (m_source.IsOpen())
        m_source.Close();
    if (!m_source.Open(m_strOriginalMovie, true)) {
        m_strOriginalMovie.clear();
        return;
    }
    if (m_pBase->CheckCompatibility(&m_source)) {
        done(RESULT_CREATE);
        return;
    }
    m_source.Close();
}

void CDataBaseDlg::OnCheckPoint() {
    m_host.MessageBox(CHECK_POINT_TEXT, "", EMessageButtons::Ok, EMessageKind::Information);
}

void CDataBaseDlg::OnHelp() {
    m_host.MessageBox(HELP_TEXT, "", EMessageButtons::Ok, EMessageKind::Information);
}

void CDataBaseDlg::OnClose() {
    // The records own their state blocks and keep them for a later full
    // creation or export; unlike a VfW design, letting the import's blocks
    // go only ends this dialog's claim on them.
    m_bLowStateOwned = false;
    m_bFastStateOwned = false;
    done(IDC_CLOSE);
}

void CDataBaseDlg::reject() {
    // Escape and the window's close button are "Close".
    OnClose();
}

bool CDataBaseDlg::StartCreation(CWorker& worker, CWorker::JobDone done) {
    if (!m_source.IsOpen())
        return false;
    // A temp folder cut from a bare file name is the current folder.
    const std::string temp = m_strTempDirectory.empty() ? std::string(".") : m_strTempDirectory;
    m_pCreation = std::make_unique<CDataBaseCreation>(worker, *m_pBase);
    const CodecOptions& low = m_fullCreation.GetLowOptions();
    const CodecOptions& fast = m_fullCreation.GetFastOptions();
    if (!m_pCreation->Prepare(m_source, low, fast, m_strOutput, temp)) {
        // The other refusals have said why in a message box; this one
        // would leave the user waiting for a movie that never comes.
        if (m_pCreation->NothingToCreate())
            m_host.SetStatusText(NOTHING_TO_CREATE);
        m_source.Close();
        return false;
    }
    m_pCreation->Start(m_source, low, fast, m_strOutput, std::move(done));
    return true;
}

void CDataBaseDlg::CreationEnded() {
    if (m_source.IsOpen())
        m_source.Close();
}
