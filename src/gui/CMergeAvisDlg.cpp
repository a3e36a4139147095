#include "gui/CMergeAvisDlg.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/TextNumbers.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>

#include <iterator>

namespace {
constexpr const char* SECTION = "MERGE_AVIS_DLG";
constexpr const char* AVI_FILES = "AVI Files (*.avi);;All Files (*.*)";
using E = EControl;
using D = CMergeAvisDlg;

// id, kind, x, y, w, h, built-in caption, section, key, default text, mode
const ControlSpec g_aMergeControls[] = {
    {D::IDC_GROUP, E::Group, 5, 5, 289, 152, "File List", SECTION, "FileList", "File List", -1},
    {D::IDC_SELECT_FILES, E::Button, 227, 17, 60, 14, "Select Files", SECTION, "SelectFiles", "Select Files",
     -1},
    {D::IDC_FIRST, E::Button, 227, 43, 60, 14, "First", SECTION, "First", "First", -1},
    {D::IDC_UP, E::Button, 227, 61, 60, 14, "Up", SECTION, "Up", "Up", -1},
    {D::IDC_DOWN, E::Button, 227, 79, 60, 14, "Down", SECTION, "Down", "Down", -1},
    {D::IDC_LAST, E::Button, 227, 97, 60, 14, "Last", SECTION, "Last", "Last", -1},
    {D::IDC_CHECK_AVI, E::Button, 227, 135, 60, 14, "Check AVI", SECTION, "CheckAVI", "Check AVI", -1},
    {D::IDC_SYNC, E::Check, 10, 161, 200, 10, "Try synchronizing Audio Stream if needed", SECTION,
     "TrySynchronization", "Try synchronizing Audio Stream if needed", -1},
    {D::IDC_START, E::Button, 5, 174, 75, 14, "Start", SECTION, "Start", "Start", -1},
    {D::IDC_HELP, E::Button, 219, 174, 75, 14, "Help", SECTION, "Help", "Help", -1},
};

const char* const HELP_TEXT =
    "Select Files: You can select different AVIs which you can merge together to one AVI. The top element of "
    "the list is the first part and the bottom element is the last part of the new AVI.\r\n\r\n"
    "Start: Specify your Output AVI and start merging.\r\n\r\nFirst (Pos1): Sets selected element to the top "
    "of the list.\r\n"
    "Last (End): Sets selected element to the bottom of the list.\r\n"
    "Up (Cursor Up): Moves up selected element one position.\r\n"
    "Down (Cursor Down): Moves down selected element one position.\r\n\r\n"
    "Try synchronizing Audio if needed: Sometimes, it could be that the Audio Stream is (some milliseconds) "
    "to short. If you try to merge many AVIs, it could happen that the Audio Stream is at least many seconds "
    "to short. To avoid this problem, activate this option. "
    "Flintmoor checks the Synchronization of Video and Audio and if the Audio Stream is to short, it fills "
    "the rest of the Audio Stream with silence. At this part, you don´t hear sound, but this avoids the "
    "problem that the Video and Audio Stream get asynchronous.\r\n\r\n"
    "Check AVI: Select one AVI and press this button. Flintmoor puts out the length in Milliseconds of the "
    "video and the audio stream. So you can see, if the audio and the video stream have got different "
    "length.";

// Length in milliseconds of a file's stream, 0 when it has none.
int32_t StreamLength(const CAVIFile& file, int index) {
    const CAVIStream* stream = index >= 0 ? file.GetStream(index) : nullptr;
    return stream ? stream->SampleToTime(stream->GetLength()) : 0;
}
} // namespace

