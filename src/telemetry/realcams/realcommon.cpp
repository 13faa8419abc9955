#include "realcommon.h"

#include <QtEndian>
#include <cmath>

namespace realcams {

AssistInfo emptySample(qint64 timeMs)
{
    AssistInfo s;
    s.timeMs = timeMs;
    s.hasGSensor = false;
    return s;
}

bool setPosition(AssistInfo *s, double latDeg, double lonDeg)
{
    if (!std::isfinite(latDeg) || !std::isfinite(lonDeg) || std::fabs(latDeg) > 90.0
        || std::fabs(lonDeg) > 180.0)
        return false;
    s->hasPosition = true;
    s->latitudeDeg = latDeg;
    s->longitudeDeg = lonDeg;
    s->latitude = QString::number(latDeg, 'f', 7);
    s->longitude = QString::number(lonDeg, 'f', 7);
    return true;
}

void setGSensor(AssistInfo *s, double x, double y, double z)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return;
    s->x = float(x);
    s->y = float(y);
    s->z = float(z);
    s->hasGSensor = true;
}

double ddmmToDegrees(double v)
{
    const double d = std::trunc(v / 100.0);
    return d + (v - 100.0 * d) / 60.0;
}

void deriveCourses(AssistInfoList *samples)
{
    constexpr double kRad = M_PI / 180.0;
    const AssistInfo *from = nullptr;
    double course = 0.0;
    for (AssistInfo &s : *samples) {
        if (!s.hasPosition)
            continue;
        if (from != nullptr) {
            const double la1 = from->latitudeDeg * kRad, la2 = s.latitudeDeg * kRad;
            const double dlo = (s.longitudeDeg - from->longitudeDeg) * kRad;
            const double y = std::sin(dlo) * std::cos(la2);
            const double x
                = std::cos(la1) * std::sin(la2) - std::sin(la1) * std::cos(la2) * std::cos(dlo);
            // Equirectangular distance is plenty to tell a move from GPS jitter.
            const double dx = dlo * std::cos((la1 + la2) / 2.0), dy = la2 - la1;
            const double metres = std::sqrt(dx * dx + dy * dy) * 6371000.0;
            if (metres >= 3.0) {
                course = std::fmod(std::atan2(y, x) / kRad + 360.0, 360.0);
                from = &s;
            }
        } else {
            from = &s;
        }
        s.course = course;
    }
}

LayoutResult makeResult(int code, const char *name, AssistInfoList samples)
{
    LayoutResult r;
    r.code = code;
    r.name = QString::fromLatin1(name);
    r.status = samples.isEmpty() ? ReadStatus::Damaged : ReadStatus::Found;
    r.samples = std::move(samples);
    return r;
}

AssistInfo fixSample(const NmeaFix &f, qint64 timeMs)
{
    AssistInfo s = emptySample(timeMs);
    if (f.valid && setPosition(&s, f.latDeg, f.lonDeg)) {
        if (f.speedKmh >= 0.0)
            s.speed = qRound(std::min(f.speedKmh, 1.0e6));
        if (f.course >= 0.0)
            s.course = f.course;
    }
    return s;
}

// Appends s unless it would break the time order.
void appendOrdered(AssistInfoList *samples, const AssistInfo &s)
{
    if (s.timeMs < 0 || samples->size() >= kMaxSamples)
        return;
    if (!samples->isEmpty() && s.timeMs < samples->last().timeMs)
        return;
    samples->append(s);
}

QList<QByteArray> nmeaFields(const QByteArray &sentence)
{
    QByteArray s = sentence.trimmed();
    if (s.startsWith('$'))
        s.remove(0, 1);
    const int star = s.lastIndexOf('*');
    if (star >= 0)
        s.truncate(star);
    return s.split(',');
}

