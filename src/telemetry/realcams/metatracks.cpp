// Telemetry carried as the samples of MP4 metadata tracks other than GPMF: NMEA text cues
// (plain, or Thinkware's "gsensori,...;GNRMC,..." lines) and fixed binary records (SigmaStar and
// Rove "ssmd", Vueroid "tvxt", RVMI). Every sample takes its time from the track's stts.

#include "realcams.h"
#include "realcommon.h"

#include <QtEndian>
#include <array>
#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

// --- text cues ---------------------------------------------------------------------------------

// A cue that does not say within this many cues of the start of a track what it is means the
// track holds ordinary subtitles.
constexpr quint32 kTextProbeCues = 16;

// The text of a cue: 3GPP/QuickTime text samples open with a 16-bit length.
QByteArray cueText(const QByteArray &sample)
{
    if (sample.size() >= 2) {
        const int n = qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(sample.constData()));
        if (n <= sample.size() - 2)
            return sample.mid(2, n);
    }
    return sample;
}

struct CueReading
{
    QVector<NmeaFix> fixes;
    bool haveG = false;
    std::array<double, 3> g{0, 0, 0};
};

// Splits a cue into sentences and reads the RMC ones and Thinkware's gsensori field
// ("gsensori,<range>,<counts per g>,X,Y,Z").
CueReading readCue(const QByteArray &text)
{
    CueReading r;
    QByteArray part;
    auto finish = [&r](QByteArray s) {
        s = s.trimmed();
        if (s.startsWith('$'))
            s.remove(0, 1);
        if (s.startsWith("gsensori,")) {
            const QList<QByteArray> f = s.split(',');
            bool ok = f.size() >= 6;
            const double perG = ok ? f[2].toDouble(&ok) : 0.0;
            if (ok && perG > 0.0) {
                bool a = false, b = false, c = false;
                const double x = f[3].toDouble(&a), y = f[4].toDouble(&b), z = f[5].toDouble(&c);
                if (a && b && c) {
                    r.haveG = true;
                    r.g = {x / perG, y / perG, z / perG};
                }
            }
            return;
        }
        NmeaFix fix;
        if (s.size() >= 5 && s.mid(2, 3) == "RMC" && parseRmcSentence(s, &fix))
            r.fixes.append(fix);
    };
    for (char c : text) {
        if (c == ';' || c == '\r' || c == '\n' || c == '\0' || c == '$') {
            if (!part.isEmpty())
                finish(part);
            part.clear();
            if (c == '$')
                part.append(c);
            continue;
        }
        if (part.size() < 512)
            part.append(c);
    }
    if (!part.isEmpty())
        finish(part);
    return r;
}

LayoutResult readTextTrack(ByteSource &src, const DataTrack &t)
{
    TrackSamples track(src, t);
    AssistInfoList samples;
    bool recognised = false, thinkware = false;
    qint64 last = -1;
    for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
        if (!recognised && id > kTextProbeCues)
            return {};
        QByteArray bytes;
        qint64 start = 0, duration = 0;
        if (!track.read(id, &bytes, &start, &duration, 1u << 20))
            continue;
        const CueReading cue = readCue(cueText(bytes));
        if (cue.fixes.isEmpty() && !cue.haveG)
            continue;
        recognised = true;
        thinkware = thinkware || cue.haveG;
        QVector<AssistInfo> out;
        if (cue.fixes.isEmpty())
            out.append(emptySample(start));
        // Several sentences of one cue: placed by their UTC offsets inside the cue when those fit
        // its duration, otherwise spread evenly.
        const int n = cue.fixes.size();
        for (int k = 0; k < n; ++k) {
            qint64 at = start + (n > 0 ? duration * k / n : 0);
            const qint64 d0 = cue.fixes[0].dayMs, dk = cue.fixes[k].dayMs;
            if (d0 >= 0 && dk >= d0 && dk - d0 < std::max<qint64>(duration, 1))
                at = start + (dk - d0);
            out.append(fixSample(cue.fixes[k], at));
        }
        for (AssistInfo &s : out) {
            if (s.timeMs < last)
                continue;
            if (cue.haveG)
                setGSensor(&s, cue.g[0], cue.g[1], cue.g[2]);
            last = s.timeMs;
            samples.append(s);
        }
    }
    if (!recognised)
        return {};
    return thinkware ? makeResult(42, "Thinkware text track", samples)
                     : makeResult(41, "NMEA text track", samples);
}

