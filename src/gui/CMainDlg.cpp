#include "gui/CMainDlg.h"

#include "gui/CAboutDlg.h"
#include "gui/CDataBaseCommand.h"
#include "gui/CDataBaseDlg.h"
#include "gui/CEncodingListModel.h"
#include "gui/CEncodingListView.h"
#include "gui/CFullCreationCommand.h"
#include "gui/CNativeSizeWindow.h"
#include "gui/CPreviewScreen.h"
#include "gui/CProjectCommands.h"
#include "gui/MainDlgControls.h"
#include "jobs/CPriorityControl.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "settings/CLanguageList.h"
#include "settings/ProgramPaths.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>

namespace {
// The commands that wait while a job runs.
const int g_aBusyDisabled[] = {IDC_FULL_CREATION, IDC_SELECT_LOW, IDC_SELECT_FAST,    IDC_LOAD_PROJECT,
                               IDC_SAVE_PROJECT,  IDC_RESET,      IDC_START_CREATING, IDC_AUTO_CREATE,
                               IDC_MERGE,         IDC_SET_START,  IDC_SET_END,        IDC_ADD_LOW,
                               IDC_ADD_FAST};
} // namespace

CMainDlg::CMainDlg(const MainDlgPaths& paths, QWidget* parent)
    : QDialog(parent, Qt::Window), m_paths(paths), m_options(this), m_abort(this), m_autoCreate(m_host, this),
      m_mergeAvis(m_host, this), m_fullCreation(this) {
    m_pLow = std::make_unique<CAVIFile>(m_host);
    m_pFast = std::make_unique<CAVIFile>(m_host);
    m_pJobs = std::make_unique<CJobController>(m_host, m_host);
    m_pProject = std::make_unique<CProjectCommands>(*this);
    m_pFullCreation = std::make_unique<CFullCreationCommand>(*this);
    m_pDataBase = std::make_unique<CDataBaseDlg>(m_host, m_fullCreation, m_list, this);
    m_pDataBaseCommand = std::make_unique<CDataBaseCommand>(*this);
    m_host.SetBoxParent(this);
    setWindowTitle(QString::fromUtf8(TITLE));
    setSizeGripEnabled(true);
}

CMainDlg::~CMainDlg() {
    qApp->removeEventFilter(this);
    m_host.Shutdown();
    m_pJobs->Shutdown();
    delete m_pNativeLow;
    delete m_pNativeFast;
}

void CMainDlg::OnInitDialog() {
    resize(CDialogControls::ToPixels(0, 0, MAIN_DLG_WIDTH, MAIN_DLG_HEIGHT, QFontMetrics(font())).size());
    m_controls.Build(this, g_aMainControls, g_nMainControls);
    LoadProgramSettings();
    m_layout.Init(this, true, true, -1, -1);
    m_controls.FeedLayout(m_layout);
    m_options.ScanLanguageDirs(m_paths.languageDirs.empty() ? CLanguageList::DefaultDirectories()
                                                            : m_paths.languageDirs);
    m_programSettings.GetString("LANGUAGE", "CurrentLanguage", m_options.m_strCurrentLanguage);
    ApplyLanguage();
    m_store.SetInt("Slider", "Value", 0);
    auto* priority = m_controls.As<QComboBox>(IDC_PRIORITY);
    for (const char* entry : CPriorityControl::ENTRIES)
        priority->addItem(QString::fromUtf8(entry));
    priority->setCurrentText(QString::fromUtf8(CPriorityControl::INITIAL_ENTRY));
    GetSlider()->setRange(0, -1);
    m_marks.Reset();
    m_pModel = std::make_unique<CEncodingListModel>(m_list, this);
    GetListView()->setModel(m_pModel.get());
    GetListView()->ApplyColumnWidths();
    m_pNativeLow = new CNativeSizeWindow(GetScreen(true));
    m_pNativeFast = new CNativeSizeWindow(GetScreen(false));
    m_controls.As<QProgressBar>(IDC_PROGRESS)->setRange(0, 10000);
    ConnectControls();
    ConnectHost();
    ConnectFullCreation();
    qApp->installEventFilter(this);
    m_pJobs->Start();
    SetFieldText(IDC_STATUS, QStringLiteral("Waiting!"));
    m_bInitialised = true;
    UpdateTotalSize();
    ArrangeScreens();
    Refresh(true);
}

