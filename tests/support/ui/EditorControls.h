#pragma once

#include "Controls.h"

class BlockLabel;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class Surface;
class CheckedComboBox;

// The layout editor's controls that tests use most, and its numbered ones, found by their
// program names like any other.

QComboBox* profileList(QWidget& editor);     // cb1
CheckedComboBox* printList(QWidget& editor); // ccb1, the profiles to print
QComboBox* formatList(QWidget& editor);      // cb2
QPushButton* saveButton(QWidget& editor);    // Button10, "Сохранить"
Surface* surface(QWidget& editor);           // p2, the envelope

// The coordinate field Edit<n>.
QLineEdit* field(QWidget& editor, int n);
// The label of text block n on the envelope, Label<n>.
BlockLabel* blockLabel(QWidget& editor, int n);
// The print toggles of the four pictures, SpeedButton1 to SpeedButton4, by slot.
QToolButton* pictureToggle(QWidget& editor, int slot);
QList<QToolButton*> pictureToggles(QWidget& editor);
// Item i of the sheet position menu.
QAction* positionItem(QWidget& editor, int i);
// The millimetre label beside the coordinate field Edit<n>.
QLabel* millimetreLabel(QWidget& editor, int n);
// An arrow button of the coordinate panels: all are named SB, so the one whose spoken
// name is given ("Сдвиг блок Получатель вниз").
QToolButton* arrowButton(QWidget& editor, const QString& spokenName);
