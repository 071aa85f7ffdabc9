#pragma once

#include <QDialog>

struct Windows;
class QLabel;
class QPushButton;

// About the program: its version and where its settings file lies.
class TpAbout : public QDialog {
    Q_OBJECT

public:
    explicit TpAbout(Windows& windows);

private:
    QLabel* Label5 = nullptr; // the version
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr; // the settings file
    QPushButton* Button1 = nullptr;
};
