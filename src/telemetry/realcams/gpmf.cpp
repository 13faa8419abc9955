// GoPro GPMF payloads in "gpmd" tracks: nested KLV (key, type, struct size, repeat), every item
// padded to four bytes. Each track sample is one payload covering its stts duration. GPS points
// come from the richest record a payload holds with a fix: GPS9 (own date and time per point),
// then the Karma drone's GLPI (filtered position, velocity, track) and GPRI (the receiver's raw
// output), then GPS5. GPS5 points (about 18 Hz) and ACCL readings (about 200 Hz) are spread evenly
// over the payload; GPS9, GLPI and GPRI points are placed by their own clock. ACCL channels follow
// ORIN where the camera writes it (stored order otherwise: older models differ in axis order and
// nothing in the payload says which). The accelerometer is reduced to the display's rate by
// averaging the readings of each GPS point's slot, or of 100 ms bins when a payload has no GPS.
// UTC: GPS9 points carry days since 2000 and seconds of the day; GPS5 points take the payload's
// GPSU spread at their sample rate, the same steps as their times (ExifTool prints GPSU once per
// payload, for its first point). GLPI and GPRI points are stamped on the drone's system clock;
// SYST pairs (system time, Unix time) written along the recording translate it.

#include "realcams.h"
#include "realcommon.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

using namespace realcams;

namespace {

constexpr int kCode = 40;
constexpr int kMaxDepth = 6;
constexpr double kStandardGravity = 9.80665;
// SYST pairs kept per track: a real recording writes one or a few per second.
constexpr size_t kMaxCalibrations = 1 << 16;

struct Klv
{
    char key[4];
    quint8 type = 0;
    quint8 structSize = 0;
    quint16 repeat = 0;
    int data = 0; // offset of the data in the payload
    int dataSize = 0; // structSize * repeat
    int next = 0; // offset of the following item (data padded to four bytes)

    bool is(const char *k) const
    {
        return key[0] == k[0] && key[1] == k[1] && key[2] == k[2] && key[3] == k[3];
    }
};

// Reads the item header at pos of a list ending at end. False when no valid item starts there:
// a key that is not four printable characters, or data that runs past its parent.
bool readKlv(const QByteArray &b, int pos, int end, Klv *k)
{
    if (pos < 0 || end > b.size() || pos > end - 8)
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData()) + pos;
    for (int i = 0; i < 4; ++i) {
        const char c = char(p[i]);
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || c == ' ' || c == '_';
        if (!ok)
            return false;
        k->key[i] = c;
    }
    k->type = p[4];
    k->structSize = p[5];
    k->repeat = qFromBigEndian<quint16>(p + 6);
    k->dataSize = int(k->structSize) * int(k->repeat);
    k->data = pos + 8;
    if (k->dataSize > end - k->data)
        return false;
    const int padded = (k->dataSize + 3) & ~3;
    k->next = padded <= end - k->data ? k->data + padded : end;
    return true;
}

int typeSize(char t)
{
    switch (t) {
    case 'b':
    case 'B':
    case 'c': return 1;
    case 's':
    case 'S': return 2;
    case 'l':
    case 'L':
    case 'f':
    case 'q':
    case 'F': return 4;
    case 'd':
    case 'j':
    case 'J':
    case 'Q': return 8;
    default: return 0;
    }
}