void CMainDlg::LoadProgramSettings() {
    const std::string path =
        m_paths.settingsFile.empty() ? GetSettingsFilePath("Settings.ini") : m_paths.settingsFile;
    bool loaded = false;
    try {
        loaded = m_programSettings.Load(path);
    } catch (const CIniFileError&) {
        loaded = false;
    }
    if (loaded)
        return;
    m_programSettings.SetString("LANGUAGE", "CurrentLanguage", "English");
    try {
        m_programSettings.Save(path);
    } catch (const CIniFileError&) {
        // Not written: English is used all the same, and nothing is said.
    }
}

void CMainDlg::ApplyLanguage() {
    if (const LanguageFile* file = m_options.FindLanguage(m_options.m_strCurrentLanguage))
        m_language.LoadFile(file->path);
    m_language.Register(&m_title, "", "TOP_WINDOW", "PersonalMainText", CLanguage::MODE_APPEND);
    m_controls.RegisterLanguage(m_language, nullptr);
    m_language.ApplyAll();
}

void CMainDlg::ConnectControls() {
    const auto button = [this](int id, auto handler) {
        connect(m_controls.As<QPushButton>(id), &QPushButton::clicked, this, handler);
    };
    button(IDC_FIRST, [this] { Navigate(ENavigation::First); });
    button(IDC_LAST, [this] { Navigate(ENavigation::Last); });
    button(IDC_PREV, [this] { Navigate(ENavigation::Prev); });
    button(IDC_NEXT, [this] { Navigate(ENavigation::Next); });
    button(IDC_PREV_KEY, [this] { Navigate(ENavigation::PrevKey); });
    button(IDC_NEXT_KEY, [this] { Navigate(ENavigation::NextKey); });
    button(IDC_SET_START, [this] { OnSetStart(); });
    button(IDC_SET_END, [this] { OnSetEnd(); });
    button(IDC_ADD_LOW, [this] { OnAddPart(false); });
    button(IDC_ADD_FAST, [this] { OnAddPart(true); });
    button(IDC_SELECT_LOW, [this] { OnSelectMovie(true); });
    button(IDC_SELECT_FAST, [this] { OnSelectMovie(false); });
    button(IDC_START_CREATING, [this] { OnStartCreating(); });
    button(IDC_AUTO_CREATE, [this] { OnAutoCreate(); });
    button(IDC_MERGE, [this] { OnMergeAvis(); });
    connect(&m_autoCreate, &CAutoCreateDlg::frameChosen, this, [this](int frame) { MoveTo(frame); });
    button(IDC_FULL_CREATION, [this] { OnFullCreation(); });
    button(IDC_RESET, [this] { Reset(); });
    button(IDC_LOAD_PROJECT, [this] { OnLoadProject(); });
    button(IDC_SAVE_PROJECT, [this] { OnSaveProject(); });
    button(IDC_OPTIONS, [this] { OnOptions(); });
    button(IDC_ABOUT, [this] { OnAbout(); });
    button(IDC_DATA_BASE, [this] { OnDataBase(); });
    connect(GetSlider(), &QSlider::sliderReleased, this, [this] { OnSliderReleased(); });
    for (const bool low : {true, false}) {
        connect(GetScreen(low), &CPreviewScreen::clicked, this, [this, low] { OnScreenClicked(low); });
        connect(GetScreen(low), &CPreviewScreen::filesDropped, this,
                [this, low](const QStringList& paths) { OpenFiles(paths, low ? 0 : 1); });
    }
    CEncodingListView* list = GetListView();
    connect(list, &CEncodingListView::deleteRequested, this, [this](int row) { OnDeleteRow(row); });
    connect(list, &CEncodingListView::reselectRequested, this, [this](int row) { OnReselectRow(row); });
    connect(list, &CEncodingListView::toggleRequested, this, [this](int row) { OnToggleRow(row); });
    connect(list, &CEncodingListView::filesDropped, this,
            [this](const QStringList& paths) { OpenFiles(paths); });
    connect(m_pModel.get(), &CEncodingListModel::rowsReloaded, this, [this] {
        UpdateTotalSize();
        // While the oracle fills the list the view follows the last row.
        if (m_bBusy && m_pModel->rowCount() > 0)
            GetListView()->scrollToBottom();
    });
    auto* priority = m_controls.As<QComboBox>(IDC_PRIORITY);
    connect(priority, &QComboBox::activated, this, [this, priority](int index) {
        m_pJobs->ChoosePriority(priority->itemText(index).toStdString());
    });
}

