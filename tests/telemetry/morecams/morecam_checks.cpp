#include "morecam_checks.h"

#include <QDateTime>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cmath>

namespace mcfx {

namespace {

// "2025:01:01 10:15:00.250Z" (fraction and zone optional) to ms since 1970.
qint64 exifDateMs(const QByteArray &text)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}):(\\d\\d):(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)(\\.\\d+)?"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(text));
    if (!m.hasMatch() || m.captured(1).toInt() < 1970) // "0000:00:00" of an unset movie clock
        return -1;
    const QDateTime t(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
        QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()), Qt::UTC);
    const double fraction = m.captured(7).isEmpty() ? 0.0 : m.captured(7).toDouble();
    return t.toMSecsSinceEpoch() + qRound64(fraction * 1000.0);
}

} // namespace

QList<EtPoint> exiftoolPoints(const QString &path)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("exiftool"),
        {"-ee", "-n", "-a", "-s", "-G3", "-GPSLatitude", "-GPSLongitude", "-GPSDateTime", path});
    if (!p.waitForFinished(60000))
        return {};
    QMap<int, EtPoint> docs;
    QMap<int, int> seen; // bit 1 latitude, bit 2 longitude
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const int colon = line.indexOf(':');
        const QList<QByteArray> head = line.left(colon).simplified().split(' ');
        if (colon < 0 || head.size() != 2 || !head[0].startsWith("[Doc"))
            continue;
        const int doc = head[0].mid(4, head[0].size() - 5).toInt();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (head[1] == "GPSLatitude") {
            docs[doc].lat = value.toDouble();
            seen[doc] |= 1;
        } else if (head[1] == "GPSLongitude") {
            docs[doc].lon = value.toDouble();
            seen[doc] |= 2;
        } else if (head[1] == "GPSDateTime") {
            docs[doc].utcMs = exifDateMs(value);
        }
    }
    QList<EtPoint> out;
    for (auto it = docs.cbegin(); it != docs.cend(); ++it) {
        // Parrot's "unknown" 500 comes out as a number: a value off the earth is no position.
        if (seen.value(it.key()) == 3 && std::fabs(it->lat) <= 90.0 && std::fabs(it->lon) <= 180.0)
            out.append(it.value());
    }
    return out;
}

} // namespace mcfx
