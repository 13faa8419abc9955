#include "extra_fixtures.h"

#include <QDateTime>
#include <QtEndian>
#include <cmath>

using namespace mp4fx;

namespace rcfx {

namespace {

QDateTime stamp(const Fix &f)
{
    return QDateTime::fromSecsSinceEpoch(fixUnix(f), Qt::UTC);
}

QByteArray le64(qint64 v)
{
    QByteArray b(8, '\0');
    qToLittleEndian<qint64>(v, reinterpret_cast<uchar *>(b.data()));
    return b;
}

void put(QByteArray *b, int at, const QByteArray &bytes)
{
    b->replace(at, bytes.size(), bytes);
}

// A value and its scale as Wolfbox stores them.
QByteArray scaled(double v, qint64 scale)
{
    return le64(std::llround(v * scale)) + le64(scale);
}

double signedDdmm(double deg)
{
    const double a = std::fabs(deg), d = std::trunc(a);
    return std::copysign(d * 100 + (a - d) * 60, deg);
}

// Degrees as DENVER's digits: whole degrees, then minutes x10000 in six digits.
QByteArray denverDigits(double deg, int degreeDigits)
{
    const double a = std::fabs(deg), d = std::trunc(a);
    return QByteArray::number(int(d)).rightJustified(degreeDigits, '0')
        + QByteArray::number(qint64(std::llround((a - d) * 600000))).rightJustified(6, '0');
}

// A Kenwood field: 14 characters, a hemisphere letter or sign first.
QByteArray kenwoodField(const QByteArray &lead, double v)
{
    QByteArray s = lead + QByteArray::number(lead.isEmpty() ? v : std::fabs(v), 'f', 12);
    return s.left(14).leftJustified(14, '0');
}

} // namespace

QByteArray kingslimSample(const QList<Fix> &fixes, bool fuzzed)
{
    const QDateTime t = stamp(fixes.value(0));
    const Fix &first = fixes.value(0);
    QByteArray head = le32(quint32(t.time().hour())) + le32(quint32(t.time().minute()))
        + le32(quint32(t.time().second())) + le32(quint32(t.date().year()))
        + le32(quint32(t.date().month())) + le32(quint32(t.date().day()));
    head += QByteArray("A") + (first.lat < 0 ? 'S' : 'N') + (first.lon < 0 ? 'W' : 'E') + '1';
    head = head.leftJustified(76, '\0') + "&&&&";
    QByteArray out = head + QByteArray("LIGOGPSINFO\0", 12) + be32(fuzzed ? 5 : 1) + le32(1);
    out += ligoSlots(fixes, fuzzed);
    return out;
}

QByteArray wolfboxSample(const Fix &f)
{
    const QDateTime t = stamp(f);
    QByteArray b(256, '\0');
    put(&b, 0x48, scaled(f.speedKmh / 1.852, 1000));
    put(&b, 0x58, scaled(f.course, 100));
    put(&b, 0x68, le32(quint32(t.date().day())) + le32(quint32(t.date().month()))
            + le32(quint32(t.date().year())));
    put(&b, 0x88, QByteArray(16, '0') + "HYTH");
    put(&b, 0xA0, le32(quint32(t.time().hour())) + le32(quint32(t.time().minute()))
            + le32(quint32(t.time().second())));
    if (f.valid) {
        put(&b, 0xB0, scaled(signedDdmm(f.lat), 100000));
        put(&b, 0xC0, scaled(signedDdmm(f.lon), 100000));
    }
    put(&b, 0xE8, scaled(45, 10));
    return b;
}

QByteArray dollarGCue(const Fix &f, int a, int b, int c)
{
    return "$G:" + stamp(f).toString("yyyy-MM-dd hh:mm:ss").toLatin1() + '-'
        + (f.lat < 0 ? 'S' : 'N') + QByteArray::number(std::fabs(f.lat), 'f', 6) + '-'
        + (f.lon < 0 ? 'W' : 'E') + QByteArray::number(std::fabs(f.lon), 'f', 6) + "-S"
        + QByteArray::number(qRound(f.speedKmh)) + "$GS:" + QByteArray::number(a) + ','
        + QByteArray::number(b) + ',' + QByteArray::number(c);
}

QByteArray denverLog(const QList<Fix> &fixes)
{
    QByteArray out;
    for (const Fix &f : fixes) {
        out += stamp(f).toString("yyMMddhhmmss").toLatin1() + "[1][" + (f.lat < 0 ? 'S' : 'N')
            + "][" + denverDigits(f.lat, 2) + "][" + (f.lon < 0 ? 'W' : 'E') + "]["
            + denverDigits(f.lon, 3) + "][+00152][" + QByteArray::number(qRound(f.speedKmh))
            + "][" + QByteArray::number(qRound(f.course)).rightJustified(3, '0') + "][C000000]";
        for (int i = 0; i < 18; ++i)
            out += "+000";
        out += "\r\n";
    }
    return out;
}

QByteArray kenwoodRecord(const Fix &f, double gx, double gy, double gz)
{
    return "GPSDATA--" + stamp(f).toString("yyyyMMddhhmmss").toLatin1()
        + kenwoodField(f.lat < 0 ? "S" : "N", f.lat) + kenwoodField(f.lon < 0 ? "W" : "E", f.lon)
        + kenwoodField("", f.speedKmh) + kenwoodField("", 0.0) + kenwoodField("", gx)
        + kenwoodField("", gy) + kenwoodField("", gz);
}

QByteArray kenwoodFile(const QList<Fix> &fixes, const QVector<double> &g)
{
    QByteArray records;
    for (const Fix &f : fixes)
        records += kenwoodRecord(f, g.value(0), g.value(1), g.value(2));
    return topAtomFile("free", QByteArray(8, '\0')) + QByteArray(22, 'C') + records;
}

QByteArray gdatPayload(const QList<Fix> &fixes, const QVector<double> &g)
{
    QByteArray json = "{\"cameraModel\":\"622GW\",\"gpsData\":[";
    for (int i = 0; i < fixes.size(); ++i) {
        const Fix &f = fixes[i];
        json += (i ? "," : "") + QByteArray("{\"gpsStatus\":\"") + (f.valid ? "A" : "V")
            + "\",\"datetime\":\"" + stamp(f).toString("yyyy-MM-ddThh:mm:ss").toLatin1()
            + "\",\"lat\":" + QByteArray::number(f.lat, 'f', 7)
            + ",\"lon\":" + QByteArray::number(f.lon, 'f', 7)
            + ",\"speed\":" + QByteArray::number(f.speedKmh / 1.609344, 'f', 3)
            + ",\"bearing\":" + QByteArray::number(f.course, 'f', 1)
            + ",\"xAcc\":" + QByteArray::number(g.value(0)) + ",\"yAcc\":"
            + QByteArray::number(g.value(1)) + ",\"zAcc\":" + QByteArray::number(g.value(2)) + '}';
    }
    return (json + "]}").toBase64();
}

QByteArray rmcLines(const QList<Fix> &fixes)
{
    QByteArray out;
    for (const Fix &f : fixes)
        out += rmc(f) + "\r\n";
    return out;
}

QByteArray topAtomFile(const char *type, const QByteArray &payload)
{
    TrackPlan v;
    v.handler = "vide";
    v.sampleEntry = "mp4v";
    v.sampleDelta = 1000;
    for (int i = 0; i < 4; ++i)
        v.samples.append(QByteArray(64, char(i)));
    FilePlan plan;
    plan.tracks = {v};
    plan.topBefore = {box(type, payload)};
    return buildMp4(plan);
}

} // namespace rcfx
