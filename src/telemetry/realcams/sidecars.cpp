// Telemetry in files beside a recording: BlackVue ".gps" NMEA logs with camera-clock prefixes and
// ".3gf" accelerometer records, MiVue and other ".nmea" logs, Escort ".map" lines and the 70mai
// "GPSData*.txt" log shared by many clips. Positions come from the first log found; .3gf G values
// are joined to them by time.

#include "realcams.h"
#include "nmealog.h"
#include "realcommon.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>
#include <cmath>

using namespace realcams;

namespace {

constexpr qint64 kMaxSidecarBytes = 64ll << 20;

enum class Kind { None, BlackVueGps, BlackVue3gf, Nmea, EscortMap, SeventyMai };

Kind kindOf(const QString &path)
{
    const QFileInfo fi(path);
    const QString ext = fi.suffix().toLower();
    if (ext == QLatin1String("gps"))
        return Kind::BlackVueGps;
    if (ext == QLatin1String("3gf"))
        return Kind::BlackVue3gf;
    if (ext == QLatin1String("nmea"))
        return Kind::Nmea;
    if (ext == QLatin1String("map"))
        return Kind::EscortMap;
    if (ext == QLatin1String("txt")
        && fi.fileName().startsWith(QLatin1String("GPSData"), Qt::CaseInsensitive))
        return Kind::SeventyMai;
    return Kind::None;
}

// The bytes of a sidecar: regular files only, bounded.
QByteArray readWhole(ByteSource &src)
{
    if (!src.isOpen() || src.size() > kMaxSidecarBytes)
        return QByteArray();
    return src.readAt(0, src.size());
}

QByteArray readSidecarFile(const QString &path)
{
    const QFileInfo fi(path);
    if (!fi.isFile() || fi.size() > kMaxSidecarBytes)
        return QByteArray();
    ByteSource src(path);
    return readWhole(src);
}

// "YYYYMMDD_HHMMSS" at the start of a BlackVue name, read as if UTC (the camera's clock, the same
// clock as the line prefixes); -1 when the name has none.
qint64 nameClockMs(const QString &name)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})_(\\d{2})(\\d{2})(\\d{2})"));
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch())
        return -1;
    return geo::utcMs(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
        m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
}

// Escort .map: "A,ddmmyy,hhmmss,ddmm.mmmm,N,dddmm.mmmm,E,<km/h>,<ax>,<ay>,<az>;". The raw
// accelerometer values carry gravity and an unknown bias and scale: not shown. The date and time
// are the RMC's (GPS clock).
AssistInfoList readEscortMap(const QByteArray &bytes)
{
    AssistInfoList samples;
    qint64 base = -1;
    forEachLine(bytes, [&](const QByteArray &raw) {
        QByteArray line = raw.trimmed();
        if (line.endsWith(';'))
            line.chop(1);
        const QList<QByteArray> f = line.split(',');
        if (f.size() < 8 || (f[0] != "A" && f[0] != "V"))
            return;
        const qint64 clock = geo::nmeaUtcMs(f[1], f[2]);
        if (clock < 0)
            return;
        if (base < 0)
            base = clock;
        // Same fields as an RMC from the latitude on; reuse its checks.
        NmeaFix fix;
        const QByteArray rmcLike = "GPRMC," + f[2] + ',' + f[0] + ',' + f[3] + ',' + f[4] + ','
            + f[5] + ',' + f[6] + ",,," + f[1];
        nmea::decodeRmc(rmcLike, &fix);
        AssistInfo s = fixSample(fix, clock - base);
        bool ok = false;
        const double kmh = f[7].toDouble(&ok);
        if (s.hasPosition && ok && kmh >= 0 && kmh < 1e6)
            s.speed = qRound(kmh);
        appendOrdered(&samples, s);
    });
    return samples;
}

