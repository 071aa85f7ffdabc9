#pragma once

#include <QDialog>

struct Windows;

// The position pad: where the envelope lies on the sheet.
class Ttpos : public QDialog {
    Q_OBJECT

public:
    explicit Ttpos(Windows& windows);

private:
    Windows& w;
};
