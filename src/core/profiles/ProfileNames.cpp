#include "core/profiles/ProfileNames.h"

int ProfileNames::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant ProfileNames::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_names.at(index.row());
}

void ProfileNames::setNames(const QStringList& names) {
    if (names == m_names)
        return;
    beginResetModel();
    m_names = names;
    endResetModel();
}

void ProfileNames::append(const QString& name) {
    const int row = int(m_names.size());
    beginInsertRows({}, row, row);
    m_names.append(name);
    endInsertRows();
}

void ProfileNames::rename(int row, const QString& name) {
    if (row < 0 || row >= m_names.size() || m_names.at(row) == name)
        return;
    m_names[row] = name;
    emit dataChanged(index(row), index(row), {Qt::DisplayRole, Qt::EditRole});
}

void ProfileNames::remove(int row) {
    if (row < 0 || row >= m_names.size())
        return;
    beginRemoveRows({}, row, row);
    m_names.removeAt(row);
    endRemoveRows();
}
