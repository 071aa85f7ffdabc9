#pragma once

#include "core/run/Notices.h"

#include <QString>

// The notices of a program without windows: every notice goes to stderr as a line of its
// own.
class StderrMessages : public Notices {
public:
    void notice(const QString& text) override;

    // How many notices were written, so a run can tell that one failed.
    int told() const { return m_told; }

    // Writes one message to stderr, its CR LF line ends as plain ones.
    static void write(const QString& text);

private:
    int m_told = 0;
};
