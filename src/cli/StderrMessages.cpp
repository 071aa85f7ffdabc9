#include "cli/StderrMessages.h"

#include <QDialog>
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

void StderrMessages::error(const QString& text) {
    ++m_told;
    write(text);
}

bool StderrMessages::question(const QString& text, const QString& title) {
    Q_UNUSED(title);
    ++m_told;
    write(text + QStringLiteral("\nОтвет: отмена (нет окна для ответа)."));
    return false;
}

int StderrMessages::showModal(QDialog& dialog) {
    Q_UNUSED(dialog);
    return QDialog::Rejected;
}

bool StderrMessages::printerDialog(QPrinter& printer) {
    Q_UNUSED(printer);
    return false;
}

QString StderrMessages::inputBox(const QString& caption, const QString& prompt,
                                 const QString& initial) {
    Q_UNUSED(caption);
    Q_UNUSED(prompt);
    return initial;
}

bool StderrMessages::fontDialog(QFont& font, QColor& colour) {
    Q_UNUSED(font);
    Q_UNUSED(colour);
    return false;
}
