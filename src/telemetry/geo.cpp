#include "geo.h"

#include <QDateTime>
#include <cmath>
#include <limits>

namespace geo {

namespace {

bool allDigits(const QByteArray &field, int n)
{
    if (field.size() < n)
        return false;
    for (int i = 0; i < n; ++i) {
        if (field[i] < '0' || field[i] > '9')
            return false;
    }
    return true;
}

int twoDigits(const QByteArray &field, int at)
{
    return (field[at] - '0') * 10 + (field[at + 1] - '0');
}

constexpr double kRad = M_PI / 180.0;

} // namespace

qint64 daysFromCivil(int y, int m, int d)
{
    // Era arithmetic on a year that starts in March, so the leap day ends the year.
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

qint64 utcMs(int year, int month, int day, int hour, int minute, double second)
{
    if (year < 1970 || year > 2200 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0
        || hour > 23 || minute < 0 || minute > 59 || !(second >= 0 && second < 61))
        return -1;
    const qint64 days = daysFromCivil(year, month, day);
    return ((days * 24 + hour) * 60 + minute) * 60000 + qint64(std::llround(second * 1000.0));
}

qint64 nmeaTimeOfDayMs(const QByteArray &field)
{
    if (!allDigits(field, 6))
        return -1;
    const int h = twoDigits(field, 0), m = twoDigits(field, 2), s = twoDigits(field, 4);
    if (h > 23 || m > 59 || s > 60)
        return -1;
    qint64 ms = 0;
    if (field.size() > 7 && field[6] == '.') {
        // Up to three fraction digits; more are below the clock's resolution.
        int scale = 100;
        for (int i = 7; i < field.size() && i < 10; ++i) {
            if (field[i] < '0' || field[i] > '9')
                break;
            ms += (field[i] - '0') * scale;
            scale /= 10;
        }
    }
    return ((h * 60 + m) * 60 + s) * 1000LL + ms;
}

qint64 nmeaDateDays(const QByteArray &field)
{
    if (field.size() != 6 || !allDigits(field, 6))
        return -1;
    const int d = twoDigits(field, 0), m = twoDigits(field, 2);
    int y = twoDigits(field, 4);
    if (d < 1 || d > 31 || m < 1 || m > 12)
        return -1;
    y += y >= 70 ? 1900 : 2000;
    return daysFromCivil(y, m, d);
}

qint64 nmeaUtcMs(const QByteArray &dateField, const QByteArray &timeField)
{
    const qint64 days = nmeaDateDays(dateField);
    const qint64 ms = nmeaTimeOfDayMs(timeField);
    if (days < 0 || ms < 0)
        return -1;
    return days * 86400000LL + ms;
}

double ddmmToDegrees(double ddmm)
{
    if (!std::isfinite(ddmm) || ddmm < 0 || ddmm > 18100)
        return -1.0;
    const double deg = std::trunc(ddmm / 100.0);
    const double minutes = ddmm - deg * 100.0;
    if (minutes >= 60.0 || deg > 180.0)
        return -1.0;
    return deg + minutes / 60.0;
}

double signedDdmmToDegrees(double ddmm)
{
    const double deg = ddmmToDegrees(std::fabs(ddmm));
    if (deg < 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return ddmm < 0.0 ? -deg : deg;
}

double hemisphereDdmmToDegrees(double ddmm, char hemisphere)
{
    const double deg = ddmmToDegrees(ddmm);
    switch (hemisphere) {
    case 'N': case 'n': case 'E': case 'e':
        return deg < 0.0 ? std::numeric_limits<double>::quiet_NaN() : deg;
    case 'S': case 's': case 'W': case 'w':
        return deg < 0.0 ? std::numeric_limits<double>::quiet_NaN() : -deg;
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
}

double bearingDeg(double lat1, double lon1, double lat2, double lon2)
{
    const double la1 = lat1 * kRad, la2 = lat2 * kRad;
    const double dlo = (lon2 - lon1) * kRad;
    const double y = std::sin(dlo) * std::cos(la2);
    const double x = std::cos(la1) * std::sin(la2) - std::sin(la1) * std::cos(la2) * std::cos(dlo);
    const double deg = std::fmod(std::atan2(y, x) / kRad + 360.0, 360.0);
    return deg >= 360.0 ? 0.0 : deg;
}

double shortDistanceMetres(double lat1, double lon1, double lat2, double lon2)
{
    const double la1 = lat1 * kRad, la2 = lat2 * kRad;
    const double dx = (lon2 - lon1) * kRad * std::cos((la1 + la2) / 2.0);
    const double dy = la2 - la1;
    return std::sqrt(dx * dx + dy * dy) * 6371000.0;
}

QByteArray isoUtc(qint64 ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1();
}

} // namespace geo
