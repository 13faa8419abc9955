// Hostile recordings for the freeGPS readers: truncated at many offsets, huge counts, blocks and
// index entries pointing outside the file, random bytes with the magic sprayed in, mutated
// blocks. Whatever comes out must be bounded, timed in order and never a place off the Earth.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_fixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>

using fgfx::Fix;
using fgfx::Placement;
using fgfx::Variant;

namespace {

// Checks what every result must satisfy; returns false (after a failed QVERIFY) otherwise.
void checkSane(const LayoutResult &r, int maxSamples)
{
    QVERIFY(r.samples.size() <= maxSamples);
    QCOMPARE(r.status == ReadStatus::Found, !r.samples.isEmpty());
    qint64 previous = 0;
    for (const AssistInfo &s : r.samples) {
        QVERIFY(s.timeMs >= previous);
        previous = s.timeMs;
        QCOMPARE(s.latitude.isEmpty(), !s.hasPosition);
        if (s.hasPosition) {
            QVERIFY(std::isfinite(s.latitudeDeg) && std::fabs(s.latitudeDeg) <= 90);
            QVERIFY(std::isfinite(s.longitudeDeg) && std::fabs(s.longitudeDeg) <= 180);
        }
        QVERIFY(s.course >= 0 && s.course <= 360);
        QVERIFY(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z));
    }
}

LayoutResult readMp4(const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return readFreeGpsMp4(src, ReadContext{});
}

LayoutResult readTs(const QByteArray &bytes)
{
    ByteSource src = ByteSource::fromBytes(bytes);
    return readFreeGpsTs(src, ReadContext{});
}

QByteArray indexedFile(int blocks, Placement p = Placement::Index)
{
    fgfx::Mp4Plan plan;
    plan.placement = p;
    for (const Fix &f : fgfx::drive(blocks))
        plan.blocks.append(fgfx::block(Variant::Type3, {f}, 0x400));
    plan.frameBytes = 300;
    return fgfx::mp4(plan);
}

} // namespace

class TestFreeGpsHostile : public QObject
{
    Q_OBJECT

private slots:
    void truncatedEverywhere()
    {
        for (Placement p : {Placement::Index, Placement::MdatGaps, Placement::FreeBoxesB}) {
            const QByteArray whole = indexedFile(6, p);
            for (int n = 0; n < whole.size() && !QTest::currentTestFailed(); n += 61) {
                checkSane(readMp4(whole.left(n)), 6);
                checkSane(readTs(whole.left(n)), 0);
            }
        }
        QList<QList<Fix>> perSecond;
        for (const Fix &f : fgfx::drive(4))
            perSecond.append({f});
        const QByteArray ts = fgfx::ts(fgfx::TsVariant::Prefixed, perSecond, 5);
        for (int n = 0; n < ts.size() && !QTest::currentTestFailed(); n += 47)
            checkSane(readTs(ts.left(n)), 4);
    }

    // Counts of billions in the index and the sample tables read only what the boxes hold.
    void hugeCountsStayBounded()
    {
        QByteArray bytes = indexedFile(5);
        const int gps = bytes.indexOf("gps ");
        qToBigEndian(quint32(0xFFFFFFFF), bytes.data() + gps + 8);
        for (const char *table : {"stco", "stsc"}) {
            const int at = bytes.indexOf(table);
            qToBigEndian(quint32(0xFFFFFFF0), bytes.data() + at + 8); // entry count
        }
        qToBigEndian(quint32(0xFFFFFFF0), bytes.data() + bytes.indexOf("stsz") + 12); // samples
        ByteSource::resetTotalBytesRead();
        const LayoutResult r = readMp4(bytes);
        checkSane(r, 5);
        QCOMPARE(r.samples.size(), 5);
        QVERIFY(ByteSource::totalBytesRead() < quint64(bytes.size()) * 4);
    }

    // Index entries and size words that point outside the file, or at the index itself.
    void pointersOutsideTheFile()
    {
        QByteArray bytes = indexedFile(4);
        const int gps = bytes.indexOf("gps ");
        const quint32 bad[][2] = {{0xFFFFFF00u, 0x8000u}, {quint32(bytes.size() - 20), 0xFFFFFFFFu},
                                  {quint32(gps - 4), 0x7FFFFFFFu}, {0, 0}};
        for (int k = 0; k < 4; ++k) {
            qToBigEndian(bad[k][0], bytes.data() + gps + 12 + 8 * k);
            qToBigEndian(bad[k][1], bytes.data() + gps + 16 + 8 * k);
        }
        checkSane(readMp4(bytes), 4);
        // Every block's size word claims 4 GB.
        QByteArray gaps = indexedFile(4, Placement::MdatGaps);
        for (int at = gaps.indexOf("freeGPS "); at >= 0; at = gaps.indexOf("freeGPS ", at + 1))
            qToBigEndian(quint32(0xFFFFFFF0), gaps.data() + at - 4);
        const LayoutResult r = readMp4(gaps);
        checkSane(r, 4);
        QCOMPARE(r.samples.size(), 4);
    }

