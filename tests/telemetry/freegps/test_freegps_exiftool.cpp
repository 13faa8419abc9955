// Two independent readings of the same bytes: ExifTool's and ours, on fixture recordings of
// every freeGPS variant that ExifTool decodes.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using fgfx::Fix;
using fgfx::Placement;
using fgfx::TsVariant;
using fgfx::Variant;

Q_DECLARE_METATYPE(fgfx::Variant)
Q_DECLARE_METATYPE(fgfx::Placement)
Q_DECLARE_METATYPE(fgfx::TsVariant)

namespace {

struct Point
{
    double lat = 0, lon = 0, speed = 0;
};

// ExifTool's embedded documents in order (Doc1, Doc2, ...), those with a position only.
QList<Point> exiftoolPoints(const QString &path, const QString &embedded)
{
    QProcess p;
    p.start(QStringLiteral("exiftool"), {embedded, QStringLiteral("-n"), QStringLiteral("-j"),
                                         QStringLiteral("-G3"), QStringLiteral("-GPSLatitude"),
                                         QStringLiteral("-GPSLongitude"), QStringLiteral("-GPSSpeed"), path});
    if (!p.waitForFinished(60000))
        return {};
    const QJsonArray files = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    const QJsonObject o = files.isEmpty() ? QJsonObject() : files.first().toObject();
    QList<Point> out;
    for (int doc = 1; doc < 100000; ++doc) {
        const QString prefix = QStringLiteral("Doc%1:").arg(doc);
        if (!o.contains(prefix + "GPSLatitude")) {
            if (!o.contains(prefix + "GPSSpeed"))
                break;
            continue;
        }
        out.append(Point{o.value(prefix + "GPSLatitude").toDouble(), o.value(prefix + "GPSLongitude").toDouble(),
                         o.value(prefix + "GPSSpeed").toDouble()});
    }
    return out;
}

void compareReadings(const LayoutResult &ours, const QList<Point> &theirs, int expected)
{
    QList<AssistInfo> positioned;
    for (const AssistInfo &s : ours.samples)
        if (s.hasPosition)
            positioned.append(s);
    QCOMPARE(theirs.size(), expected);
    QCOMPARE(positioned.size(), expected);
    for (int i = 0; i < expected; ++i) {
        QVERIFY2(std::fabs(positioned[i].latitudeDeg - theirs[i].lat) < 1e-4,
                 qPrintable(QStringLiteral("%1: %2 vs %3").arg(i).arg(positioned[i].latitudeDeg, 0, 'f', 7).arg(theirs[i].lat, 0, 'f', 7)));
        QVERIFY2(std::fabs(positioned[i].longitudeDeg - theirs[i].lon) < 1e-4,
                 qPrintable(QStringLiteral("%1: %2 vs %3").arg(i).arg(positioned[i].longitudeDeg, 0, 'f', 7).arg(theirs[i].lon, 0, 'f', 7)));
        QVERIFY2(std::fabs(positioned[i].speed - theirs[i].speed) <= 0.51,
                 qPrintable(QStringLiteral("%1: %2 vs %3").arg(i).arg(positioned[i].speed).arg(theirs[i].speed)));
    }
}

QList<QByteArray> blocksOf(Variant v, const QList<Fix> &fixes)
{
    QList<QByteArray> out;
    for (const Fix &f : fixes)
        out.append(fgfx::block(v, {f}, 0x8000));
    return out;
}

} // namespace

