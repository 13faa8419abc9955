// Hostile bytes for every reader of this folder: each layout's fixture cut at every few bytes,
// with every byte flipped in turn, and with its length and count fields set to giant values.
// Whatever comes out must keep the sample contract, and the whole run must stay quick.

#include "bytesource.h"
#include "morecam_fixtures.h"
#include "morecams.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>
#include <cmath>

using namespace mcfx;

namespace {

QString contractBroken(const LayoutResult &r, qint64 bytes)
{
    // The smallest sample of these layouts takes a dozen bytes (a G reading of a RIFF trailer).
    if (r.samples.size() > bytes / 12 + 1)
        return QStringLiteral("%1 samples from %2 bytes").arg(r.samples.size()).arg(bytes);
    if ((r.status == ReadStatus::Found) == r.samples.isEmpty())
        return QStringLiteral("status and samples disagree");
    qint64 last = 0;
    for (const AssistInfo &s : r.samples) {
        if (s.timeMs < last)
            return QStringLiteral("time %1 after %2").arg(s.timeMs).arg(last);
        last = s.timeMs;
        if (s.hasPosition != !s.latitude.isEmpty())
            return QStringLiteral("position flag and text disagree");
        if (s.hasPosition
            && (!(std::fabs(s.latitudeDeg) <= 90.0) || !(std::fabs(s.longitudeDeg) <= 180.0)))
            return QStringLiteral("position off the earth");
        if (!(s.course >= 0.0 && s.course <= 360.0) || s.speed < 0)
            return QStringLiteral("course %1, speed %2").arg(s.course).arg(s.speed);
        if ((s.utcMs < 0) != (s.utcClock == AssistInfo::Clock::None))
            return QStringLiteral("utc and clock disagree");
        if (s.hasGSensor && !(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z)))
            return QStringLiteral("G not finite");
    }
    return QString();
}

// Every reader on bytes; the first broken contract, or empty.
QString runAll(const QByteArray &bytes)
{
    int count = 0;
    const QVector<LayoutRow> entries = moreCameraRows();
    count = entries.size();
    for (int i = 0; i < count; ++i) {
        ByteSource src = ByteSource::fromBytes(bytes);
        const QString broken = contractBroken(entries[i].read(src, ReadContext{}), bytes.size());
        if (!broken.isEmpty())
            return QStringLiteral("%1: %2").arg(QString::fromLatin1(entries[i].name), broken);
    }
    return QString();
}

} // namespace

class TestMoreCamsHostile : public QObject
{
    Q_OBJECT

private slots:
    void fixturesCutFlippedAndInflated();
};

void TestMoreCamsHostile::fixturesCutFlippedAndInflated()
{
    QElapsedTimer clock;
    clock.start();
    int runs = 0;
    for (const LayoutCase &c : layoutCases()) {
        QVERIFY2(runAll(c.bytes).isEmpty(), c.name);
        for (int cut = 0; cut < c.bytes.size(); cut += 7, ++runs) {
            const QString broken = runAll(c.bytes.left(cut));
            QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("%1 cut at %2: %3")
                                                      .arg(c.name).arg(cut).arg(broken)));
        }
        for (int at = 0; at < c.bytes.size(); ++at, ++runs) {
            QByteArray flipped = c.bytes;
            flipped[at] = char(flipped[at] ^ (1 << (at % 8)));
            const QString broken = runAll(flipped);
            QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("%1 bit flip at %2: %3")
                                                      .arg(c.name).arg(at).arg(broken)));
        }
        // Any four bytes may be a length or a count: every aligned word set to giant values.
        for (int at = 0; at + 4 <= c.bytes.size(); at += 2) {
            for (const quint32 giant : {0xffffffffu, 0x7fffffffu, 0x80000000u}) {
                QByteArray inflated = c.bytes;
                qToLittleEndian(giant, inflated.data() + at);
                const QString broken = runAll(inflated);
                ++runs;
                QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("%1 word at %2 = %3: %4")
                                                          .arg(c.name).arg(at).arg(giant)
                                                          .arg(broken)));
            }
        }
    }
    qInfo("%d hostile files in %lld ms", runs, clock.elapsed());
    QVERIFY(runs > 1000);
}

QTEST_GUILESS_MAIN(TestMoreCamsHostile)
#include "test_morecams_hostile.moc"
