#pragma once

#include <QDialog>
#include <QHash>

struct Windows;
class QListWidget;
class QPushButton;

// The recipient groups: adds, renames and removes groups at once, and decides
// which are checked. Ticks are stored only by "Готово"; the recipient list then
// shows the members of the checked groups and the recipients in no group.
class GroupsWindow : public QDialog {
    Q_OBJECT

public:
    explicit GroupsWindow(Windows& windows);

    // "Добавить", "Удалить", "Изменить" and "Готово".
    void addGroup();
    void removeGroup();
    void renameGroup();
    void storeTicksAndClose();

protected:
    void showEvent(QShowEvent* event) override;

private:
    using Ticks = QHash<QString, Qt::CheckState>;

    // Refills the list from the groups table; lines named in keep get the tick
    // the user gave them, which is not stored yet.
    void refill(const Ticks& keep = {});
    Ticks ticks() const;
    // Asks the group-name window for a name; empty when there is nothing to do.
    QString askName(const QString& action);
    // Tells the user why a name cannot be used; true when it can.
    bool acceptable(const QString& name);

    Windows& w;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_all = nullptr;
    QPushButton* m_done = nullptr;
};
