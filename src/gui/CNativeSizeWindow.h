#pragma once
// The native-size view of one preview screen: a topmost window that shows
// the screen's current picture at the movie's own frame size, its client
// area starting at the screen's top-left corner. A left click, closing it or
// losing the focus hides it and shows the screen again; a right click places
// it again where it was opened.

#include <QRect>
#include <QWidget>

class CPreviewScreen;

class CNativeSizeWindow : public QWidget {
    Q_OBJECT
public:
    explicit CNativeSizeWindow(CPreviewScreen* screen);

    // Shows the window at `screenRect` (global coordinates of the screen).
    void ShowAt(const QRect& screenRect);
    // Hides the window and shows the screen again.
    void Dismiss();
    void SetTitle(const QString& title);

    // The window rectangle for a client area of `size` at `topLeft`, moved so
    // that no part of the frame lies left of or above 0.
    static QRect PlaceClient(const QPoint& topLeft, const QSize& size, const QMargins& frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    CPreviewScreen* m_pScreen;
    QRect m_storedRect;
    bool m_bLeftPressed = false;
};