CMergeAvisDlg::CMergeAvisDlg(IHost& host, QWidget* parent) : QDialog(parent), m_host(host) {
    setWindowTitle(QStringLiteral("Merge different AVIs together"));
    const QFontMetrics metrics(font());
    setFixedSize(CDialogControls::ToPixels(0, 0, 299, 192, metrics).size());
    m_controls.Build(this, g_aMergeControls, std::size(g_aMergeControls));
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("c%1").arg(IDC_FILE_LIST));
    m_pList->setGeometry(CDialogControls::ToPixels(12, 17, 208, 133, metrics));
    m_pList->setRootIsDecorated(false);
    m_pList->setHeaderLabels({QStringLiteral("File Name")});
    m_pList->header()->setStretchLastSection(false);
    m_pList->setColumnWidth(0, 400);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->installEventFilter(this);

    const auto button = [this](int id, void (CMergeAvisDlg::*handler)()) {
        connect(m_controls.As<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    button(IDC_SELECT_FILES, &CMergeAvisDlg::OnSelectFiles);
    button(IDC_FIRST, &CMergeAvisDlg::OnFirst);
    button(IDC_UP, &CMergeAvisDlg::OnUp);
    button(IDC_DOWN, &CMergeAvisDlg::OnDown);
    button(IDC_LAST, &CMergeAvisDlg::OnLast);
    button(IDC_CHECK_AVI, &CMergeAvisDlg::OnCheckAvi);
    button(IDC_SYNC, &CMergeAvisDlg::OnSyncClicked);
    button(IDC_START, &CMergeAvisDlg::OnStart);
    button(IDC_HELP, &CMergeAvisDlg::OnHelp);
}

int CMergeAvisDlg::Open(const CLanguage& source) {
    OnInitDialog(source);
    return exec();
}

void CMergeAvisDlg::OnInitDialog(const CLanguage& source) {
    m_pList->clear();
    syncAudio = true;
    m_controls.As<QCheckBox>(IDC_SYNC)->setChecked(true);
    m_language.Register(&m_title, "Merge different AVIs together", SECTION, "MainTitle",
                        CLanguage::MODE_REPLACE, &source);
    m_controls.RegisterLanguage(m_language, &source);
    m_language.ApplyAll();
}

void CMergeAvisDlg::OnSelectFiles() {
    QStringList files;
    if (m_chooser) {
        files = m_chooser();
    } else {
        QFileDialog dialog(this);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilter(QString::fromUtf8(AVI_FILES));
        if (dialog.exec() == QDialog::Accepted)
            files = dialog.selectedFiles();
    }
    // In the order the dialog gave them.
    for (const QString& file : files)
        AddFile(file);
}

void CMergeAvisDlg::AddFile(const QString& path) {
    // Doubled separators (a directory and a name glued together) are
    // single ones; "a//b" and "a/b" name the same file.
    QString clean = path;
    while (clean.contains(QStringLiteral("//")))
        clean.replace(QStringLiteral("//"), QStringLiteral("/"));
    auto* item = new QTreeWidgetItem(m_pList, {clean});
    item->setToolTip(0, clean);
}

QStringList CMergeAvisDlg::GetRows() const {
    QStringList rows;
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i)
        rows << m_pList->topLevelItem(i)->text(0);
    return rows;
}

void CMergeAvisDlg::OnStart() {
    fileList.clear();
    for (const QString& row : GetRows())
        fileList.push_back(row.toStdString());
    syncAudio = m_controls.As<QCheckBox>(IDC_SYNC)->isChecked();
    accept();
}

void CMergeAvisDlg::OnHelp() {
    m_host.MessageBox(HELP_TEXT, "", EMessageButtons::Ok, EMessageKind::Information);
}

int CMergeAvisDlg::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? -1 : m_pList->indexOfTopLevelItem(selected.first());
}

bool CMergeAvisDlg::MoveSelected(int step) {
    const int row = SelectedRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_pList->topLevelItemCount())
        return false;
    QTreeWidgetItem* item = m_pList->takeTopLevelItem(row);
    m_pList->insertTopLevelItem(target, item);
    m_pList->setCurrentItem(item);
    item->setSelected(true);
    return true;
}

void CMergeAvisDlg::OnFirst() {
    while (MoveSelected(-1)) {
    }
}

void CMergeAvisDlg::OnUp() {
    MoveSelected(-1);
}

void CMergeAvisDlg::OnDown() {
    MoveSelected(1);
}

void CMergeAvisDlg::OnLast() {
    while (MoveSelected(1)) {
    }
}

void CMergeAvisDlg::OnCheckAvi() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string path = m_pList->topLevelItem(row)->text(0).toStdString();
    CAVIFile file(m_host);
    if (!file.Open(path, false))
        return;
    const int32_t video = StreamLength(file, file.GetVideoIndex());
    const int32_t audio = StreamLength(file, file.GetAudioIndex());
    file.Close();
    m_host.MessageBox("Check for " + path + "\r\n\r\n" +
                          FormatC("Video Length: %d msec\r\nAudio Length: %d msec", video, audio),
                      "", EMessageButtons::Ok, EMessageKind::Information);
}

void CMergeAvisDlg::OnSyncClicked() {
    syncAudio = m_controls.As<QCheckBox>(IDC_SYNC)->isChecked();
}

bool CMergeAvisDlg::OnListKeyDown(int key) {
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (const int row = SelectedRow(); row >= 0)
            delete m_pList->takeTopLevelItem(row);
        return true;
    case Qt::Key_Home:
        OnFirst();
        return true;
    case Qt::Key_End:
        OnLast();
        return true;
    case Qt::Key_Up:
        OnUp();
        return true;
    case Qt::Key_Down:
        OnDown();
        return true;
    default:
        return false;
    }
}

bool CMergeAvisDlg::eventFilter(QObject* watched, QEvent* event) {
    // The keys move the file itself, not the selection, so the list's own
    // key handling must not see them.
    if (watched == m_pList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier)
        return OnListKeyDown(static_cast<QKeyEvent*>(event)->key());
    return QDialog::eventFilter(watched, event);
}