void CMainDlg::ConnectHost() {
    connect(&m_host, &CQtHost::statusText, this,
            [this](const QString& text) { SetFieldText(IDC_STATUS, text); });
    connect(&m_host, &CQtHost::percentText, this,
            [this](const QString& text) { SetFieldText(IDC_PERCENT, text); });
    connect(&m_host, &CQtHost::progressRange, this,
            [this](int low, int high) { m_controls.As<QProgressBar>(IDC_PROGRESS)->setRange(low, high); });
    connect(&m_host, &CQtHost::progressPos, this,
            [this](int pos) { m_controls.As<QProgressBar>(IDC_PROGRESS)->setValue(pos); });
    connect(&m_host, &CQtHost::currentTime, this,
            [this](const QString& text) { SetFieldText(IDC_CURRENT_TIME, text); });
    connect(&m_host, &CQtHost::remainingTime, this,
            [this](const QString& text) { SetFieldText(IDC_REMAINING_TIME, text); });
    connect(&m_host, &CQtHost::jobStarted, this, [this] { JobStarted(); });
    connect(&m_host, &CQtHost::jobFinished, this, [this] { JobFinished(); });
    connect(&m_host, &CQtHost::waitBoxEnded, this, [this](int result) { m_abort.End(result); });
}

CPreviewScreen* CMainDlg::GetScreen(bool low) const {
    return m_controls.As<CPreviewScreen>(low ? IDC_LOW_SCREEN : IDC_FAST_SCREEN);
}

CEncodingListView* CMainDlg::GetListView() const {
    return m_controls.As<CEncodingListView>(IDC_ENCODING_LIST);
}

QSlider* CMainDlg::GetSlider() const {
    return m_controls.As<QSlider>(IDC_SLIDER);
}

std::string CMainDlg::ChooseFile(const FileDialogRequest& request) {
    return m_chooser ? m_chooser(request) : ChooseFileWithDialog(this, request);
}

void CMainDlg::SetFieldText(int id, const QString& text) {
    QWidget* widget = m_controls.Get(id);
    if (auto* field = qobject_cast<QLineEdit*>(widget))
        field->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
}

void CMainDlg::EnableControl(int id, bool enable) {
    m_controls.Get(id)->setEnabled(enable);
}

void CMainDlg::UpdateTotalSize() {
    SetFieldText(IDC_FINAL_SIZE, QString::fromStdString(m_list.GetTotalSizeText()));
}

void CMainDlg::JobStarted() {
    GetListView()->setEnabled(false);
    m_bBusy = true;
    Refresh(true);
}

void CMainDlg::JobFinished() {
    GetListView()->setEnabled(true);
    m_bBusy = false;
    Refresh(true);
}