// --- binary records ----------------------------------------------------------------------------

double leF64(const uchar *p)
{
    const quint64 u = qFromLittleEndian<quint64>(p);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

float leF32(const uchar *p)
{
    const quint32 u = qFromLittleEndian<quint32>(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// The "no fix" double SigmaStar and Rove cameras write.
constexpr double kNoFixDouble = 4294967295.0;

// Every sample of a track through one record decoder. The decoder returns -1 when the record is
// not of the layout (the track is then not claimed unless some record was), 0 to skip the
// record, 1 for a sample.
template<typename Decode>
LayoutResult readRecords(ByteSource &src, const DataTrack &t, int code, const char *name,
                         Decode decode, bool courses)
{
    TrackSamples track(src, t);
    AssistInfoList samples;
    int valid = 0, invalid = 0;
    qint64 last = -1;
    for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
        QByteArray bytes;
        qint64 start = 0, duration = 0;
        if (!track.read(id, &bytes, &start, &duration, 4096))
            continue;
        AssistInfo s = emptySample(start);
        const int r = decode(bytes, &s, &samples);
        if (r < 0) {
            // A layout is claimed by its first records; a track that starts with foreign ones
            // is another maker's.
            if (++invalid >= 8 && valid == 0)
                return {};
            continue;
        }
        ++valid;
        if (r == 0 || s.timeMs < last)
            continue;
        last = s.timeMs;
        samples.append(s);
    }
    if (valid == 0)
        return {};
    if (courses)
        deriveCourses(&samples);
    return makeResult(code, name, samples);
}

int decodeSigmaStar(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    if (b.size() != 40)
        return -1;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData());
    const quint16 flags = qFromLittleEndian<quint16>(p + 22);
    // The low byte of the flags is a per-model constant seen as 0x7E on every camera so far.
    if ((flags & 0xFF) != 0x7E || p[24] > 31 || p[25] > 23 || p[26] > 59 || p[27] > 60)
        return -1;
    const double lat = leF64(p), lon = leF64(p + 8);
    const quint16 speed = qFromLittleEndian<quint16>(p + 20);
    if ((flags & 0x0100) && lat != kNoFixDouble && setPosition(s, lat, lon)) {
        s->speed = speed == 0xFFFF ? 0 : speed;
        s->course = p[28] * 2.0;
    }
    return 1;
}

int decodeRove(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    if (b.size() != 32)
        return -1;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData());
    const int mo = p[23], d = p[24];
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || p[25] > 23 || p[26] > 59 || p[27] > 60)
        return -1;
    const double lat = leF64(p), lon = leF64(p + 8);
    if (lat != kNoFixDouble && std::isfinite(lat) && std::isfinite(lon)
        && setPosition(s, ddmmToDegrees(lat), ddmmToDegrees(lon)))
        s->speed = qRound(qFromLittleEndian<quint16>(p + 20) * 1.852);
    return 1;
}

int decodeVueroid(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    if (b.size() != 72)
        return -1;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData());
    for (int i = 0; i < 0x28; ++i) {
        if (p[i] != 0)
            return -1;
    }
    if (p[0x34] > 1 || p[0x35] > 1)
        return -1;
    bool allZero = true;
    for (int i = 0x28; i < 72 && allZero; ++i)
        allZero = p[i] == 0;
    if (allZero)
        return 0; // the terminator every clip ends with
    // The accelerometer's scale is not known; its readings are shown as stored.
    setGSensor(s, leF32(p + 0x28), leF32(p + 0x2C), leF32(p + 0x30));
    const double lat = leF32(p + 0x3C), lon = leF32(p + 0x40);
    if (lat != 0.0 && lon != 0.0
        && setPosition(s, ddmmToDegrees(lat) * (p[0x34] ? 1 : -1),
                       ddmmToDegrees(lon) * (p[0x35] ? 1 : -1))) {
        const float speed = leF32(p + 0x38);
        s->speed = std::isfinite(speed) && speed >= 0.0f && speed < 1.0e6f ? qRound(speed) : 0;
    }
    return 1;
}

