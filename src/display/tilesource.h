#pragma once

#include <QByteArray>
#include <QString>
#include <QWebEngineUrlSchemeHandler>
#include <optional>

class QUrl;

// Map tiles from the user's own files, served to the map page under the URL scheme
// "zevidud-tiles" as "zevidud-tiles://tiles/z/x/y": a folder of z/x/y.png|jpg|jpeg|webp files, or an
// MBTiles file (SQLite, rows in TMS order: the row counts from the south).
//
// Only three integers in range ever reach the file system or the query, so no URL can name
// another file; a tile is read only when it is at most maxTileBytes.
class TileSource : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    static const QByteArray scheme;
    static constexpr int maxZoomLevel = 22;
    static constexpr qint64 maxTileBytes = 4 * 1024 * 1024;

    struct Key
    {
        int z = 0;
        int x = 0;
        int y = 0;
    };

    // Makes the scheme known to QtWebEngine. Must run before the QApplication is created.
    static void registerUrlScheme();

    explicit TileSource(QObject *parent = nullptr);
    ~TileSource() override;

    // A folder or an MBTiles file; false (and nothing open) when it holds no tiles we can read.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return mKind != Kind::None; }
    // The deepest zoom level the source has (0 when none).
    int maxZoom() const { return mMaxZoom; }

    // The tile key of "zevidud-tiles://tiles/z/x/y", or nothing when the URL is anything else:
    // other schemes, hosts, ports, queries, signs, leading zeros, or numbers outside the zoom
    // level's grid.
    static std::optional<Key> parseUrl(const QUrl &url);
    // The image's MIME type from its first bytes; empty when it is no PNG, JPEG or WebP.
    static QByteArray imageType(const QByteArray &data);

    // The tile's bytes, empty when the source has none (or it is too large or not an image).
    QByteArray tile(const Key &key) const;

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    enum class Kind { None, Folder, MBTiles };
    QByteArray folderTile(const Key &key) const;
    QByteArray mbtilesTile(const Key &key) const;

    Kind mKind = Kind::None;
    QString mPath;
    QString mConnection; // Qt SQL connection name, for MBTiles
    int mMaxZoom = 0;
};
