#include "core/run/ProgramFolder.h"

#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

QString withSeparator(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()) + '/';
}

} // namespace

QString userProgramFolder() {
    // As the XDG base directories say: a relative XDG_DATA_HOME is ignored.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return withSeparator(data + QStringLiteral("/envalo"));
}

ProgramPlace programPlace(const QString& exeDir) {
    ProgramPlace place;
    place.folder = withSeparator(exeDir);
    const QString shared = withSeparator(exeDir + QStringLiteral("/../share/envalo"));
    if (QFileInfo::exists(shared + QStringLiteral("envalo.ini")))
        place.shared = shared;
    if (QFileInfo::exists(place.folder + QStringLiteral("envalo.ini")) || place.shared.isEmpty())
        return place;
    place.folder = userProgramFolder();
    place.user = true;
    return place;
}

void layOutUserFolder(const ProgramPlace& place) {
    if (!place.user)
        return;
    if (!QDir().mkpath(place.folder))
        throw UserError(QStringLiteral("Не удалось создать папку «%1».").arg(native(place.folder)));
    for (const char* name : {"envalo.ini", "Convert.mdb"}) {
        const QString target = place.folder + QLatin1String(name);
        // A file the user has is theirs, whatever it holds; a link, even a broken one, too.
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue;
        // QFile::copy writes a temporary beside the target and renames it, so a name
        // never holds half a file; it refuses a target that appeared meanwhile.
        QFile source(place.shared + QLatin1String(name));
        if (!source.copy(target) && !QFileInfo::exists(target))
            throw UserError(QStringLiteral("Не удалось скопировать «%1» в папку «%2»: %3")
                                .arg(native(place.shared + QLatin1String(name)),
                                     native(place.folder), source.errorString()));
        // The installed file is read-only; the user's copy is the user's to change.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner |
                                          QFileDevice::ReadOwner);
    }
}

QString pdfFolderOf(const QString& appdir) {
    if (withSeparator(appdir) != userProgramFolder())
        return appdir + QStringLiteral("PDF");
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return documents + QStringLiteral("/Конверты");
}

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
