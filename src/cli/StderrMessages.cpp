#include "cli/StderrMessages.h"

#include <cstdio>

void StderrMessages::write(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!line.endsWith(u'\n'))
        line += u'\n';
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void StderrMessages::notice(const QString& text) {
    ++m_told;
    write(text);
}
