#pragma once

#include <QDialog>

struct Windows;

// Saves the current layout under a name.
class TfSaveAs : public QDialog {
    Q_OBJECT

public:
    explicit TfSaveAs(Windows& windows);

private:
    Windows& w;
};
