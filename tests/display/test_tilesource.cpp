// Local map tiles: which URLs name a tile, and what a folder and an MBTiles file give for them.
#include "tilesource.h"

#include <QBuffer>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray imageOf(QColor colour, const char *format)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QColor colourOf(const QByteArray &tile)
{
    return QImage::fromData(tile).pixelColor(4, 4);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

class TestTileSource : public QObject
{
    Q_OBJECT

private slots:
    void urls_data();
    void urls();
    void imageTypes();
    void folderTiles();
    void mbtilesRowsAreFlipped();
    void whatHoldsNoTilesIsRefused();
};

void TestTileSource::urls_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("key"); // "z/x/y", empty for no tile
    QTest::newRow("tile") << "zevidud-tiles://tiles/3/2/7" << "3/2/7";
    QTest::newRow("zoom 0") << "zevidud-tiles://tiles/0/0/0" << "0/0/0";
    QTest::newRow("deepest") << "zevidud-tiles://tiles/22/4194303/0" << "22/4194303/0";
    QTest::newRow("x beyond grid") << "zevidud-tiles://tiles/3/8/0" << "";
    QTest::newRow("y beyond grid") << "zevidud-tiles://tiles/3/0/8" << "";
    QTest::newRow("too deep") << "zevidud-tiles://tiles/23/0/0" << "";
    QTest::newRow("traversal") << "zevidud-tiles://tiles/../../etc/passwd" << "";
    QTest::newRow("encoded traversal") << "zevidud-tiles://tiles/1/%2E%2E/0" << "";
    QTest::newRow("encoded slash") << "zevidud-tiles://tiles/1/0%2F0/0" << "";
    QTest::newRow("negative") << "zevidud-tiles://tiles/1/-1/0" << "";
    QTest::newRow("plus") << "zevidud-tiles://tiles/1/+1/0" << "";
    QTest::newRow("leading zero") << "zevidud-tiles://tiles/1/01/0" << "";
    QTest::newRow("suffix") << "zevidud-tiles://tiles/1/1/0.png" << "";
    QTest::newRow("huge") << "zevidud-tiles://tiles/1/99999999999999/0" << "";
    QTest::newRow("extra part") << "zevidud-tiles://tiles/1/1/0/0" << "";
    QTest::newRow("too few") << "zevidud-tiles://tiles/1/1" << "";
    QTest::newRow("query") << "zevidud-tiles://tiles/1/1/0?a=b" << "";
    QTest::newRow("fragment") << "zevidud-tiles://tiles/1/1/0#x" << "";
    QTest::newRow("other host") << "zevidud-tiles://other/1/1/0" << "";
    QTest::newRow("port") << "zevidud-tiles://tiles:80/1/1/0" << "";
    QTest::newRow("user") << "zevidud-tiles://u@tiles/1/1/0" << "";
    QTest::newRow("other scheme") << "https://tiles/1/1/0" << "";
}

void TestTileSource::urls()
{
    QFETCH(QString, url);
    QFETCH(QString, key);
    const auto parsed = TileSource::parseUrl(QUrl(url));
    QCOMPARE(parsed ? QStringLiteral("%1/%2/%3").arg(parsed->z).arg(parsed->x).arg(parsed->y)
                    : QString(),
             key);
}

void TestTileSource::imageTypes()
{
    QCOMPARE(TileSource::imageType(imageOf(Qt::red, "PNG")), QByteArray("image/png"));
    QCOMPARE(TileSource::imageType(imageOf(Qt::red, "JPG")), QByteArray("image/jpeg"));
    QCOMPARE(TileSource::imageType(QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16)),
             QByteArray("image/webp"));
    QCOMPARE(TileSource::imageType("RIFF\x10\0\0\0WAVE"), QByteArray());
    QCOMPARE(TileSource::imageType("<html><script>"), QByteArray());
    QCOMPARE(TileSource::imageType(QByteArray()), QByteArray());
}

