// Two independent readings of the same bytes: ExifTool's and ours, on fixture recordings of
// every freeGPS variant that ExifTool decodes.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_fixtures.h"
#include "mp4_fixtures.h"
#include "realcam_checks.h"
#include "realcam_fixtures.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>

using fgfx::Fix;
using fgfx::Placement;
using fgfx::TsVariant;
using fgfx::Variant;

Q_DECLARE_METATYPE(fgfx::Variant)
Q_DECLARE_METATYPE(fgfx::Placement)
Q_DECLARE_METATYPE(fgfx::TsVariant)
Q_DECLARE_METATYPE(AssistInfo::Clock)

namespace {

// Positions, speeds and times agree. clock is whose time ours must say it is wherever ExifTool
// prints a GPSDateTime (Camera for a clock ExifTool converts from local time); where ExifTool
// prints none, ours has none either.
void compareReadings(const LayoutResult &ours, const QList<rcfx::EtFix> &theirs, int expected,
                     AssistInfo::Clock clock = AssistInfo::Clock::Gps)
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
        const auto second = [](qint64 ms) { return ms < 0 ? -1 : ms / 1000; };
        QCOMPARE(second(positioned[i].utcMs), second(theirs[i].utcMs));
        QCOMPARE(positioned[i].utcClock, theirs[i].utcMs < 0 ? AssistInfo::Clock::None : clock);
    }
}

QList<QByteArray> blocksOf(Variant v, const QList<Fix> &fixes)
{
    QList<QByteArray> out;
    for (const Fix &f : fixes)
        out.append(fgfx::block(v, {f}, 0x8000));
    return out;
}

// A LIGOGPSINFO directory and one 132-byte slot per fix: "####" slots in the maker's cipher
// (speed in knots, or in ExifTool's fuzzed unit; coordinates fuzzed when scale > 0) or plain
// text slots in km/h. wordAfter is the directory's last word (ABASK writes 0 there).
QByteArray ligoDirectory(const QList<rcfx::Fix> &fixes, bool plain, double scale, quint32 wordAfter)
{
    const bool fuzzed = scale > 0;
    QByteArray slotBytes;
    for (int i = 0; i < fixes.size(); ++i) {
        rcfx::Fix f = fixes[i];
        if (fuzzed) { // the parts below ten degrees trade places, divided by the scale
            const double a = std::fabs(f.lat), o = std::fabs(f.lon);
            const double aTens = std::trunc(a / 10) * 10, oTens = std::trunc(o / 10) * 10;
            f.lat = std::copysign(aTens + (o - oTens) / scale, f.lat);
            f.lon = std::copysign(oTens + (a - aTens) / scale, f.lon);
        }
        QByteArray text = rcfx::ligoText(f, 0.02, -0.03, 0.99);
        QByteArray slot;
        if (plain) {
            slot = QByteArray(4, char(i + 1)) + text;
        } else {
            text.truncate(text.indexOf(" H:")); // 124 cipher bytes fit a slot
            const int at = text.indexOf(" km/h");
            const int from = text.lastIndexOf(' ', at - 1) + 1;
            text.replace(from, at - from, QByteArray::number(f.speedKmh / (fuzzed ? 1.85407333 : 1.852), 'f', 4));
            const QByteArray cipher = rcfx::ligoEncrypt(QByteArray(4, char(i + 1)) + text);
            slot = QByteArray("####") + char(cipher.size()) + QByteArray(3, '\0') + cipher;
        }
        slotBytes += slot.leftJustified(0x84, '\0', true);
    }
    QByteArray dir = QByteArray("LIGOGPSINFO\0", 12);
    dir += QByteArray("\0\0\0", 3) + char(fuzzed ? 5 : 1);
    dir += char(wordAfter) + QByteArray(3, '\0');
    return dir + slotBytes;
}

} // namespace

