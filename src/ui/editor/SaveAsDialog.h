#pragma once

#include <QDialog>

struct Windows;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the name under which the layout editor saves its current layout.
// The result is the text Edit1 holds when the dialog closes: empty after
// "Отмена" or Escape, kept as typed when the window's close box closes it.
class SaveAsDialog : public QDialog {
    Q_OBJECT

public:
    explicit SaveAsDialog(Windows& windows);

    QString name() const;
    void Button1Click();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Windows& w;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr; // "ОК"
    QPushButton* Button2 = nullptr; // "Отмена"
    bool m_placed = false;
    bool m_closeBox = false;
};
