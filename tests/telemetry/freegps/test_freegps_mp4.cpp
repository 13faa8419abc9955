// freeGPS blocks of every variant, written byte by byte into MP4 recordings, read back field by
// field; the three ways blocks are found; times; the cost of files without telemetry.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_fixtures.h"
#include "geo.h"

#include <QtTest>
#include <cmath>
#include <cstring>

using fgfx::Fix;
using fgfx::Placement;
using fgfx::Variant;

Q_DECLARE_METATYPE(fgfx::Variant)
Q_DECLARE_METATYPE(fgfx::Placement)
Q_DECLARE_METATYPE(AssistInfo::Clock)

namespace {

LayoutResult readBytes(const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return readFreeGpsMp4(src, ReadContext{});
}

// Reads as a load does, after the shared walk of the box tree; *own is what the reader itself
// read beyond that walk.
LayoutResult readAfterWalk(ByteSource &src, quint64 *own)
{
    ReadContext ctx;
    ctx.boxes.of(src);
    ByteSource::resetTotalBytesRead();
    const LayoutResult r = readFreeGpsMp4(src, ctx);
    *own = ByteSource::totalBytesRead();
    return r;
}

QList<QByteArray> blocksOf(Variant v, const QList<Fix> &fixes, int size = 0x1000)
{
    QList<QByteArray> out;
    for (const Fix &f : fixes)
        out.append(fgfx::block(v, {f}, size));
    return out;
}

LayoutResult readMp4(const QList<QByteArray> &blocks, Placement p = Placement::Index)
{
    fgfx::Mp4Plan plan;
    plan.blocks = blocks;
    plan.placement = p;
    return readBytes(fgfx::mp4(plan));
}

// Compares one sample with the fix it was written from.
// courseTolerance 0: the variant stores no course, which must read 0.
void compareSample(const AssistInfo &s, const Fix &f, qint64 timeMs, double gTolerance,
                   double courseTolerance = 0.01)
{
    QCOMPARE(s.timeMs, timeMs);
    QCOMPARE(s.hasPosition, f.valid);
    if (f.valid) {
        QVERIFY2(std::fabs(s.latitudeDeg - f.lat) < 1e-5, qPrintable(QString::number(s.latitudeDeg, 'f', 7)));
        QVERIFY2(std::fabs(s.longitudeDeg - f.lon) < 1e-5, qPrintable(QString::number(s.longitudeDeg, 'f', 7)));
        QCOMPARE(s.latitude, QString::number(s.latitudeDeg, 'f', 7));
        QCOMPARE(s.longitude, QString::number(s.longitudeDeg, 'f', 7));
        QCOMPARE(s.speed, int32_t(std::lround(f.speedKmh)));
        QVERIFY2(std::fabs(s.course - (courseTolerance > 0 ? f.course : 0.0)) <= qMax(courseTolerance, 1e-3),
                 qPrintable(QString::number(s.course)));
    } else {
        QVERIFY(s.latitude.isEmpty() && s.longitude.isEmpty());
    }
    QCOMPARE(s.hasGSensor, gTolerance > 0);
    if (gTolerance > 0) {
        QVERIFY2(std::fabs(s.x - f.gx) <= gTolerance, qPrintable(QString::number(s.x)));
        QVERIFY(std::fabs(s.y - f.gy) <= gTolerance);
        QVERIFY(std::fabs(s.z - f.gz) <= gTolerance);
    }
}

// The sample carries the fix's own date and time under the expected clock, or none at all.
void compareUtc(const AssistInfo &s, const Fix &f, AssistInfo::Clock clock)
{
    QCOMPARE(s.utcClock, clock);
    QCOMPARE(s.utcMs, clock == AssistInfo::Clock::None ? qint64(-1) : fgfx::utcMsOf(f));
}

} // namespace

