#pragma once
// The report view of the encoding list: single selection of whole rows,
// always shown. Its gestures are signals: Delete or Backspace, a
// double-click and a right-click (which first selects the row under the
// mouse) each name the first selected row, -1 for none. Files dropped on it
// are handed on.

#include <QTreeView>

class CEncodingListView : public QTreeView {
    Q_OBJECT
public:
    explicit CEncodingListView(QWidget* parent = nullptr);

    // The first selected row, -1 when none is.
    int SelectedRow() const;
    void SelectRow(int row);
    // Sets the column widths of the core's table (after a model is set).
    void ApplyColumnWidths();

signals:
    void deleteRequested(int row);
    void reselectRequested(int row);
    void toggleRequested(int row);
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The right click belongs to the list: no window menu over it.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
