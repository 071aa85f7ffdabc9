#pragma once

#include <QDialog>

struct Windows;

// Asks for a group's name.
class TAddGroup : public QDialog {
    Q_OBJECT

public:
    explicit TAddGroup(Windows& windows);

private:
    Windows& w;
};
