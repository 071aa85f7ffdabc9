#include "Tools.h"

#include <QDebug>
#include <QFile>
#include <QProcess>

QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qWarning() << program << arguments << process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool isCompletePdf(const QString& pdf) {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 64)
        return false;
    const QByteArray head = file.read(8);
    file.seek(file.size() - 32);
    return head.startsWith("%PDF-") && file.readAll().contains("%%EOF");
}
