#pragma once

#include <QString>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The program's own name for a control (Edit1, cb1, Label6): its accessible description,
// and its object name, by which tests and tools find it.
void setProgramName(QWidget* control, const QString& programName);

// The name prompt's field, named for screen readers by `spoken`, with the label as its buddy.
QLineEdit* promptField(QLabel* label, const QString& spoken, const char* programName,
                       QWidget* parent);

// A dialog button named for screen readers by its text and, as the description,
// the program's own name for it; the default button answers Enter.
QPushButton* dialogButton(const QString& text, const char* programName, bool isDefault,
                          QWidget* parent);

// The small prompt windows' layout: the label, under it the field (or list),
// under that the confirm and cancel buttons side by side.
void layOutPrompt(QGridLayout* layout, QWidget* label, QWidget* field, QWidget* confirm,
                  QWidget* cancel);
