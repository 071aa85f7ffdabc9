#include "ui/printing/unWait.h"
#include "ui/controls/DialogParts.h"

#include "core/profiles/ProgramOptions.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"
#include "ui/editor/Options1.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

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

TfWait::TfWait(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("Задержка"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAccessibleName(windowTitle());
    setProgramName(this, QStringLiteral("fWait"));

    // The borderless window draws its own title strip.
    Label7 = describedLabel(QStringLiteral("Печать конверта"), QStringLiteral("Label7"), this);
    Label7->setIndent(4);
    Label7->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; background: qlineargradient("
                       "x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #0A246A, stop: 1 #A6CAF0); }"));
    Label1 = describedLabel(QStringLiteral("Название: "), QStringLiteral("Label1"), this);
    // The values are spoken as they read: the record, the profile, the seconds left.
    Label2 = new ElidedLabel(this);
    setProgramName(Label2, QStringLiteral("Label2"));
    Label3 = describedLabel(QStringLiteral("Профиль:"), QStringLiteral("Label3"), this);
    Label4 = new ElidedLabel(this);
    setProgramName(Label4, QStringLiteral("Label4"));
    Label5 =
        describedLabel(QStringLiteral("Печать начнётся через:"), QStringLiteral("Label5"), this);
    Label6 = describedLabel({}, QStringLiteral("Label6"), this);
    // The widest value it shows, so that no tick makes the line wider than the window.
    Label6->setMinimumWidth(
        std::max(Label6->fontMetrics().horizontalAdvance(QStringLiteral("Ожидание")),
                 Label6->fontMetrics().horizontalAdvance(QStringLiteral("000"))));
    SpeedButton2 = button(QStringLiteral("Печатать"), QStringLiteral("SpeedButton2"), this);
    SpeedButton1 = button(QStringLiteral("Отмена"), QStringLiteral("SpeedButton1"), this);

    // Names stand beside their captions; the countdown line is a sentence of its
    // own, its caption whole and the number after it.
    auto* lines = new QGridLayout;
    lines->setContentsMargins(6, 4, 6, 4);
    lines->setHorizontalSpacing(4);
    lines->setVerticalSpacing(2);
    lines->addWidget(Label1, 0, 0);
    lines->addWidget(Label2, 0, 1);
    lines->addWidget(Label3, 1, 0);
    lines->addWidget(Label4, 1, 1);
    auto* countdown = new QHBoxLayout;
    countdown->setSpacing(4);
    countdown->addWidget(Label5);
    countdown->addWidget(Label6, 1);
    lines->addLayout(countdown, 2, 0, 1, 2);
    lines->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 0, 6, 4);
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Label7);
    layout->addLayout(lines);
    layout->addStretch();
    layout->addLayout(buttons);
    // The title's style sheet makes its font bold only once it is polished; the
    // strip is 20 pixels high, or as high as a larger font needs.
    ensurePolished();
    Label7->setFixedHeight(std::max(20, Label7->sizeHint().height()));
    // 231 x 99 where the fonts allow it; larger fonts widen and heighten the
    // window just enough, and a long name is cut rather than widening it.
    setFixedSize(layout->minimumSize().expandedTo(QSize(231, 99)));

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TfWait::Timer1Timer);
    connect(SpeedButton2, &QToolButton::clicked, this, &QDialog::accept);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] {
        m_stopped = true;
        reject();
    });
}

void TfWait::prepare(const QString& record, const QString& profile, bool confirm) {
    waitName = record;
    waitProfile = profile;
    waitConfirm = confirm;
}

void TfWait::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_stopped = false;
    Label2->setFullText(waitName);
    Label4->setFullText(waitProfile);
    waitCount = ProgramOptions::read(w.opt->ini()).printDelaySeconds();
    showCount(QString::number(waitCount));
    if (waitConfirm) {
        showCount(QStringLiteral("Ожидание"));
        Timer1.stop();
    } else {
        Timer1.start();
    }
    move(w.mainWindow->geometry().center() - rect().center());
}

void TfWait::hideEvent(QHideEvent* event) {
    // A window closed by a button must not tick on into the next showing.
    Timer1.stop();
    QDialog::hideEvent(event);
}

void TfWait::Timer1Timer() {
    --waitCount;
    showCount(QString::number(waitCount));
    Label6->repaint();
    if (waitCount <= 0)
        accept();
}

void TfWait::showCount(const QString& text) {
    Label6->setText(text);
    Label6->setAccessibleName(text);
}