// One number of type t at p (caller checked the size).
double number(const uchar *p, char t)
{
    switch (t) {
    case 'b': return qint8(p[0]);
    case 'B': return p[0];
    case 's': return qFromBigEndian<qint16>(p);
    case 'S': return qFromBigEndian<quint16>(p);
    case 'l': return qFromBigEndian<qint32>(p);
    case 'L': return qFromBigEndian<quint32>(p);
    case 'q': return qFromBigEndian<qint32>(p) / 65536.0;
    case 'j': return double(qFromBigEndian<qint64>(p));
    case 'J': return double(qFromBigEndian<quint64>(p));
    case 'Q': return double(qFromBigEndian<qint64>(p)) / 4294967296.0;
    case 'f': {
        const quint32 u = qFromBigEndian<quint32>(p);
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    case 'd': {
        const quint64 u = qFromBigEndian<quint64>(p);
        double d;
        std::memcpy(&d, &u, 8);
        return d;
    }
    default: return 0.0;
    }
}

// The rows of a data item as numbers, row after row in one array: field types come from the
// item's type, or for '?' from the stream's TYPE string. Returns the fields per row; 0 when the
// struct does not add up.
int rows(const QByteArray &b, const Klv &k, const QByteArray &typeString, std::vector<double> *out)
{
    out->clear();
    char types[64];
    int fields = 0;
    if (k.type == '?') {
        if (typeString.size() > int(sizeof types))
            return 0;
        for (char t : typeString)
            types[fields++] = t;
    } else {
        const int ts = typeSize(char(k.type));
        if (ts == 0 || k.structSize % ts != 0 || k.structSize / ts > int(sizeof types))
            return 0;
        fields = k.structSize / ts;
        std::fill(types, types + fields, char(k.type));
    }
    int rowSize = 0;
    for (int i = 0; i < fields; ++i) {
        if (typeSize(types[i]) == 0)
            return 0;
        rowSize += typeSize(types[i]);
    }
    if (fields == 0 || rowSize != k.structSize)
        return 0;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData()) + k.data;
    out->resize(size_t(fields) * k.repeat);
    double *o = out->data();
    for (int r = 0; r < k.repeat; ++r) {
        for (int i = 0; i < fields; ++i) {
            *o++ = number(p, types[i]);
            p += typeSize(types[i]);
        }
    }
    return fields;
}

// The GPS records of GPMF, poorest first: a payload's points come from the richest one with a fix.
enum Record { Gps5, Gpri, Glpi, Gps9, kRecords };

struct GpsPoint
{
    bool fix = false;
    double lat = 0.0, lon = 0.0, speed = 0.0; // degrees, m/s
    double course = -1.0; // degrees where the record stores a track; -1 derives it
    // Seconds on the record's own clock (GPS9: since 2000-01-01 UTC; GLPI, GPRI: the drone's
    // system clock); NaN for GPS5, which has none.
    double clock = std::nan("");
};

// A SYST pair: the system clock and the Unix time it stood for, both in seconds.
struct Calibration
{
    double systemSeconds = 0.0, unixSeconds = 0.0;
};

struct Payload
{
    QVector<GpsPoint> gps[kRecords];
    QVector<std::array<double, 3>> accl; // g
    std::vector<Calibration> syst;
    qint64 gpsuMs = -1; // UTC of the payload, ms since 1970
};

// Sticky modifiers of one stream; they apply to the data items that follow them.
struct StreamState
{
    QVector<double> scale;
    QByteArray typeString;
    int fix = -1; // GPSF; -1 when the stream has none
    // ORIN (newer cameras): which camera axis each channel holds, lower case for inverted.
    QByteArray orientation;
};

// The channels of a reading in camera X, Y, Z order under an ORIN string such as "ZXY" or "YxZ";
// stored order when there is none or it does not name each axis once.
std::array<double, 3> oriented(const double v[3], const QByteArray &orin)
{
    if (orin.size() != 3)
        return {v[0], v[1], v[2]};
    std::array<double, 3> out{0, 0, 0};
    bool seen[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        const char c = orin[i];
        const int axis = (c | 0x20) - 'x';
        if (axis < 0 || axis > 2 || seen[axis])
            return {v[0], v[1], v[2]};
        seen[axis] = true;
        out[axis] = (c & 0x20) ? -v[i] : v[i];
    }
    return out;
}

