#pragma once

#include "ui/controls/ElidedLabel.h"

#include <QDialog>
#include <QTimer>

struct Windows;
class QLabel;
class QToolButton;

// Shown by the print run before an envelope: counts down the print delay, or
// with print confirmation switched on waits for the user.
class TfWait : public QDialog {
    Q_OBJECT

public:
    explicit TfWait(Windows& windows);

    // Set by the run before each showing.
    QString waitName;
    QString waitProfile;
    // Wait for "Печатать" instead of counting down.
    bool waitConfirm = false;
    // Seconds left; starts from the print delay at each showing.
    int waitCount = 0;

    QLabel* Label1 = nullptr;
    ElidedLabel* Label2 = nullptr; // the record's name, cut in the middle when long
    QLabel* Label3 = nullptr;
    ElidedLabel* Label4 = nullptr; // the profile's name
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr; // the seconds left, or "Ожидание"
    QLabel* Label7 = nullptr;
    QToolButton* SpeedButton2 = nullptr; // "Печатать"
    QToolButton* SpeedButton1 = nullptr; // "Отмена"
    QTimer Timer1;

    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The countdown line's value, also as the name a screen reader speaks.
    void showCount(const QString& text);

    Windows& w;
};
