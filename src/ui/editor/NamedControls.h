#pragma once

#include "ui/controls/DialogParts.h"

#include <QToolButton>
#include <QWidget>

// The layout editor's controls carry a spoken name and the program's own name.
inline void describe(QWidget* control, const QString& name, const QString& programName) {
    control->setAccessibleName(name);
    setProgramName(control, programName);
}

// A flat button of text whose spoken name is its text.
inline QToolButton* textButton(const QString& text, const QString& hint, const QString& programName,
                               QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    describe(button, text, programName);
    return button;
}