// Field i of a row divided by its SCAL value (one for all fields, or one per field).
double scaled(const double *row, int i, const QVector<double> &scale)
{
    double s = scale.isEmpty() ? 1.0 : scale[i % scale.size()];
    if (s == 0.0 || !std::isfinite(s))
        s = 1.0;
    return row[i] / s;
}

qint64 gpsuTime(const QByteArray &b, const Klv &k)
{
    if (k.dataSize < 16)
        return -1;
    const QByteArray t = b.mid(k.data, 16); // yymmddhhmmss.sss
    for (int i = 0; i < 12; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return -1;
    }
    auto two = [&](int i) { return (t[i] - '0') * 10 + (t[i + 1] - '0'); };
    const int mo = two(2), d = two(4);
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || two(6) > 23 || two(8) > 59 || two(10) > 60)
        return -1;
    qint64 ms = geo::utcMs(2000 + two(0), mo, d, two(6), two(8), two(10));
    if (ms < 0)
        return -1;
    if (t[12] == '.' && t[13] >= '0' && t[13] <= '9')
        ms += (t[13] - '0') * 100 + (t[14] >= '0' && t[14] <= '9' ? (t[14] - '0') * 10 : 0)
            + (t[15] >= '0' && t[15] <= '9' ? t[15] - '0' : 0);
    return ms;
}

Record recordOf(const Klv &k)
{
    static const char *const keys[kRecords] = {"GPS5", "GPRI", "GLPI", "GPS9"};
    for (int r = 0; r < kRecords; ++r) {
        if (k.is(keys[r]))
            return Record(r);
    }
    return kRecords;
}

// Field types of '?' records whose stream gives no TYPE (GPS5 items are plain 'l'), and the
// fields a row needs for a point.
const char *const kLayouts[kRecords] = {"", "JlllSSSSBB", "LllllsssS", "lllllllSS"};
constexpr int kFields[kRecords] = {5, 8, 9, 9};

// One row of a record as a point; which field holds what is fixed per record (GoPro.pm's tables).
GpsPoint pointOf(Record record, const double *row, const StreamState &st)
{
    auto f = [&](int i) { return scaled(row, i, st.scale); };
    GpsPoint g;
    int fix = st.fix;
    switch (record) {
    case Gps5: // lat, lon, alt, speed, 3D speed
        g.lat = f(0), g.lon = f(1), g.speed = f(3);
        break;
    case Gps9: // lat, lon, alt, speed, 3D speed, days since 2000, seconds of the day, DOP, fix
        g.lat = f(0), g.lon = f(1), g.speed = f(3);
        g.clock = f(5) * 86400.0 + f(6);
        fix = f(8) > 0.0 ? 1 : 0;
        break;
    case Glpi: // system time, lat, lon, alt, ?, velocity X, Y, Z, track
        g.clock = f(0), g.lat = f(1), g.lon = f(2), g.speed = std::hypot(f(5), f(6));
        g.course = f(8);
        break;
    case Gpri: // system time, lat, lon, alt, ?, ?, speed, track, ?, ?
    case kRecords:
        g.clock = f(0), g.lat = f(1), g.lon = f(2), g.speed = f(6);
        g.course = f(7);
        break;
    }
    // Karma's records carry no fix word: as GPS5 without GPSF, 0/0 is no place.
    g.fix = fix > 0 || (fix < 0 && (g.lat != 0.0 || g.lon != 0.0));
    if (!(g.course >= 0.0 && g.course < 360.0))
        g.course = -1.0;
    return g;
}