qint64 nmeaTimeMs(const QByteArray &field)
{
    if (field.size() < 6)
        return -1;
    for (int i = 0; i < 6; ++i) {
        if (field[i] < '0' || field[i] > '9')
            return -1;
    }
    const int h = (field[0] - '0') * 10 + (field[1] - '0');
    const int m = (field[2] - '0') * 10 + (field[3] - '0');
    const int s = (field[4] - '0') * 10 + (field[5] - '0');
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

qint64 daysFromCivil(int y, int m, int d)
{
    // Howard Hinnant's days_from_civil.
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

qint64 nmeaDateDays(const QByteArray &field)
{
    if (field.size() != 6)
        return -1;
    for (char c : field) {
        if (c < '0' || c > '9')
            return -1;
    }
    const int d = (field[0] - '0') * 10 + (field[1] - '0');
    const int m = (field[2] - '0') * 10 + (field[3] - '0');
    int y = (field[4] - '0') * 10 + (field[5] - '0');
    if (d < 1 || d > 31 || m < 1 || m > 12)
        return -1;
    y += y >= 70 ? 1900 : 2000;
    return daysFromCivil(y, m, d);
}

namespace {

bool toDouble(const QByteArray &field, double *out)
{
    if (field.isEmpty())
        return false;
    bool ok = false;
    const double v = field.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// ddmm.mmmm + hemisphere letter; false when either is missing or out of range.
bool coordinate(const QByteArray &value, const QByteArray &hemisphere, double limit, double *out)
{
    double v = 0.0;
    if (!toDouble(value, &v) || hemisphere.isEmpty())
        return false;
    double deg = ddmmToDegrees(std::fabs(v));
    const char h = hemisphere[0];
    if (h == 'S' || h == 'W' || h == 's' || h == 'w')
        deg = -deg;
    else if (h != 'N' && h != 'E' && h != 'n' && h != 'e')
        return false;
    if (std::fabs(deg) > limit)
        return false;
    *out = deg;
    return true;
}

bool isSentence(const QList<QByteArray> &f, const char *type)
{
    // Talker (GP, GN, GL, GA, BD, ...) plus the type.
    return !f.isEmpty() && f[0].size() == 5 && f[0].endsWith(type);
}

} // namespace

bool parseRmcSentence(const QByteArray &sentence, NmeaFix *out)
{
    const QList<QByteArray> f = nmeaFields(sentence);
    if (!isSentence(f, "RMC") || f.size() < 10)
        return false;
    NmeaFix fix;
    fix.dayMs = nmeaTimeMs(f[1]);
    fix.dateDays = nmeaDateDays(f[9]);
    const bool active = f[2] == "A";
    if (active && coordinate(f[3], f[4], 90.0, &fix.latDeg)
        && coordinate(f[5], f[6], 180.0, &fix.lonDeg))
        fix.valid = true;
    double v = 0.0;
    if (toDouble(f[7], &v) && v >= 0.0)
        fix.speedKmh = v * 1.852;
    if (toDouble(f[8], &v) && v >= 0.0 && v <= 360.0)
        fix.course = v;
    *out = fix;
    return true;
}

bool parseGgaSentence(const QByteArray &sentence, NmeaFix *out)
{
    const QList<QByteArray> f = nmeaFields(sentence);
    if (!isSentence(f, "GGA") || f.size() < 7)
        return false;
    NmeaFix fix;
    fix.dayMs = nmeaTimeMs(f[1]);
    const bool quality = !f[6].isEmpty() && f[6] != "0";
    if (quality && coordinate(f[2], f[3], 90.0, &fix.latDeg)
        && coordinate(f[4], f[5], 180.0, &fix.lonDeg))
        fix.valid = true;
    *out = fix;
    return true;
}

namespace {

// n bytes of an XOR-0xAA record's text field.
QByteArray unmasked(const QByteArray &b, int at, int n)
{
    QByteArray t = b.mid(at, n);
    for (char &c : t)
        c = char(c ^ 0xAA);
    return t;
}

bool digits(const QByteArray &t, int from)
{
    for (int i = from; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
    }
    return t.size() > from;
}

} // namespace

bool readXorTextRecord(const QByteArray &b, AssistInfo *s, qint64 *clockMs)
{
    const bool ambarella = b.mid(2, 4) == "\xF2\xE1\xF0\xEE";
    const bool blueSkySea = b.mid(4, 2) == "\xAA\xAA";
    if (b.size() < 0x41 || b[0] != 0 || b[1] != 0 || b.mid(6, 2) != "TT"
        || !(ambarella || blueSkySea))
        return false;
    const QByteArray lat = unmasked(b, 38, 9), lon = unmasked(b, 47, 10),
                     kmh = unmasked(b, 0x3E, 3);
    const QByteArray stamp = unmasked(b, 8, 14);
    if (!digits(stamp, 0))
        return false;
    const int y = stamp.left(4).toInt(), mo = stamp.mid(4, 2).toInt(), d = stamp.mid(6, 2).toInt();
    const int h = stamp.mid(8, 2).toInt(), mi = stamp.mid(10, 2).toInt();
    const int se = stamp.mid(12, 2).toInt();
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60)
        return false;
    if (clockMs)
        *clockMs = ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000LL + se * 1000LL;
    if ((lat[0] == 'N' || lat[0] == 'S') && (lon[0] == 'E' || lon[0] == 'W') && digits(lat, 1)
        && digits(lon, 1)) {
        const double la = lat.mid(1, 2).toInt() + lat.mid(3).toInt() / 600000.0;
        const double lo = lon.mid(1, 3).toInt() + lon.mid(4).toInt() / 600000.0;
        if ((la != 0.0 || lo != 0.0)
            && setPosition(s, lat[0] == 'S' ? -la : la, lon[0] == 'W' ? -lo : lo))
            s->speed = digits(kmh, 0) ? kmh.toInt() : 0;
    }
    return true;
}


QVector<BoxHeader> topLevelBoxes(ByteSource &src, int cap)
{
    QVector<BoxHeader> boxes;
    qint64 pos = 0;
    BoxHeader h;
    while (boxes.size() < cap && readBoxHeader(src, pos, src.size(), &h)) {
        // A header whose type is not printable text is a zero pad or a trailer, not a box.
        for (int i = 0; i < 4; ++i) {
            if (h.type[i] < 0x20 || h.type[i] > 0x7e)
                return boxes;
        }
        boxes.append(h);
        if (h.size <= 0)
            break;
        pos = h.end();
    }
    return boxes;
}

QVector<DataTrack> findDataTracks(ByteSource &src)
{
    QVector<DataTrack> tracks;
    BoxHeader moov;
    bool found = false;
    for (const BoxHeader &h : topLevelBoxes(src, 64)) {
        if (h.is("moov")) {
            moov = h;
            found = true;
            break;
        }
    }
    if (!found)
        return tracks;
    qint64 pos = moov.payloadBegin();
    BoxHeader trak;
    for (int n = 0; n < 256 && readBoxHeader(src, pos, moov.end(), &trak); ++n) {
        pos = trak.end();
        if (!trak.is("trak"))
            continue;
        BoxHeader mdia, hdlr, mdhd, minf, stbl;
        if (!findChildBox(src, trak.payload(), "mdia", &mdia)
            || !findChildBox(src, mdia.payload(), "hdlr", &hdlr) || hdlr.payload().size() < 12)
            continue;
        DataTrack t;
        t.handler = src.readAt(hdlr.payloadBegin() + 8, 4);
        if (t.handler == "vide" || t.handler == "soun" || t.handler == "hint")
            continue;
        if (findChildBox(src, mdia.payload(), "mdhd", &mdhd)) {
            quint8 version = 0;
            const qint64 p = mdhd.payloadBegin();
            if (src.readU8(p, &version) && mdhd.payload().contains(p, 24))
                src.readU32BE(p + (version == 1 ? 20 : 12), &t.timeScale);
        }
        if (!findChildBox(src, mdia.payload(), "minf", &minf)
            || !findChildBox(src, minf.payload(), "stbl", &stbl))
            continue;
        qint64 c = stbl.payloadBegin();
        BoxHeader h;
        for (int k = 0; k < 64 && readBoxHeader(src, c, stbl.end(), &h); ++k) {
            c = h.end();
            if (t.boxes.note(h))
                continue;
            if (h.is("stsd") && h.payload().size() >= 16 && t.format.isEmpty())
                t.format = src.readAt(h.payloadBegin() + 12, 4);
        }
        t.sampleCount = mp4SampleCount(src, t.boxes.stsz);
        tracks.append(t);
    }
    return tracks;
}

TrackSamples::TrackSamples(ByteSource &src, const DataTrack &track)
    : m_src(src)
    , m_timeScale(track.timeScale)
{
    if (track.sampleCount > 0 && m_table.load(src, track.boxes))
        m_count = std::min(m_table.sampleCount(), track.sampleCount);
}

bool TrackSamples::locate(
    quint32 id, qint64 *offset, quint32 *size, qint64 *startMs, qint64 *durationMs)
{
    Mp4SampleTable::Location where;
    if (id == 0 || id > m_count || !m_table.locate(id, m_src.size(), &where))
        return false;
    // A track without a time scale is read as milliseconds rather than dropped.
    const quint64 scale = m_timeScale ? m_timeScale : 1000;
    *offset = where.offset;
    *size = where.size;
    *startMs = qint64(std::min<quint64>(where.startTime, quint64(1) << 50) * 1000 / scale);
    *durationMs = qint64(std::min<quint64>(where.duration, quint64(1) << 50) * 1000 / scale);
    return true;
}

bool TrackSamples::read(
    quint32 id, QByteArray *bytes, qint64 *startMs, qint64 *durationMs, quint32 maxSize)
{
    qint64 offset = 0;
    quint32 size = 0;
    if (!locate(id, &offset, &size, startMs, durationMs) || size > maxSize
        || qint64(size) > m_src.size() - m_bytesRead)
        return false;
    m_bytesRead += size;
    *bytes = m_src.readAt(offset, size);
    return bytes->size() == int(size);
}

} // namespace realcams
