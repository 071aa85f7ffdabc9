#include "core/run/ProgramFolder.h"

#include "core/UserError.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

} // namespace

void requireProgramFolder(const QString& appdir) {
    const QFileInfo folder(appdir);
    if (!folder.exists())
        throw UserError(QStringLiteral("Папка программы «%1» не найдена.").arg(native(appdir)));
    if (!folder.isDir())
        throw UserError(QStringLiteral("«%1» не является папкой.").arg(native(appdir)));
    if (!QFileInfo::exists(appdir + QStringLiteral("envalo.ini")))
        throw UserError(
            QStringLiteral("В папке «%1» нет файла настроек envalo.ini.").arg(native(appdir)));
    if (!QFileInfo::exists(appdir + QStringLiteral("Convert.mdb")))
        throw UserError(QStringLiteral("В папке «%1» нет базы данных адресов Convert.mdb.")
                            .arg(native(appdir)));
}

std::unique_ptr<QLockFile> lockFolder(const QString& appdir, const QString& heldMessage) {
    auto lock = std::make_unique<QLockFile>(appdir + QStringLiteral(".envalo.lock"));
    // Only a lock whose program has ended is stale, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    if (lock->error() == QLockFile::LockFailedError)
        throw UserError(heldMessage.arg(QDir::toNativeSeparators(QDir(appdir).absolutePath())));
    return nullptr;
}
