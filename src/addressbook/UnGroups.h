#pragma once

#include <QDialog>

struct Windows;

// The recipient groups.
class TGroups : public QDialog {
    Q_OBJECT

public:
    explicit TGroups(Windows& windows);

private:
    Windows& w;
};
