// The whole layout table against damaged recordings. Every row's seed (layout_seeds.h) is cut at
// many points, has single bits flipped across the file, and has the words that may be sizes or
// counts set to 0, 0xFFFFFFFF, 0x7FFFFFFF and 0x80000000; each damaged file goes through every
// row of the table and through the whole load. Whatever comes out keeps the sample contract, and
// no read costs more than a small multiple of the file.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_fixtures.h"
#include "layout_seeds.h"
#include "realcams.h"
#include "telemetryloader.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <algorithm>
#include <cmath>

namespace {

// The most samples any reader keeps (the metadata-track readers' cap, the largest).
constexpr int kMaxSamples = 1 << 20;
// A read may pass over the file a few times (the box walk, a track's table, its samples), and
// look at a few fixed places besides (the first bytes, the tail), never more: reads are what a
// hostile file costs in time. The readers stay under twice the file and 4 KiB today.
constexpr quint64 kReadsPerByte = 3;
constexpr quint64 kReadSlack = 8 * 1024;

const char *const kSidecarNames[] = {"/nowhere/20250101_101500_N.gps", "/nowhere/a.3gf",
                                     "/nowhere/a.nmea", "/nowhere/a.map",
                                     "/nowhere/GPSData000001.txt"};

// The first broken promise of a result read from `size` bytes at the cost of `read` bytes; empty
// when it keeps them all.
QString contractBroken(const AssistInfoList &samples, qint64 size, quint64 read)
{
    if (read > kReadsPerByte * quint64(size) + kReadSlack)
        return QStringLiteral("read %1 bytes of %2").arg(read).arg(size);
    // GPMF gives ten G readings a second from one payload: a few per byte at the very most.
    if (samples.size() > kMaxSamples || samples.size() > 64 * size + 16)
        return QStringLiteral("%1 samples").arg(samples.size());
    qint64 last = 0;
    for (const AssistInfo &s : samples) {
        if (s.timeMs < last)
            return QStringLiteral("time %1 after %2").arg(s.timeMs).arg(last);
        last = s.timeMs;
        // The flag alone says "no position" (assistinfo.h); a fix always comes with its text.
        if (s.hasPosition && (s.latitude.isEmpty() || s.longitude.isEmpty()))
            return QStringLiteral("a fix without its text");
        if (s.hasPosition
            && (!(std::fabs(s.latitudeDeg) <= 90.0) || !(std::fabs(s.longitudeDeg) <= 180.0)))
            return QStringLiteral("position %1 %2").arg(s.latitudeDeg).arg(s.longitudeDeg);
        if (s.hasGSensor && !(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z)))
            return QStringLiteral("G not finite");
        if (!(s.course >= 0.0 && s.course <= 360.0) || s.speed < 0)
            return QStringLiteral("course %1, speed %2").arg(s.course).arg(s.speed);
        if ((s.utcMs < 0) != (s.utcClock == AssistInfo::Clock::None))
            return QStringLiteral("utc and clock disagree");
    }
    return QString();
}

// Every row, as the loader would run it were its layout the detected one, then the whole load.
QString readEverywhere(const LayoutSeed &seed, const QByteArray &bytes, int variant)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    ReadContext base = seedContext(seed, src);
    if (base.path.isEmpty())
        base.path = QString::fromLatin1(kSidecarNames[variant % 5]);
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    for (int i = 0; i < count; ++i) {
        ReadContext ctx = base;
        ctx.chipLayout = rows[i].chip ? rows[i].firstCode : 0;
        const quint64 before = ByteSource::totalBytesRead();
        const LayoutResult r = rows[i].read(src, ctx);
        QString broken = contractBroken(r.samples, bytes.size(),
                                        ByteSource::totalBytesRead() - before);
        if (broken.isEmpty() && (r.status == ReadStatus::Found) == r.samples.isEmpty())
            broken = QStringLiteral("status and samples disagree");
        if (!broken.isEmpty())
            return QStringLiteral("%1: %2").arg(QLatin1String(rows[i].name), broken);
    }
    ByteSource whole = ByteSource::fromBytes(bytes);
    const quint64 before = ByteSource::totalBytesRead();
    const TelemetryLoad load = loadTelemetry(whole, nullptr);
    const QString broken =
        contractBroken(load.samples, bytes.size(), ByteSource::totalBytesRead() - before);
    return broken.isEmpty() ? broken : QStringLiteral("load: ") + broken;
}

// Where a size or count word may be: the size word of everything that looks like a box header
// (four printable characters behind it) and the three words after it (version and flags, entry
// counts, a chunk's first offset), then every 28th byte for layouts without boxes.
QVector<int> wordPlaces(const QByteArray &b)
{
    QVector<int> places;
    const auto printable = [&](int at) {
        return std::all_of(b.begin() + at, b.begin() + at + 4,
                           [](char c) { return QChar::isLetterOrNumber(uchar(c)) || c == ' '; });
    };
    for (int at = 0; at + 20 <= b.size(); ++at) {
        const quint32 size = qFromBigEndian<quint32>(b.constData() + at);
        if (size >= 8 && size <= quint32(b.size() - at) && printable(at + 4))
            places << at << at + 8 << at + 12 << at + 16;
    }
    for (int at = 0; at + 4 <= b.size(); at += 28)
        places << at;
    return places;
}

