#pragma once

#include <QFont>
#include <QString>

class QWidget;

// What the main window's parts share in building their controls.

// The control's accessible name, spoken by screen readers, and the program's own name for it.
void describe(QWidget* control, const QString& name, const char* programName);

// The font of the lists and the address editors.
QFont addressFont();
