#pragma once

#include "ui/controls/NameDialog.h"

struct Windows;

// Asks for the name under which the layout editor saves its current layout. The result is
// the text the field holds when the dialog closes: empty after "Отмена" or Escape, kept as
// typed when the window's close box closes it.
class SaveAsDialog : public NameDialog {
    Q_OBJECT

public:
    explicit SaveAsDialog(Windows& windows);

protected:
    void showEvent(QShowEvent* event) override;

private:
    Windows& w;
    bool m_placed = false;
};