// The name a 70mai log gives a clip: its file name without the two-letter folder prefix
// ("NO20250101-101500-000123F.MP4" gives "20250101-101500-000123F.MP4"). Locked clips are renamed
// (NO to EV) and the log may name either; the channel letter before the extension tells the front
// clip from the rear one of the same second, so it stays. Empty for other names.
QByteArray seventyMaiClipName(const QString &fileName)
{
    static const QRegularExpression re(
        QStringLiteral("^(?:NO|EV|PA|LA)(\\d{8}-\\d{6}-\\d{6}[A-Z]*\\.[A-Z0-9]+)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(fileName);
    return m.hasMatch() ? m.captured(1).toUpper().toLatin1() : QByteArray();
}

// 70mai "GPSData*.txt": a "$V02" line, then one row per reading of every clip the card holds
// (ExifTool does not read these logs; this is the format as the rows show it):
//   <unix s>,<A|V>,<lat deg>,<lon deg>,<bearing x100>,<speed m/s x100>,<gx>,<gy>,<gz>,<clip>,...
// G values in 1/100 g; <clip> is the clip's file name with its folder prefix (NO, EV, ...). The
// stamp is the camera's, written beside the fix and 8 h behind UTC (the maker's clock zone
// subtracted once too often): UTC = stamp + 8 h, Clock::Camera. Only the rows naming this clip
// (clipName as seventyMaiClipName gives it; all rows when it is empty) are taken, timed from
// the first of them; rows sharing a second (the log writes up to four a second) are spread over
// it in quarters.
AssistInfoList readSeventyMai(const QByteArray &bytes, const QByteArray &clipName)
{
    constexpr qint64 kBehindUtc = 8 * 3600;
    AssistInfoList samples;
    if (!bytes.startsWith("$V02"))
        return samples;
    qint64 base = -1, lastSecond = -1;
    int inSecond = 0;
    forEachLine(bytes, [&](const QByteArray &raw) {
        const QList<QByteArray> f = raw.trimmed().split(',');
        if (f.size() < 10)
            return;
        if (!clipName.isEmpty()
            && seventyMaiClipName(QString::fromLatin1(f[9].trimmed())) != clipName)
            return;
        bool ok = false;
        const qint64 second = f[0].toLongLong(&ok);
        // Beyond the year 5000 is no clock.
        if (!ok || second < 0 || second > 100000000000LL)
            return;
        if (base < 0)
            base = second;
        inSecond = second == lastSecond ? inSecond + 1 : 0;
        lastSecond = second;
        const qint64 inSecondMs = std::min(inSecond, 3) * 250;
        AssistInfo s = emptySample((second - base) * 1000 + inSecondMs);
        s.setUtc((second + kBehindUtc) * 1000 + inSecondMs, AssistInfo::Clock::Camera);
        bool a = false, b = false;
        const double lat = f[2].toDouble(&a), lon = f[3].toDouble(&b);
        if (f[1] == "A" && a && b && setPosition(&s, lat, lon)) {
            s.speed = qRound(std::max(0.0, std::min(f[5].toDouble() * 0.036, 1e6)));
            s.course = std::fmod(std::max(0.0, f[4].toDouble() / 100.0), 360.0);
        }
        bool gx = false, gy = false, gz = false;
        const double x = f[6].toDouble(&gx), y = f[7].toDouble(&gy), z = f[8].toDouble(&gz);
        if (gx && gy && gz)
            setGSensor(&s, x / 100.0, y / 100.0, z / 100.0);
        appendOrdered(&samples, s);
    });
    return samples;
}

LayoutResult positions(
    Kind kind, const QByteArray &bytes, const QString &name, const QByteArray &clip)
{
    switch (kind) {
    case Kind::BlackVueGps:
        return makeResult(60, readNmeaLog(bytes, nameClockMs(name)));
    case Kind::Nmea: return makeResult(62, readNmeaLog(bytes, -1));
    case Kind::EscortMap: return makeResult(63, readEscortMap(bytes));
    case Kind::SeventyMai: return makeResult(64, readSeventyMai(bytes, clip));
    case Kind::BlackVue3gf: return makeResult(61, gOnly(read3gf(bytes)));
    case Kind::None: break;
    }
    return {};
}

// A file that exists with this exact name (either case of the extension).
QString existing(const QDir &dir, const QString &stem, const char *ext)
{
    for (const QString &e : {QString::fromLatin1(ext), QString::fromLatin1(ext).toUpper()}) {
        const QString p = dir.filePath(stem + QLatin1Char('.') + e);
        if (QFileInfo(p).isFile())
            return p;
    }
    return QString();
}

// 70mai logs sit at the card root, a folder or two above the clips.
QStringList seventyMaiLogs(const QDir &clipDir)
{
    QStringList out;
    QDir d = clipDir;
    for (int up = 0; up < 3; ++up) {
        for (const QString &n :
            d.entryList({QStringLiteral("GPSData*.txt")}, QDir::Files | QDir::Hidden, QDir::Name))
            out.append(d.filePath(n));
        if (!d.cdUp())
            break;
    }
    return out;
}

} // namespace

bool isSidecarFile(const QString &path)
{
    return kindOf(path) != Kind::None;
}

LayoutResult readSidecars(ByteSource &src, const ReadContext &ctx)
{
    if (ctx.path.isEmpty())
        return {};
    const QFileInfo video(ctx.path);
    const Kind own = kindOf(ctx.path);
    if (own != Kind::None) {
        LayoutResult r = positions(own, readWhole(src), video.completeBaseName(), QByteArray());
        return r.status == ReadStatus::Found ? r : LayoutResult{};
    }

    const QDir dir = video.absoluteDir();
    const QString stem = video.completeBaseName();
    QStringList stems{stem};
    // BlackVue clips "YYYYMMDD_HHMMSS_<mode><channel>" share one "YYYYMMDD_HHMMSS_<mode>" log.
    static const QRegularExpression blackvue(QStringLiteral("^(\\d{8}_\\d{6}_[A-Z])[A-Z]$"));
    const QRegularExpressionMatch m = blackvue.match(stem);
    if (m.hasMatch())
        stems.append(m.captured(1));

    LayoutResult result;
    QString g3f;
    for (const QString &s : stems) {
        for (const auto &[ext, kind] : {std::pair<const char *, Kind>{"gps", Kind::BlackVueGps},
                 {"nmea", Kind::Nmea}, {"map", Kind::EscortMap}}) {
            if (result.status == ReadStatus::Found)
                break;
            const QString p = existing(dir, s, ext);
            if (!p.isEmpty())
                result = positions(kind, readSidecarFile(p), stem, QByteArray());
        }
        if (g3f.isEmpty())
            g3f = existing(dir, s, "3gf");
    }
    const QByteArray clip = seventyMaiClipName(video.fileName());
    if (result.status != ReadStatus::Found && !clip.isEmpty()) {
        for (const QString &log : seventyMaiLogs(dir)) {
            result = positions(Kind::SeventyMai, readSidecarFile(log), stem, clip);
            if (result.status == ReadStatus::Found)
                break;
        }
    }
    if (!g3f.isEmpty()) {
        const QVector<GRecord> g = read3gf(readSidecarFile(g3f));
        if (result.status == ReadStatus::Found)
            joinG(&result.samples, g);
        else if (!g.isEmpty())
            result = makeResult(61, gOnly(g));
    }
    return result.status == ReadStatus::Found ? result : LayoutResult{};
}
