#pragma once

#include <QDialog>

struct Windows;
class QLabel;
class QPushButton;

// About the program: its version and where its settings file lies.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit AboutWindow(Windows& windows);

private:
    QLabel* m_version = nullptr;
    QLabel* m_edition = nullptr;
    QLabel* m_settingsFile = nullptr;
    QPushButton* m_ok = nullptr;
};