// Calls check(what, damaged) for each damage of b: `budget` cuts spread over the whole file and
// the last bytes cut one by one (trailers and tails end there), `budget` single bits flipped, and
// `budget` places of wordPlaces set to 0, 0xFFFFFFFF, 0x7FFFFFFF and 0x80000000, big-endian (boxes)
// and little-endian (records and RIFF chunks of some cameras) by turns.
template <typename Check>
void forEachDamage(const QByteArray &b, int budget, QRandomGenerator *rng, Check check)
{
    QVector<int> cuts;
    for (int k = 0; k < budget; ++k)
        cuts << int(qint64(b.size()) * k / budget);
    for (int cut = std::max(0, b.size() - 8); cut < b.size(); ++cut)
        cuts << cut;
    for (const int at : cuts)
        check(QStringLiteral("cut at %1").arg(at), b.left(at));
    for (int k = 0; k < budget; ++k) {
        QByteArray d = b;
        const int at = int(rng->bounded(b.size()));
        d[at] = char(d.at(at) ^ (1u << rng->bounded(8)));
        check(QStringLiteral("bit flipped at %1").arg(at), d);
    }
    const QVector<int> places = wordPlaces(b);
    for (int k = 0; k < budget && !places.isEmpty(); ++k) {
        const int at = places.at(int(rng->bounded(places.size())));
        for (const quint32 v : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u}) {
            QByteArray d = b;
            k % 2 ? qToLittleEndian(v, d.data() + at) : qToBigEndian(v, d.data() + at);
            check(QStringLiteral("%1-endian word at %2 = %3").arg(k % 2 ? "little" : "big").arg(at).arg(v, 0, 16), d);
        }
    }
}

} // namespace

class TestLayoutHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("default.debug=false"); }
    void everyRowAgainstEveryDamage();
    void cutShortFreeGpsProbesAreCapped();
    void overlappingTextSamplesReadOnce();
};

void TestLayoutHostile::everyRowAgainstEveryDamage()
{
    // Each intact seed is its row's (test_fuzz_seeds), so each damage tells about that row.
    QElapsedTimer clock;
    clock.start();
    QRandomGenerator rng(20261208);
    int runs = 0;
    for (const LayoutSeed &seed : layoutSeeds()) {
        forEachDamage(seed.bytes, 256, &rng, [&](const QString &what, const QByteArray &damaged) {
            if (QTest::currentTestFailed())
                return; // the first broken promise is the one to read
            const QString broken = readEverywhere(seed, damaged, runs++);
            QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("%1 %2: %3").arg(seed.name, what, broken)));
        });
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("%d damaged files through every row in %lld ms", runs, clock.elapsed());
}

// A recording cut short (no tables) of 8 GiB, one block in its first second: the 32 KiB
// boundaries after it are probed up to a fixed count, not across the whole file.
void TestLayoutHostile::cutShortFreeGpsProbesAreCapped()
{
    QTemporaryDir dir;
    fgfx::Mp4Plan plan;
    plan.placement = fgfx::Placement::MdatGaps;
    plan.cutShort = true;
    plan.alignBlocks = true;
    plan.audio = false;
    plan.sparseFrameBytes = 8 << 20;
    plan.blocks.append(fgfx::block(fgfx::Variant::Type3, fgfx::drive(1), 0x400));
    for (int second = 1; second < 512; ++second)
        plan.blocks.append(QByteArray());
    const QString path = dir.filePath("cut8g.mp4");
    QVERIFY(fgfx::writeMp4(path, plan));
    ByteSource src(path);
    QVERIFY(src.size() > (8LL << 30));
    ReadContext ctx;
    ctx.boxes.of(src);
    const quint64 before = ByteSource::totalBytesRead();
    const LayoutResult r = readFreeGpsMp4(src, ctx);
    QCOMPARE(r.samples.size(), 1);
    const quint64 read = ByteSource::totalBytesRead() - before;
    const quint64 everyBoundary = quint64(src.size() / 0x8000) * 12;
    QVERIFY2(read < everyBoundary * 3 / 5,
             qPrintable(QStringLiteral("%1 of %2").arg(read).arg(everyBoundary)));
}

// Found by the fuzzer: 66 kB whose text-track tables point thousands of cues at the same bytes;
// read cue by cue they cost 160 MB and seconds.
void TestLayoutHostile::overlappingTextSamplesReadOnce()
{
    QFile f(QStringLiteral(ZEVIDUD_SOURCE_DIR "/tests/telemetry/realcams/data/"
                           "overlapping-text-samples.bin"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray file = f.readAll();
    for (LayoutReadFn fn : {readTextMetaTrack, readMetaTracks}) {
        ByteSource src = ByteSource::fromBytes(file);
        const quint64 before = ByteSource::totalBytesRead();
        fn(src, ReadContext{});
        const quint64 read = ByteSource::totalBytesRead() - before;
        QVERIFY2(read <= 2 * quint64(file.size()), qPrintable(QString::number(read)));
    }
}

QTEST_GUILESS_MAIN(TestLayoutHostile)
#include "test_layout_hostile.moc"
