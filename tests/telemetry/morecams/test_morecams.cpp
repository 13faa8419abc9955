// The further camera layouts: every field of every sample against the values written, the
// layouts' own marks (None on recordings without them, Damaged when the marks hold nothing), and
// ExifTool as the second reading of each fixture's positions and times.

#include "bytesource.h"
#include "geo.h"
#include "morecam_checks.h"
#include "morecam_fixtures.h"
#include "morecams.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace mcfx;

namespace {

LayoutResult readBytes(LayoutReadFn fn, const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return fn(src, ReadContext{});
}

void addCaseRows()
{
    QTest::addColumn<int>("index");
    const QList<LayoutCase> cases = layoutCases();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << i;
}

QString pointText(double lat, double lon)
{
    return QStringLiteral("%1,%2").arg(lat, 0, 'f', 7).arg(lon, 0, 'f', 7);
}

} // namespace

class TestMoreCams : public QObject
{
    Q_OBJECT

private slots:
    void everySampleAsWritten_data() { addCaseRows(); }
    void everySampleAsWritten();
    void eachReaderIsListed_data() { addCaseRows(); }
    void eachReaderIsListed();
    void recordingsWithoutTheLayouts();
    void marksWithoutTelemetry_data();
    void marksWithoutTelemetry();
    void exiftoolAgrees_data() { addCaseRows(); }
    void exiftoolAgrees();
};

void TestMoreCams::everySampleAsWritten()
{
    QFETCH(int, index);
    const LayoutCase c = layoutCases()[index];
    const LayoutResult res = readBytes(c.read, c.bytes);
    QCOMPARE(res.status, ReadStatus::Found);
    QCOMPARE(res.code, c.code);
    QCOMPARE(res.samples.size(), c.fixes.size());
    for (int i = 0; i < c.fixes.size(); ++i) {
        const AssistInfo &s = res.samples[i];
        const Fix &f = c.fixes[i];
        QVERIFY(s.hasPosition);
        QVERIFY2(std::fabs(s.latitudeDeg - f.lat) < c.tolerance
                && std::fabs(s.longitudeDeg - f.lon) < c.tolerance,
            qPrintable(pointText(s.latitudeDeg, s.longitudeDeg)));
        QCOMPARE(s.latitude, QString::number(s.latitudeDeg, 'f', 7));
        QCOMPARE(s.speed, qRound(f.speedKmh));
        QCOMPARE(s.timeMs, c.timesMs[i]);
        QCOMPARE(s.utcMs, c.utcMs[i]);
        QCOMPARE(s.utcClock, c.clock);
        if (c.courseStored)
            QVERIFY2(std::fabs(s.course - f.course) < c.courseTolerance,
                qPrintable(QString::number(s.course)));
        else if (i > 0) // the bearing of the move from the fix before
            QVERIFY(std::fabs(s.course - geo::bearingDeg(c.fixes[i - 1].lat, c.fixes[i - 1].lon,
                                             f.lat, f.lon)) < 0.5);
        QCOMPARE(s.hasGSensor, !c.g.isEmpty());
        if (!c.g.isEmpty()) {
            const QVector<double> g{s.x, s.y, s.z};
            for (int k = 0; k < 3; ++k)
                QVERIFY2(std::fabs(g[k] - c.g[i][k]) < 1e-6,
                    qPrintable(QStringLiteral("sample %1 axis %2: %3").arg(i).arg(k).arg(g[k])));
        }
    }
}

void TestMoreCams::eachReaderIsListed()
{
    QFETCH(int, index);
    const LayoutCase c = layoutCases()[index];
    int count = 0;
    const QVector<LayoutRow> entries = moreCameraRows();
    count = entries.size();
    int listed = 0;
    for (int i = 0; i < count; ++i) {
        if (entries[i].read == c.read) {
            ++listed;
            QVERIFY(entries[i].where & ContainerIsoBmff); // every fixture is an MP4
        }
    }
    QCOMPARE(listed, 1);
    // No other reader of the list claims this layout's fixture.
    for (int i = 0; i < count; ++i) {
        if (entries[i].read != c.read)
            QCOMPARE(readBytes(entries[i].read, c.bytes).status, ReadStatus::None);
    }
}

