// Kingslim LIGOGPSINFO samples, Wolfbox records, "$G:" cues, DENVER's udat log, Kenwood's trailer
// and Nextbase's nbmt/gdat atoms: every fix against the values written, ExifTool as the second
// reading where the installed one decodes the layout.

#include "bytesource.h"
#include "extra_fixtures.h"
#include "realcam_checks.h"
#include "realcams.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace rcfx;

Q_DECLARE_METATYPE(LayoutReadFn)

namespace {

LayoutResult readBytes(LayoutReadFn fn, const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return fn(src, ReadContext{});
}

} // namespace

class TestMoreRealcams : public QObject
{
    Q_OBJECT
private slots:
    void layoutsAsWrittenAndAsExifToolReadsThem();
    void damagedRecordsStayBounded_data();
    void damagedRecordsStayBounded();
};

void TestMoreRealcams::layoutsAsWrittenAndAsExifToolReadsThem()
{
    const QList<Fix> r = route(4, -33.9, 18.4);
    const QVector<double> g{0.1, 0.2, 0.9};
    QList<QByteArray> wolfbox, cues;
    for (const Fix &f : r) {
        wolfbox << wolfboxSample(f);
        // "$GS" counts that the maker's offsets turn into g.
        cues << dollarGCue(f, qRound(g[2] * 1000) + 3708, qRound(g[0] * 1000) - 2432,
            qRound(g[1] * 1000) - 361);
    }
    auto kingslim = [&r](bool fuzzed) {
        return dataTrackFile("meta", "gpmd",
            {kingslimSample(r.mid(0, 2), fuzzed), kingslimSample(r.mid(2, 2), fuzzed)}, 2000);
    };
    using Clock = AssistInfo::Clock;
    struct Row
    {
        const char *name;
        QByteArray bytes;
        LayoutReadFn fn;
        int code;
        Clock clock;
        QVector<double> g; // empty: the layout has none
        // The oldest ExifTool that decodes it as written here (its Changes file; the Kenwood
        // trailer's release is not named there, 13.0 is on the safe side).
        double exiftool;
    };
    const QVector<double> ligoG{0.02, -0.03, 0.99};
    const LayoutReadFn binary = readBinaryMetaTrack, atoms = readGps0Atoms;
    const QList<Row> rows = {
        {"kingslim-fuzzed.mp4", kingslim(true), binary, 57, Clock::Camera, ligoG, 13.25},
        {"kingslim-plain.mp4", kingslim(false), binary, 57, Clock::Camera, ligoG, 13.25},
        {"wolfbox.mp4", dataTrackFile("meta", "gpmd", wolfbox), binary, 67, Clock::Gps, {}, 13.43},
        {"dollarg.mp4", textTrackFile(cues), readTextMetaTrack, 69, Clock::Camera, g, 12.0},
        {"denver.mp4", topAtomFile("udat", denverLog(r)), atoms, 68, Clock::Gps, {}, 12.0},
        {"kenwood.mp4", kenwoodFile(r, g), readHashTrailer, 70, Clock::Camera, g, 13.0},
        {"nbmt.mp4", topAtomFile("nbmt", rmcLines(r)), atoms, 71, Clock::Gps, {}, 12.83},
        {"gdat.mp4", topAtomFile("gdat", gdatPayload(r, g)), atoms, 72, Clock::Camera, g, 12.83},
    };
    QTemporaryDir dir;
    const double etVersion = exiftoolVersion();
    for (const Row &row : rows) {
        const QString path = dir.filePath(row.name);
        QVERIFY(mp4fx::writeFile(path, row.bytes));
        const LayoutResult res = readFile(row.fn, path);
        QVERIFY2(res.code == row.code, row.name);
        QVERIFY2(res.samples.size() == r.size(), row.name);
        for (int i = 0; i < r.size(); ++i) {
            const AssistInfo &s = res.samples[i];
            QCOMPARE(s.timeMs, qint64(i) * 1000);
            QVERIFY2(s.hasPosition && std::fabs(s.latitudeDeg - r[i].lat) < 1e-5
                    && std::fabs(s.longitudeDeg - r[i].lon) < 1e-5,
                qPrintable(QString("%1 %2: %3 %4").arg(row.name).arg(i).arg(s.latitude,
                    s.longitude)));
            QVERIFY2(std::abs(s.speed - qRound(r[i].speedKmh)) <= 1, row.name);
            QCOMPARE(s.utcMs, fixUnix(r[i]) * 1000);
            QCOMPARE(s.utcClock, row.clock);
            QCOMPARE(s.hasGSensor, !row.g.isEmpty());
            if (s.hasGSensor)
                QVERIFY2(std::fabs(s.x - row.g[0]) < 1e-4 && std::fabs(s.y - row.g[1]) < 1e-4
                        && std::fabs(s.z - row.g[2]) < 1e-4, row.name);
        }
        if (etVersion < row.exiftool)
            continue; // not in the installed ExifTool
        const QList<EtFix> et = exiftoolFixes(path);
        QVERIFY2(et.size() == res.samples.size(), row.name);
        for (int i = 0; i < et.size(); ++i) {
            QVERIFY2(std::fabs(et[i].lat - res.samples[i].latitudeDeg) < 1e-5
                    && std::fabs(et[i].lon - res.samples[i].longitudeDeg) < 1e-5
                    && std::fabs(et[i].speed - res.samples[i].speed) < 1.0, row.name);
        }
        const QString utc = utcDisagreement(et, res.samples);
        QVERIFY2(utc.isEmpty(), qPrintable(row.name + (": " + utc)));
    }
}