void TestTileSource::folderTiles()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("0/0/0.png"), imageOf(Qt::red, "PNG")));
    QVERIFY(writeFile(dir.filePath("5/3/4.jpg"), imageOf(Qt::blue, "JPG")));
    QVERIFY(writeFile(dir.filePath("5/3/5.png"), "not an image"));
    QVERIFY(writeFile(dir.filePath("5/3/6.png"), QByteArray(TileSource::maxTileBytes + 1, 'x')));
    QDir().mkpath(dir.filePath("30/0")); // beyond the deepest level: ignored
    QDir().mkpath(dir.filePath("notes"));

    TileSource source;
    QVERIFY(source.open(dir.path()));
    QCOMPARE(source.maxZoom(), 5);
    QCOMPARE(colourOf(source.tile({0, 0, 0})), QColor(Qt::red));
    QVERIFY(colourOf(source.tile({5, 3, 4})).blue() > 200);
    QVERIFY(source.tile({5, 3, 5}).isEmpty()); // not an image
    QVERIFY(source.tile({5, 3, 6}).isEmpty()); // too large
    QVERIFY(source.tile({5, 3, 7}).isEmpty()); // missing
    source.close();
    QVERIFY(!source.isOpen());
    QVERIFY(source.tile({0, 0, 0}).isEmpty());
}

void TestTileSource::mbtilesRowsAreFlipped()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("area.mbtiles");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "write");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                       "tile_row INTEGER, tile_data BLOB)"));
        const auto insert = [&](int z, int x, int row, const QByteArray &data) {
            q.prepare("INSERT INTO tiles VALUES (?, ?, ?, ?)");
            q.addBindValue(z);
            q.addBindValue(x);
            q.addBindValue(row);
            q.addBindValue(data);
            return q.exec();
        };
        // At zoom 2 the row counted from the south is 3 - y.
        QVERIFY(insert(2, 1, 3, imageOf(Qt::red, "PNG")));   // y 0: the north
        QVERIFY(insert(2, 1, 0, imageOf(Qt::green, "PNG"))); // y 3: the south
        QVERIFY(insert(2, 2, 2, QByteArray(TileSource::maxTileBytes + 1, 'x')));
        QVERIFY(insert(4, 0, 0, "text"));
        db.close();
    }
    QSqlDatabase::removeDatabase("write");

    TileSource source;
    QVERIFY(source.open(path));
    QCOMPARE(source.maxZoom(), 4);
    QCOMPARE(colourOf(source.tile({2, 1, 0})), QColor(Qt::red));
    QCOMPARE(colourOf(source.tile({2, 1, 3})), QColor(Qt::green));
    QVERIFY(source.tile({2, 2, 1}).isEmpty()); // too large
    QVERIFY(source.tile({4, 0, 15}).isEmpty()); // not an image
    QVERIFY(source.tile({2, 0, 0}).isEmpty());

    // Reopening elsewhere closes the file.
    QVERIFY(!source.open(dir.filePath("missing.mbtiles")));
    QVERIFY(!source.isOpen());
    QVERIFY(source.tile({2, 1, 0}).isEmpty());
}

void TestTileSource::whatHoldsNoTilesIsRefused()
{
    QTemporaryDir dir;
    TileSource source;
    QVERIFY(!source.open(QString()));
    QVERIFY(!source.open(dir.path())); // a folder without zoom levels
    QVERIFY(writeFile(dir.filePath("plain.txt"), "hello"));
    QVERIFY(!source.open(dir.filePath("plain.txt")));
    // An SQLite file without a tiles table, and one whose table is empty.
    for (const char *name : {"other.mbtiles", "empty.mbtiles"}) {
        const QString path = dir.filePath(name);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "write");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QByteArray(name) == "other.mbtiles"
                               ? "CREATE TABLE other (a INTEGER)"
                               : "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                                 "tile_row INTEGER, tile_data BLOB)"));
            db.close();
        }
        QSqlDatabase::removeDatabase("write");
        QVERIFY2(!source.open(path), name);
    }
    QCOMPARE(QSqlDatabase::connectionNames().size(), 0); // nothing left open
}

QTEST_GUILESS_MAIN(TestTileSource)
#include "test_tilesource.moc"
