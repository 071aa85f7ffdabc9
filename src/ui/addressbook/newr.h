#pragma once

#include <QDialog>

struct Windows;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the name of a recipient or sender being added. An empty name
// afterwards means the user cancelled.
class Tnewrec : public QDialog {
    Q_OBJECT

public:
    explicit Tnewrec(Windows& windows);

    // The line above the field: what kind of record is named.
    void setPrompt(const QString& text);
    // The name confirmed, without blanks at its ends; empty after "Отмена".
    QString name() const;

    void Button2Click();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Windows& w;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button2 = nullptr; // "Добавить"
    QPushButton* Button1 = nullptr; // "Отмена"
};