    // A recording cut short (no tables) of 8 GiB, one block in its first second: the 32 KiB
    // boundaries after it are probed up to a fixed count, not across the whole file.
    void cutShortProbesAreCapped()
    {
        QTemporaryDir dir;
        fgfx::Mp4Plan plan;
        plan.placement = Placement::MdatGaps;
        plan.cutShort = true;
        plan.alignBlocks = true;
        plan.audio = false;
        plan.sparseFrameBytes = 8 << 20;
        plan.blocks.append(fgfx::block(Variant::Type3, fgfx::drive(1), 0x400));
        for (int second = 1; second < 512; ++second)
            plan.blocks.append(QByteArray());
        const QString path = dir.filePath("cut8g.mp4");
        QVERIFY(fgfx::writeMp4(path, plan));
        ByteSource src(path);
        QVERIFY(src.size() > (8LL << 30));
        ReadContext ctx;
        ctx.boxes.of(src);
        ByteSource::resetTotalBytesRead();
        const LayoutResult r = readFreeGpsMp4(src, ctx);
        checkSane(r, 1);
        QCOMPARE(r.samples.size(), 1);
        const quint64 everyBoundary = quint64(src.size() / 0x8000) * 12;
        QVERIFY2(ByteSource::totalBytesRead() < everyBoundary * 3 / 5,
                 qPrintable(QStringLiteral("%1 of %2").arg(ByteSource::totalBytesRead()).arg(everyBoundary)));
    }

    // Random bytes with the literal sprayed in, bare, inside an mdat, and as TS packets.
    void sprayedMagic()
    {
        QRandomGenerator rng(1234);
        for (int round = 0; round < 20 && !QTest::currentTestFailed(); ++round) {
            QByteArray junk(256 * 1024, '\0');
            for (int i = 0; i < junk.size(); ++i)
                junk[i] = char(rng.bounded(256));
            for (int k = 0; k < 200; ++k)
                junk.replace(int(rng.bounded(junk.size() - 8)), 8, "freeGPS ");
            checkSane(readMp4(junk), 1000);
            QByteArray asMdat = junk;
            qToBigEndian(quint32(asMdat.size()), asMdat.data());
            asMdat.replace(4, 4, "mdat");
            checkSane(readMp4(asMdat), 1000);
            QByteArray asFree = QByteArray("\0\0\0\x10" "freeGPS " "\0\0\0\0", 16) + asMdat;
            checkSane(readMp4(asFree), 1000);
            // TS: every packet a GPS PID start with random payload.
            QByteArray ts = junk.left(188 * 1000);
            for (int p = 0; p + 188 <= ts.size(); p += 188) {
                ts[p] = 0x47;
                ts[p + 1] = char(0x40 | 0x03);
                ts[p + 2] = 0x00;
                ts[p + 3] = char(0x10 | (p / 188 & 15));
                if (p % 3 == 0)
                    ts.replace(p + 4 + 24, 4, QByteArray("ANE\0", 4));
            }
            checkSane(readTs(ts), 100000);
        }
    }

    // Every variant's block with random bytes changed keeps every value in range.
    void mutatedBlocks()
    {
        QRandomGenerator rng(99);
        const QList<Fix> fixes = fgfx::drive(3);
        for (int v = int(Variant::Type3); v <= int(Variant::SeventyMai) && !QTest::currentTestFailed(); ++v) {
            const QByteArray clean = fgfx::block(Variant(v), fixes, 0x300);
            for (int round = 0; round < 200 && !QTest::currentTestFailed(); ++round) {
                QByteArray b = clean;
                for (int k = 0; k < 6; ++k)
                    b[16 + int(rng.bounded(b.size() - 16))] = char(rng.bounded(256));
                fgfx::Mp4Plan plan;
                plan.blocks = {b, b};
                plan.placement = Placement::MdatGaps;
                plan.audio = false;
                plan.frameBytes = 64;
                checkSane(readMp4(fgfx::mp4(plan)), 64);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFreeGpsHostile)
#include "test_freegps_hostile.moc"
