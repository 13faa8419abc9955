// The decoded-thumbnail cache with real JPEG files in a temporary folder.
#include "thumbnailcache.h"

#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writePicture(const QString &file, QColor colour, QSize size = QSize(81, 60))
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(file, "JPG");
}

// JPEG is lossy: near enough to the colour written.
bool looksLike(const QPixmap &pixmap, QColor colour)
{
    const QColor shown = pixmap.toImage().pixelColor(pixmap.width() / 2, pixmap.height() / 2);
    return qAbs(shown.red() - colour.red()) < 30 && qAbs(shown.green() - colour.green()) < 30
           && qAbs(shown.blue() - colour.blue()) < 30;
}

} // namespace

class TestThumbnailCache : public QObject
{
    Q_OBJECT
private slots:
    void secondAskReusesTheDecodedPicture();
    void rewrittenFileIsReadAgain();
    void missingOrBrokenFilesGiveNoPicture();
    void largePictureIsReadScaledDown();
    void passDropsFilesNotAskedFor();

private:
    QTemporaryDir tmp;
};

void TestThumbnailCache::secondAskReusesTheDecodedPicture()
{
    const QString file = tmp.filePath(QStringLiteral("a.jpg"));
    QVERIFY(writePicture(file, Qt::red));
    ThumbnailCache cache;
    const QPixmap first = cache.pixmap(file);
    QCOMPARE(first.size(), QSize(81, 60));
    QVERIFY(looksLike(first, Qt::red));
    // The same pixmap data, not a new decode.
    QCOMPARE(cache.pixmap(file).cacheKey(), first.cacheKey());
    QCOMPARE(cache.size(), 1);
}

void TestThumbnailCache::rewrittenFileIsReadAgain()
{
    const QString file = tmp.filePath(QStringLiteral("b.jpg"));
    QVERIFY(writePicture(file, Qt::red));
    ThumbnailCache cache;
    const qint64 before = cache.pixmap(file).cacheKey();

    // Same size on disk is likely for two flat pictures; the time tells them apart.
    QVERIFY(writePicture(file, Qt::blue));
    QFile stamp(file);
    QVERIFY(stamp.open(QIODevice::ReadWrite));
    QVERIFY(stamp.setFileTime(QDateTime::currentDateTime().addSecs(5),
                              QFileDevice::FileModificationTime));
    stamp.close();
    const QPixmap after = cache.pixmap(file);
    QVERIFY(after.cacheKey() != before);
    QVERIFY(looksLike(after, Qt::blue));

    // A change within the same second but of another size is seen too.
    QVERIFY(writePicture(file, Qt::green, QSize(40, 30)));
    QVERIFY(stamp.open(QIODevice::ReadWrite));
    QVERIFY(stamp.setFileTime(QDateTime::currentDateTime().addSecs(5),
                              QFileDevice::FileModificationTime));
    stamp.close();
    QCOMPARE(cache.pixmap(file).size(), QSize(40, 30));
}

void TestThumbnailCache::missingOrBrokenFilesGiveNoPicture()
{
    ThumbnailCache cache;
    QVERIFY(cache.pixmap(tmp.filePath(QStringLiteral("none.jpg"))).isNull());
    QVERIFY(cache.pixmap(tmp.path()).isNull()); // a folder
    const QString broken = tmp.filePath(QStringLiteral("broken.jpg"));
    QFile out(broken);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("\xff\xd8\xff\xe0 not really a picture", 25);
    out.close();
    QVERIFY(cache.pixmap(broken).isNull());

    // A picture that goes away is not shown from the cache.
    const QString gone = tmp.filePath(QStringLiteral("gone.jpg"));
    QVERIFY(writePicture(gone, Qt::red));
    QVERIFY(!cache.pixmap(gone).isNull());
    QVERIFY(QFile::remove(gone));
    QVERIFY(cache.pixmap(gone).isNull());
}

void TestThumbnailCache::largePictureIsReadScaledDown()
{
    const QString file = tmp.filePath(QStringLiteral("large.jpg"));
    QVERIFY(writePicture(file, Qt::red, QSize(4000, 1000)));
    ThumbnailCache cache;
    const QPixmap pixmap = cache.pixmap(file);
    QCOMPARE(pixmap.size(), QSize(ThumbnailCache::maxSide, ThumbnailCache::maxSide / 4));
    QVERIFY(looksLike(pixmap, Qt::red));
}

void TestThumbnailCache::passDropsFilesNotAskedFor()
{
    const QString kept = tmp.filePath(QStringLiteral("kept.jpg"));
    const QString dropped = tmp.filePath(QStringLiteral("dropped.jpg"));
    QVERIFY(writePicture(kept, Qt::red));
    QVERIFY(writePicture(dropped, Qt::blue));
    ThumbnailCache cache;
    const qint64 keptKey = cache.pixmap(kept).cacheKey();
    cache.pixmap(dropped);
    QCOMPARE(cache.size(), 2);
    cache.beginPass();
    cache.pixmap(kept);
    cache.endPass();
    QCOMPARE(cache.size(), 1);
    QCOMPARE(cache.pixmap(kept).cacheKey(), keptKey);
}

QTEST_MAIN(TestThumbnailCache)
#include "test_thumbnailcache.moc"
