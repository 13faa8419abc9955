// The further camera layouts: every field of every sample against the values written, the
// layouts' own marks (None on recordings without them, Damaged when the marks hold nothing), and
// ExifTool as the second reading of each fixture's positions and times.

#include "bytesource.h"
#include "geo.h"
#include "layouttable.h"
#include "morecam_fixtures.h"
#include "morecams.h"
#include "realcam_checks.h"

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

// The rows of the loader's layout table that read these layouts (codes 80 to 89), in order.
QVector<LayoutRow> moreCameraRows()
{
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    QVector<LayoutRow> more;
    for (int i = 0; i < count; ++i) {
        if (rows[i].firstCode >= 80 && rows[i].lastCode <= 89)
            more << rows[i];
    }
    return more;
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
    // ExifTool derives some layouts' GPSDateTime from the movie's local creation time.
    void initTestCase() { qputenv("TZ", "UTC"); }
    void everySampleAsWritten_data() { addCaseRows(); }
    void everySampleAsWritten(); // and as ExifTool reads it, where it is installed
    void onlyItsReaderClaimsIt_data() { addCaseRows(); }
    void onlyItsReaderClaimsIt();
};

void TestMoreCams::everySampleAsWritten()
{
    QFETCH(int, index);
    const LayoutCase c = layoutCases()[index];
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("%1.mp4").arg(c.name));
    QVERIFY(mp4fx::writeFile(path, c.bytes));
    const LayoutResult res = rcfx::readFile(c.read, path);
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
        QCOMPARE(s.timeMs, c.firstMs + i * 1000);
        const bool dated = c.clock != AssistInfo::Clock::None;
        QCOMPARE(s.utcMs, dated ? rcfx::fixUnix(f) * 1000 + c.utcExtraMs : qint64(-1));
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

    if (!rcfx::haveTool(QStringLiteral("exiftool")))
        QSKIP("exiftool is not installed: no second reading");
    QList<rcfx::EtFix> theirs = rcfx::exiftoolFixes(path);
    // Parrot's "unknown" 500 comes out as a number: a value off the earth is no position.
    theirs.erase(std::remove_if(theirs.begin(), theirs.end(),
                     [](const rcfx::EtFix &e) { return std::fabs(e.lat) > 90.0; }),
        theirs.end());
    QCOMPARE(theirs.size(), res.samples.size() - (c.exiftoolSkipsLast ? 1 : 0));
    for (int i = 0; i < theirs.size(); ++i) {
        const AssistInfo &s = res.samples[i];
        QVERIFY2(std::fabs(theirs[i].lat - s.latitudeDeg) < 1e-6
                && std::fabs(theirs[i].lon - s.longitudeDeg) < 1e-6,
            qPrintable(pointText(theirs[i].lat, theirs[i].lon) + " vs "
                + pointText(s.latitudeDeg, s.longitudeDeg)));
        // To the second: older ExifTool versions print no milliseconds.
        QCOMPARE(theirs[i].utcMs < 0 ? -1 : theirs[i].utcMs / 1000,
                 s.utcMs < 0 ? -1 : s.utcMs / 1000);
    }
}

void TestMoreCams::onlyItsReaderClaimsIt()
{
    QFETCH(int, index);
    const LayoutCase c = layoutCases()[index];
    const QVector<LayoutRow> rows = moreCameraRows();
    QCOMPARE(rows.size(), layoutCases().size()); // and so every row has its case
    int listed = 0;
    for (const LayoutRow &row : rows) {
        if (row.read == c.read) {
            ++listed;
            QVERIFY(row.where & ContainerIsoBmff); // every fixture is an MP4
            continue;
        }
        QCOMPARE(readBytes(row.read, c.bytes).status, ReadStatus::None);
        QCOMPARE(readBytes(row.read, c.marksOnly).status, ReadStatus::None);
    }
    QCOMPARE(listed, 1);
    // The layout's marks around nothing usable: its own reader says Damaged, with no samples.
    const LayoutResult marks = readBytes(c.read, c.marksOnly);
    QCOMPARE(marks.status, ReadStatus::Damaged);
    QCOMPARE(marks.code, c.code);
    QVERIFY(marks.samples.isEmpty());

    // Without the layout: a plain MP4, one with bytes after moov, one ending in part of the
    // Insta360 magic, no file.
    mp4fx::FilePlan plan;
    plan.tracks = {mp4fx::TrackPlan()};
    plan.tracks[0].samples = {QByteArray(64, '\x33')};
    plan.moovExtra = {mp4fx::box("udta", mp4fx::box("\xa9" "day", "2025"))};
    const QByteArray mp4 = mp4fx::buildMp4(plan);
    for (const QByteArray &file : {mp4, mp4 + QByteArray(200, '\0'),
             mp4 + QByteArray(46, 'x') + "8db42d694ccc418790edff439fe026b", QByteArray()})
        QCOMPARE(readBytes(c.read, file).status, ReadStatus::None);
}

QTEST_GUILESS_MAIN(TestMoreCams)
#include "test_morecams.moc"
