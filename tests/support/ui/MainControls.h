#pragma once

#include "Controls.h"

class CheckList;
class ListBox;
class QComboBox;
class QLineEdit;

// The main window's controls that tests use most, found by their program names.

CheckList* recipientList(QWidget& main);    // cb
ListBox* senderList(QWidget& main);         // cb2
QLineEdit* nameField(QWidget& main);        // rname, the record's name
QComboBox* recipientProfile(QWidget& main); // cbp, the recipient's print profile
