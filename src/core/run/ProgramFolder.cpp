#include "core/run/ProgramFolder.h"

#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

} // namespace

QString addressBookOf(const QString& appdir, const QString& database) {
    if (!database.trimmed().isEmpty())
        return database.trimmed();
    return ProgramOptions::read(IniFile(appdir + QStringLiteral("envalo.ini")))
        .addressBookIn(appdir);
}

void requireProgramFolder(const QString& appdir, const QString& database) {
    const QFileInfo folder(appdir);
    if (!folder.exists())
        throw UserError(QStringLiteral("Папка программы «%1» не найдена.").arg(native(appdir)));
    if (!folder.isDir())
        throw UserError(QStringLiteral("«%1» не является папкой.").arg(native(appdir)));
    if (!QFileInfo::exists(appdir + QStringLiteral("envalo.ini")))
        throw UserError(
            QStringLiteral("В папке «%1» нет файла настроек envalo.ini.").arg(native(appdir)));
    const QString book = addressBookOf(appdir, database);
    // Before the text is named in any message.
    AddressDb::refusePassword(book);
    if (book.startsWith(QLatin1String("postgresql://")) ||
        book.startsWith(QLatin1String("postgres://")) || QFileInfo::exists(book))
        return;
    if (book == appdir + QStringLiteral("Convert.mdb"))
        throw UserError(QStringLiteral("В папке «%1» нет базы данных адресов Convert.mdb.")
                            .arg(native(appdir)));
    throw UserError(QStringLiteral("Файл адресной книги «%1» не найден.").arg(native(book)));
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
