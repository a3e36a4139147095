#include "gui/CLayoutKeeper.h"

#include <QWidget>

void CLayoutKeeper::Init(QWidget* window, bool keepMinWidth, bool keepMinHeight, int minWidth,
                         int minHeight) {
    m_pWindow = window;
    m_bKeepWidth = keepMinWidth;
    m_bKeepHeight = keepMinHeight;
    const QSize size = window->size();
    m_minimum = QSize(minWidth < 0 ? size.width() : minWidth, minHeight < 0 ? size.height() : minHeight);
    m_entries.clear();
    if (m_bKeepWidth || m_bKeepHeight)
        window->setMinimumSize(m_bKeepWidth ? m_minimum.width() : 0, m_bKeepHeight ? m_minimum.height() : 0);
}

void CLayoutKeeper::Add(QWidget* control, int mode) {
    const QRect r = control->geometry();
    const int w = m_pWindow->width();
    const int h = m_pWindow->height();
    m_entries.push_back(Entry{control, mode, r.left(), r.top(), w - (r.left() + r.width()),
                              h - (r.top() + r.height()), r.width(), r.height(),
                              h > 0 ? static_cast<double>(w) / h : 1.0});
}

QRect CLayoutKeeper::Place(const Entry& e, int w, int h) {
    int x = e.left;
    int y = e.top;
    int width = e.width;
    int height = e.height;
    const bool followRight = e.mode == 0 || e.mode == 6 || e.mode == 7;
    const bool stretchWidth = e.mode == 1 || e.mode == 5;
    const bool followBottom = e.mode == 0 || e.mode == 1 || e.mode == 2 || e.mode == 4;
    const bool stretchHeight = e.mode == 3 || e.mode == 5 || e.mode == 7 || e.mode == 8;
    if (followRight)
        x = w - e.right - width;
    if (stretchWidth)
        width = w - e.right - e.left;
    if (followBottom)
        y = h - e.bottom - height;
    if (stretchHeight)
        height = h - e.top - e.bottom;
    if (e.mode == 8)
        width = static_cast<int>(height * e.ratio);
    return QRect(x, y, width, height);
}

void CLayoutKeeper::Arrange() {
    if (!m_pWindow)
        return;
    for (const Entry& entry : m_entries)
        entry.control->setGeometry(Place(entry, m_pWindow->width(), m_pWindow->height()));
}

bool CLayoutKeeper::LimitSize(QSize& size) const {
    if (size.isNull())
        return true;
    bool fits = true;
    if (m_bKeepWidth && size.width() < m_minimum.width()) {
        size.setWidth(m_minimum.width());
        fits = false;
    }
    if (m_bKeepHeight && size.height() < m_minimum.height()) {
        size.setHeight(m_minimum.height());
        fits = false;
    }
    return fits;
}
