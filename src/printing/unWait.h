#pragma once

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
    // Seconds left; starts from the print delay at each showing.
    int waitCount = 0;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QToolButton* SpeedButton2 = nullptr; // "Печатать"
    QToolButton* SpeedButton1 = nullptr; // "Отмена"
    QTimer Timer1;

    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Windows& w;
};
