#pragma once

#include <QString>

class QGridLayout;
class QPushButton;
class QWidget;

// A dialog button named for screen readers by its text and, as the description,
// the program's own name for it; the default button answers Enter.
QPushButton* dialogButton(const QString& text, const char* programName, bool isDefault,
                          QWidget* parent);

// The small prompt windows' layout: the label, under it the field (or list),
// under that the confirm and cancel buttons side by side.
void layOutPrompt(QGridLayout* layout, QWidget* label, QWidget* field, QWidget* confirm,
                  QWidget* cancel);
