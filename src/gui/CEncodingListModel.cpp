#include "gui/CEncodingListModel.h"

#include "encoding/CEncodingList.h"

#include <QThread>

CEncodingListModel::CEncodingListModel(CEncodingList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {
    m_rows = list.Rows();
    m_nListener = list.Subscribe([this](const EncodingListChange&) {
        if (QThread::currentThread() == thread()) {
            Reload();
            return;
        }
        // Many changes in a row (the oracle adding rows) make one reload.
        if (!m_bReloadPosted.exchange(true))
            QMetaObject::invokeMethod(
                this, [this] { Reload(); }, Qt::QueuedConnection);
    });
}

CEncodingListModel::~CEncodingListModel() {
    m_list.Unsubscribe(m_nListener);
}

void CEncodingListModel::Reload() {
    m_bReloadPosted.store(false);
    beginResetModel();
    m_rows = m_list.Rows();
    endResetModel();
    emit rowsReloaded();
}

int CEncodingListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CEncodingListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : COLUMN_COUNT;
}

QVariant CEncodingListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(m_rows.size()) ||
        index.column() >= COLUMN_COUNT)
        return QVariant();
    return QString::fromStdString(
        m_rows[static_cast<size_t>(index.row())].cells[static_cast<size_t>(index.column())]);
}

QVariant CEncodingListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= COLUMN_COUNT)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(g_aEncodingColumns[section].heading);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return QVariant();
}
