#pragma once

#include "ui/controls/ElidedLabel.h"

#include <QDialog>
#include <QTimer>
#include <vector>

struct LineMisfit;
struct Windows;
class QLabel;
class QToolButton;

// Shown by the print run before an envelope: counts down the print delay, or
// with print confirmation switched on waits for the user.
class DelayWindow : public QDialog {
    Q_OBJECT

public:
    explicit DelayWindow(Windows& windows);

    // What the next showing announces: the record and the profile of the
    // envelope; with confirm it waits for "Печатать" instead of counting down.
    void prepare(const QString& record, const QString& profile, bool confirm);
    // The lines of that envelope that are cut or left out, named under the countdown in
    // red; none: the window is as it always was.
    void prepareMisfits(const std::vector<LineMisfit>& misfits);
    // Whether the user closed the last showing with "Отмена", which stops the run.
    bool stopped() const { return m_stopped; }

    // One tick of the countdown; at zero the window closes as if "Печатать" were pressed.
    void tick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Esc is "Отмена": the key a person uses to say no never prints an envelope.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The countdown line's value, also as the name a screen reader speaks.
    void showCount(const QString& text);
    // As large as the lines shown need, never smaller than the window's own size.
    void fitSize();

    Windows& w;
    QString m_record;
    QString m_profile;
    bool m_confirm = false;
    // Seconds left; starts from the print delay at each showing.
    int m_secondsLeft = 0;
    bool m_stopped = false;

    QLabel* m_recordCaption = nullptr;
    ElidedLabel* m_recordName = nullptr; // cut in the middle when long
    QLabel* m_profileCaption = nullptr;
    ElidedLabel* m_profileName = nullptr;
    QLabel* m_countdownCaption = nullptr;
    QLabel* m_countdown = nullptr; // the seconds left, or "Ожидание"
    QLabel* m_misfits = nullptr;   // what does not fit; hidden when all does
    QLabel* m_title = nullptr;
    QToolButton* m_print = nullptr;  // "Печатать"
    QToolButton* m_cancel = nullptr; // "Отмена"
    // A child of the window, so that it can be found by its name like the controls.
    QTimer m_countdownTimer{this};
};
