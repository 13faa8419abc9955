// Fixed binary records in MP4 metadata tracks: SigmaStar and Rove "ssmd", Vueroid "tvxt", RVMI,
// Google "camm", Vantrue "FMAS", XOR-0xAA text, LIGOGPSINFO and Wolfbox records in "gpmd" tracks
// that are not GPMF (and LIGOGPSINFO in "ssmd"), and Garmin "PNDM" records in text tracks. Every
// sample takes its time from the track's stts. Stamps in the records give UTC: GPS-receiver time
// where ExifTool marks it so (a "Z" on its GPSDateTime: camm, Wolfbox), the camera's clock where it
// does not (Rove, FMAS, XOR-0xAA, LIGOGPSINFO text).

#include "layoutcommon.h"
#include "ligogps.h"
#include "realcams.h"
#include "realcommon.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

// The "no fix" double SigmaStar and Rove cameras write.
constexpr double kNoFixDouble = 4294967295.0;

// Every sample of a track through one record decoder. The decoder returns -1 when the record is
// not of the layout (the track is then not claimed unless some record was), 0 to skip the
// record, 1 for a sample.
template <typename Decode>
LayoutResult readRecords(ByteSource &src, const DataTrack &t, int code, Decode decode, bool courses)
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
    return makeResult(code, samples);
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
    const double lat = layout::f64le(p), lon = layout::f64le(p + 8);
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
    s->setUtc(geo::utcMs(2000 + p[22], mo, d, p[25], p[26], p[27]), AssistInfo::Clock::Camera);
    const double lat = layout::f64le(p), lon = layout::f64le(p + 8);
    if (lat != kNoFixDouble && std::isfinite(lat) && std::isfinite(lon)
        && setPosition(s, geo::signedDdmmToDegrees(lat), geo::signedDdmmToDegrees(lon)))
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
    setGSensor(s, layout::f32le(p + 0x28), layout::f32le(p + 0x2C), layout::f32le(p + 0x30));
    // No status byte: a record without a fix has both coordinates zero. One zero alone is the
    // equator or the Greenwich meridian.
    const double lat = layout::f32le(p + 0x3C), lon = layout::f32le(p + 0x40);
    if ((lat != 0.0 || lon != 0.0)
        && setPosition(s, geo::signedDdmmToDegrees(lat) * (p[0x34] ? 1 : -1),
            geo::signedDdmmToDegrees(lon) * (p[0x35] ? 1 : -1))) {
        const float speed = layout::f32le(p + 0x38);
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

// Google camm: records of u16 reserved, u16 LE type and a payload of a size fixed per type.
// Type 5 (f64 lat, lon) and 6 (GPS with mode and velocities) give a sample, type 3 (accelerometer,
// m/s^2) readings are averaged onto the sample before them. Type 6 opens with an f64 GPS time in
// seconds: Unix seconds as cameras write it, though the format names the GPS epoch (1980-01-06),
// which is taken when the value is too small to be a Unix time of this century. Type 5 has none.
qint64 cammUtc(double seconds)
{
    constexpr double kGpsEpoch = 315964800.0, k2000 = 946684800.0, kMax = 7258118400.0;
    if (!std::isfinite(seconds) || seconds <= 0.0 || seconds >= kMax)
        return -1;
    if (seconds < k2000)
        seconds += kGpsEpoch;
    return qint64(std::llround(seconds * 1000.0));
}

struct CammDecoder
{
    int count = 0;
    double sum[3] = {0, 0, 0};

    int operator()(const QByteArray &b, AssistInfo *s, AssistInfoList *samples)
    {
        static const int kSize[8] = {16, 12, 16, 16, 16, 28, 60, 16};
        const uchar *p = reinterpret_cast<const uchar *>(b.constData());
        bool gps = false;
        int records = 0;
        for (int pos = 0; pos <= b.size() - 4; ++records) {
            const quint16 type = qFromLittleEndian<quint16>(p + pos + 2);
            if (type > 7 || kSize[type] > b.size() - pos)
                break;
            const uchar *r = p + pos;
            if (type == 6)
                s->setUtc(cammUtc(layout::f64le(r + 4)), AssistInfo::Clock::Gps);
            if (type == 5 || (type == 6 && qFromLittleEndian<quint32>(r + 0x0C) != 0)) {
                const int at = type == 5 ? 4 : 0x10;
                gps = true;
                count = 0;
                sum[0] = sum[1] = sum[2] = 0.0;
                if (setPosition(s, layout::f64le(r + at), layout::f64le(r + at + 8)) && type == 6) {
                    const double ve = layout::f32le(r + 0x2C), vn = layout::f32le(r + 0x30);
                    const double kmh = std::sqrt(ve * ve + vn * vn) * 3.6;
                    s->speed = std::isfinite(kmh) && kmh < 1e6 ? qRound(kmh) : 0;
                }
            } else if (type == 6) {
                gps = true; // a record without a fix still marks its moment
            } else if (type == 3) {
                for (int a = 0; a < 3; ++a)
                    sum[a] += layout::f32le(r + 4 + 4 * a) / 9.80665;
                ++count;
                AssistInfo *target = gps ? s : (samples->isEmpty() ? nullptr : &samples->last());
                if (target)
                    setGSensor(target, sum[0] / count, sum[1] / count, sum[2] / count);
            }
            pos += kSize[type];
        }
        if (records == 0)
            return -1;
        return gps ? 1 : 0;
    }
};

// Vantrue "FMAS" records in gpmd tracks: f32 G values at 108, then 'A', the longitude and latitude
// letters and each coordinate as degrees, minutes and 1/100 arc-seconds, u16 speed and course.
// The speed is read as km/h, as the maker's own player does for the same record.
int decodeFmas(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    if (b.size() < 160 || !b.startsWith(QByteArray("FMAS\0\0\0\0", 8)) || b.mid(80, 4) != "SAMM")
        return -1;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData());
    s->setUtc(geo::utcMs(qFromLittleEndian<quint16>(p + 96), p[98], p[99], p[100], p[101], p[102]),
        AssistInfo::Clock::Camera);
    setGSensor(s, layout::f32le(p + 108), layout::f32le(p + 112), layout::f32le(p + 116));
    const char ew = char(p[121]), ns = char(p[122]);
    if (p[120] != 'A' || (ew != 'E' && ew != 'W') || (ns != 'N' && ns != 'S'))
        return 1;
    const double lon = p[123] + p[124] / 60.0 + qFromLittleEndian<quint16>(p + 126) / 360000.0;
    const double lat = p[128] + p[129] / 60.0 + qFromLittleEndian<quint16>(p + 130) / 360000.0;
    if (setPosition(s, ns == 'S' ? -lat : lat, ew == 'W' ? -lon : lon)) {
        s->speed = qFromLittleEndian<quint16>(p + 132);
        s->course = std::fmod(qFromLittleEndian<quint16>(p + 134), 360.0);
    }
    return 1;
}

