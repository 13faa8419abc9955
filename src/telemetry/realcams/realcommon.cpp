#include "realcommon.h"

#include "layouttable.h"
#include "mp4/mp4atomtree.h"
#include "xorrecord.h"

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

LayoutResult makeResult(int code, AssistInfoList samples)
{
    LayoutResult r;
    r.code = code;
    r.name = layoutName(code);
    r.status = samples.isEmpty() ? ReadStatus::Damaged : ReadStatus::Found;
    r.samples = std::move(samples);
    return r;
}

LayoutResult makeResult(int code, const char *, AssistInfoList samples)
{
    return makeResult(code, std::move(samples));
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

bool readXorTextRecord(const QByteArray &b, AssistInfo *s, qint64 *clockMs)
{
    const bool ambarella = b.mid(2, 4) == "\xF2\xE1\xF0\xEE";
    const bool blueSkySea = b.mid(4, 2) == "\xAA\xAA";
    if (b.size() < 0x41 || b[0] != 0 || b[1] != 0 || b.mid(6, 2) != "TT"
        || !(ambarella || blueSkySea))
        return false;
    xorrecord::Record r;
    if (!xorrecord::read(b, &r))
        return false;
    if (clockMs)
        *clockMs = r.stampMs;
    s->setUtc(r.stampMs, AssistInfo::Clock::Camera);
    if (r.hasPosition && setPosition(s, r.latDeg, r.lonDeg))
        s->speed = qRound(r.speedKmh);
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
