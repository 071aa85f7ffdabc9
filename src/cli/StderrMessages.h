#pragma once

// The one include of the message seam in the command line program.
#include "ui/common/Messages.h"

#include <QString>

// The message seam for a program without windows: every notice goes to stderr as
// a line of its own, and nothing is asked: a question is answered Cancel, a window is
// not shown, a dialog is not accepted.
class StderrMessages : public Messages {
public:
    void notice(const QString& text) override;
    void error(const QString& text) override;
    bool question(const QString& text, const QString& title) override;
    int showModal(QDialog& dialog) override;
    bool printerDialog(QPrinter& printer) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& initial) override;
    bool fontDialog(QFont& font, QColor& colour) override;

    // How many notices and errors were written, so a run can tell that one failed.
    int told() const { return m_told; }

    // Writes one message to stderr, its CR LF line ends as plain ones.
    static void write(const QString& text);

private:
    int m_told = 0;
};