// Walks one list of items; false when an item does not fit its parent (the payload is damaged).
bool walk(const QByteArray &b, int begin, int end, int depth, Payload *out)
{
    if (depth > kMaxDepth)
        return false;
    StreamState st;
    std::vector<double> values;
    int pos = begin;
    while (pos <= end - 8) {
        if (b[pos] == 0 && b[pos + 1] == 0 && b[pos + 2] == 0 && b[pos + 3] == 0)
            break; // null key: the rest is padding
        Klv k;
        if (!readKlv(b, pos, end, &k))
            return false;
        if (k.type == 0) {
            if (!walk(b, k.data, k.data + k.dataSize, depth + 1, out))
                return false;
        } else if (k.is("SCAL")) {
            const int n = rows(b, k, QByteArray(), &values);
            st.scale = n ? QVector<double>(values.begin(), values.end()) : QVector<double>();
        } else if (k.is("TYPE")) {
            st.typeString = b.mid(k.data, k.dataSize);
            const int nul = st.typeString.indexOf('\0');
            if (nul >= 0)
                st.typeString.truncate(nul);
        } else if (k.is("ORIN")) {
            st.orientation = b.mid(k.data, std::min(k.dataSize, 3));
        } else if (k.is("GPSF")) {
            if (rows(b, k, QByteArray(), &values) > 0 && !values.empty())
                st.fix = int(std::max(-1.0, std::min(values[0], 1000.0)));
        } else if (k.is("GPSU")) {
            out->gpsuMs = gpsuTime(b, k);
        } else if (k.is("SYST")) {
            const int n = rows(b, k, st.typeString, &values);
            for (size_t r = 0; n >= 2 && r + n <= values.size(); r += n) {
                const double *row = &values[r];
                if (out->syst.size() < kMaxCalibrations)
                    out->syst.push_back({scaled(row, 0, st.scale), scaled(row, 1, st.scale)});
            }
        } else if (const Record record = recordOf(k); record != kRecords) {
            const QByteArray types
                = st.typeString.isEmpty() ? QByteArray(kLayouts[record]) : st.typeString;
            const int n = rows(b, k, types, &values);
            if (n >= kFields[record]) {
                for (size_t r = 0; r + n <= values.size(); r += n)
                    out->gps[record].append(pointOf(record, values.data() + r, st));
            }
        } else if (k.is("ACCL")) {
            const int n = rows(b, k, st.typeString, &values);
            if (n >= 3) {
                out->accl.reserve(out->accl.size() + int(values.size() / n));
                for (size_t r = 0; r + n <= values.size(); r += n) {
                    const double *row = values.data() + r;
                    const double v[3] = {scaled(row, 0, st.scale) / kStandardGravity,
                        scaled(row, 1, st.scale) / kStandardGravity,
                        scaled(row, 2, st.scale) / kStandardGravity};
                    out->accl.append(oriented(v, st.orientation));
                }
            }
        }
        pos = k.next;
    }
    return true;
}

// A payload is GPMF when it opens with a nested DEVC item that fits and walks cleanly.
bool parsePayload(const QByteArray &b, Payload *out)
{
    Klv k;
    if (!readKlv(b, 0, b.size(), &k) || !k.is("DEVC") || k.type != 0)
        return false;
    return walk(b, 0, b.size(), 0, out);
}

// Mean of the readings whose slot index falls in [from, to).
bool meanG(const QVector<std::array<double, 3>> &accl, int from, int to, std::array<double, 3> *g)
{
    from = std::max(from, 0);
    to = std::min(to, int(accl.size()));
    if (from >= to)
        return false;
    std::array<double, 3> sum{0, 0, 0};
    for (int i = from; i < to; ++i) {
        for (int a = 0; a < 3; ++a)
            sum[a] += accl[i][a];
    }
    for (int a = 0; a < 3; ++a)
        (*g)[a] = sum[a] / (to - from);
    return true;
}

// UTC of seconds since 2000-01-01 (10957 days after 1970), -1 when they are not a plausible date.
qint64 utcSince2000(double seconds)
{
    constexpr double kMaxSeconds = 200.0 * 365.25 * 86400.0;
    if (!(seconds >= 0.0 && seconds < kMaxSeconds))
        return -1;
    return qint64(std::llround((seconds + 10957.0 * 86400.0) * 1000.0));
}