int decodeXorText(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    return readXorTextRecord(b, s, nullptr) ? 1 : -1;
}

// Garmin "PNDM" (after an optional 4-byte prefix starting with 0): u16 mph at 8, latitude and
// longitude as i32 x 180/2^31 at 12 and 16, big-endian (little-endian when that is the only
// reading that gives a place); 0/0 has no fix.
int decodePndm(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    const int at
        = b.startsWith("PNDM") ? 0 : (b.size() > 4 && b[0] == 0 && b.mid(4, 4) == "PNDM" ? 4 : -1);
    if (at < 0 || b.size() - at < 20)
        return -1;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    const double unit = 180.0 / 2147483648.0;
    double lat = qFromBigEndian<qint32>(p + 12) * unit, lon = qFromBigEndian<qint32>(p + 16) * unit;
    double mph = qFromBigEndian<quint16>(p + 8);
    if (std::fabs(lat) > 90.0) {
        lat = qFromLittleEndian<qint32>(p + 12) * unit;
        lon = qFromLittleEndian<qint32>(p + 16) * unit;
        mph = qFromLittleEndian<quint16>(p + 8);
    }
    if ((lat != 0.0 || lon != 0.0) && setPosition(s, lat, lon))
        s->speed = qRound(mph * 1.60934);
    return 1;
}

