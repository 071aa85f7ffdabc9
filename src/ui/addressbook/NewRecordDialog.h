#pragma once

#include "ui/controls/NameDialog.h"

struct Windows;

// Asks for the name of a recipient or sender being added. The name is confirmed without
// blanks at its ends; an empty name afterwards means the user cancelled.
class NewRecordDialog : public NameDialog {
    Q_OBJECT

public:
    explicit NewRecordDialog(Windows& windows);

    // The line above the field: what kind of record is named.
    using NameDialog::setPrompt;
};
