#pragma once
// The encoding list as a Qt table: the core list's six cells per row, with
// the core's headings. The list may change on the worker thread (the
// oracle fills it); the view then catches up on the UI thread, reading a
// snapshot, so it never reads the list half-changed.

#include "encoding/EncodingPart.h"

#include <QAbstractTableModel>

#include <atomic>
#include <vector>

class CEncodingList;

class CEncodingListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CEncodingListModel(CEncodingList& list, QObject* parent = nullptr);
    ~CEncodingListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The rows were read again from the list.
    void rowsReloaded();

private:
    void Reload();

    CEncodingList& m_list;
    int m_nListener = 0;
    std::vector<EncodingPart> m_rows;
    std::atomic<bool> m_bReloadPosted{false};
};
