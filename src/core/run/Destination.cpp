#include "core/run/Destination.h"

#include "core/OutputFile.h"
#include "core/UserError.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The folder itself when it exists, else the nearest folder above it that does.
void requireFolderCanHold(const QString& target, const QString& folder) {
    QFileInfo at(QFileInfo(folder).absoluteFilePath());
    while (!at.exists() && !at.isRoot() && at.absoluteFilePath() != at.absolutePath())
        at = QFileInfo(at.absolutePath());
    const QString cannot = QStringLiteral("Нельзя записать «%1»: ").arg(native(target));
    if (!at.isDir())
        throw UserError(cannot +
                        QStringLiteral("«%1» не является папкой.").arg(native(at.filePath())));
    if (!at.isWritable())
        throw UserError(
            cannot + QStringLiteral("нет права записи в папку «%1».").arg(native(at.filePath())));
}

} // namespace

void requireWritableFile(const QString& path) {
    if (path.isEmpty())
        throw UserError(QStringLiteral("Не указано имя файла PDF."));
    OutputFile::requirePlace(path);
    // A device or a FIFO is written into where it stands: no file is made beside it.
    if (!OutputFile::writesDirectly(path))
        requireFolderCanHold(path, QFileInfo(path).absolutePath());
}

void requireWritableFolder(const QString& path) {
    if (path.isEmpty())
        throw UserError(QStringLiteral("Не указана папка для файлов PDF."));
    const QFileInfo folder(path);
    if (folder.exists() && !folder.isDir())
        throw UserError(
            QStringLiteral("Нельзя записать файлы в «%1»: это не папка.").arg(native(path)));
    requireFolderCanHold(path, path);
}