// UTC of a moment on the drone's system clock through the SYST pairs (sorted, one per system
// time), as ExifTool reads it: along the two pairs around it, or the nearest two beyond them. A
// lone pair gives the clock's offset (ExifTool then prints that pair's time for every point).
// -1 when the two pairs do not advance at one second a second: a clock set anew between them
// would otherwise stretch every point between.
qint64 systemUtc(const std::vector<Calibration> &cal, double t)
{
    if (cal.empty() || !std::isfinite(t))
        return -1;
    double unixSeconds = cal[0].unixSeconds + (t - cal[0].systemSeconds);
    if (cal.size() > 1) {
        const auto above = std::upper_bound(cal.begin(), cal.end(), t,
            [](double v, const Calibration &c) { return v < c.systemSeconds; });
        const size_t j = std::min(std::max<size_t>(size_t(above - cal.begin()), 1), cal.size() - 1);
        const Calibration &a = cal[j - 1], &b = cal[j];
        const double rate
            = (b.unixSeconds - a.unixSeconds) / (b.systemSeconds - a.systemSeconds);
        if (!(rate > 0.98 && rate < 1.02))
            return -1;
        unixSeconds = a.unixSeconds + rate * (t - a.systemSeconds);
    }
    return utcSince2000(unixSeconds - 10957.0 * 86400.0);
}

// The points of the richest record in the payload that holds a fix (the richest present when
// none does): a Karma recording has the camera's GPS5 beside the drone's GLPI and GPRI.
Record chosenRecord(const Payload &p)
{
    Record best = kRecords;
    for (int r = kRecords - 1; r >= 0; --r) {
        const QVector<GpsPoint> &points = p.gps[r];
        if (points.isEmpty())
            continue;
        if (best == kRecords)
            best = Record(r);
        if (std::any_of(points.begin(), points.end(), [](const GpsPoint &g) { return g.fix; }))
            return Record(r);
    }
    return best;
}

// What a sample of GLPI or GPRI awaits once the whole track is read: the UTC of its system-clock
// stamp (SYST pairs may come later in the track) and its stored track (the others' are derived).
struct Pending
{
    int sample = 0;
    double systemClock = 0.0;
    double course = -1.0;
};

void appendPayload(const Payload &p, qint64 start, qint64 duration, AssistInfoList *samples,
    std::vector<Pending> *pending)
{
    const Record record = chosenRecord(p);
    const QVector<GpsPoint> &gps = record == kRecords ? p.gps[Gps5] : p.gps[record];
    const int n = gps.size();
    const int na = p.accl.size();
    if (n > 0) {
        // Points with a clock of their own are placed by it while it stays inside the payload.
        bool ownClock = std::isfinite(gps[0].clock);
        for (int k = 1; k < n && ownClock; ++k) {
            const double d = (gps[k].clock - gps[0].clock) * 1000.0;
            ownClock = std::isfinite(d) && d >= 0.0 && d <= duration
                && gps[k].clock >= gps[k - 1].clock;
        }
        for (int k = 0; k < n && samples->size() < kMaxSamples; ++k) {
            const GpsPoint &g = gps[k];
            const qint64 offset = ownClock ? qint64(std::llround((g.clock - gps[0].clock) * 1000.0))
                                           : duration * k / n;
            AssistInfo s = emptySample(start + offset);
            if (record == Gps9)
                s.setUtc(utcSince2000(g.clock), AssistInfo::Clock::Gps);
            else if (record == Gps5 && p.gpsuMs >= 0)
                s.setUtc(p.gpsuMs + duration * k / n, AssistInfo::Clock::Gps);
            else if (record == Glpi || record == Gpri)
                pending->push_back({samples->size(), g.clock, g.fix ? g.course : -1.0});
            if (g.fix && setPosition(&s, g.lat, g.lon))
                s.speed = qRound(std::max(0.0, std::min(g.speed * 3.6, 2.0e6)));
            std::array<double, 3> acc;
            if (meanG(p.accl, int(qint64(na) * k / n), int(qint64(na) * (k + 1) / n), &acc))
                setGSensor(&s, acc[0], acc[1], acc[2]);
            samples->append(s);
        }
        return;
    }
    // No GPS in this payload: G values alone at ten a second.
    const int bins = int(std::max<qint64>(1, (duration + 99) / 100));
    for (int k = 0; k < bins && na > 0 && samples->size() < kMaxSamples; ++k) {
        std::array<double, 3> acc;
        if (!meanG(p.accl, int(qint64(na) * k / bins), int(qint64(na) * (k + 1) / bins), &acc))
            continue;
        AssistInfo s = emptySample(start + duration * k / bins);
        setGSensor(&s, acc[0], acc[1], acc[2]);
        samples->append(s);
    }
}

