#include "ui/editor/DelayOptions.h"

#include "core/profiles/ProgramOptions.h"
#include "ui/common/ControlNames.h"
#include "ui/controls/DialogParts.h"
#include "ui/controls/NumberKeyFilter.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

namespace Editor = ControlNames::Editor;

namespace {

void describe(QWidget* control, const QString& name, const QString& programName) {
    control->setAccessibleName(name);
    setProgramName(control, programName);
}

} // namespace

DelayOptions::DelayOptions(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    everyEnvelope = new QRadioButton(QStringLiteral("Задержка печати"), this);
    everyEnvelope->setChecked(true);
    describe(everyEnvelope, everyEnvelope->text(), Editor::delayEveryEnvelope);
    byProfile = new QRadioButton(QStringLiteral("Задержка печати только по профилям"), this);
    describe(byProfile, byProfile->text(), Editor::delayByProfile);
    seconds = new QLineEdit(QStringLiteral("0"), this);
    seconds->setFixedWidth(40);
    describe(seconds, QStringLiteral("Задержка печати, секунд"), Editor::delayField);
    spinner = new QSpinBox(this);
    spinner->setRange(0, 100);
    spinner->setFixedWidth(18);
    spinner->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    describe(spinner, QStringLiteral("Задержка печати, секунд"), Editor::delaySpinner);
    grid->addWidget(everyEnvelope, 0, 0, 1, 2);
    grid->addWidget(byProfile, 1, 0, 1, 2);
    grid->addWidget(seconds, 0, 2);
    grid->addWidget(spinner, 0, 3);

    // The spinner and the field move together; the field alone is saved, as typed.
    new NumberKeyFilter(seconds, 2);
    connect(spinner, &QSpinBox::valueChanged, this, [this](int value) {
        if (seconds->text() != QString::number(value))
            seconds->setText(QString::number(value));
    });
    connect(seconds, &QLineEdit::textChanged, this, [this](const QString& text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok)
            return;
        const QSignalBlocker blocker(spinner);
        spinner->setValue(std::clamp(value, spinner->minimum(), spinner->maximum()));
    });
}

void DelayOptions::read(const IniFile& ini) {
    const ProgramOptions options = ProgramOptions::read(ini);
    seconds->setText(options.printdelay);
    if (options.delayBeforeEveryEnvelope())
        everyEnvelope->setChecked(true);
    else
        byProfile->setChecked(true);
}

void DelayOptions::write(IniFile& ini) const {
    ProgramOptions::writeDelay(ini, seconds->text(),
                               everyEnvelope->isChecked() ? QStringLiteral("1")
                                                          : QStringLiteral("2"));
}
