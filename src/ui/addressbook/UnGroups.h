#pragma once

#include <QDialog>
#include <QHash>

struct Windows;
class QListWidget;
class QPushButton;

// The recipient groups: adds, renames and removes groups at once, and decides
// which are checked. Ticks are stored only by "Готово"; the recipient list then
// shows the members of the checked groups and the recipients in no group.
class TGroups : public QDialog {
    Q_OBJECT

public:
    explicit TGroups(Windows& windows);

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    using Ticks = QHash<QString, Qt::CheckState>;

    // Refills the list from the groups table; lines named in keep get the tick
    // the user gave them, which is not stored yet.
    void refill(const Ticks& keep = {});
    Ticks ticks() const;
    // Asks AddGroup for a name; empty when there is nothing to do.
    QString askName(const QString& action);
    // Tells the user why a name cannot be used; true when it can.
    bool acceptable(const QString& name);

    Windows& w;
    QListWidget* CLB = nullptr;
    QPushButton* Button1 = nullptr; // "Добавить"
    QPushButton* Button2 = nullptr; // "Удалить"
    QPushButton* Button3 = nullptr; // "Изменить"
    QPushButton* Button4 = nullptr; // "ВСЕ"
    QPushButton* Button5 = nullptr; // "Готово"
};