void TestMoreCams::recordingsWithoutTheLayouts()
{
    mp4fx::FilePlan plan;
    mp4fx::TrackPlan video;
    video.samples = {QByteArray(64, '\x33')};
    plan.tracks = {video};
    plan.moovExtra = {mp4fx::box("udta", mp4fx::box("\xa9" "day", "2025"))};
    const QByteArray mp4 = mp4fx::buildMp4(plan);
    // a plain MP4, one with bytes after moov, one ending in part of the Insta360 magic, no file
    const QList<QByteArray> files = {mp4, mp4 + QByteArray(200, '\0'),
        mp4 + QByteArray(46, 'x') + "8db42d694ccc418790edff439fe026b", QByteArray()};
    int count = 0;
    const QVector<LayoutRow> entries = moreCameraRows();
    count = entries.size();
    QCOMPARE(count, layoutCases().size());
    for (const QByteArray &file : files) {
        for (int i = 0; i < count; ++i)
            QCOMPARE(readBytes(entries[i].read, file).status, ReadStatus::None);
    }
}

void TestMoreCams::marksWithoutTelemetry_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("bytes");
    const Fix far = route(1, 91.5, 10.0).first(); // off the earth
    QTest::newRow("kenwood mark, no record") << 80 << kenwoodFile({"20250101"});
    QTest::newRow("riff trailer of gpsa only")
        << 81 << autovoxFile(riffChunk("gpsa", QByteArray(8, '\x01')));
    QTest::newRow("ttad without time codes") << 82 << tomtomFile(QByteArray(600, '\x05'));
    QTest::newRow("insta360 void fixes only")
        << 83 << insta360File({{0x700, insta360Gps(far, 'V') + insta360Gps(far, 'V')}});
    QTest::newRow("360fly orientation only")
        << 84 << fly360File(fly360Other(1, 0) + fly360Other(6, 100), 0);
    QTest::newRow("parrot fix unknown") << 86 << parrotFile({parrotFrame(far, false)});
    QTest::newRow("dji cue without numbers") << 85 << djiFile({"ISO 100, GPS (n/a), H.S 0m/s"});
}

void TestMoreCams::marksWithoutTelemetry()
{
    QFETCH(int, code);
    QFETCH(QByteArray, bytes);
    int count = 0;
    const QVector<LayoutRow> entries = moreCameraRows();
    count = entries.size();
    int damaged = 0;
    for (int i = 0; i < count; ++i) {
        const LayoutResult res = readBytes(entries[i].read, bytes);
        QVERIFY(res.samples.isEmpty());
        if (res.status == ReadStatus::Damaged) {
            QCOMPARE(res.code, code);
            ++damaged;
        }
    }
    QCOMPARE(damaged, 1);
}

void TestMoreCams::exiftoolAgrees()
{
    if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
        QSKIP("exiftool is not installed");
    QFETCH(int, index);
    const LayoutCase c = layoutCases()[index];
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("%1.mp4").arg(c.name));
    QVERIFY(mp4fx::writeFile(path, c.bytes));
    ByteSource src(path);
    ReadContext ctx;
    ctx.path = path;
    const LayoutResult ours = c.read(src, ctx);
    const QList<EtPoint> theirs = exiftoolPoints(path);
    QCOMPARE(theirs.size(), ours.samples.size() - (c.exiftoolSkipsLast ? 1 : 0));
    for (int i = 0; i < theirs.size(); ++i) {
        const AssistInfo &s = ours.samples[i];
        QVERIFY2(std::fabs(theirs[i].lat - s.latitudeDeg) < 1e-6
                && std::fabs(theirs[i].lon - s.longitudeDeg) < 1e-6,
            qPrintable(pointText(theirs[i].lat, theirs[i].lon) + " vs "
                + pointText(s.latitudeDeg, s.longitudeDeg)));
        // To the second: older ExifTool versions print no milliseconds.
        QCOMPARE(theirs[i].utcMs < 0 ? -1 : theirs[i].utcMs / 1000,
                 s.utcMs < 0 ? -1 : s.utcMs / 1000);
    }
}

QTEST_GUILESS_MAIN(TestMoreCams)
#include "test_morecams.moc"