class TestFreeGpsExiftool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    double m_version = 0; // rows of layouts ExifTool reads only since some version skip below it

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
            QSKIP("exiftool is not installed");
        QVERIFY(m_dir.isValid());
        m_version = rcfx::exiftoolVersion();
        // Keep the recordings for a look with other tools when asked to.
        m_dir.setAutoRemove(!qEnvironmentVariableIsSet("FREEGPS_KEEP_FIXTURES"));
        if (!m_dir.autoRemove())
            qInfo("fixtures kept in %s", qPrintable(m_dir.path()));
    }

    void mp4_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<Placement>("placement");
        // Whose clock the blocks hold (Camera: written as the camera's local time).
        QTest::addColumn<AssistInfo::Clock>("clock");
        QTest::addColumn<double>("since"); // the ExifTool version that reads the layout
        // ExifTool decodes some variants only through the index, others only by its mdat scan.
        QTest::newRow("type 3, index") << Variant::Type3 << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("type 3, scan") << Variant::Type3 << Placement::MdatGaps << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("shifted") << Variant::Shifted << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("shifted, kenwood local clock") << Variant::Shifted << Placement::Index << AssistInfo::Clock::Camera << 0.0;
        QTest::newRow("nmea text") << Variant::NmeaText << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("xor text") << Variant::XorText << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("akaso") << Variant::Akaso << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("minus 16 rmc") << Variant::Minus16Rmc << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("horsontech") << Variant::Horsontech << Placement::Index << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("vantrue n4") << Variant::VantrueN4 << Placement::MdatGaps << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("anticlock") << Variant::Anticlock << Placement::MdatGaps << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("f64") << Variant::F64 << Placement::MdatGaps << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("iqs") << Variant::Iqs << Placement::MdatGaps << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("innovv") << Variant::Innovv << Placement::MdatGaps << AssistInfo::Clock::None << 0.0;
        QTest::newRow("nextbase $S") << Variant::NextbaseS << Placement::MdatGaps << AssistInfo::Clock::Gps << 0.0;
        QTest::newRow("70mai a810") << Variant::SeventyMai << Placement::Index << AssistInfo::Clock::None << 12.99;
    }

    void mp4()
    {
        QFETCH(Variant, variant);
        QFETCH(Placement, placement);
        QFETCH(AssistInfo::Clock, clock);
        QFETCH(double, since);
        if (m_version < since)
            QSKIP(qPrintable(QStringLiteral("ExifTool %1 does not read this layout").arg(m_version)));
        QList<Fix> fixes = fgfx::drive(5, 40.7128, -74.0060);
        fixes[2].lat = -34.6037; // south and east too
        fixes[2].lon = 58.3816;
        for (Fix &f : fixes)
            f.cameraClock = clock == AssistInfo::Clock::Camera;
        fgfx::Mp4Plan plan;
        plan.blocks = blocksOf(variant, fixes);
        plan.placement = placement;
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".mp4");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fgfx::mp4(plan));
        f.close();
        ByteSource src(path);
        const LayoutResult ours = readFreeGpsMp4(src, ReadContext());
        compareReadings(ours, rcfx::exiftoolFixes(path), fixes.size(), clock);
    }

    // ATC ring blocks: ExifTool keeps state between blocks as we do.
    void atcRing()
    {
        const QList<Fix> fixes = fgfx::drive(7, 35.6762, 139.6503);
        fgfx::Mp4Plan plan;
        plan.placement = Placement::MdatGaps;
        for (int k = 0; k < fixes.size(); ++k) {
            QList<Fix> ring;
            for (int slot = 0; slot < 4; ++slot)
                ring.append(fixes[qMax(0, k - ((k - slot) % 4 + 4) % 4)]);
            plan.blocks.append(fgfx::block(Variant::AtcRing, ring, 0x8000));
        }
        const QString path = m_dir.filePath("atc.mp4");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fgfx::mp4(plan));
        f.close();
        ByteSource src(path);
        compareReadings(readFreeGpsMp4(src, ReadContext()), rcfx::exiftoolFixes(path), fixes.size());
    }

    // Blocks as published in ExifTool's own byte dumps of camera recordings, padded to their size
    // word, in an indexed MP4 (ExifTool's table path): both readings of real camera bytes.
    void publishedDumps_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("since"); // the ExifTool version that reads the layout
        QTest::newRow("VIOFO A119S type 3") << fgfx::fromHex(
            "00 00 80 00 66 72 65 65 47 50 53 20 4c 00 00 00" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" "10 00 00 00 2d 00 00 00 14 00 00 00 11 00 00 00"
            "0c 00 00 00 1f 00 00 00 41 4e 45 00 5d 9a a9 45" "ab 1e e5 44 ec 51 f0 40 b8 5e a5 43 00 00 00 00")
                                                 << int(kFreeGpsType3) << 0.0;
        QTest::newRow("VIOFO A119 V3 shifted") << fgfx::fromHex(
            "00 00 40 00 66 72 65 65 47 50 53 20 f0 03 00 00" "05 00 00 00 2f 00 00 00 03 00 00 00 13 00 00 00"
            "09 00 00 00 1b 00 00 00 41 4e 57 00 25 d1 99 45" "f1 47 40 46 66 66 d2 41 85 eb 83 41 00 00 00 00")
                                               << int(kFreeGpsShifted) << 0.0;
        QTest::newRow("Akaso") << fgfx::fromHex(
            "00 00 80 00 66 72 65 65 47 50 53 20 60 00 00 00" "78 2e 78 78 00 00 00 00 00 00 00 00 00 00 00 00"
            "30 30 30 30 30 00 00 00 00 00 00 00 00 00 00 00" "12 00 00 00 2f 00 00 00 19 00 00 00 41 00 00 00"
            "13 b3 ca 44 4e 00 00 00 29 92 fb 45 45 00 00 00" "d9 ee b4 41 ec d1 d3 42 e4 07 00 00 01 00 00 00"
            "0c 00 00 00 01 00 00 00 05 00 00 00 00 00 00 00")
                               << int(kFreeGpsAkaso) << 0.0;
        QTest::newRow("Vantrue S1 horsontech") << fgfx::fromHex(
            "00 00 80 00 66 72 65 65 47 50 53 20 78 00 00 00" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" "68 6f 72 73 6f 6e 74 65 63 68 00 00 00 00 00 00"
            "41 4e 45 00 15 00 00 00 07 00 00 00 02 00 00 00" "03 00 00 00 35 00 00 00 05 00 00 00 4f 74 4c 44"
            "e2 77 a0 45 89 c1 98 42 71 bd ac 42 02 ab 0d 43" "05 00 00 00 7f 00 00 00 07 01 00 00 00 00 00 00")
                                               << int(kFreeGpsHorsontech) << 0.0;
        // Azdome and EEEkit: the dumps show the plaintext; the block holds it XOR 0xAA from B+18.
        auto xorBlock = [](const char *header, QByteArray plain, int size) {
            plain = plain.leftJustified(0x101, '\0');
            for (char &c : plain)
                c = char(c ^ 0xAA);
            return (fgfx::fromHex(header) + plain).leftJustified(size, '\0');
        };
        QByteArray azdome = fgfx::fromHex(
            "00 00 58 4b 5a 44 fe fe 32 30 31 38 30 39 32 34" "32 32 34 39 32 38 0c 35 35 36 37 47 50 20 20 20"
            "00 00 00 00 00 03 4e 34 30 34 36 34 33 35 30 57" "30 30 37 30 34 30 33 30 38 30 30 30 30 30 30 30"
            "37").leftJustified(0xAD, '\0')
            + fgfx::fromHex("2b 30 39 33 2d 30 30 33 2d 30 30 35");
        QTest::newRow("Azdome GS63H") << xorBlock("00 00 80 00 66 72 65 65 47 50 53 20 05 01 00 00 01 03", azdome, 0x8000)
                                      << int(kFreeGpsXorText) << 0.0;
        const QByteArray eeekit = fgfx::fromHex(
            "00 00 58 4b 5a 44 fe fe 32 30 32 30 30 35 31 39" "31 36 32 33 33 35 0c 30 30 32 30 30 35 31 39 31"
            "36 32 33 33 36 03 4e 33 37 34 35 32 34 31 36 57" "31 32 32 32 35 35 30 30 39 2b 30 31 37 35 30 31"
            "31 2b 30 31 34 2b 30 30 32 2b 30 32 36 2b 30 31");
        QTest::newRow("EEEkit") << xorBlock("00 00 04 00 66 72 65 65 47 50 53 20 f0 03 00 00 01 03", eeekit, 0x400)
                                << int(kFreeGpsXorText) << 0.0;
        QTest::newRow("70mai A810") << fgfx::seventyMaiA810Block() << int(kFreeGps70mai) << 12.99;
        // Decimal degrees and km/h in the type-3 fields of a 0x4000-byte block (ExifTool's "17c").
        QTest::newRow("Transcend Body 70") << fgfx::fromHex(
            "00 00 40 00 66 72 65 65 47 50 53 20 4c 00 00 00" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" "09 00 00 00 26 00 00 00 15 00 00 00 e9 07 00 00"
            "05 00 00 00 10 00 00 00 41 53 45 00 6c 59 ee 41" "9f 1a f7 41 3c 6b 0f 41 9a 99 99 43 00 00 00 00")
                                           << int(kFreeGpsTranscendDegrees) << 13.59;
        // The E-ACE B44 dump (ddmm text under RC4 and base64 at B+44 and B+64), then the same
        // with the plain text other units of the firmware write.
        QByteArray eace = fgfx::fromHex(
            "00 00 40 00 66 72 65 65 47 50 53 20 f0 03 00 00" "08 00 00 00 22 00 00 00 01 00 00 00 18 00 00 00"
            "08 00 00 00 10 00 00 00 41 4e 45 00 67 4e 69 69" "5a 38 4a 54 74 48 63 61 36 74 77 3d 00 00 00 00"
            "68 74 75 69 5a 4d 4a 53 73 58 55 58 37 4e 6f 3d" "00 00 00 00 64 3b ac 41 e1 3a 1d 43 2b 01 00 00"
            "fd ff ff ff 43 00 00 00 32 4a 37 31 50 70 55 48" "37 69 68 66 00 00 00 00 00 00 00 00 00 00 00 00");
        QTest::newRow("E-ACE B44 enciphered") << eace << int(kFreeGpsEAceText) << 13.59;
        eace.replace(0x2c, 20, QByteArray("4807.1234").leftJustified(20, '\0'));
        eace.replace(0x40, 20, QByteArray("01131.5678").leftJustified(20, '\0'));
        QTest::newRow("E-ACE B44 text") << eace << int(kFreeGpsEAceText) << 13.59;
    }

    void publishedDumps()
    {
        QFETCH(QByteArray, block);
        QFETCH(int, code);
        QFETCH(double, since);
        if (m_version < since)
            QSKIP(qPrintable(QStringLiteral("ExifTool %1 does not read this layout").arg(m_version)));
        const int size = int(qFromBigEndian<quint32>(block.constData()));
        fgfx::Mp4Plan plan;
        plan.blocks = {block.leftJustified(size, '\0')};
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".mp4");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fgfx::mp4(plan));
        f.close();
        ByteSource src(path);
        const LayoutResult ours = readFreeGpsMp4(src, ReadContext());
        QCOMPARE(ours.code, code);
        compareReadings(ours, rcfx::exiftoolFixes(path), 1);
    }

    // LIGOGPSINFO directories in freeGPS blocks (ExifTool's type 5) at B+16, B+48 and B+80, and
    // in a TS packet behind "skip" (read there with -ee3, never fuzzed).
    void ligo_data()
    {
        QTest::addColumn<int>("dir");      // directory offset in the block; -1: TS "skip" packet
        QTest::addColumn<bool>("plain");   // plain text slots instead of "####" ones
        QTest::addColumn<double>("scale"); // fuzzing scale, 0 for none
        QTest::addColumn<quint32>("word12"); // the block's word at B+12 (ABASK: 0x3f0)
        QTest::addColumn<quint32>("wordAfter");
        QTest::newRow("freeGPS +16 encrypted") << 16 << false << 0.0 << 0x98u << 10u;
        QTest::newRow("freeGPS +48 encrypted fuzzed") << 48 << false << 1.524855137 << 0x3f0u << 1u;
        QTest::newRow("freeGPS +16 ABASK fuzzed") << 16 << false << 1.15368 << 0x3f0u << 0u;
        QTest::newRow("freeGPS +80 plain") << 80 << true << 0.0 << 0x3f0u << 1u;
        QTest::newRow("TS skip encrypted") << -1 << false << 0.0 << 0u << 1u;
    }

    void ligo()
    {
        QFETCH(int, dir);
        QFETCH(bool, plain);
        QFETCH(double, scale);
        QFETCH(quint32, word12);
        QFETCH(quint32, wordAfter);
        if (m_version < 13.59)
            QSKIP(qPrintable(QStringLiteral("ExifTool %1 does not read this layout").arg(m_version)));
        // ExifTool parses an unlisted PID's data once two TS packets of it have come (362 bytes):
        // the TS packet holds two slots, a block four.
        const QList<rcfx::Fix> fixes = rcfx::route(dir < 0 ? 2 : 4, 41.3851, -2.1734);
        const QByteArray records = ligoDirectory(fixes, plain, scale, wordAfter);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_')
                                            + (dir < 0 ? ".ts" : ".mp4"));
        QByteArray block = fgfx::fromHex("00 00 40 00 66 72 65 65 47 50 53 20");
        block += char(word12 & 0xff) + QByteArray(1, char(word12 >> 8)) + QByteArray(2, '\0');
        fgfx::Mp4Plan plan;
        plan.blocks = {(block.leftJustified(dir, '\0') + records).leftJustified(0x4000, '\0')};
        QVERIFY(mp4fx::writeFile(path, dir < 0 ? fgfx::tsWithPayloads({"skip" + QByteArray(4, '\0') + records})
                                               : fgfx::mp4(plan)));
        ByteSource src(path);
        const LayoutResult ours = (dir < 0 ? readFreeGpsTs : readFreeGpsMp4)(src, ReadContext());
        QCOMPARE(ours.code, int(kFreeGpsLigo));
        compareReadings(ours, rcfx::exiftoolFixes(path, {dir < 0 ? "-ee3" : "-ee"}),
                        fixes.size(), AssistInfo::Clock::Camera);
    }

    // The TS records of ExifTool's dumps (VIOFO A119 V3 TS mode, Blueskysea B4K).
    void publishedTsDumps()
    {
        const QByteArray viofo = fgfx::fromHex(
            "08 00 00 00 07 00 00 00 18 00 00 00 15 00 00 00" "03 00 00 00 0b 00 00 00 41 4e 45 00 01 f2 ac 45"
            "2d 7f 6e 45 b8 1e 97 41 d7 23 46 43 00 00 00 00");
        const QByteArray b4k = fgfx::fromHex(
            "01 00 ff 00 30 31 32 33 34 35 37 38 61 62 63 64" "65 66 67 0a 00 00 00 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 30 31 32 33 34 35 37 38 71 77 65 72" "74 79 75 69 6f 70 0a 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
            "00 00 00 00 63 38 61 61 32 35 63 66 34 35 65 65" "61 39 65 32 34 34 32 66 61 65 62 35 65 30 39 39"
            "30 37 64 34 15 00 00 00 10 00 00 00 1b 00 00 00" "15 00 00 00 01 00 00 00 09 00 00 00 41 4e 57 00"
            "82 9a 57 45 98 b2 00 46 66 66 e4 41 d7 e3 14 43" "01 00 02 00 03 00 04 00 05 00 06 00");
        const struct { const char *name; QByteArray payload; int code; } cases[] = {
            {"viofo.ts", viofo.leftJustified(1008, '\0'), kFreeGpsTsRecord},
            {"b4k.ts", b4k, kFreeGpsTsPrefixed},
        };
        for (const auto &c : cases) {
            const QString path = m_dir.filePath(QString::fromLatin1(c.name));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(fgfx::tsWithPayloads({c.payload}));
            f.close();
            ByteSource src(path);
            const LayoutResult ours = readFreeGpsTs(src, ReadContext());
            QCOMPARE(ours.code, c.code);
            compareReadings(ours, rcfx::exiftoolFixes(path, {"-ee3"}), 1);
            if (QTest::currentTestFailed())
                return;
        }
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
        compareReadings(readFreeGpsTs(src, ReadContext()), rcfx::exiftoolFixes(path, {"-ee3"}), fixes.size());
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsExiftool)
#include "test_freegps_exiftool.moc"