int32_t CMainDlg::GetCurrentFrame() const {
    int32_t frame = 0;
    m_store.GetInt("Slider", "Value", frame);
    return frame;
}

void CMainDlg::Refresh(bool redraw) {
    if (!m_bInitialised)
        return;
    const int32_t f = GetCurrentFrame();
    if (redraw) {
        for (const bool low : {true, false}) {
            GetScreen(low)->SetFrame(f);
            CNativeSizeWindow* native = GetNativeWindow(low);
            if (native->isVisible()) {
                native->SetTitle(QString::fromStdString(GetMovie(low).GetPath()));
                native->update();
            }
        }
    }
    SetFieldText(IDC_CURRENT_FRAME, QString::number(f));
    SetFieldText(IDC_START_FRAME, QString::number(m_marks.GetStart()));
    SetFieldText(IDC_END_FRAME, QString::number(m_marks.GetEnd()));
    const bool mark = IsMarkableFrame(f, *m_pLow) && !m_bBusy;
    for (const int id : {IDC_SET_START, IDC_SET_END, IDC_ADD_LOW, IDC_ADD_FAST})
        EnableControl(id, mark);
    const bool both = m_pLow->IsOpen() && m_pFast->IsOpen() && !m_bBusy;
    EnableControl(IDC_START_CREATING, both);
    EnableControl(IDC_AUTO_CREATE, both);
    for (const int id : {IDC_LOAD_PROJECT, IDC_SELECT_FAST, IDC_SELECT_LOW, IDC_RESET, IDC_SAVE_PROJECT,
                         IDC_FULL_CREATION, IDC_MERGE})
        EnableControl(id, !m_bBusy);
}

void CMainDlg::SelectRowAt(int32_t frame) {
    for (int row = 0; row < m_list.RowCount(); ++row) {
        const PartRange range = m_list.GetPartRange(row);
        if (range.start <= frame && frame <= range.end) {
            GetListView()->SelectRow(row);
            return;
        }
    }
}

void CMainDlg::MoveTo(int32_t frame) {
    GetSlider()->setValue(frame);
    m_store.SetInt("Slider", "Value", frame);
    Refresh(true);
    SelectRowAt(frame);
}

void CMainDlg::Navigate(ENavigation command) {
    int32_t frame = 0;
    if (NavigateFrom(command, GetSlider()->value(), *m_pLow, &frame))
        MoveTo(frame);
}

void CMainDlg::OnSliderReleased() {
    const int32_t frame = GetSlider()->value();
    m_store.SetInt("Slider", "Value", frame);
    Refresh(true);
    SelectRowAt(frame);
}

bool CMainDlg::LoadMovie(bool low, const std::string& path) {
    // A movie that does not open leaves the slot's movie as it was.
    auto movie = std::make_unique<CAVIFile>(m_host);
    if (!movie->Open(path, true))
        return false;
    (low ? m_pLow : m_pFast) = std::move(movie);
    const QSignalBlocker quiet(GetSlider());
    GetSlider()->setRange(0, GetMovie(low).GetLength() - 1);
    GetScreen(low)->SetMovie(path);
    GetNativeWindow(low)->SetTitle(QString::fromStdString(path));
    GetNativeWindow(low)->update();
    Refresh(true);
    return true;
}

void CMainDlg::Reset() {
    m_store.Clear();
    m_marks.Reset();
    m_store.SetInt("Slider", "Value", 0);
    {
        const QSignalBlocker quiet(GetSlider());
        GetSlider()->setRange(0, 0);
        GetSlider()->setValue(0);
    }
    m_list.Clear();
    m_pLow->Close();
    m_pFast->Close();
    for (const bool low : {true, false}) {
        GetScreen(low)->SetMovie("");
        GetNativeWindow(low)->SetTitle(QString());
        GetNativeWindow(low)->update();
    }
    Refresh(true);
}

