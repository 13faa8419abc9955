// Hostile bytes for every reader of metadata tracks, atoms, trailers and sidecars: each fixture
// truncated at many offsets, with lying counts and sizes, and random bytes sprayed with the
// layouts' magic. Whatever comes out must keep the sample contract: times >= 0 in order, a
// position only with a fix and text, never more samples than the bytes can describe.

#include "bytesource.h"
#include "realcam_checks.h"
#include "realcam_fixtures.h"
#include "realcams.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

using namespace rcfx;

namespace {

struct Reader
{
    const char *name;
    LayoutReadFn fn;
    QString path; // sidecar readers read the bytes as the file this names
};

const QList<Reader> &readers()
{
    static const QList<Reader> list = {
        {"gpmf", readGpmfTrack, {}},
        {"text", readTextMetaTrack, {}},
        {"binary", readBinaryMetaTrack, {}},
        {"tracks", readMetaTracks, {}},
        {"gps0", readGps0Atoms, {}},
        {"trailer", readHashTrailer, {}},
        {"gps", readSidecars, "/nowhere/20250101_101500_N.gps"},
        {"3gf", readSidecars, "/nowhere/20250101_101500_N.3gf"},
        {"nmea", readSidecars, "/nowhere/x.NMEA"},
        {"map", readSidecars, "/nowhere/x.map"},
        {"70mai", readSidecars, "/nowhere/GPSData000001.txt"},
    };
    return list;
}

QString contractBroken(const LayoutResult &r, qint64 bytes)
{
    // Every layout needs at least a few bytes per sample, except GPMF G values (10 a second from
    // one payload) and gps0 rows without a fix; 64 per byte is far above any of them.
    if (r.samples.size() > bytes * 64 + 16)
        return QStringLiteral("%1 samples from %2 bytes").arg(r.samples.size()).arg(bytes);
    if (r.status == ReadStatus::Found && r.samples.isEmpty())
        return QStringLiteral("found without samples");
    qint64 last = 0;
    for (const AssistInfo &s : r.samples) {
        if (s.timeMs < last)
            return QStringLiteral("time %1 after %2").arg(s.timeMs).arg(last);
        last = s.timeMs;
        if (s.hasPosition != !s.latitude.isEmpty() || s.hasPosition != !s.longitude.isEmpty())
            return QStringLiteral("position flag and text disagree");
        if (s.hasPosition
            && (!(std::fabs(s.latitudeDeg) <= 90.0) || !(std::fabs(s.longitudeDeg) <= 180.0)))
            return QStringLiteral("position off the earth");
        if (!s.hasPosition && s.speed != 0)
            return QStringLiteral("speed without a fix");
    }
    return QString();
}

void runAll(const QByteArray &bytes, const QByteArray &what)
{
    for (const Reader &r : readers()) {
        ByteSource src = ByteSource::fromBytes(bytes);
        const LayoutResult res = r.fn(src, contextFor(r.path));
        const QString broken = contractBroken(res, bytes.size());
        if (!broken.isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 on %2: %3").arg(r.name, what, broken)));
    }
}

QList<QPair<QByteArray, QByteArray>> fixtures()
{
    const QList<Fix> r = route(6, -12.5, 130.8);
    GpmfPayload p;
    p.gps = r;
    p.accl = {1, 2, 3, 4, 5, 6};
    GpmfPayload p9 = p;
    p9.gps9 = true;
    QList<QByteArray> cues, think, ssmd, rove, tvxt, rvmi, ligo, camm, fmas, xored, pndm;
    for (const Fix &f : r) {
        camm << cammGps(f) + cammAccel(1, 2, 3);
        fmas << fmasRecord(f, 1, 2, 3);
        xored << xorTextRecord(f);
        pndm << pndmRecord(f);
        cues << rmc(f) + gga(f);
        think << "gsensori,4,512,1,2,3;" + rmc(f, "GN", false);
        ssmd << ssmdRecord(f);
        rove << roveRecord(f);
        tvxt << tvxtRecord(f, 1, 2, 3);
        rvmi << rvmiGps(f) << rvmiAccel(1, 2, 3);
        ligo << ligoText(f, 0.1, 0.2, 0.3);
    }
    QList<QVector<qint16>> rows;
    for (int i = 0; i < 6; ++i)
        rows.append({qint16(i), 2, 3});
    return {
        {"gpmf", gpmfFile({p, p9})},
        {"text", textTrackFile(cues)},
        {"thinkware", textTrackFile(think, "sbtl", "tx3g")},
        {"mini 0806", textTrackFile({mini0806Cue(r[0], 1, 2, 3), mini0806Cue(r[1], 4, 5, 6)})},
        {"roadhawk", textTrackFile({roadhawkCue(r[0], 1, 2, 3), roadhawkCue(r[1], 4, 5, 6)})},
        {"eprance", textTrackFile({epranceCue(r[0], 1, 2, 3, 7), epranceCue(r[1], 4, 5, 6, 7)})},
        {"nextbase", textTrackFile({nextbaseCue(r[0], 1, 2, 3), nextbaseCue(r[1], 4, 5, 6)})},
        {"ssmd", dataTrackFile("meta", "ssmd", ssmd)},
        {"rove", dataTrackFile("meta", "ssmd", rove)},
        {"tvxt", dataTrackFile("tvxt", "mp4s", tvxt)},
        {"rvmi", dataTrackFile("data", "RVMI", rvmi)},
        {"camm", dataTrackFile("camm", "camm", camm)},
        {"fmas", dataTrackFile("meta", "gpmd", fmas)},
        {"xor", dataTrackFile("meta", "gpmd", xored)},
        {"pndm", dataTrackFile("text", "text", pndm)},
        {"ligo",
            dataTrackFile("meta", "ssmd", {ligoSample(r[0], true, 1), ligoSample(r[1], false, 2)})},
        {"gps0", gps0File(r, QByteArray(30, '\x10'))},
        {"70mai", gps70maiFile(r)},
        {"blackvue box", blackvueFreeFile(r, 1735726500000LL, 1735726500000LL, rows)},
        {"udat", udatFile(r)},
        {"garmin", garminUuidFile(r)},
        {"trailer", hashTrailerFile(ligo)},
        {"ligo trailer", ligoTrailerFile(r, true)},
        {"blackvue", blackvueGps(r, 1735726500000LL)},
        {"3gf", blackvue3gf(rows, 100)},
        {"nmea", nmeaSidecar(r, true)},
        {"map", escortMap(r)},
        {"70mai log", seventyMaiLog(r, "NO20250101-101500-000001F.MP4", 1735726500)},
    };
}

void putBE32(QByteArray *b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        (*b)[at + i] = char(v >> (24 - 8 * i));
}

} // namespace

class TestRealcamsHostile : public QObject
{
    Q_OBJECT

private slots:
    void intactFixturesKeepTheContract();
    void truncatedAtManyOffsets();
    void lyingCountsAndSizes();
    void randomBytesWithMagicSprayed();
    void overlappingSamplesReadOnce();
};

void TestRealcamsHostile::intactFixturesKeepTheContract()
{
    int found = 0;
    for (const auto &f : fixtures()) {
        runAll(f.second, f.first);
        for (const Reader &r : readers()) {
            ByteSource src = ByteSource::fromBytes(f.second);
            found += r.fn(src, contextFor(r.path)).status == ReadStatus::Found;
        }
    }
    // Each fixture is claimed by its reader (the NMEA log by the .gps, .nmea readers alike).
    QVERIFY(found >= fixtures().size());
}

void TestRealcamsHostile::truncatedAtManyOffsets()
{
    for (const auto &f : fixtures()) {
        const QByteArray &b = f.second;
        const int step = std::max(1, b.size() / 300);
        for (int cut = 0; cut < b.size(); cut += step)
            runAll(b.left(cut), f.first + " cut at " + QByteArray::number(cut));
        for (int cut = std::max(0, b.size() - 64); cut < b.size(); ++cut)
            runAll(b.left(cut), f.first + " cut at " + QByteArray::number(cut));
    }
}

void TestRealcamsHostile::lyingCountsAndSizes()
{
    // Every 32-bit word of each MP4 fixture's moov set to huge and to small values in turn: sizes,
    // counts, chunk offsets and the KLV repeat fields of the samples all get their turn.
    QElapsedTimer timer;
    timer.start();
    for (const auto &f : fixtures()) {
        const QByteArray &b = f.second;
        const int moov = b.indexOf("moov");
        const int from = moov > 4 ? moov - 4 : 0;
        for (int at = from; at + 4 <= b.size(); at += 4) {
            for (quint32 v : {0xFFFFFFFFu, 0x7FFFFFF0u, 0u, 1u, 9u}) {
                QByteArray m = b;
                putBE32(&m, at, v);
                runAll(m, f.first + " word " + QByteArray::number(at));
            }
        }
        // The sample data too (KLV sizes and repeats beyond their parent).
        for (int at = 8; at + 4 <= std::min<int>(from, 2048); at += 2) {
            QByteArray m = b;
            putBE32(&m, at, 0xFFFF7FFFu);
            runAll(m, f.first + " data " + QByteArray::number(at));
        }
    }
    // Bounded: the whole sweep stays far from a hang.
    QVERIFY(timer.elapsed() < 60000);
}

void TestRealcamsHostile::randomBytesWithMagicSprayed()
{
    const QList<QByteArray> magic = {"moov", "trak", "mdia", "hdlr", "minf", "stbl", "stsd", "stsz",
        "stco", "stsc", "stts", "gpmd", "meta", "DEVC", "STRM", "GPS5", "GPS9", "SCAL", "ACCL",
        "TYPE", "gps0", "gsen", "GPS ", "ssmd", "tvxt", "RVMI", "gReV", "sReV", "####", "SKIP",
        "LIGOGPSINFO", "&&&&", "skip", "$GPRMC,", "GNRMC,", "gsensori,", "$V02\n", "$GSENSOR,",
        "[1735726500000]", ",A,", "\n", ";"};
    QRandomGenerator rng(12);
    for (int round = 0; round < 400; ++round) {
        QByteArray b(int(rng.bounded(64, 4096)), '\0');
        for (char &c : b)
            c = char(rng.bounded(256));
        const int sprays = int(rng.bounded(1, 40));
        for (int i = 0; i < sprays; ++i) {
            const QByteArray &m = magic[int(rng.bounded(magic.size()))];
            const int at = int(rng.bounded(std::max(1, b.size() - m.size())));
            b.replace(at, m.size(), m);
            if (rng.bounded(2) && at >= 4) // a plausible box size before a box type
                putBE32(&b, at - 4, quint32(rng.bounded(8, b.size() - at + 12)));
        }
        runAll(b, "random round " + QByteArray::number(round));
    }
    // Valid fixtures with a few random bytes changed: deep paths with broken values.
    const auto all = fixtures();
    for (int round = 0; round < 600; ++round) {
        QByteArray b = all[round % all.size()].second;
        for (int i = 0; i < 6; ++i)
            b[int(rng.bounded(b.size()))] = char(rng.bounded(256));
        runAll(b, all[round % all.size()].first + " mutated " + QByteArray::number(round));
    }
}


void TestRealcamsHostile::overlappingSamplesReadOnce()
{
    // Found by the fuzzer: 66 kB whose text-track tables point thousands of cues at the same
    // bytes; read cue by cue they cost 160 MB and seconds.
    QFile f(QStringLiteral(ZEVIDUD_SOURCE_DIR "/tests/telemetry/realcams/data/"
                           "overlapping-text-samples.bin"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray file = f.readAll();
    for (LayoutReadFn fn : {readTextMetaTrack, readMetaTracks}) {
        ByteSource src = ByteSource::fromBytes(file);
        ByteSource::resetTotalBytesRead();
        fn(src, ReadContext{});
        QVERIFY2(ByteSource::totalBytesRead() <= 2 * quint64(file.size()),
                 qPrintable(QString::number(ByteSource::totalBytesRead())));
    }
}

QTEST_GUILESS_MAIN(TestRealcamsHostile)
#include "test_realcams_hostile.moc"
