#pragma once

#include <QDialog>

struct Windows;

// The preview of the envelope being printed.
class Tdesk : public QDialog {
    Q_OBJECT

public:
    explicit Tdesk(Windows& windows);

private:
    Windows& w;
};