void CMainDlg::OnSelectMovie(bool low) {
    const std::string path =
        ChooseFile({false, QString::fromUtf8(AVI_FILTER), QStringLiteral("*.avi"), false});
    if (path.empty())
        return;
    m_store.SetString("Movie Settings", low ? "Low-File" : "Fast-File", path);
    LoadMovie(low, path);
}

void CMainDlg::OnStartCreating() {
    if (!m_pLow->IsOpen() || !m_pFast->IsOpen() || m_bBusy)
        return;
    const std::string path = ChooseFile({true, QString::fromUtf8(AVI_FILTER), QStringLiteral("*.avi"), true});
    if (path.empty())
        return;
    const CAVIStream* video = m_pLow->GetStream(m_pLow->GetVideoIndex());
    const int32_t spacing = video ? video->GetFramesPerSecond() : 25;
    m_pJobs->StartAssembly(path, m_pLow->GetPath(), m_pFast->GetPath(), spacing, m_list);
}

void CMainDlg::OnAutoCreate() {
    if (!m_pLow->IsOpen() || !m_pFast->IsOpen() || m_bBusy)
        return;
    PrepareAutoCreate();
    m_autoCreate.LoadQuality(*m_pLow, m_list);
    if (m_autoCreate.Open(m_language) == QDialog::Accepted)
        StartAutoCreate();
}

void CMainDlg::PrepareAutoCreate() {
    m_autoCreate.Prepare(m_pLow->GetPath(), m_store);
}

bool CMainDlg::StartAutoCreate() {
    return m_pJobs->StartOracle(m_autoCreate.GetSettings(), m_pLow->GetPath(), m_pFast->GetPath(), m_store,
                                m_list);
}

void CMainDlg::OnMergeAvis() {
    if (m_bBusy || m_mergeAvis.Open(m_language) != QDialog::Accepted || m_mergeAvis.fileList.empty())
        return;
    const std::string path = ChooseFile({true, QString::fromUtf8(AVI_FILTER), QStringLiteral("*.avi"), true});
    if (!path.empty())
        m_pJobs->StartMerge({m_mergeAvis.fileList, path, m_mergeAvis.syncAudio});
}

void CMainDlg::OnFullCreation() {
    m_pFullCreation->Run();
}

void CMainDlg::ConnectFullCreation() {
    CFullCreationDlg::Context context;
    context.store = &m_store;
    context.host = &m_host;
    context.language = &m_language;
    context.autoCreate = &m_autoCreate;
    context.chooseFile = [this](const FileDialogRequest& request) { return ChooseFile(request); };
    context.chooseCodec = [this](const std::string& source, CodecOptions& record, FOURCC proposed) {
        return CCompressorDlg::Choose(&m_fullCreation, source, record, proposed);
    };
    m_fullCreation.SetContext(std::move(context));
}

void CMainDlg::OnSetStart() {
    m_marks.SetStart(GetSlider()->value());
    Refresh(true);
}

void CMainDlg::OnSetEnd() {
    m_marks.SetEnd(GetSlider()->value(), NavigationLength(*m_pLow));
    Refresh(true);
}

void CMainDlg::OnAddPart(bool fast) {
    m_marks.AddPart(m_list, fast ? *m_pFast : *m_pLow, fast ? EPartEncoding::Fast : EPartEncoding::Low);
    Refresh(true);
}

void CMainDlg::OnDeleteRow(int row) {
    if (row >= 0)
        m_list.DeleteRow(row);
}

void CMainDlg::OnReselectRow(int row) {
    m_marks.Reselect(m_list, row);
    GetSlider()->setValue(m_marks.GetStart());
    m_store.SetInt("Slider", "Value", m_marks.GetStart());
    Refresh(true);
}

void CMainDlg::OnToggleRow(int row) {
    m_marks.Toggle(m_list, row, *m_pLow, *m_pFast);
    Refresh(true);
}

