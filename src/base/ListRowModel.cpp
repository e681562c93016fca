#include "base/ListRowModel.h"

ListRowModel::ListRowModel(QObject *parent) : QAbstractTableModel(parent) {}

void ListRowModel::setColumns(const QVector<Column> &columns) {
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void ListRowModel::setHeaderText(int column, const QString &text) {
    if (column < 0 || column >= m_columns.size()) return;
    m_columns[column].header = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int ListRowModel::addRow(const QString &key, const QString &text, const QString &iconKey) {
    if (!key.isEmpty() && rowOfKey(key) >= 0) return -1;
    const int r = int(m_rows.size());
    beginInsertRows({}, r, r);
    m_rows.append(Row{key, text, iconKey, {}, {}});
    if (!key.isEmpty()) m_keyRows.insert(key, r);
    endInsertRows();
    return r;
}

bool ListRowModel::removeRowByKey(const QString &key) {
    const int r = rowOfKey(key);
    if (r < 0) return false;
    beginRemoveRows({}, r, r);
    m_rows.removeAt(r);
    m_keyRows.remove(key);
    for (int k = r; k < m_rows.size(); ++k)
        if (!m_rows[k].key.isEmpty()) m_keyRows[m_rows[k].key] = k;
    endRemoveRows();
    return true;
}

void ListRowModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_keyRows.clear();
    endResetModel();
}

int ListRowModel::rowOfKey(const QString &key) const {
    return m_keyRows.value(key, -1);
}

void ListRowModel::changed(int r, int column) {
    const QModelIndex idx = index(r, column);
    emit dataChanged(idx, idx);
}

void ListRowModel::setText(int r, const QString &text) {
    if (r < 0 || r >= m_rows.size()) return;
    m_rows[r].text = text;
    changed(r, 0);
}

void ListRowModel::setSubItem(int r, int column, const QString &text) {
    if (r < 0 || r >= m_rows.size() || column < 1) return;
    QStringList &items = m_rows[r].subItems;
    while (items.size() < column)
        items.append(QString());
    if (items[column - 1] == text) return;
    items[column - 1] = text;
    changed(r, column);
}

QString ListRowModel::subItem(int r, int column) const {
    if (r < 0 || r >= m_rows.size() || column < 1) return {};
    return m_rows[r].subItems.value(column - 1);
}

void ListRowModel::setIconKey(int r, const QString &iconKey) {
    if (r < 0 || r >= m_rows.size()) return;
    m_rows[r].iconKey = iconKey;
    changed(r, 0);
}

void ListRowModel::setTag(int r, const QString &tag) {
    if (r >= 0 && r < m_rows.size()) m_rows[r].tag = tag;
}

void ListRowModel::appendTag(int r, const QString &text) {
    if (r >= 0 && r < m_rows.size()) m_rows[r].tag += text;
}

int ListRowModel::leadingNumber(const QString &key) {
    int i = 0;
    while (i < key.size() && key[i].isDigit())
        ++i;
    return i == 0 ? 0 : key.left(qMin(i, 9)).toInt();
}

int ListRowModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ListRowModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ListRowModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const Row &row = m_rows[index.row()];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return column == 0 ? row.text : row.subItems.value(column - 1);
    case Qt::TextAlignmentRole:
        return column < m_columns.size()
                   ? QVariant(int(m_columns[column].alignment | Qt::AlignVCenter))
                   : QVariant();
    case KeyRole:
        return row.key;
    case TagRole:
        return row.tag;
    case IconKeyRole:
        return column == 0 ? row.iconKey : QString();
    default:
        return {};
    }
}

QVariant ListRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size()) return {};
    if (role == Qt::DisplayRole) return m_columns[section].header;
    if (role == Qt::TextAlignmentRole) return int(m_columns[section].alignment | Qt::AlignVCenter);
    return {};
}
