#pragma once

#include <QDialog>

struct Windows;
class QComboBox;

// The layout editor: the envelope of the current print profile.
class Tview : public QDialog {
    Q_OBJECT

public:
    explicit Tview(Windows& windows);

    // The choice of the current profile.
    QComboBox* cb1 = nullptr;

private:
    Windows& w;
};
