#include "trailer.h"

#include <QtEndian>
#include <QtMath>

namespace trailer {
namespace {

// "X:+00512": label, sign, magnitude in 1/1024 g.
QByteArray gField(char label, double g)
{
    const int raw = qMin(99999, qRound(qAbs(g) * 1024.0));
    return QByteArray(1, label) + ':' + (g < 0 && raw > 0 ? '-' : '+')
           + QByteArray::number(raw).rightJustified(5, '0');
}

struct DegMin
{
    int degrees;
    int minutes;
    int fraction; // 1/100000 minute
};

DegMin split(double value)
{
    // Work in whole 1/100000 minutes so rounding can never produce 60 minutes.
    const qint64 units = qRound64(qAbs(value) * 60.0 * 100000.0);
    const qint64 perDegree = 60LL * 100000;
    DegMin d;
    d.degrees = int(units / perDegree);
    d.minutes = int((units % perDegree) / 100000);
    d.fraction = int(units % 100000);
    return d;
}

} // namespace

QByteArray record(const DriveSample &sample, int index, const QDateTime &time)
{
    QList<QByteArray> f;
    f << time.toString(QStringLiteral("yyyy/MM/dd")).toLatin1()
      << time.toString(QStringLiteral("HH:mm:ss")).toLatin1()
      << QByteArray::number(index).rightJustified(4, '0')
      << gField('X', sample.gx) << gField('Y', sample.gy) << gField('Z', sample.gz);
    // Altitude (m), satellites, HDOP, board temperature: logged by the camera, not shown.
    f << QByteArray::number(34.0 + 3.0 * qSin(index / 40.0), 'f', 1)
      << QByteArray::number(sample.fix ? 9 + index % 3 : 2).rightJustified(2, '0')
      << (sample.fix ? QByteArray("0.9") : QByteArray("9.9"))
      << QByteArray::number(38 + index / 60);
    if (sample.fix) {
        const DegMin lon = split(sample.longitude);
        const DegMin lat = split(sample.latitude);
        f << "A" << (sample.longitude < 0 ? "W" : "E") << (sample.latitude < 0 ? "S" : "N")
          << QByteArray::number(lon.degrees).rightJustified(3, '0')
          << QByteArray::number(lon.minutes).rightJustified(2, '0')
          << QByteArray::number(lon.fraction).rightJustified(5, '0')
          << QByteArray::number(lat.degrees).rightJustified(2, '0')
          << QByteArray::number(lat.minutes).rightJustified(2, '0')
          << QByteArray::number(lat.fraction).rightJustified(5, '0');
    } else {
        // Still acquiring: status V, position fields left empty.
        f << "V" << "" << "" << "" << "" << "" << "" << "" << "";
    }
    f << QByteArray::number(qRound(sample.speedKmh)) << QByteArray::number(qRound(sample.course) % 360);
    QByteArray text = f.join(';') + ';';
    // The record is NUL-padded; at least one NUL must end the text.
    text.truncate(kRecordSize - 1);
    text.append(QByteArray(kRecordSize - text.size(), '\0'));
    return text;
}

QByteArray tail(const QVector<DriveSample> &samples, const QDateTime &start)
{
    if (samples.size() > kMaxRecords)
        return {};
    const int size = kHeadSize + samples.size() * kRecordSize + kTrailerSize;

    QByteArray out;
    out.reserve(size);
    char be[4];
    qToBigEndian<quint32>(quint32(size), be);
    out.append(be, 4).append("free", 4).append("gpsinfo\0", 8);
    for (int i = 0; i < samples.size(); ++i)
        out.append(record(samples[i], i + 1, start.addSecs(i)));
    out.append("&GPS", 4);
    out.append(QByteArray::number(size, 16).toUpper().rightJustified(4, '0'));
    out.append("V1.0", 4).append(QByteArray(8, '\0')).append("TORVEN53", 8);
    return out;
}

} // namespace trailer
