#pragma once

#include "ui/controls/NameDialog.h"

struct Windows;

// Asks for a group's name. The caller sets the caption and the confirm button's text. The
// field keeps the last confirmed name and is emptied by any other way of closing, so an
// empty field afterwards means there is nothing to do.
class GroupNameDialog : public NameDialog {
    Q_OBJECT

public:
    explicit GroupNameDialog(Windows& windows);

    // What confirming does ("Добавить", "Изменить"): the caption and the confirm button say it.
    using NameDialog::setAction;
};
