#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>

// The envelope pictures of one program folder, each file decoded once: a file is
// decoded again only when its size or modification time has changed. The layout
// editor, the preview and the print run share one, so a print run decodes nothing
// that the editor has already shown.
class PictureCache {
public:
    // folder: the program folder with a trailing separator.
    explicit PictureCache(QString folder) : m_folder(std::move(folder)) {}

    // The picture at a path inside the folder ("images/dl_komy.jpg"); throws
    // UserError naming the file when it cannot be read or decoded.
    QImage picture(const QString& relativePath);

private:
    struct Entry {
        QDateTime modified;
        qint64 size = -1;
        QImage image;
    };
    QString m_folder;
    QHash<QString, Entry> m_entries;
};
