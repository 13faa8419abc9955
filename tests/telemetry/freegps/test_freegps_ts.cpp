// GPS in MPEG-TS recordings: every payload kind read back field by field, 188- and 192-byte
// packets, lost sync, and files that are no TS or carry no GPS.

#include "bytesource.h"
#include "freegps.h"
#include "clipmaker.h"
#include "freegps_fixtures.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using fgfx::Fix;
using fgfx::TsVariant;

Q_DECLARE_METATYPE(fgfx::TsVariant)
Q_DECLARE_METATYPE(AssistInfo::Clock)

namespace {

LayoutResult readTs(const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return readFreeGpsTs(src, ReadContext{});
}

QList<QList<Fix>> oneASecond(const QList<Fix> &fixes)
{
    QList<QList<Fix>> out;
    for (const Fix &f : fixes)
        out.append({f});
    return out;
}

} // namespace

class TestFreeGpsTs : public QObject
{
    Q_OBJECT

private slots:
    void payloads_data()
    {
        QTest::addColumn<TsVariant>("variant");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("m2ts");
        QTest::addColumn<bool>("noFix");  // the payload can say "no fix"
        // Whose date and time the payload carries (None: no clock); Camera also writes it so.
        QTest::addColumn<AssistInfo::Clock>("clock");
        QTest::addColumn<double>("gTolerance");
        QTest::newRow("record") << TsVariant::Record << int(kFreeGpsTsRecord) << false << true << AssistInfo::Clock::Gps << 1 / 256.0;
        QTest::newRow("record, 192-byte packets") << TsVariant::Record << int(kFreeGpsTsRecord) << true << true << AssistInfo::Clock::Gps << 1 / 256.0;
        QTest::newRow("record, kenwood local clock") << TsVariant::Record << int(kFreeGpsTsRecord) << false << true << AssistInfo::Clock::Camera << 1 / 256.0;
        QTest::newRow("prefixed") << TsVariant::Prefixed << int(kFreeGpsTsPrefixed) << false << true << AssistInfo::Clock::Gps << 1 / 256.0;
        QTest::newRow("innovv") << TsVariant::Innovv << int(kFreeGpsTsInnovv) << false << true << AssistInfo::Clock::None << 0.0;
        QTest::newRow("gpsinfo") << TsVariant::GpsInfo << int(kFreeGpsTsGpsInfo) << false << false << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("dod $S") << TsVariant::DodS << int(kFreeGpsTsDodS) << false << false << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("viidure") << TsVariant::Viidure << int(kFreeGpsTsViidure) << false << false << AssistInfo::Clock::Gps << 0.006;
        QTest::newRow("rmc text") << TsVariant::RmcText << int(kFreeGpsTsRmcText) << true << true << AssistInfo::Clock::Gps << 0.0;
    }

    void payloads()
    {
        QFETCH(TsVariant, variant);
        QFETCH(int, code);
        QFETCH(bool, m2ts);
        QFETCH(bool, noFix);
        QFETCH(AssistInfo::Clock, clock);
        QFETCH(double, gTolerance);
        QList<Fix> fixes = fgfx::drive(6, 37.5665, 126.9780);
        if (noFix)
            fixes[0].valid = fixes[4].valid = false;
        for (Fix &f : fixes)
            f.cameraClock = clock == AssistInfo::Clock::Camera;
        const bool clocked = clock != AssistInfo::Clock::None;
        // A second without GPS packet: with a clock the next sample keeps its own second.
        QList<QList<Fix>> perSecond = oneASecond(fixes);
        perSecond[2].clear();
        const LayoutResult r = readTs(fgfx::ts(variant, perSecond, 30, m2ts));
        QCOMPARE(r.status, ReadStatus::Found);
        QCOMPARE(r.code, code);
        QVERIFY(!r.name.isEmpty());
        QCOMPARE(r.samples.size(), 5);
        int k = 0;
        for (int i = 0; i < fixes.size(); ++i) {
            if (i == 2)
                continue;
            const AssistInfo &s = r.samples[k++];
            const Fix &f = fixes[i];
            QCOMPARE(s.timeMs, qint64(clocked ? i * 1000 : (k - 1) * 1000));
            QCOMPARE(s.utcClock, clock);
            QCOMPARE(s.utcMs, clocked ? fgfx::utcMsOf(f) : qint64(-1));
            QCOMPARE(s.hasPosition, f.valid);
            if (f.valid) {
                QVERIFY(std::fabs(s.latitudeDeg - f.lat) < 1e-5);
                QVERIFY(std::fabs(s.longitudeDeg - f.lon) < 1e-5);
                QCOMPARE(s.latitude, QString::number(s.latitudeDeg, 'f', 7));
                QCOMPARE(s.speed, int32_t(std::lround(f.speedKmh)));
                QVERIFY(std::fabs(s.course - std::round(f.course)) <= 0.51);
            } else {
                QVERIFY(s.latitude.isEmpty());
            }
            QCOMPARE(s.hasGSensor, gTolerance > 0);
            if (gTolerance > 0)
                QVERIFY(std::fabs(s.x - f.gx) <= gTolerance && std::fabs(s.z - f.gz) <= gTolerance);
        }
    }