void TestMoreRealcams::damagedRecordsStayBounded_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<LayoutReadFn>("fn");
    QTest::addColumn<int>("samples"); // -1: the layout is not claimed

    const QList<Fix> r = route(2, 40.1, -3.7);
    QByteArray cutSlot = kingslimSample(r, true);
    cutSlot.chop(0x84 + 40); // the second slot gone, the first cut inside its record
    QByteArray zeroScale = wolfboxSample(r[0]);
    zeroScale.replace(0xB8, 8, QByteArray(8, '\0')); // ExifTool divides by 1 instead
    QByteArray badDigit = kenwoodFile(r, {0, 0, 1});
    badDigit[badDigit.lastIndexOf("GPSDATA--") + 12] = 'x'; // the records end there
    const QByteArray gsensor = "$GSENSOR:1,2,3"; // another tag than "$GS"

    QTest::newRow("kingslim slot cut short")
        << dataTrackFile("meta", "gpmd", {cutSlot}) << LayoutReadFn(readBinaryMetaTrack) << 0;
    QTest::newRow("wolfbox scale zero")
        << dataTrackFile("meta", "gpmd", {zeroScale}) << LayoutReadFn(readBinaryMetaTrack) << 1;
    QTest::newRow("wolfbox without its mark")
        << dataTrackFile("meta", "gpmd", {QByteArray(256, '\0')})
        << LayoutReadFn(readBinaryMetaTrack) << -1;
    QTest::newRow("kenwood bad stamp") << badDigit << LayoutReadFn(readHashTrailer) << 1;
    QTest::newRow("kenwood marks only")
        << kenwoodFile({}, {}) << LayoutReadFn(readHashTrailer) << 0;
    QTest::newRow("gdat not base64 json")
        << topAtomFile("gdat", "%%%{") << LayoutReadFn(readGps0Atoms) << 0;
    QTest::newRow("denver month 13")
        << topAtomFile("udat", denverLog(r).replace(2, 2, "13")) << LayoutReadFn(readGps0Atoms)
        << 1;
    QTest::newRow("$GSENSOR is no $GS")
        << textTrackFile({gsensor}) << LayoutReadFn(readTextMetaTrack) << -1;
}

void TestMoreRealcams::damagedRecordsStayBounded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(LayoutReadFn, fn);
    QFETCH(int, samples);
    const LayoutResult res = readBytes(fn, bytes);
    if (samples < 0) {
        QCOMPARE(res.status, ReadStatus::None);
        return;
    }
    QVERIFY(res.status != ReadStatus::None);
    QCOMPARE(res.samples.size(), samples);
    // A damaged Wolfbox scale reads the raw value as ddmm: no place on earth, so no fix.
    for (const AssistInfo &s : res.samples)
        QVERIFY(!s.hasPosition
            || (std::fabs(s.latitudeDeg) <= 90 && std::fabs(s.longitudeDeg) <= 180));
}

QTEST_GUILESS_MAIN(TestMoreRealcams)
#include "test_more_realcams.moc"