class TestFreeGpsMp4 : public QObject
{
    Q_OBJECT

private slots:
    void variants_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("gTolerance"); // 0: the variant carries no G values
        QTest::addColumn<bool>("noFixBlocks");  // the variant can say "no fix" in a block
        QTest::addColumn<double>("courseTolerance");
        // Whose date and time the samples carry; Camera also writes the fixtures that way.
        QTest::addColumn<AssistInfo::Clock>("clock");
        QTest::newRow("type 3") << Variant::Type3 << int(kFreeGpsType3) << 0.0 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("shifted") << Variant::Shifted << int(kFreeGpsShifted) << 1 / 256.0 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("shifted, kenwood local clock") << Variant::Shifted << int(kFreeGpsShifted) << 1 / 256.0 << true << 0.01 << AssistInfo::Clock::Camera;
        QTest::newRow("nmea text") << Variant::NmeaText << int(kFreeGpsNmeaText) << 1 / 256.0 << false << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("vantrue n4") << Variant::VantrueN4 << int(kFreeGpsVantrueN4) << 0.001 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("xor text") << Variant::XorText << int(kFreeGpsXorText) << 0.01 << false << 0.0 << AssistInfo::Clock::Gps;
        QTest::newRow("akaso") << Variant::Akaso << int(kFreeGpsAkaso) << 0.0 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("anticlock") << Variant::Anticlock << int(kFreeGpsAnticlock) << 0.001 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("minus 16 rmc") << Variant::Minus16Rmc << int(kFreeGpsMinus16Rmc) << 0.0 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("horsontech") << Variant::Horsontech << int(kFreeGpsHorsontech) << 0.001 << false << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("f64") << Variant::F64 << int(kFreeGpsF64) << 0.001 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("iqs") << Variant::Iqs << int(kFreeGpsIqs) << 0.0 << false << 0.0 << AssistInfo::Clock::Gps;
        QTest::newRow("kenwood banner") << Variant::KenwoodBanner << int(kFreeGpsKenwoodBanner) << 1 / 256.0 << true << 0.01 << AssistInfo::Clock::Gps;
        QTest::newRow("kenwood banner, local clock") << Variant::KenwoodBanner << int(kFreeGpsKenwoodBanner) << 1 / 256.0 << true << 0.01 << AssistInfo::Clock::Camera;
        QTest::newRow("xgody text") << Variant::XgodyText << int(kFreeGpsXgodyText) << 0.006 << true << 0.006 << AssistInfo::Clock::Gps;
        QTest::newRow("xbht") << Variant::Xbht << int(kFreeGpsXbht) << 0.0 << false << 0.0 << AssistInfo::Clock::Gps;
        QTest::newRow("70mai") << Variant::SeventyMai << int(kFreeGps70mai) << 0.0 << true << 0.5 << AssistInfo::Clock::None;
        QTest::newRow("rmc only") << Variant::RmcOnly << int(kFreeGpsRmcAnywhere) << 0.0 << true << 0.01 << AssistInfo::Clock::Gps;
    }

    // Every field of every sample comes back, timed by the block clock; blocks saying "no fix"
    // give samples without a position at their own second.
    void variants()
    {
        QFETCH(Variant, variant);
        QFETCH(int, code);
        QFETCH(double, gTolerance);
        QFETCH(bool, noFixBlocks);
        QFETCH(double, courseTolerance);
        QFETCH(AssistInfo::Clock, clock);
        QList<Fix> fixes = fgfx::drive(6, -33.8688, -151.2093);
        fixes[1].lat = 52.5163; // north and east too
        fixes[1].lon = 13.3777;
        if (noFixBlocks)
            fixes[3].valid = false;
        for (Fix &f : fixes)
            f.cameraClock = clock == AssistInfo::Clock::Camera;
        const LayoutResult r = readMp4(blocksOf(variant, fixes));
        QCOMPARE(r.status, ReadStatus::Found);
        QCOMPARE(r.code, code);
        QVERIFY(r.name.startsWith("Novatek freeGPS ("));
        QCOMPARE(r.samples.size(), fixes.size());
        for (int i = 0; i < fixes.size() && !QTest::currentTestFailed(); ++i) {
            compareSample(r.samples[i], fixes[i], i * 1000, gTolerance, courseTolerance);
            compareUtc(r.samples[i], fixes[i], clock);
        }
    }

    // NMEA-text blocks: a void RMC gives a sample without position at its own time; a block with
    // only a GGA sentence takes the position from it and the time from the camera clock digits.
    void nmeaTextBlocks()
    {
        QList<Fix> fixes = fgfx::drive(3);
        fixes[1].valid = false;
        QList<QByteArray> blocks = blocksOf(Variant::NmeaText, fixes);
        QByteArray &gga = blocks[2];
        gga.replace(0x80, 0x80, QByteArray(0x80, '\0'));
        gga.replace(0x80, 0, QByteArray("$GPGGA,102009.00,4807.0380,S,01131.0000,W,1,08,0.9,545.4,M,46.9,M,,*47\r\n"));
        const LayoutResult r = readMp4(blocks);
        QCOMPARE(r.samples.size(), 3);
        QVERIFY(r.samples[0].hasPosition && r.samples[0].hasGSensor);
        QVERIFY(!r.samples[1].hasPosition && !r.samples[1].hasGSensor);
        QCOMPARE(r.samples[1].timeMs, 1000);
        QVERIFY(r.samples[2].hasPosition);
        QVERIFY(std::fabs(r.samples[2].latitudeDeg + (48 + 7.038 / 60)) < 1e-6);
        QVERIFY(std::fabs(r.samples[2].longitudeDeg + (11 + 31.0 / 60)) < 1e-6);
        QCOMPARE(r.samples[2].timeMs, 2000);
        // The void RMC still dates its sample; the GGA block has only the camera's digits.
        compareUtc(r.samples[1], fixes[1], AssistInfo::Clock::Gps);
        compareUtc(r.samples[2], fixes[2], AssistInfo::Clock::Camera);
    }

    // Type-3 blocks that repeat the coordinates as doubles (Transcend): the doubles are taken when
    // they agree with the floats, ignored otherwise.
    void type3DoublesWhenTheyAgree()
    {
        const Fix f = fgfx::drive(1, 47.123456789, 8.987654321).first();
        QByteArray agree = fgfx::block(Variant::Type3, {f});
        const double lat = fgfx::ddmm(f.lat), lon = fgfx::ddmm(f.lon);
        std::memcpy(agree.data() + 0x70, &lat, 8);
        std::memcpy(agree.data() + 0x80, &lon, 8);
        QByteArray disagree = agree;
        const double far = lat + 1;
        std::memcpy(disagree.data() + 0x70, &far, 8);
        const LayoutResult r = readMp4({agree, disagree});
        QCOMPARE(r.samples.size(), 2);
        QVERIFY(std::fabs(r.samples[0].latitudeDeg - f.lat) < 1e-8);
        QVERIFY(std::fabs(r.samples[0].longitudeDeg - f.lon) < 1e-8);
        QVERIFY(std::fabs(r.samples[1].latitudeDeg - f.lat) > 1e-8); // the float, not the double
        QVERIFY(std::fabs(r.samples[1].latitudeDeg - f.lat) < 1e-5);
    }

    // Coordinates that cannot be deciphered still give time and speed, never a place.
    void encryptedCoordinatesGiveNoPosition()
    {
        const QList<Fix> fixes = fgfx::drive(3);
        const LayoutResult r = readMp4(blocksOf(Variant::Encrypted, fixes));
        QCOMPARE(r.code, int(kFreeGpsEncrypted));
        QCOMPARE(r.samples.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!r.samples[i].hasPosition);
            QCOMPARE(r.samples[i].speed, int32_t(std::lround(fixes[i].speedKmh)));
            QCOMPARE(r.samples[i].timeMs, i * 1000);
            compareUtc(r.samples[i], fixes[i], AssistInfo::Clock::Gps);
        }
    }

    // E-ACE fields in base64 that no known key turns into digits: time and speed, no place.
    void eaceUnknownKeyGivesNoPosition()
    {
        QByteArray b = fgfx::fromHex(
            "00 00 40 00 66 72 65 65 47 50 53 20 f0 03 00 00" "08 00 00 00 22 00 00 00 01 00 00 00 18 00 00 00"
            "08 00 00 00 10 00 00 00 41 4e 45 00");
        const QByteArray cipher = QByteArray("not ddmm text").toBase64();
        b += cipher.leftJustified(20, '\0') + cipher.leftJustified(20, '\0');
        float knots = 21.5f;
        b += QByteArray(reinterpret_cast<const char *>(&knots), 4);
        const LayoutResult r = readMp4({b.leftJustified(0x4000, '\0')});
        QCOMPARE(r.code, int(kFreeGpsEAceText));
        QCOMPARE(r.samples.size(), 1);
        QVERIFY(!r.samples[0].hasPosition);
        QCOMPARE(r.samples[0].speed, int32_t(std::lround(knots * 1.852)));
        auto word = [&](int pos) { return int(quint8(b.at(pos))); };
        QCOMPARE(r.samples[0].utcMs, geo::utcMs(2000 + word(28), word(32), word(36), word(16), word(20), word(24)));
    }

    void placements_data()
    {
        QTest::addColumn<Placement>("placement");
        QTest::addColumn<bool>("moovFirst");
        QTest::addColumn<bool>("indexBeforeTracks");
        QTest::addColumn<Variant>("variant");
        QTest::newRow("index, moov last") << Placement::Index << false << false << Variant::Type3;
        QTest::newRow("index, moov first") << Placement::Index << true << false << Variant::Type3;
        QTest::newRow("index ahead of the tracks") << Placement::Index << true << true << Variant::Type3;
        QTest::newRow("between chunks") << Placement::MdatGaps << false << false << Variant::Type3;
        QTest::newRow("between chunks, moov first") << Placement::MdatGaps << true << false << Variant::Type3;
        QTest::newRow("free boxes GPS") << Placement::FreeBoxes << false << false << Variant::Type3;
        QTest::newRow("free boxes freeGPS") << Placement::FreeBoxesB << true << false << Variant::Type3;
        // Vantrue N2X: an RMC sentence alone, in free boxes of the second form.
        QTest::newRow("rmc in free boxes freeGPS") << Placement::FreeBoxesB << false << false << Variant::RmcOnly;
        QTest::newRow("shifted between chunks") << Placement::MdatGaps << false << false << Variant::Shifted;
    }

    // Wherever the blocks sit, the same samples come out.
    void placements()
    {
        QFETCH(Placement, placement);
        QFETCH(bool, moovFirst);
        QFETCH(bool, indexBeforeTracks);
        QFETCH(Variant, variant);
        QList<Fix> fixes = fgfx::drive(20);
        fixes[0].valid = false; // before the first fix
        fgfx::Mp4Plan plan;
        plan.blocks = blocksOf(variant, fixes, 0x8000);
        plan.placement = placement;
        plan.moovFirst = moovFirst;
        plan.indexBeforeTracks = indexBeforeTracks;
        const LayoutResult r = readBytes(fgfx::mp4(plan));
        QCOMPARE(r.status, ReadStatus::Found);
        QCOMPARE(r.samples.size(), fixes.size());
        for (int i = 0; i < fixes.size() && !QTest::currentTestFailed(); ++i)
            compareSample(r.samples[i], fixes[i], i * 1000, variant == Variant::Shifted ? 1 / 256.0 : 0.0);
    }

    // The unindexed scan reads the gaps between chunks, never the frames: a block-like pattern
    // inside a video frame is not taken.
    void framesAreNotScanned()
    {
        Fix fake;
        fake.lat = 10.5;
        fake.lon = 20.5;
        fgfx::Mp4Plan plan;
        plan.blocks = blocksOf(Variant::Type3, fgfx::drive(4));
        plan.placement = Placement::MdatGaps;
        plan.insideFirstFrame = fgfx::block(Variant::Type3, {fake}, 200);
        plan.frameBytes = 1000;
        const LayoutResult r = readBytes(fgfx::mp4(plan));
        QCOMPARE(r.samples.size(), 4);
        for (const AssistInfo &s : r.samples)
            QVERIFY(std::fabs(s.latitudeDeg - 10.5) > 1);
    }

    // Without any block the reader reads the box headers, the first table windows and the
    // first bytes of a few gaps, whatever the length of the recording.
    void noTelemetryIsCheap()
    {
        const QByteArray plain = fgfx::plainMp4(600, 4000);
        ByteSource memory = ByteSource::fromBytes(plain);
        quint64 own = 0;
        const LayoutResult r = readAfterWalk(memory, &own);
        QCOMPARE(r.status, ReadStatus::None);
        QVERIFY(r.samples.isEmpty());
        QVERIFY2(own < 64 * 1024, qPrintable(QString::number(own)));
        QVERIFY(plain.size() > 4 * 1024 * 1024);

        // 2 GB on disk (sparse), chunks back to back: no gap at all, so the search stops after
        // the first seconds of mdat instead of walking every table.
        QTemporaryDir dir;
        fgfx::Mp4Plan plan;
        plan.placement = Placement::MdatGaps;
        for (int i = 0; i < 16000; ++i) // 32000 frames: tables of 190 KB
            plan.blocks.append(QByteArray());
        plan.sparseFrameBytes = 64 << 10;
        const QString path = dir.filePath("plain2g.mp4");
        QVERIFY(fgfx::writeMp4(path, plan));
        QVERIFY(QFileInfo(path).size() > 2000LL * 1024 * 1024);
        ByteSource src(path);
        QCOMPARE(readAfterWalk(src, &own).status, ReadStatus::None);
        QVERIFY2(own < 48 * 1024, qPrintable(QString::number(own)));
    }

    // Blocks that hold the literal but no variant that validates: damaged, no sample at 0,0.
    void invalidBlocksAreDamage()
    {
        Fix bad = fgfx::drive(1).first();
        bad.month = 13;
        QList<QByteArray> blocks{fgfx::block(Variant::Type3, {bad}), QByteArray(0x1000, '\0')};
        blocks[1].replace(0, 12, QByteArray("\x00\x00\x10\x00" "freeGPS ", 12));
        const LayoutResult r = readMp4(blocks);
        QCOMPARE(r.status, ReadStatus::Damaged);
        QVERIFY(r.samples.isEmpty());
        QCOMPARE(readBytes(fgfx::plainMp4(3)).status, ReadStatus::None);
        QCOMPARE(readBytes(QByteArray("not a box at all")).status, ReadStatus::None);
    }

    // Ring blocks repeat the device's last records: each record is taken once, in time order.
    void atcRingTakesEachRecordOnce()
    {
        const QList<Fix> fixes = fgfx::drive(9);
        QList<QByteArray> blocks;
        const int ring = 5;
        for (int k = 0; k < fixes.size(); ++k) {
            QList<Fix> ringSlots;
            for (int slot = 0; slot < ring; ++slot) {
                // slot s holds the newest fix whose index is s modulo the ring, not after k
                int i = k - ((k - slot) % ring + ring) % ring;
                ringSlots.append(fixes[qMax(0, i)]);
            }
            blocks.append(fgfx::block(Variant::AtcRing, ringSlots));
        }
        const LayoutResult r = readMp4(blocks, Placement::MdatGaps);
        QCOMPARE(r.code, int(kFreeGpsAtcRing));
        QCOMPARE(r.samples.size(), fixes.size());
        for (int i = 0; i < fixes.size() && !QTest::currentTestFailed(); ++i) {
            compareSample(r.samples[i], fixes[i], i * 1000, 0.0);
            compareUtc(r.samples[i], fixes[i], AssistInfo::Clock::Gps);
        }
    }

    // Multi-record blocks: Nextbase "$S" records carry tenths of seconds; INNOVV records have
    // no clock and share their block's second.
    void multiRecordBlocks()
    {
        QList<Fix> fixes = fgfx::drive(8);
        QList<QByteArray> blocks;
        for (int k = 0; k < 4; ++k) {
            fixes[2 * k + 1] = fixes[2 * k];
            fixes[2 * k + 1].tenths = 5;
            fixes[2 * k + 1].lat += 0.0001;
            blocks.append(fgfx::block(Variant::NextbaseS, {fixes[2 * k], fixes[2 * k + 1]}));
        }
        LayoutResult r = readMp4(blocks, Placement::MdatGaps);
        QCOMPARE(r.code, int(kFreeGpsNextbaseS));
        QCOMPARE(r.samples.size(), 8);
        for (int i = 0; i < 8 && !QTest::currentTestFailed(); ++i) {
            compareSample(r.samples[i], fixes[i], (i / 2) * 2000 + (i % 2) * 500, 0.0);
            compareUtc(r.samples[i], fixes[i], AssistInfo::Clock::Gps); // tenths included
        }

        const QList<Fix> innovv = fgfx::drive(6);
        r = readMp4({fgfx::block(Variant::Innovv, innovv.mid(0, 3)), fgfx::block(Variant::Innovv, innovv.mid(3, 3))},
                    Placement::MdatGaps);
        QCOMPARE(r.code, int(kFreeGpsInnovv));
        QCOMPARE(r.samples.size(), 6);
        for (int i = 0; i < 6 && !QTest::currentTestFailed(); ++i) {
            compareSample(r.samples[i], innovv[i], (i / 3) * 1000 + (i % 3) * 333, 0.0);
            compareUtc(r.samples[i], innovv[i], AssistInfo::Clock::None);
        }
    }

    // 70mai cameras repeat one clockless fix in a block per video frame: a new fix starts the
    // next second. An unchanged fix in blocks of a clocked variant stays a sample per block.
    void repeatedClocklessBlocksMarkSeconds()
    {
        const QList<Fix> fixes = fgfx::drive(3);
        QList<QByteArray> blocks;
        for (const Fix &f : fixes)
            for (int frame = 0; frame < 4; ++frame)
                blocks.append(fgfx::block(Variant::SeventyMai, {f}));
        LayoutResult r = readMp4(blocks, Placement::MdatGaps);
        QCOMPARE(r.samples.size(), 3);
        for (int i = 0; i < 3 && !QTest::currentTestFailed(); ++i)
            compareSample(r.samples[i], fixes[i], i * 1000, 0.0, 0.5);

        QList<Fix> parked = fgfx::drive(1) + fgfx::drive(1) + fgfx::drive(1);
        parked[1].second += 1;
        parked[2].second += 2;
        r = readMp4(blocksOf(Variant::Type3, parked));
        QCOMPARE(r.samples.size(), 3);
        QCOMPARE(r.samples[2].timeMs, 2000);
    }

    // Times follow the block clock from the first block; a clock that jumps back, or blocks
    // without any clock, fall back to one second per block, always in order.
    void timesFollowTheBlockClock()
    {
        QList<Fix> fixes = fgfx::drive(6);
        fixes[2].second += 2;    // a second without a block: a gap of two seconds
        fixes[3].second += 2;
        fixes[4].hour -= 3;      // the camera clock set back: continue one second later
        fixes[5].hour -= 3;
        const LayoutResult r = readMp4(blocksOf(Variant::Type3, fixes));
        QList<qint64> times;
        for (const AssistInfo &s : r.samples)
            times.append(s.timeMs);
        QCOMPARE(times, (QList<qint64>{0, 1000, 4000, 5000, 6000, 7000}));

        // The same clock second twice (several blocks a second): both kept, same time.
        QList<Fix> same = fgfx::drive(3);
        same[1].second = same[0].second;
        same[1].lat += 0.001;
        const LayoutResult r2 = readMp4(blocksOf(Variant::Type3, same));
        QCOMPARE(r2.samples.size(), 3);
        QCOMPARE(r2.samples[1].timeMs, 0);
        QCOMPARE(r2.samples[2].timeMs, 2000);
    }

    // A recording cut short has no moov and an mdat without size: blocks on 32 KiB boundaries
    // are still found, probing only those boundaries.
    void cutShortRecording()
    {
        const QList<Fix> fixes = fgfx::drive(8);
        fgfx::Mp4Plan plan;
        plan.blocks = blocksOf(Variant::Shifted, fixes, 0x1000);
        plan.placement = Placement::MdatGaps;
        plan.alignBlocks = true;
        plan.cutShort = true;
        plan.frameBytes = 20000;
        const QByteArray bytes = fgfx::mp4(plan);
        ByteSource src = ByteSource::fromBytes(bytes);
        quint64 own = 0;
        const LayoutResult r = readAfterWalk(src, &own);
        QCOMPARE(r.samples.size(), fixes.size());
        for (int i = 0; i < fixes.size() && !QTest::currentTestFailed(); ++i)
            compareSample(r.samples[i], fixes[i], i * 1000, 1 / 256.0);
        // The blocks' first 4 KiB and 12 bytes a boundary, not the frames.
        QVERIFY(own < quint64(fixes.size() * 4096 + bytes.size() / 0x8000 * 12 + 1024));
        QCOMPARE(readBytes(bytes.left(bytes.indexOf("freeGPS ") - 4)).status, ReadStatus::None);
    }

    // An index entry longer than its block (trimmed files): the block ends at its own size word,
    // so the records of the next block are not read twice.
    void blockEndsAtItsOwnSize()
    {
        const QList<Fix> fixes = fgfx::drive(6);
        fgfx::Mp4Plan plan;
        for (int k = 0; k < 3; ++k)
            plan.blocks.append(fgfx::block(Variant::Innovv, fixes.mid(2 * k, 2), 0x100));
        plan.audio = false;
        plan.frameBytes = 16;
        QByteArray bytes = fgfx::mp4(plan);
        const int gps = bytes.indexOf("gps ");
        for (int k = 0; k < 3; ++k)
            qToBigEndian(quint32(0x1000), bytes.data() + gps + 16 + 8 * k);
        const LayoutResult r = readBytes(bytes);
        QCOMPARE(r.samples.size(), 6);
        for (int i = 0; i < 6 && !QTest::currentTestFailed(); ++i)
            compareSample(r.samples[i], fixes[i], (i / 2) * 1000 + (i % 2) * 500, 0.0);
    }

    // The boxes are walked once per load: a reader handed a tree already walked reads no box
    // header of its own, only the index and the blocks.
    void sharedBoxTree()
    {
        for (Placement p : {Placement::Index, Placement::MdatGaps, Placement::FreeBoxesB}) {
            fgfx::Mp4Plan plan;
            plan.blocks = blocksOf(Variant::Type3, fgfx::drive(5));
            plan.placement = p;
            ByteSource src = ByteSource::fromBytes(fgfx::mp4(plan));
            ByteSource::resetTotalBytesRead();
            readFreeGpsMp4(src, ReadContext{});
            const quint64 walkAndRead = ByteSource::totalBytesRead();
            quint64 own = 0;
            const LayoutResult shared = readAfterWalk(src, &own);
            QCOMPARE(shared.samples.size(), 5);
            QVERIFY2(own < walkAndRead, qPrintable(QStringLiteral("%1 >= %2").arg(own).arg(walkAndRead)));
        }
    }

    // ExifTool's published dump of a 70mai A810 block, the only real bytes of that camera we
    // have: recognised, one fix, no clock.
    void seventyMaiPublishedBlock()
    {
        const LayoutResult r = readMp4({fgfx::seventyMaiA810Block()});
        QCOMPARE(r.code, int(kFreeGps70mai));
        QCOMPARE(r.samples.size(), 1);
        QVERIFY(r.samples[0].hasPosition);
        QCOMPARE(r.samples[0].utcMs, qint64(-1));
    }

    // An index whose entries miss the blocks falls back to the scan; an empty index too.
    void wrongIndexFallsBackToTheScan()
    {
        const QList<Fix> fixes = fgfx::drive(5);
        fgfx::Mp4Plan plan;
        plan.blocks = blocksOf(Variant::Type3, fixes);
        QByteArray bytes = fgfx::mp4(plan);
        const int gps = bytes.indexOf("gps ");
        QVERIFY(gps > 0);
        for (int k = 0; k < fixes.size(); ++k) // every offset 100 bytes too far
            qToBigEndian(qFromBigEndian<quint32>(bytes.constData() + gps + 12 + 8 * k) + 100,
                         bytes.data() + gps + 12 + 8 * k);
        LayoutResult r = readBytes(bytes);
        QCOMPARE(r.status, ReadStatus::Found);
        QCOMPARE(r.samples.size(), fixes.size());
        qToBigEndian(quint32(0), bytes.data() + gps + 8); // N = 0
        r = readBytes(bytes);
        QCOMPARE(r.samples.size(), fixes.size());
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsMp4)
#include "test_freegps_mp4.moc"