    // Several records in one INNOVV packet share its second.
    void severalRecordsAPacket()
    {
        const QList<Fix> fixes = fgfx::drive(4);
        const LayoutResult r = readTs(fgfx::ts(TsVariant::Innovv, {fixes.mid(0, 2), fixes.mid(2, 2)}));
        QCOMPARE(r.samples.size(), 4);
        QCOMPARE(r.samples[1].timeMs, 500);
        QCOMPARE(r.samples[2].timeMs, 1000);
        QVERIFY(std::fabs(r.samples[3].latitudeDeg - fixes[3].lat) < 1e-5);
    }

    // Garbage between packets costs the packets it hides, not the rest of the file.
    void lostSyncIsRegained()
    {
        const QList<Fix> fixes = fgfx::drive(5);
        QByteArray bytes = fgfx::ts(TsVariant::Record, oneASecond(fixes), 30);
        const int cut = 188 * 40 + 17; // inside the first second's video
        bytes.insert(cut, QByteArray(61, '\x47'));
        const LayoutResult r = readTs(bytes);
        QCOMPARE(r.samples.size(), 5);
        QVERIFY(std::fabs(r.samples[4].longitudeDeg - fixes[4].lon) < 1e-5);
    }

    void noGps()
    {
        QCOMPARE(readTs(fgfx::plainTs(20)).status, ReadStatus::None);
        QCOMPARE(readTs(QByteArray(5000, '\x47')).status, ReadStatus::None); // sync bytes only
        QCOMPARE(readTs(QByteArray("\x00\x00\x00\x18" "ftypisom")).status, ReadStatus::None);
        QCOMPARE(readTs(QByteArray()).status, ReadStatus::None);
        // An MP4 is rejected by its first bytes, reading no more than them.
        ByteSource::resetTotalBytesRead();
        QCOMPARE(readTs(fgfx::plainMp4(30)).status, ReadStatus::None);
        QVERIFY(ByteSource::totalBytesRead() <= 1024);
    }

    // Ordinary recordings written by ffmpeg (video, audio, a subtitle track, a text tag): no
    // freeGPS through either reader.
    void ffmpegRecordingsHaveNone()
    {
        QTemporaryDir dir;
        ClipOptions o;
        o.seconds = 2;
        o.frameNumbers = false;
        o.extraArgs = QStringList{QStringLiteral("-metadata"),
                                  QStringLiteral("comment=freeGPS $GPRMC,000000.00,A,4807.038,N,01131.000,E,0,0,010124,,,A")};
        for (const char *name : {"plain.mp4", "plain.mov", "plain.ts"}) {
            const QString path = makeClip(dir.path(), QString::fromLatin1(name), o);
            if (path.isEmpty())
                QSKIP("ffmpeg could not write the clip");
            ByteSource a(path), b(path);
            QCOMPARE(readFreeGpsMp4(a, ReadContext()).status, ReadStatus::None);
            QCOMPARE(readFreeGpsTs(b, ReadContext()).status, ReadStatus::None);
        }
    }

    // GPS packets whose records never validate: damaged, without samples at 0,0.
    void invalidRecordsAreDamage()
    {
        QList<Fix> fixes = fgfx::drive(3);
        for (Fix &f : fixes)
            f.lat = 95.0; // beyond the pole
        const LayoutResult r = readTs(fgfx::ts(TsVariant::Record, oneASecond(fixes)));
        QCOMPARE(r.status, ReadStatus::Damaged);
        QVERIFY(r.samples.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsTs)
#include "test_freegps_ts.moc"
