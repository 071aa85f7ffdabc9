#include "unWait.h"

#include "app/Envalo.h"
#include "app/Windows.h"
#include "editor/uView.h"
#include "profiles/Options1.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel* describedLabel(const QString& text, const QString& programName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    label->setAccessibleDescription(programName);
    return label;
}

QToolButton* button(const QString& text, const QString& programName, QWidget* parent) {
    auto* result = new QToolButton(parent);
    result->setText(text);
    result->setAccessibleName(text);
    result->setAccessibleDescription(programName);
    result->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return result;
}

} // namespace

TfWait::TfWait(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Задержка"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAccessibleName(windowTitle());
    setAccessibleDescription(QStringLiteral("fWait"));
    setFixedSize(231, 99);

    // The borderless window draws its own title strip.
    Label7 = describedLabel(QStringLiteral("Печать конверта"), QStringLiteral("Label7"), this);
    Label7->setFixedHeight(20);
    Label7->setIndent(4);
    Label7->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; background: qlineargradient("
                       "x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #0A246A, stop: 1 #A6CAF0); }"));
    Label1 = describedLabel(QStringLiteral("Название: "), QStringLiteral("Label1"), this);
    // The values are spoken with their captions' words.
    Label2 = describedLabel({}, QStringLiteral("Label2"), this);
    Label2->setAccessibleName(QStringLiteral("Название"));
    Label3 = describedLabel(QStringLiteral("Профиль:"), QStringLiteral("Label3"), this);
    Label4 = describedLabel({}, QStringLiteral("Label4"), this);
    Label4->setAccessibleName(QStringLiteral("Профиль"));
    Label5 =
        describedLabel(QStringLiteral("Печать начнётся через:"), QStringLiteral("Label5"), this);
    Label6 = describedLabel({}, QStringLiteral("Label6"), this);
    Label6->setAccessibleName(QStringLiteral("Печать начнётся через"));
    SpeedButton2 = button(QStringLiteral("Печатать"), QStringLiteral("SpeedButton2"), this);
    SpeedButton1 = button(QStringLiteral("Отмена"), QStringLiteral("SpeedButton1"), this);

    auto* lines = new QGridLayout;
    lines->setContentsMargins(6, 2, 6, 0);
    lines->setVerticalSpacing(0);
    const std::initializer_list<std::pair<QLabel*, QLabel*>> rows = {
        {Label1, Label2}, {Label3, Label4}, {Label5, Label6}};
    int row = 0;
    for (auto [caption, value] : rows) {
        lines->addWidget(caption, row, 0);
        lines->addWidget(value, row++, 1);
    }
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

    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TfWait::Timer1Timer);
    connect(SpeedButton2, &QToolButton::clicked, this, &QDialog::accept);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] {
        w.frm->stopPrint = true;
        reject();
    });
}

void TfWait::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Label2->setText(waitName);
    Label4->setText(waitProfile);
    waitCount =
        w.opt->ini().readInteger(QStringLiteral("option"), QStringLiteral("printdelay"), 10);
    Label6->setText(QString::number(waitCount));
    if (w.view->cb3->isChecked()) {
        Label6->setText(QStringLiteral("Ожидание"));
        Timer1.stop();
    } else {
        Timer1.start();
    }
    move(w.frm->geometry().center() - rect().center());
}

void TfWait::hideEvent(QHideEvent* event) {
    // A window closed by a button must not tick on into the next showing.
    Timer1.stop();
    QDialog::hideEvent(event);
}

void TfWait::Timer1Timer() {
    --waitCount;
    Label6->setText(QString::number(waitCount));
    Label6->repaint();
    if (waitCount <= 0)
        accept();
}
