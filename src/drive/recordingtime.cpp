#include "recordingtime.h"

#include <QRegularExpression>

namespace {

// Each pattern captures year, month, day, hour, minute, second in this order. Digit runs are
// bounded by non-digits so that a clip counter next to the time is never read as part of it.
// Longer, more specific shapes come first.
struct NamePattern
{
    QRegularExpression re;
    bool twoDigitYear;
};

const QList<NamePattern> &namePatterns()
{
    static const QList<NamePattern> patterns = {
        // 20210101120000
        {QRegularExpression(R"((?<!\d)(\d{4})(\d{2})(\d{2})(\d{2})(\d{2})(\d{2})(?!\d))"), false},
        // 20210101_120000, NO20210101-120000-000001F
        {QRegularExpression(R"((?<!\d)(\d{4})(\d{2})(\d{2})[_-](\d{2})(\d{2})(\d{2})(?!\d))"),
         false},
        // 2021_0101_120000
        {QRegularExpression(R"((?<!\d)(\d{4})[_-](\d{2})(\d{2})[_-](\d{2})(\d{2})(\d{2})(?!\d))"),
         false},
        // 2021-01-01-12-00-00, 2021_01_01_12_00_00, 2021-01-01_12-00-00, 2021-01-01 12.00.00
        {QRegularExpression(
             R"((?<!\d)(\d{4})[-_.](\d{2})[-_.](\d{2})[-_. T](\d{2})[-_.:](\d{2})[-_.:](\d{2})(?!\d))"),
         false},
        // 210101_120000, FILE210101-120000F
        {QRegularExpression(R"((?<!\d)(\d{2})(\d{2})(\d{2})[_-](\d{2})(\d{2})(\d{2})(?!\d))"), true},
    };
    return patterns;
}

QDateTime fromMatch(const QRegularExpressionMatch &m, bool twoDigitYear)
{
    int year = m.captured(1).toInt();
    if (twoDigitYear)
        year += 2000;
    // Years outside this range are counters or serial numbers, not a camera's clock.
    if (year < 1990 || year > 2099)
        return QDateTime();
    const QDate date(year, m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

QDateTime recordingTimeFromName(const QString &fileName)
{
    for (const NamePattern &pattern : namePatterns()) {
        QRegularExpressionMatchIterator it = pattern.re.globalMatch(fileName);
        while (it.hasNext()) {
            const QDateTime t = fromMatch(it.next(), pattern.twoDigitYear);
            if (t.isValid())
                return t;
        }
    }
    return QDateTime();
}

QDateTime recordingStartTime(const QString &fileName, const QDateTime &fileModified,
                             qint64 durationMs)
{
    const QDateTime named = recordingTimeFromName(fileName);
    if (named.isValid() || !fileModified.isValid())
        return named;
    const QDateTime local = fileModified.toLocalTime();
    const QDateTime wallClock(local.date(), local.time(), Qt::UTC);
    return wallClock.addMSecs(-qMax<qint64>(0, durationMs));
}
