#include "realcommon.h"

#include "mp4/mp4atomtree.h"

#include <QtEndian>
#include <cmath>
#include <limits>

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

double signedDdmmToDegrees(double v)
{
    const double deg = geo::ddmmToDegrees(std::fabs(v));
    if (deg < 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return v < 0.0 ? -deg : deg;
}

void deriveCourses(AssistInfoList *samples)
{
    const AssistInfo *from = nullptr;
    double course = 0.0;
    for (AssistInfo &s : *samples) {
        if (!s.hasPosition)
            continue;
        if (from == nullptr) {
            from = &s;
        } else if (geo::shortDistanceMetres(
                       from->latitudeDeg, from->longitudeDeg, s.latitudeDeg, s.longitudeDeg)
            >= 3.0) {
            // Below a few metres the bearing is GPS jitter, not a heading.
            course = geo::bearingDeg(
                from->latitudeDeg, from->longitudeDeg, s.latitudeDeg, s.longitudeDeg);
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
    s.setUtc(f.utcMs(), AssistInfo::Clock::Gps);
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

// ddmm.mmmm + hemisphere letter; false when either is missing or out of range. "00000.0000" is
// the Greenwich meridian (or the equator), not a missing value: only the status says whether there
// is a fix. A zero has no side, and BlackVue receivers leave its letter empty.
bool coordinate(const QByteArray &value, const QByteArray &hemisphere, double limit, double *out)
{
    double v = 0.0;
    if (!toDouble(value, &v))
        return false;
    if (hemisphere.isEmpty()) {
        if (v != 0.0)
            return false;
        *out = 0.0;
        return true;
    }
    double deg = geo::ddmmToDegrees(std::fabs(v));
    if (deg < 0.0)
        return false;
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
    fix.dayMs = geo::nmeaTimeOfDayMs(f[1]);
    fix.dateDays = geo::nmeaDateDays(f[9]);
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
    fix.dayMs = geo::nmeaTimeOfDayMs(f[1]);
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
    const qint64 clock = geo::utcMs(stamp.left(4).toInt(), stamp.mid(4, 2).toInt(),
        stamp.mid(6, 2).toInt(), stamp.mid(8, 2).toInt(), stamp.mid(10, 2).toInt(),
        stamp.mid(12, 2).toInt());
    if (clock < 0)
        return false;
    if (clockMs)
        *clockMs = clock;
    s->setUtc(clock, AssistInfo::Clock::Camera);
    // Without a fix the fields are blank (or zero: the record has no status of its own, and
    // 0/0 in the Gulf of Guinea is where no car drives).
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


QVector<DataTrack> findDataTracks(ByteSource &src, const ReadContext &ctx)
{
    // Listed once per load: the readers of tracks share the list and its sample tables.
    std::shared_ptr<QVector<DataTrack>> &listed = ctx.boxes.dataTracks();
    if (!listed)
        listed = std::make_shared<QVector<DataTrack>>(listDataTracks(src, ctx));
    return *listed;
}

QVector<DataTrack> listDataTracks(ByteSource &src, const ReadContext &ctx)
{
    QVector<DataTrack> tracks;
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    const int moov = tree.find("moov");
    if (moov < 0)
        return tracks;
    const QVector<Mp4Atom> &atoms = tree.atoms();
    int seen = 0;
    for (int trak : tree.children(moov)) {
        if (!atoms[trak].header.is("trak") || ++seen > 256)
            continue;
        const int mdia = tree.child(trak, "mdia");
        const int hdlr = tree.child(mdia, "hdlr");
        if (mdia < 0 || hdlr < 0 || atoms[hdlr].header.payload().size() < 12)
            continue;
        DataTrack t;
        t.handler = src.readAt(atoms[hdlr].header.payloadBegin() + 8, 4);
        if (t.handler == "vide" || t.handler == "soun" || t.handler == "hint")
            continue;
        const int mdhd = tree.child(mdia, "mdhd");
        if (mdhd >= 0) {
            const BoxHeader &h = atoms[mdhd].header;
            quint8 version = 0;
            const qint64 at = h.payloadBegin();
            if (src.readU8(at, &version) && h.payload().contains(at, 24))
                src.readU32BE(at + (version == 1 ? 20 : 12), &t.timeScale);
        }
        const int stbl = tree.find("minf.stbl", mdia);
        if (stbl < 0)
            continue;
        for (int c : tree.children(stbl)) {
            const BoxHeader &h = atoms[c].header;
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
    , m_table(track.table)
    , m_timeScale(track.timeScale)
{
    if (track.sampleCount > 0 && (m_table->isLoaded() || m_table->load(src, track.boxes)))
        m_count = std::min(m_table->sampleCount(), track.sampleCount);
}

bool TrackSamples::locate(
    quint32 id, qint64 *offset, quint32 *size, qint64 *startMs, qint64 *durationMs)
{
    Mp4SampleTable::Location where;
    if (id == 0 || id > m_count || !m_table->locate(id, m_src.size(), &where))
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
