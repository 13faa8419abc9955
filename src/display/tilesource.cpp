#include "tilesource.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <atomic>

const QByteArray TileSource::scheme = QByteArrayLiteral("zevidud-tiles");

namespace {

const char *const imageSuffixes[] = {".png", ".jpg", ".jpeg", ".webp"};

// A non-negative decimal without sign or leading zeros, at most 9 digits (fits an int).
std::optional<int> plainNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^(0|[1-9][0-9]{0,8})$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

QByteArray readBounded(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > TileSource::maxTileBytes)
        return QByteArray();
    return file.read(TileSource::maxTileBytes);
}

} // namespace

void TileSource::registerUrlScheme()
{
    if (QWebEngineUrlScheme::schemeByName(scheme).name() == scheme)
        return;
    QWebEngineUrlScheme tiles(scheme);
    // Chromium routes image loads only for schemes with a host part.
    tiles.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Secure, so the page may show its images as it shows its own; not local, since a local
    // scheme's content is refused to pages from qrc.
    tiles.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(tiles);
}

TileSource::TileSource(QObject *parent)
    : QWebEngineUrlSchemeHandler(parent)
{
}

TileSource::~TileSource()
{
    close();
}

void TileSource::close()
{
    if (!mConnection.isEmpty()) {
        QSqlDatabase::database(mConnection, false).close();
        QSqlDatabase::removeDatabase(mConnection);
        mConnection.clear();
    }
    mKind = Kind::None;
    mPath.clear();
    mMaxZoom = 0;
}

bool TileSource::open(const QString &path)
{
    close();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return false;
    if (info.isDir()) {
        // The deepest zoom folder decides how far the map may zoom in.
        int deepest = -1;
        const QStringList levels = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &level : levels) {
            const auto z = plainNumber(level);
            if (z && *z <= maxZoomLevel)
                deepest = std::max(deepest, *z);
        }
        if (deepest < 0)
            return false;
        mKind = Kind::Folder;
        mPath = info.absoluteFilePath();
        mMaxZoom = deepest;
        return true;
    }

    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("zevidud-tiles-%1").arg(serial++);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(info.absoluteFilePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        int deepest = -1;
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT MAX(zoom_level) FROM tiles")) && query.next()
                && !query.value(0).isNull()) {
                bool ok = false;
                const int z = query.value(0).toInt(&ok);
                if (ok && z >= 0)
                    deepest = std::min(z, int(maxZoomLevel));
            }
        }
        if (deepest < 0) {
            db.close();
        } else {
            mKind = Kind::MBTiles;
            mPath = info.absoluteFilePath();
            mConnection = connection;
            mMaxZoom = deepest;
        }
    }
    if (mKind == Kind::None)
        QSqlDatabase::removeDatabase(connection);
    return mKind != Kind::None;
}

std::optional<TileSource::Key> TileSource::parseUrl(const QUrl &url)
{
    if (!url.isValid() || url.scheme().toUtf8() != scheme || url.host() != QLatin1String("tiles")
        || url.port() != -1
        || url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty())
        return std::nullopt;
    const QStringList parts = url.path(QUrl::FullyEncoded).split(QLatin1Char('/'));
    if (parts.size() != 4 || !parts.at(0).isEmpty())
        return std::nullopt;
    const auto z = plainNumber(parts.at(1));
    const auto x = plainNumber(parts.at(2));
    const auto y = plainNumber(parts.at(3));
    if (!z || !x || !y || *z > maxZoomLevel)
        return std::nullopt;
    const int side = 1 << *z;
    if (*x >= side || *y >= side)
        return std::nullopt;
    return Key{*z, *x, *y};
}

QByteArray TileSource::imageType(const QByteArray &data)
{
    if (data.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return QByteArrayLiteral("image/png");
    if (data.startsWith(QByteArrayLiteral("\xff\xd8\xff")))
        return QByteArrayLiteral("image/jpeg");
    if (data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        return QByteArrayLiteral("image/webp");
    return QByteArray();
}

QByteArray TileSource::folderTile(const Key &key) const
{
    const QString base = mPath + QLatin1Char('/') + QString::number(key.z) + QLatin1Char('/')
                         + QString::number(key.x) + QLatin1Char('/') + QString::number(key.y);
    for (const char *suffix : imageSuffixes) {
        const QString path = base + QLatin1String(suffix);
        if (QFileInfo(path).isFile())
            return readBounded(path);
    }
    return QByteArray();
}

QByteArray TileSource::mbtilesTile(const Key &key) const
{
    QSqlDatabase db = QSqlDatabase::database(mConnection, false);
    if (!db.isOpen())
        return QByteArray();
    QSqlQuery query(db);
    // The size is checked by SQLite before the blob is read into memory.
    query.prepare(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND "
                                 "tile_column = ? AND tile_row = ? AND length(tile_data) <= ?"));
    query.addBindValue(key.z);
    query.addBindValue(key.x);
    query.addBindValue((1 << key.z) - 1 - key.y); // TMS rows count from the south
    query.addBindValue(maxTileBytes);
    if (!query.exec() || !query.next())
        return QByteArray();
    return query.value(0).toByteArray().left(int(maxTileBytes));
}

QByteArray TileSource::tile(const Key &key) const
{
    QByteArray data;
    if (mKind == Kind::Folder)
        data = folderTile(key);
    else if (mKind == Kind::MBTiles)
        data = mbtilesTile(key);
    return imageType(data).isEmpty() ? QByteArray() : data;
}

void TileSource::requestStarted(QWebEngineUrlRequestJob *job)
{
    const auto key = parseUrl(job->requestUrl());
    if (job->requestMethod() != QByteArrayLiteral("GET") || !key) {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    const QByteArray data = tile(*key);
    if (data.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto *buffer = new QBuffer(job);
    buffer->setData(data);
    job->reply(imageType(data), buffer);
}