void CMainDlg::OnScreenClicked(bool low) {
    CPreviewScreen* screen = GetScreen(low);
    const QRect rect(screen->mapToGlobal(QPoint(0, 0)), screen->size());
    screen->hide();
    CNativeSizeWindow* native = GetNativeWindow(low);
    native->SetTitle(QString::fromStdString(GetMovie(low).GetPath()));
    native->ShowAt(rect);
}

void CMainDlg::OnOptions() {
    if (m_options.Open(m_language) != QDialog::Accepted)
        return;
    ApplyLanguage();
    m_programSettings.SetString("LANGUAGE", "CurrentLanguage", m_options.m_strCurrentLanguage);
    try {
        m_programSettings.Save(m_programSettings.GetFileName());
    } catch (const CIniFileError&) {
        // The choice holds for this run; nothing is reported.
    }
}

void CMainDlg::OnAbout() {
    CAboutDlg about(this);
    about.setWindowIcon(windowIcon());
    about.exec();
}

void CMainDlg::OnDataBase() {
    m_pDataBaseCommand->Run();
}

void CMainDlg::OnLoadProject() {
    m_pProject->OnLoadProject();
}

void CMainDlg::OnSaveProject() {
    m_pProject->OnSaveProject();
}

void CMainDlg::OpenFiles(const QStringList& paths, int slot) {
    if (paths.isEmpty() || m_bBusy)
        return;
    if (paths.first().endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive)) {
        m_pProject->LoadProject(paths.first().toStdString());
        return;
    }
    for (int i = 0; i < paths.size() && i < 2; ++i) {
        const bool low = slot >= 0 ? slot == 0 : i == 0;
        const std::string path = paths[i].toStdString();
        m_store.SetString("Movie Settings", low ? "Low-File" : "Fast-File", path);
        LoadMovie(low, path);
        if (slot >= 0)
            break;
    }
}

void CMainDlg::ArrangeScreens() {
    QWidget* commands = m_controls.Get(IDC_GROUP_COMMANDS);
    QWidget* movieControl = m_controls.Get(IDC_GROUP_MOVIE);
    CPreviewScreen* lowScreen = GetScreen(true);
    CPreviewScreen* fastScreen = GetScreen(false);
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int h = (commands->x() + 2 * border) / 2;
    const int height = movieControl->y() - fastScreen->y() - 8;
    lowScreen->setGeometry(lowScreen->x(), lowScreen->y(), h - 30, height);
    fastScreen->setGeometry(h, fastScreen->y(), h - 30, height);
    QWidget* caption = m_controls.Get(IDC_FAST_CAPTION);
    caption->setGeometry(h, caption->y(), h - 30, caption->height());
}

void CMainDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_bInitialised)
        return;
    m_layout.Arrange();
    ArrangeScreens();
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_F1:
        OnAbout();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
    // The keypad's + and - step through the movie wherever the focus is in
    // this window; the key then goes on as usual. Only its first receiver
    // (the focus widget) counts, so a key passed on to the parents steps once.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        const bool first =
            widget == QApplication::focusWidget() || (!QApplication::focusWidget() && widget == this);
        if (first && (widget == this || isAncestorOf(widget)) && (key->modifiers() & Qt::KeypadModifier)) {
            if (key->key() == Qt::Key_Plus)
                Navigate(ENavigation::Next);
            else if (key->key() == Qt::Key_Minus)
                Navigate(ENavigation::Prev);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("&About Flintmoor..."), this, [this] { OnAbout(); });
    menu.exec(event->globalPos());
}

void CMainDlg::done(int result) {
    // The program ends with this window: a running job is stopped and its
    // files are closed first, and no job may wait for a box any more.
    if (!m_bClosing) {
        m_bClosing = true;
        m_host.Shutdown();
        m_pJobs->Shutdown();
        for (CNativeSizeWindow* native : {m_pNativeLow, m_pNativeFast}) {
            if (native)
                native->hide();
        }
    }
    QDialog::done(result);
}
