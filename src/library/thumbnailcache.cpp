#include "thumbnailcache.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

QPixmap ThumbnailCache::pixmap(const QString &file)
{
    const QFileInfo info(file);
    if (!info.isFile()) {
        entries.remove(file);
        return QPixmap();
    }
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    const qint64 bytes = info.size();
    auto found = entries.find(file);
    if (found != entries.end() && found->modified == modified && found->bytes == bytes) {
        found->used = true;
        return found->pixmap;
    }

    QImageReader reader(file);
    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() > maxSide || declared.height() > maxSide))
        reader.setScaledSize(declared.scaled(maxSide, maxSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    Entry entry;
    entry.modified = modified;
    entry.bytes = bytes;
    entry.pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    entry.used = true;
    entries.insert(file, entry);
    return entry.pixmap;
}

void ThumbnailCache::beginPass()
{
    for (Entry &entry : entries)
        entry.used = false;
}

void ThumbnailCache::endPass()
{
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->used)
            ++it;
        else
            it = entries.erase(it);
    }
}