// Stored tracks replace the derived courses; system-clock stamps become UTC (the drone's clock
// as it calibrated itself: Clock::Camera, GoPro.pm names no source for SYST's Unix time).
void settle(std::vector<Calibration> syst, const std::vector<Pending> &pending,
    AssistInfoList *samples)
{
    std::stable_sort(syst.begin(), syst.end(),
        [](const Calibration &a, const Calibration &b) {
            return a.systemSeconds < b.systemSeconds;
        });
    syst.erase(std::unique(syst.begin(), syst.end(),
                   [](const Calibration &a, const Calibration &b) {
                       return a.systemSeconds == b.systemSeconds;
                   }),
        syst.end());
    for (const Pending &p : pending) {
        AssistInfo &s = (*samples)[p.sample];
        if (p.course >= 0.0)
            s.course = p.course;
        s.setUtc(systemUtc(syst, p.systemClock), AssistInfo::Clock::Camera);
    }
}

} // namespace

LayoutResult realcams::gpmfFromTracks(ByteSource &src, const QVector<DataTrack> &tracks)
{
    for (const DataTrack &t : tracks) {
        if (t.format != "gpmd" || t.sampleCount == 0)
            continue;
        TrackSamples track(src, t);
        AssistInfoList samples;
        std::vector<Pending> pending;
        std::vector<Calibration> syst;
        bool gpmf = false;
        qint64 firstGpsu = -1;
        qint64 lastTime = -1;
        for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
            QByteArray bytes;
            qint64 start = 0, duration = 0;
            if (!track.read(id, &bytes, &start, &duration))
                continue;
            Payload p;
            if (!parsePayload(bytes, &p))
                continue;
            gpmf = true;
            for (const Calibration &c : p.syst) {
                const bool finite = std::isfinite(c.systemSeconds) && std::isfinite(c.unixSeconds);
                if (finite && syst.size() < kMaxCalibrations)
                    syst.push_back(c);
            }
            // Payloads last about a second; a longer one is a broken table, not a minute of data.
            duration = std::min<qint64>(duration, 60000);
            if (firstGpsu < 0)
                firstGpsu = p.gpsuMs;
            // A table that gives no duration still leaves GPSU to place the payload.
            if (duration <= 0) {
                duration = 1000;
                if (p.gpsuMs >= 0 && firstGpsu >= 0 && p.gpsuMs >= firstGpsu)
                    start = p.gpsuMs - firstGpsu;
            }
            if (start < lastTime)
                continue;
            const int before = samples.size();
            appendPayload(p, start, duration, &samples, &pending);
            if (samples.size() > before)
                lastTime = samples.last().timeMs;
        }
        if (!gpmf)
            continue; // a gpmd track of another maker's records
        deriveCourses(&samples);
        settle(std::move(syst), pending, &samples);
        return makeResult(kCode, samples);
    }
    return {};
}

LayoutResult readGpmfTrack(ByteSource &src, const ReadContext &ctx)
{
    return gpmfFromTracks(src, findDataTracks(src, ctx));
}