// RVMI samples are one record each: gReV gives a sample, the sReV readings until the next gReV
// are averaged onto it, tReV (the absolute clock) is not needed for playback times.
struct RvmiDecoder
{
    int count = 0;
    double sum[3] = {0, 0, 0};

    int operator()(const QByteArray &b, AssistInfo *s, AssistInfoList *samples)
    {
        if (b.size() < 5 || b[b.size() - 1] != '\x0c')
            return -1;
        const uchar *p = reinterpret_cast<const uchar *>(b.constData());
        if (b.startsWith("gReV") && b.size() == 21) {
            // Longitude first: exports of the tool show it so, whatever ExifTool assumes.
            const qint32 lon = qFromLittleEndian<qint32>(p + 4);
            const qint32 lat = qFromLittleEndian<qint32>(p + 8);
            if ((lat != 0 || lon != 0) && setPosition(s, lat / 1e6, lon / 1e6)) {
                const qint16 speed = qFromLittleEndian<qint16>(p + 16);
                s->speed = speed > 0 ? qRound(speed / 10.0) : 0;
                s->course = std::fmod(qFromLittleEndian<quint16>(p + 18) * 2.0, 360.0);
            }
            count = 0;
            sum[0] = sum[1] = sum[2] = 0.0;
            return 1;
        }
        if (b.startsWith("sReV") && b.size() == 11) {
            if (!samples->isEmpty()) {
                for (int a = 0; a < 3; ++a)
                    sum[a] += qFromLittleEndian<qint16>(p + 4 + 2 * a) / 1024.0;
                ++count;
                setGSensor(&samples->last(), sum[0] / count, sum[1] / count, sum[2] / count);
            }
            return 0;
        }
        if (b.startsWith("tReV") && b.size() == 13)
            return 0;
        return -1;
    }
};

// The first sample's size of a track, without reading it.
quint32 firstSampleSize(ByteSource &src, const DataTrack &t)
{
    TrackSamples track(src, t);
    qint64 offset = 0, start = 0, duration = 0;
    quint32 size = 0;
    return track.locate(1, &offset, &size, &start, &duration) ? size : 0;
}

} // namespace

LayoutResult readTextMetaTrack(ByteSource &src, const ReadContext &)
{
    for (const DataTrack &t : findDataTracks(src)) {
        const bool text = t.handler == "text" || t.handler == "sbtl" || t.handler == "subt"
            || t.format == "tx3g" || t.format == "text";
        if (!text || t.format == "gpmd" || t.sampleCount == 0)
            continue;
        LayoutResult r = readTextTrack(src, t);
        if (r.status != ReadStatus::None)
            return r;
    }
    return {};
}

LayoutResult readBinaryMetaTrack(ByteSource &src, const ReadContext &)
{
    for (const DataTrack &t : findDataTracks(src)) {
        if (t.sampleCount == 0)
            continue;
        LayoutResult r;
        if (t.format == "ssmd") {
            // SigmaStar files carry up to three ssmd tracks; the GPS one has 40-byte samples.
            const quint32 size = firstSampleSize(src, t);
            if (size == 40)
                r = readRecords(src, t, 43, "SigmaStar ssmd track", decodeSigmaStar, false);
            else if (size == 32)
                r = readRecords(src, t, 44, "Rove ssmd track", decodeRove, true);
        } else if (t.handler == "tvxt") {
            r = readRecords(src, t, 45, "Vueroid tvxt track", decodeVueroid, true);
        } else if (t.format == "RVMI") {
            r = readRecords(src, t, 46, "RVMI track", RvmiDecoder(), false);
        }
        if (r.status != ReadStatus::None)
            return r;
    }
    return {};
}
