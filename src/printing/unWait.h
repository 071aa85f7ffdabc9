#pragma once

#include <QDialog>

struct Windows;

// The countdown or confirmation before an envelope is printed.
class TfWait : public QDialog {
    Q_OBJECT

public:
    explicit TfWait(Windows& windows);

private:
    Windows& w;
};