// LIGOGPSINFO records in samples (CarCam 4CH "ssmd", Kingslim "gpmd"): one text record after the
// directory, usually encrypted; encrypted records give knots, plain ones km/h. This is the form of
// directories elsewhere than ExifTool's freeGPS places (below), whose fuzzing nobody has seen.
int decodeLigo(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    bool encrypted = false;
    const QByteArray text = ligoRecordText(b, &encrypted);
    qint64 clock = 0;
    if (text.isEmpty() || !parseLigoText(text, encrypted ? 1.852 : 1.0, &clock, s))
        return b.contains("LIGOGPSINFO") ? 0 : -1;
    return 1;
}

// Where ExifTool's freeGPS reading looks for the directory (Kingslim D4 puts it at 80, behind its
// own binary record with coordinates in an unknown cipher): -1 when at none of them.
int freeGpsLigoDirectory(const QByteArray &b)
{
    for (int dir : {16, 48, 80}) {
        if (b.mid(dir, 12) == QByteArray("LIGOGPSINFO\0", 12) && b.size() >= dir + 0x14 + 0x84)
            return dir;
    }
    return -1;
}

// A track of LIGOGPSINFO samples. A directory at a freeGPS place is read as ExifTool reads it:
// every slot, unfuzzed when the flag word says fuzzed (Kingslim writes 5). The slots of one
// sample sit at the sample's start plus their clock's advance over its first slot, kept inside
// the sample. Other directories give their first record (decodeLigo).
LayoutResult readLigoTrack(ByteSource &src, const DataTrack &t)
{
    TrackSamples track(src, t);
    AssistInfoList samples;
    int valid = 0, invalid = 0;
    for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
        QByteArray bytes;
        qint64 start = 0, duration = 0;
        if (!track.read(id, &bytes, &start, &duration, 64 * 1024))
            continue;
        const int dir = freeGpsLigoDirectory(bytes);
        if (dir < 0) {
            AssistInfo s = emptySample(start);
            const int r = decodeLigo(bytes, &s, &samples);
            if (r < 0 && ++invalid >= 8 && valid == 0)
                return {};
            valid += r >= 0;
            if (r > 0)
                appendOrdered(&samples, s);
            continue;
        }
        ++valid;
        QVector<LigoSlot> found;
        ligoSlots(bytes, dir, ligoFlagSaysFuzzed(bytes, dir), kLigoUnfuzzScale,
            kMaxSamples - samples.size(), &found);
        for (const LigoSlot &slot : found) {
            AssistInfo s = slot.sample;
            const qint64 advance = slot.clockMs - found.first().clockMs;
            s.timeMs = start + qBound<qint64>(0, advance, std::max<qint64>(duration - 1, 0));
            appendOrdered(&samples, s);
        }
    }
    return valid == 0 ? LayoutResult{} : makeResult(57, samples);
}

