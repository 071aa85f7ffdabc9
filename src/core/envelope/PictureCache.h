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
    // folder: the program folder with a trailing separator; shared: the installed defaults,
    // whose pictures serve where the folder has no file of that name (empty: none).
    explicit PictureCache(QString folder, QString shared = {})
        : m_folder(std::move(folder)), m_shared(std::move(shared)) {}

    // The picture at a path inside the folder ("images/dl_komy.jpg"), or inside the shared
    // defaults when the folder has no such file; throws UserError naming the file when it
    // cannot be read or decoded.
    QImage picture(const QString& relativePath);

private:
    struct Entry {
        QDateTime modified;
        qint64 size = -1;
        QImage image;
    };
    QString m_folder;
    QString m_shared;
    QHash<QString, Entry> m_entries;
};
