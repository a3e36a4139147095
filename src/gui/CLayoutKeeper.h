#pragma once
// Keeps controls where they belong when their window changes size: each
// control follows the right or bottom edge, keeps its offset, or stretches,
// by its mode (see Arrange), and the window cannot shrink below its minimum.

#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

class CLayoutKeeper {
public:
    // A minimum of -1 takes the window's present size.
    void Init(QWidget* window, bool keepMinWidth, bool keepMinHeight, int minWidth, int minHeight);
    // Stores the control's distances to the client area's edges now.
    void Add(QWidget* control, int mode);
    // Places every control anew for the present client size.
    void Arrange();
    // Applies the minimum to a requested size; false when a limit applied.
    bool LimitSize(QSize& size) const;

    // The rectangle a control of `mode` gets in a client area of w x h.
    struct Entry {
        QWidget* control;
        int mode;
        int left, top, right, bottom; // offsets and margins at Add
        int width, height;
        double ratio;
    };
    static QRect Place(const Entry& entry, int w, int h);

private:
    QWidget* m_pWindow = nullptr;
    bool m_bKeepWidth = false;
    bool m_bKeepHeight = false;
    QSize m_minimum;
    std::vector<Entry> m_entries;
};
