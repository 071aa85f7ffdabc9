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

    // What the next showing announces: the record and the profile of the
    // envelope; with confirm it waits for "Печатать" instead of counting down.
    void prepare(const QString& record, const QString& profile, bool confirm);
    // Whether the user closed the last showing with "Отмена", which stops the run.
    bool stopped() const { return m_stopped; }

    // One tick of the countdown; at zero the window closes as if "Печатать" were pressed.
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The countdown line's value, also as the name a screen reader speaks.
    void showCount(const QString& text);

    Windows& w;
    QString waitName;
    QString waitProfile;
    bool waitConfirm = false;
    // Seconds left; starts from the print delay at each showing.
    int waitCount = 0;
    bool m_stopped = false;

    QLabel* Label1 = nullptr;
    ElidedLabel* Label2 = nullptr; // the record's name, cut in the middle when long
    QLabel* Label3 = nullptr;
    ElidedLabel* Label4 = nullptr; // the profile's name
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr; // the seconds left, or "Ожидание"
    QLabel* Label7 = nullptr;
    QToolButton* SpeedButton2 = nullptr; // "Печатать"
    QToolButton* SpeedButton1 = nullptr; // "Отмена"
    // A child of the window, so that it can be found by its name like the controls.
    QTimer Timer1{this};
};
