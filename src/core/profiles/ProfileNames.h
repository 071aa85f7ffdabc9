#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The names of the profiles in the settings file, in file order: the one list that
// the editor's profile choice, its list of profiles to print and the main window's
// profile choice all show, so that a name is added, renamed or removed once.
class ProfileNames : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QStringList& names() const { return m_names; }
    // Replaces the whole list, and only when it differs: a reset moves every view's
    // chosen entry, which an unchanged list must not do.
    void setNames(const QStringList& names);
    void append(const QString& name);
    void rename(int row, const QString& name);
    void remove(int row);

private:
    QStringList m_names;
};
