#include "gui/CNativeSizeWindow.h"

#include "gui/CPreviewScreen.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

CNativeSizeWindow::CNativeSizeWindow(CPreviewScreen* screen)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), m_pScreen(screen) {
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(screen, &CPreviewScreen::imageChanged, this, [this] {
        if (isVisible())
            update();
    });
}

QRect CNativeSizeWindow::PlaceClient(const QPoint& topLeft, const QSize& size, const QMargins& frame) {
    QRect client(topLeft, size);
    if (client.left() - frame.left() < 0)
        client.moveLeft(frame.left());
    if (client.top() - frame.top() < 0)
        client.moveTop(frame.top());
    return client;
}

void CNativeSizeWindow::ShowAt(const QRect& screenRect) {
    m_storedRect = screenRect;
    const QImage& image = m_pScreen->GetImage();
    if (!m_pScreen->HasMovie() || image.isNull()) {
        setGeometry(screenRect);
    } else {
        // Before the first show the frame is unknown; the usual decoration.
        const QMargins frame = isVisible() ? QMargins(geometry().left() - frameGeometry().left(),
                                                      geometry().top() - frameGeometry().top(), 0, 0)
                                           : QMargins(0, 0, 0, 0);
        setGeometry(PlaceClient(screenRect.topLeft(), image.size(), frame));
    }
    show();
    raise();
    activateWindow();
    update();
}

void CNativeSizeWindow::Dismiss() {
    hide();
    m_pScreen->show();
}

void CNativeSizeWindow::SetTitle(const QString& title) {
    setWindowTitle(title);
}

void CNativeSizeWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& image = m_pScreen->GetImage();
    if (m_pScreen->HasMovie() && !image.isNull())
        painter.drawImage(QPoint(0, 0), image);
    else
        painter.fillRect(rect(), Qt::black);
}

void CNativeSizeWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_bLeftPressed = true;
}

void CNativeSizeWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bLeftPressed) {
        m_bLeftPressed = false;
        Dismiss();
    } else if (event->button() == Qt::RightButton) {
        ShowAt(m_storedRect);
    }
}

void CNativeSizeWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    Dismiss();
}

void CNativeSizeWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible())
        Dismiss();
    QWidget::changeEvent(event);
}
