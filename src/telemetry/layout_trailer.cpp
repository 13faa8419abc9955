// Layout 9: text records of 132 bytes appended after the video and closed by a 28-byte trailer:
// four marker bytes (one of them '&'), the total length as four hexadecimal digits (record area
// plus 44), then 20 bytes we do not use (the camera's name sits at their end).

#include "assistfile.h"
#include "bytesource.h"
#include "geo.h"
#include "nmea.h"

#include <QDebug>
#include <QStringList>
#include <optional>

namespace {

constexpr qint64 trailerSize = 28;
constexpr qint64 recordSize = 132;
constexpr int fieldCount = 21;

// "X:-00512": label, ':', a sign character, then the magnitude in 1/1024 g.
float gField(const QString &field)
{
    const QString magnitude = field.mid(field.indexOf(QLatin1Char(':')) + 1).mid(1);
    const double v = leadingDouble(magnitude.toLatin1()) / 1024.0;
    return float(field.contains(QLatin1Char('-')) ? -v : v);
}

// Degrees, whole minutes and the minutes' fraction (x 100000) stand in three fields of their
// own: no ddmm number, so not geo::ddmmToDegrees, and the sum is the firmware's own, whose last
// bit the five-decimal text shows now and then.
double degreesOf(const QStringList &f, int first)
{
    const double degrees = leadingDouble(f.at(first).toLatin1());
    const double minutes = leadingDouble(f.at(first + 1).toLatin1());
    const double fraction = leadingDouble(f.at(first + 2).toLatin1());
    return degrees + (minutes + fraction / 100000.0) / 60.0;
}

// A record's date and time fields, "YYYY-MM-DD" and "hh:mm:ss", as ms since 1970; -1 when
// either is not in that form.
qint64 recordUtcMs(const QString &date, const QString &time)
{
    const QStringList d = date.split(QLatin1Char('-'));
    const QStringList t = time.split(QLatin1Char(':'));
    if (date.size() != 10 || time.size() != 8 || d.size() != 3 || t.size() != 3)
        return -1;
    int v[6];
    const QString parts[6] = {d.at(0), d.at(1), d.at(2), t.at(0), t.at(1), t.at(2)};
    for (int i = 0; i < 6; ++i) {
        v[i] = 0;
        for (const QChar c : parts[i]) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return -1;
            v[i] = v[i] * 10 + (c.unicode() - '0');
        }
    }
    return geo::utcMs(v[0], v[1], v[2], v[3], v[4], v[5]);
}

} // namespace

int AssistFile::readTrailerRecords(ByteSource &src)
{
    m_samples.clear();
    if (src.size() < trailerSize)
        return 0;
    const qint64 trailerAt = src.size() - trailerSize;
    const QByteArray trailer = src.readAt(trailerAt, trailerSize);
    if (trailer.size() != trailerSize)
        return 0;

    qint64 area = 0;
    if (trailer.left(4).contains('&')) {
        bool ok = false;
        const int total = QStringLiteral("0x%1%2%3%4")
                              .arg(QString(QLatin1Char(trailer.at(4))), QString(QLatin1Char(trailer.at(5))),
                                   QString(QLatin1Char(trailer.at(6))),
                                   QString(QLatin1Char(trailer.at(7))))
                              .toInt(&ok, 16);
        area = (ok ? total : 0) - 44;
    }
    qDebug() << "info:" << trailer.left(8) << area;
    if (area < 1 || area % recordSize != 0 || area > trailerAt)
        return 0;

    const QByteArray records = src.readAt(trailerAt - area, area);
    if (records.size() != area)
        return 0;

    std::optional<double> longitude;
    std::optional<double> latitude;
    for (qint64 at = 0; at < area; at += recordSize) {
        const char *record = records.constData() + at;
        const QString text = QString::fromUtf8(record, int(qstrnlen(record, recordSize)));
        if (text.isEmpty())
            continue;
        const QStringList f = text.split(QLatin1Char(';'));
        if (f.size() < fieldCount)
            continue; // a damaged record; the next one may be whole

        AssistInfo info;
        info.timeMs = at / recordSize * 1000; // record k belongs to second k
        info.x = gField(f.at(3));
        info.y = gField(f.at(4));
        info.z = gField(f.at(5));
        info.speed = int32_t(qBound<qint64>(INT32_MIN, leadingInteger(f.at(19).toLatin1()),
                                            INT32_MAX));
        info.course = double(leadingInteger(f.at(20).toLatin1()));

        // The record's stamp is the receiver's time while it has a fix; without one it can
        // only be the camera's own clock.
        const bool fix = f.at(10).contains(QLatin1Char('A'));
        info.setUtc(recordUtcMs(f.at(1), f.at(2)),
                    fix ? AssistInfo::Clock::Gps : AssistInfo::Clock::Camera);
        if (fix) {
            const QString &ew = f.at(11);
            const QString &ns = f.at(12);
            const double lon = degreesOf(f, 13);
            const double lat = degreesOf(f, 16);
            if (ew.contains(QLatin1Char('W')) || ew.contains(QLatin1Char('w')))
                longitude = -lon;
            else if (ew.contains(QLatin1Char('E')) || ew.contains(QLatin1Char('e')))
                longitude = lon;
            if (ns.contains(QLatin1Char('N')) || ns.contains(QLatin1Char('n')))
                latitude = lat;
            else if (ns.contains(QLatin1Char('S')) || ns.contains(QLatin1Char('s')))
                latitude = -lat;
            // Without a hemisphere letter the previous record's value stands; with no
            // previous value there is nothing sound to show, so the record is left out.
            if (!longitude || !latitude)
                continue;
            info.longitude = QString::number(*longitude, 'f', 5);
            info.latitude = QString::number(*latitude, 'f', 5);
            markPosition(&info, true);
        }
        m_samples.append(info);
    }
    return m_samples.size();
}
