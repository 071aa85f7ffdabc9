#include "core/envelope/PictureCache.h"

#include "core/envelope/Jpeg.h"

#include <QFileInfo>

QImage PictureCache::picture(const QString& relativePath) {
    QString path = m_folder + relativePath;
    if (!m_shared.isEmpty() && !QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        path = m_shared + relativePath;
    const QFileInfo info(path);
    const auto cached = m_entries.constFind(path);
    if (cached != m_entries.constEnd() && info.exists() && cached->size == info.size() &&
        cached->modified == info.lastModified())
        return cached->image;
    QImage image = decodeJpeg(path);
    m_entries.insert(path, {info.lastModified(), info.size(), image});
    return image;
}
