#pragma once

#include <QDialog>

struct Windows;
class QLabel;

// The position pad: an envelope marker on a 200 by 200 pad at the current
// profile's corx, cory. No command shows it; the profile keeps the values.
class PositionPad : public QDialog {
    Q_OBJECT

public:
    explicit PositionPad(Windows& windows);

    // Moves the marker and stores its place in the current profile.
    void setMarker(int x, int y);
    // The marker's place as the current profile holds it, shown or not.
    QPoint marker() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Windows& w;
    QWidget* m_sheet = nullptr;
    QLabel* m_marker = nullptr; // the envelope on the sheet
};
