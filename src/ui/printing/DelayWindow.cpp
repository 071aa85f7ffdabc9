#include "ui/printing/DelayWindow.h"
#include "ui/controls/DialogParts.h"

#include "core/envelope/Envelope.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

namespace names = ControlNames::Printing;

QLabel* describedLabel(const QString& text, const QString& programName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    setProgramName(label, programName);
    return label;
}

QToolButton* button(const QString& text, const QString& programName, QWidget* parent) {
    auto* result = new QToolButton(parent);
    result->setText(text);
    result->setAccessibleName(text);
    setProgramName(result, programName);
    result->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return result;
}

} // namespace

DelayWindow::DelayWindow(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("Задержка"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAccessibleName(windowTitle());
    setProgramName(this, names::delayWindow);

    // The borderless window draws its own title strip.
    m_title = describedLabel(QStringLiteral("Печать конверта"), names::delayTitle, this);
    m_title->setIndent(4);
    m_title->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; background: qlineargradient("
                       "x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #0A246A, stop: 1 #A6CAF0); }"));
    m_recordCaption = describedLabel(QStringLiteral("Название: "), names::delayRecordCaption, this);
    // The values are spoken as they read: the record, the profile, the seconds left.
    m_recordName = new ElidedLabel(this);
    setProgramName(m_recordName, names::delayRecord);
    m_profileCaption = describedLabel(QStringLiteral("Профиль:"), names::delayProfileCaption, this);
    m_profileName = new ElidedLabel(this);
    setProgramName(m_profileName, names::delayProfile);
    m_countdownCaption = describedLabel(QStringLiteral("Печать начнётся через:"),
                                        names::delayCountdownCaption, this);
    m_countdown = describedLabel({}, names::delayCountdown, this);
    // The widest value it shows, so that no tick makes the line wider than the window, and
    // two letters' room after it, so that «Ожидание» never touches the window's edge.
    const QFontMetrics countdownFont = m_countdown->fontMetrics();
    m_countdown->setMinimumWidth(
        std::max(countdownFont.horizontalAdvance(QStringLiteral("Ожидание")),
                 countdownFont.horizontalAdvance(QStringLiteral("000"))) +
        2 * countdownFont.averageCharWidth());
    m_misfits = describedLabel({}, names::delayMisfits, this);
    m_misfits->setStyleSheet(QStringLiteral("QLabel { color: #C00000; }"));
    m_misfits->hide();
    m_print = button(QStringLiteral("Печатать"), names::delayPrint, this);
    m_cancel = button(QStringLiteral("Отмена"), names::delayCancel, this);

    // Names stand beside their captions; the countdown line is a sentence of its
    // own, its caption whole and the number after it.
    auto* lines = new QGridLayout;
    lines->setContentsMargins(6, 4, 6, 4);
    lines->setHorizontalSpacing(4);
    lines->setVerticalSpacing(2);
    lines->addWidget(m_recordCaption, 0, 0);
    lines->addWidget(m_recordName, 0, 1);
    lines->addWidget(m_profileCaption, 1, 0);
    lines->addWidget(m_profileName, 1, 1);
    auto* countdown = new QHBoxLayout;
    countdown->setSpacing(4);
    countdown->addWidget(m_countdownCaption);
    countdown->addWidget(m_countdown, 1);
    lines->addLayout(countdown, 2, 0, 1, 2);
    lines->addWidget(m_misfits, 3, 0, 1, 2);
    lines->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 0, 6, 4);
    buttons->addWidget(m_print);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addLayout(lines);
    layout->addStretch();
    layout->addLayout(buttons);
    // The title's style sheet makes its font bold only once it is polished; the
    // strip is 20 pixels high, or as high as a larger font needs.
    ensurePolished();
    m_title->setFixedHeight(std::max(20, m_title->sizeHint().height()));
    // 231 x 99 where the fonts allow it; larger fonts widen and heighten the
    // window just enough, and a long name is cut rather than widening it.
    fitSize();

    m_countdownTimer.setObjectName(names::delayTimer);
    m_countdownTimer.setInterval(1000);
    connect(&m_countdownTimer, &QTimer::timeout, this, &DelayWindow::tick);
    connect(m_print, &QToolButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QToolButton::clicked, this, [this] {
        m_stopped = true;
        reject();
    });
}

void DelayWindow::prepare(const QString& record, const QString& profile, bool confirm) {
    m_record = record;
    m_profile = profile;
    m_confirm = confirm;
}

void DelayWindow::prepareMisfits(const std::vector<LineMisfit>& misfits) {
    QStringList places;
    QStringList described;
    for (const LineMisfit& misfit : misfits) {
        places.append(misfitPlace(misfit));
        described.append(misfitDescription(misfit));
    }
    const QString text = places.isEmpty()
                             ? QString()
                             : QStringLiteral("Не помещается:\n") + places.join(QLatin1Char('\n'));
    m_misfits->setText(text);
    m_misfits->setAccessibleName(text);
    m_misfits->setToolTip(described.join(QLatin1Char('\n')));
    m_misfits->setVisible(!text.isEmpty());
    fitSize();
}

void DelayWindow::fitSize() {
    layout()->invalidate();
    layout()->activate();
    setFixedSize(layout()->minimumSize().expandedTo(QSize(231, 99)));
}

void DelayWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_stopped = false;
    m_recordName->setFullText(m_record);
    m_profileName->setFullText(m_profile);
    m_secondsLeft = ProgramOptions::read(w.profileStore->ini()).printDelaySeconds();
    showCount(QString::number(m_secondsLeft));
    if (m_confirm) {
        showCount(QStringLiteral("Ожидание"));
        m_countdownTimer.stop();
    } else {
        m_countdownTimer.start();
    }
    move(w.mainWindow->geometry().center() - rect().center());
}

void DelayWindow::hideEvent(QHideEvent* event) {
    // A window closed by a button must not tick on into the next showing.
    m_countdownTimer.stop();
    QDialog::hideEvent(event);
}

void DelayWindow::keyPressEvent(QKeyEvent* event) {
    // QDialog would close the window as the close box does, and the run would go on
    // printing; Esc stops it as "Отмена" does. The close box keeps its meaning.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DelayWindow::tick() {
    --m_secondsLeft;
    showCount(QString::number(m_secondsLeft));
    m_countdown->repaint();
    if (m_secondsLeft <= 0)
        accept();
}

void DelayWindow::showCount(const QString& text) {
    m_countdown->setText(text);
    m_countdown->setAccessibleName(text);
}
