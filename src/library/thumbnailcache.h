#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>

// Decoded row thumbnails, kept by file so a rebuild of the whole list does not read and decode
// every JPEG again. An entry is used only while the file's size and modification time (to the
// millisecond) are those it was read with; a thumbnail rewritten by the thumbnail program is read
// anew.
class ThumbnailCache
{
public:
    // The picture in the file, or a null pixmap when there is no such file or it is no picture.
    QPixmap pixmap(const QString &file);

    // A rebuild marks the files it asks for between these two calls; the end drops the others,
    // so the cache never holds more than the list shows.
    void beginPass();
    void endPass();

    int size() const { return entries.size(); }
    void clear() { entries.clear(); }

    // Pictures larger than this on a side are read scaled down: a stray large image in the
    // thumbnail folder must not cost a full-size decode that the row shows at 100x57 anyway.
    static constexpr int maxSide = 1024;

private:
    struct Entry
    {
        qint64 modified = 0;
        qint64 bytes = -1;
        QPixmap pixmap;
        bool used = false;
    };
    QHash<QString, Entry> entries;
};
