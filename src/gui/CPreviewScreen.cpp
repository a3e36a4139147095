#include "gui/CPreviewScreen.h"
#include "gui/DroppedFiles.h"

#include "gui/CPreviewDecoder.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

CPreviewScreen::CPreviewScreen(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setAcceptDrops(true);
    m_pDecoder = std::make_unique<CPreviewDecoder>([this](int frame, const QImage& image) {
        // Hand the picture to the UI thread; the decoder is joined before
        // this screen goes away, and queued calls to a dead screen are dropped.
        QMetaObject::invokeMethod(
            this, [this, frame, image] { OnImage(frame, image); }, Qt::QueuedConnection);
    });
}

CPreviewScreen::~CPreviewScreen() {
    m_pDecoder.reset();
}

void CPreviewScreen::SetMovie(const std::string& path) {
    m_strPath = path;
    m_image = QImage();
    m_nImageFrame = -1;
    m_pDecoder->SetMovie(path);
    if (!path.empty())
        m_pDecoder->Request(m_nFrame);
    update();
}

void CPreviewScreen::SetFrame(int frame) {
    m_nFrame = frame;
    if (HasMovie() && frame != m_nImageFrame)
        m_pDecoder->Request(frame);
}

void CPreviewScreen::SetCaption(const std::string& caption) {
    m_strText = QString::fromStdString(caption);
    update();
}

void CPreviewScreen::OnImage(int frame, const QImage& image) {
    if (!HasMovie())
        return;
    m_image = image;
    m_nImageFrame = frame;
    update();
    emit imageChanged(frame);
}

void CPreviewScreen::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inside = contentsRect();
    if (HasMovie()) {
        painter.fillRect(inside, Qt::black);
        if (!m_image.isNull())
            painter.drawImage(inside, m_image);
        return;
    }
    painter.drawText(inside.adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, m_strText);
}

void CPreviewScreen::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

void CPreviewScreen::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CPreviewScreen::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedFiles(event->mimeData());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        emit filesDropped(paths);
    }
}