// Wolfbox G900 and Redtiger F9 4K "gpmd" samples (0xF8 bytes or more, a 16-digit run and four
// capitals at 136 or the maker's address): i64 LE value and scale pairs for knots at 0x48, course
// at 0x58, ddmm latitude and longitude at 0xB0 and 0xC0 (signed: south and west below zero);
// u32 LE day, month, year at 0x68 and hour, minute, second at 0xA0, which ExifTool gives as GPS
// time. A record at 0/0 has no fix.
int decodeWolfbox(const QByteArray &b, AssistInfo *s, AssistInfoList *)
{
    if (b.size() < 0xF8)
        return -1;
    const QByteArray mark = b.mid(136, 20);
    bool digits = true;
    for (int i = 0; i < 16; ++i)
        digits = digits && mark[i] == '0';
    for (int i = 16; i < 20; ++i)
        digits = digits && mark[i] >= 'A' && mark[i] <= 'Z';
    if (!digits && !b.mid(136).startsWith(QByteArray("https://www.redtiger\0", 21)))
        return -1;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData());
    auto value = [p](int at) {
        const qint64 v = qFromLittleEndian<qint64>(p + at);
        const qint64 scale = qFromLittleEndian<qint64>(p + at + 8);
        return double(v) / double(scale == 0 ? 1 : scale);
    };
    auto word = [p](int at) {
        return int(std::min<quint32>(qFromLittleEndian<quint32>(p + at), 9999));
    };
    s->setUtc(geo::utcMs(word(0x70), word(0x6C), word(0x68), word(0xA0), word(0xA4), word(0xA8)),
        AssistInfo::Clock::Gps);
    const double lat = value(0xB0), lon = value(0xC0);
    if ((lat != 0.0 || lon != 0.0)
        && setPosition(s, geo::signedDdmmToDegrees(lat), geo::signedDdmmToDegrees(lon))) {
        const double knots = value(0x48), course = value(0x58);
        s->speed = knots >= 0.0 && knots < 1.0e5 ? qRound(knots * 1.852) : 0;
        if (course >= 0.0 && course <= 360.0)
            s->course = std::fmod(course, 360.0);
    }
    return 1;
}

// The first sample's size of a track, without reading it.
quint32 firstSampleSize(ByteSource &src, const DataTrack &t)
{
    TrackSamples track(src, t);
    qint64 offset = 0, start = 0, duration = 0;
    quint32 size = 0;
    return track.locate(1, &offset, &size, &start, &duration) ? size : 0;
}

} // namespace

LayoutResult realcams::binaryFromTracks(ByteSource &src, const QVector<DataTrack> &tracks)
{
    for (const DataTrack &t : tracks) {
        if (t.sampleCount == 0)
            continue;
        LayoutResult r;
        if (t.format == "ssmd") {
            // SigmaStar files carry up to three ssmd tracks; the GPS one has 40-byte samples.
            const quint32 size = firstSampleSize(src, t);
            if (size == 40)
                r = readRecords(src, t, 43, decodeSigmaStar, false);
            else if (size == 32)
                r = readRecords(src, t, 44, decodeRove, true);
            else
                r = readLigoTrack(src, t);
        } else if (t.handler == "tvxt") {
            r = readRecords(src, t, 45, decodeVueroid, true);
        } else if (t.format == "RVMI") {
            r = readRecords(src, t, 46, RvmiDecoder(), false);
        } else if (t.format == "camm" || t.handler == "camm") {
            r = readRecords(src, t, 47, CammDecoder(), true);
        } else if (t.format == "gpmd") {
            // gpmd tracks whose samples are not GPMF: told apart by their records.
            r = readRecords(src, t, 48, decodeFmas, false);
            if (r.status == ReadStatus::None)
                r = readRecords(src, t, 49, decodeXorText, true);
            if (r.status == ReadStatus::None)
                r = readLigoTrack(src, t);
            if (r.status == ReadStatus::None)
                r = readRecords(src, t, 67, decodeWolfbox, false);
        } else if (t.handler == "text" || t.handler == "sbtl" || t.format == "tx3g") {
            r = readRecords(src, t, 56, decodePndm, true);
        }
        if (r.status != ReadStatus::None)
            return r;
    }
    return {};
}

LayoutResult readBinaryMetaTrack(ByteSource &src, const ReadContext &ctx)
{
    return binaryFromTracks(src, findDataTracks(src, ctx));
}

LayoutResult readMetaTracks(ByteSource &src, const ReadContext &ctx)
{
    const QVector<DataTrack> tracks = findDataTracks(src, ctx);
    if (tracks.isEmpty())
        return {};
    for (auto read : {gpmfFromTracks, textFromTracks, binaryFromTracks}) {
        LayoutResult r = read(src, tracks);
        if (r.status != ReadStatus::None)
            return r;
    }
    return {};
}
