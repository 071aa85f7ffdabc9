#pragma once

#include <QDialog>

struct Windows;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a group's name. The caller sets the caption and the confirm button's
// text. The field keeps the last confirmed name and is emptied by any other way
// of closing, so an empty field afterwards means there is nothing to do.
class GroupNameDialog : public QDialog {
    Q_OBJECT

public:
    explicit GroupNameDialog(Windows& windows);

    // What confirming does ("Добавить", "Изменить"): the caption and the confirm button say it.
    void setAction(const QString& action);
    // The name in the field: the one confirmed, or empty when the window was closed otherwise.
    QString name() const;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr; // confirms: "Добавить" or "Изменить"
    QPushButton* Button2 = nullptr; // "Отмена"
};
