#include "recordingtime.h"

#include "bytesource.h"
#include "mp4/mp4file.h"

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
             R"((?<!\d)(\d{4})[-_.](\d{2})[-_.](\d{2}))"
             R"([-_. T](\d{2})[-_.:](\d{2})[-_.:](\d{2})(?!\d))"),
         false},
        // 210101_120000, FILE210101-120000F
        {QRegularExpression(R"((?<!\d)(\d{2})(\d{2})(\d{2})[_-](\d{2})(\d{2})(\d{2})(?!\d))"),
         true},
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

qint64 recordingDurationMs(const QString &path)
{
    const std::unique_ptr<Mp4File> file = Mp4File::open(path);
    if (!file)
        return -1;
    const int atom = file->tree().find("moov.mvhd");
    if (atom < 0)
        return -1;
    const ByteRange payload = file->tree().atoms()[atom].header.payload();
    ByteSource &src = file->source();
    // Version 0: version/flags, creation and modification (4 bytes each), time scale, duration
    // (4 bytes). Version 1 widens the two times and the duration to 8 bytes.
    quint8 version = 0;
    if (!payload.contains(payload.begin, 1) || !src.readU8(payload.begin, &version))
        return -1;
    const qint64 scaleAt = payload.begin + (version == 1 ? 20 : 12);
    const qint64 durationWidth = version == 1 ? 8 : 4;
    quint32 timeScale = 0;
    quint64 duration = 0;
    if (!payload.contains(scaleAt, 4 + durationWidth) || !src.readU32BE(scaleAt, &timeScale)
        || timeScale == 0)
        return -1;
    if (version == 1) {
        if (!src.readU64BE(scaleAt + 4, &duration))
            return -1;
    } else {
        quint32 d32 = 0;
        if (!src.readU32BE(scaleAt + 4, &d32))
            return -1;
        duration = d32;
    }
    // All ones means "unknown"; anything beyond a week is no camera's clip either. Checked in
    // seconds first so that the conversion to ms cannot overflow.
    const quint64 seconds = duration / timeScale;
    if (duration == 0xffffffffu || seconds > 7ull * 24 * 3600)
        return -1;
    return qint64(seconds * 1000 + duration % timeScale * 1000 / timeScale);
}