class TestFreeGpsExiftool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
            QSKIP("exiftool is not installed");
        QVERIFY(m_dir.isValid());
        // Keep the recordings for a look with other tools when asked to.
        m_dir.setAutoRemove(!qEnvironmentVariableIsSet("FREEGPS_KEEP_FIXTURES"));
        if (!m_dir.autoRemove())
            qInfo("fixtures kept in %s", qPrintable(m_dir.path()));
    }

    void mp4_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<Placement>("placement");
        // ExifTool decodes some variants only through the index, others only by its mdat scan.
        QTest::newRow("type 3, index") << Variant::Type3 << Placement::Index;
        QTest::newRow("type 3, scan") << Variant::Type3 << Placement::MdatGaps;
        QTest::newRow("shifted") << Variant::Shifted << Placement::Index;
        QTest::newRow("nmea text") << Variant::NmeaText << Placement::Index;
        QTest::newRow("xor text") << Variant::XorText << Placement::Index;
        QTest::newRow("akaso") << Variant::Akaso << Placement::Index;
        QTest::newRow("minus 16 rmc") << Variant::Minus16Rmc << Placement::Index;
        QTest::newRow("horsontech") << Variant::Horsontech << Placement::Index;
        QTest::newRow("vantrue n4") << Variant::VantrueN4 << Placement::MdatGaps;
        QTest::newRow("anticlock") << Variant::Anticlock << Placement::MdatGaps;
        QTest::newRow("f64") << Variant::F64 << Placement::MdatGaps;
        QTest::newRow("iqs") << Variant::Iqs << Placement::MdatGaps;
        QTest::newRow("innovv") << Variant::Innovv << Placement::MdatGaps;
        QTest::newRow("nextbase $S") << Variant::NextbaseS << Placement::MdatGaps;
    }

    void mp4()
    {
        QFETCH(Variant, variant);
        QFETCH(Placement, placement);
        QList<Fix> fixes = fgfx::drive(5, 40.7128, -74.0060);
        fixes[2].lat = -34.6037; // south and east too
        fixes[2].lon = 58.3816;
        fgfx::Mp4Spec spec;
        spec.blocks = blocksOf(variant, fixes);
        spec.placement = placement;
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".mp4");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fgfx::mp4(spec));
        f.close();
        ByteSource src(path);
        const LayoutResult ours = readFreeGpsMp4(src, ReadContext{path});
        compareReadings(ours, exiftoolPoints(path, QStringLiteral("-ee")), fixes.size());
    }

    // ATC ring blocks: ExifTool keeps state between blocks as we do.
    void atcRing()
    {
        const QList<Fix> fixes = fgfx::drive(7, 35.6762, 139.6503);
        fgfx::Mp4Spec spec;
        spec.placement = Placement::MdatGaps;
        for (int k = 0; k < fixes.size(); ++k) {
            QList<Fix> ring;
            for (int slot = 0; slot < 4; ++slot)
                ring.append(fixes[qMax(0, k - ((k - slot) % 4 + 4) % 4)]);
            spec.blocks.append(fgfx::block(Variant::AtcRing, ring, 0x8000));
        }
        const QString path = m_dir.filePath("atc.mp4");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fgfx::mp4(spec));
        f.close();
        ByteSource src(path);
        compareReadings(readFreeGpsMp4(src, ReadContext{path}), exiftoolPoints(path, "-ee"), fixes.size());
    }

    void ts_data()
    {
        QTest::addColumn<TsVariant>("variant");
        QTest::addColumn<bool>("m2ts");
        QTest::newRow("record") << TsVariant::Record << false;
        QTest::newRow("record, m2ts") << TsVariant::Record << true;
        QTest::newRow("prefixed") << TsVariant::Prefixed << false;
        QTest::newRow("innovv") << TsVariant::Innovv << false;
    }

    // ExifTool watches the unlisted GPS PIDs only with -ee3.
    void ts()
    {
        QFETCH(TsVariant, variant);
        QFETCH(bool, m2ts);
        // (ExifTool 12.57 matches INNOVV records with a pattern whose "." skips a newline byte,
        // so the values are chosen to hold no 0x0A byte.)
        const QList<Fix> fixes = fgfx::drive(6, 48.8566, 2.3522);
        QList<QList<Fix>> perSecond;
        for (const Fix &f : fixes)
            perSecond.append({f});
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_').replace(',', '_')
                                            + (m2ts ? ".m2ts" : ".ts"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fgfx::ts(variant, perSecond, 40, m2ts));
        f.close();
        ByteSource src(path);
        compareReadings(readFreeGpsTs(src, ReadContext{path}), exiftoolPoints(path, "-ee3"), fixes.size());
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsExiftool)
#include "test_freegps_exiftool.moc"
