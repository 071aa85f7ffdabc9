#include "core/UserError.h"
#include "core/addressbook/SqlScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>

namespace {

void report(const QString& message) {
    std::fputs(qPrintable(message + u'\n'), stderr);
}

bool occupied(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

// envalo_makedb <out.mdb> <schema.sql> [<more.sql>...]
// The file is built under a temporary name beside it and renamed when complete,
// so an interrupted build never leaves a half-filled database that later builds
// would take for the user's own.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2) {
        report(
            QStringLiteral("Использование: envalo_makedb <файл.mdb> <schema.sql> [<ещё.sql>...]"));
        return 2;
    }
    const QString out = args.first();
    const QString shownOut = QDir::toNativeSeparators(out);
    if (occupied(out)) {
        report(QStringLiteral("Файл %1 уже существует и не будет заменён.").arg(shownOut));
        return 1;
    }

    QTemporaryFile part(out + QStringLiteral(".part-XXXXXX"));
    if (!part.open()) {
        report(QStringLiteral("Не удалось создать файл рядом с %1: %2")
                   .arg(shownOut, part.errorString()));
        return 1;
    }
    part.close();
    // A temporary file is private to its owner; the database is an ordinary file.
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    const QStringList scriptPaths = args.mid(1);
    QStringList scripts;
    try {
        for (const QString& path : scriptPaths)
            scripts.append(readTextFile(path));
    } catch (const std::exception& e) {
        report(errorMessage(e));
        return 1;
    }
    for (qsizetype i = 0; i < scripts.size(); ++i) {
        try {
            runSqlScriptFile(part.fileName(), scripts.at(i));
        } catch (const std::exception& e) {
            report(
                QStringLiteral("Не удалось создать %1 по %2:\n%3")
                    .arg(shownOut, QDir::toNativeSeparators(scriptPaths.at(i)), errorMessage(e)));
            return 1;
        }
    }

    // QFile::rename never replaces an existing file, so a database that appeared
    // meanwhile stays as it is.
    const QString built = part.fileName();
    part.setAutoRemove(false);
    QFile file(built);
    if (!file.rename(out)) {
        QFile::remove(built);
        report(occupied(out)
                   ? QStringLiteral("Файл %1 уже существует и не будет заменён.").arg(shownOut)
                   : QStringLiteral("Не удалось создать %1: %2").arg(shownOut, file.errorString()));
        return 1;
    }
    return 0;
}
