// Small top-level atoms beside moov and mdat: the Ambarella family's "gps0" records (with "gsen"
// accelerometer triples), the 70mai "GPS " records, BlackVue's "free" box holding its NMEA log and
// accelerometer records, "udat" NMEA logs (or DENVER's bracketed log), Nextbase's "nbmt" NMEA
// text and "gdat" base64 JSON, and Garmin's GPS records in a moov "uuid". The boxes
// come from the load's shared tree; only BlackVue's "free" box, a leaf there, is listed here.
// UTC: gps0 date fields and Garmin's seconds since 1904 are GPS time (ExifTool gives both a "Z"),
// the NMEA logs' RMC date and time and DENVER's stamps too; Lamax's masked stamps and gdat's
// "datetime" without a zone are the camera's clock.

#include "layoutcommon.h"
#include "mp4/mp4atomtree.h"
#include "nmealog.h"
#include "realcams.h"
#include "realcommon.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

// Atoms larger than this are not the few KiB of records these cameras write.
constexpr qint64 kMaxAtom = 16ll << 20;
// gsen triples come at five a second.
constexpr int kGsenPeriodMs = 200;

bool allZero(const uchar *p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

// Lamax cameras fill gps0 with 311-byte XOR-0xAA text records instead, timed by their stamps.
AssistInfoList readLamax(const QByteArray &records)
{
    AssistInfoList samples;
    qint64 first = -1;
    for (int pos = 0; pos <= records.size() - 311 && samples.size() < kMaxSamples; pos += 311) {
        const QByteArray r = records.mid(pos, 311);
        AssistInfo s = emptySample(0);
        qint64 clock = 0;
        if (r.mid(2, 7) != "\xF2\xE1\xF0\xEE\x54\x54\x98" || !readXorTextRecord(r, &s, &clock))
            break;
        if (first < 0)
            first = clock;
        s.timeMs = clock - first;
        appendOrdered(&samples, s);
    }
    return samples;
}

// gps0: 32-byte little-endian records, f64 ddmm latitude and longitude (signed), i32 altitude,
// u16 km/h, year-2000, month, day, hour, minute, second, course/2. Rows of a ring buffer repeat
// older times: those are dropped. All-zero rows have no fix and no clock: they continue a second
// after the row before.
AssistInfoList readGps0(const QByteArray &records, const QByteArray &gsen)
{
    if (records.mid(2, 7) == "\xF2\xE1\xF0\xEE\x54\x54\x98")
        return readLamax(records);
    AssistInfoList samples;
    const uchar *p = reinterpret_cast<const uchar *>(records.constData());
    qint64 first = -1, last = -1;
    for (int pos = 0; pos <= records.size() - 32 && samples.size() < kMaxSamples; pos += 32) {
        const uchar *r = p + pos;
        AssistInfo s;
        if (allZero(r, 32)) {
            s = emptySample(last < 0 ? 0 : last + 1000);
        } else {
            const qint64 clock = geo::utcMs(2000 + r[22], r[23], r[24], r[25], r[26], r[27]);
            if (clock < 0)
                continue;
            if (first < 0)
                first = clock;
            s = emptySample(clock - first);
            s.setUtc(clock, AssistInfo::Clock::Gps);
            // No status field: a row without a fix has both coordinates zero.
            const double lat = layout::f64le(r), lon = layout::f64le(r + 8);
            if (std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 9000.0
                && std::fabs(lon) <= 18000.0 && (lat != 0.0 || lon != 0.0)
                && setPosition(&s, geo::signedDdmmToDegrees(lat), geo::signedDdmmToDegrees(lon))) {
                s.speed = qFromLittleEndian<quint16>(r + 20);
                s.course = r[28] * 2.0;
            }
        }
        if (s.timeMs < 0 || s.timeMs < last)
            continue;
        last = s.timeMs;
        samples.append(s);
    }
    // G values: the mean of the gsen triples of each sample's second, in 1/16 g.
    const int triples = gsen.size() / 3;
    for (AssistInfo &s : samples) {
        const qint64 from = s.timeMs / kGsenPeriodMs, to = (s.timeMs + 1000) / kGsenPeriodMs;
        double sum[3] = {0, 0, 0};
        int n = 0;
        for (qint64 i = from; i < to && i < triples; ++i, ++n) {
            for (int a = 0; a < 3; ++a)
                sum[a] += qint8(gsen[int(i) * 3 + a]);
        }
        if (n > 0)
            setGSensor(&s, sum[0] / n / 16.0, sum[1] / n / 16.0, sum[2] / n / 16.0);
    }
    return samples;
}

// 70mai "GPS ": 36-byte little-endian records up to an all-zero one: present flag, fix flag,
// seconds since the clip started, metres per hour, N/S, ddmm x1000, E/W, dddmm x1000.
AssistInfoList read70mai(const QByteArray &records, bool *valid)
{
    AssistInfoList samples;
    *valid = false;
    const uchar *p = reinterpret_cast<const uchar *>(records.constData());
    qint64 last = -1;
    for (int pos = 0; pos <= records.size() - 36 && samples.size() < kMaxSamples; pos += 36) {
        const uchar *r = p + pos;
        if (allZero(r, 36))
            break;
        const char ns = char(r[16]), ew = char(r[21]);
        if (qFromLittleEndian<quint32>(r) != 1 || (ns != 'N' && ns != 'S')
            || (ew != 'E' && ew != 'W'))
            continue;
        *valid = true;
        const qint64 t = qint64(qFromLittleEndian<quint32>(r + 8)) * 1000;
        if (t < last)
            continue;
        last = t;
        AssistInfo s = emptySample(t);
        if (qFromLittleEndian<quint32>(r + 4) == 1) {
            const double lat = geo::signedDdmmToDegrees(qFromLittleEndian<quint32>(r + 17) / 1000.0);
            const double lon = geo::signedDdmmToDegrees(qFromLittleEndian<quint32>(r + 22) / 1000.0);
            if (setPosition(&s, ns == 'S' ? -lat : lat, ew == 'W' ? -lon : lon))
                s.speed = qRound(std::min(qFromLittleEndian<quint32>(r + 12) / 1000.0, 1.0e6));
        }
        samples.append(s);
    }
    return samples;
}

// DENVER ACG-8050WMK2 "udat": one record a fix, "YYMMDDhhmmss[1][N][ddmmmmmm][E][dddmmmmmm]
// [alt/10][km/h][course][C<kcal/10>]" and signed three-digit accelerometer words of unknown scale
// (left). Minutes are stored x10000. ExifTool gives the stamps as GPS time ("Z"). Samples are
// timed by their stamps from the first one.
AssistInfoList readDenverLog(const QByteArray &log)
{
    static const QRegularExpression record(QStringLiteral(
        "\\b(\\d{2})(\\d{2})(\\d{2})(\\d{2})(\\d{2})(\\d{2})\\[1\\]\\[([NS])\\]\\[(\\d{8})\\]"
        "\\[([EW])\\]\\[(\\d{9})\\]\\[([-+]?\\d*)\\]\\[(\\d*)\\]\\[(\\d*)\\]\\[C?(\\d*)\\]"
        "(?:[-+]\\d{3})+"));
    AssistInfoList samples;
    qint64 first = -1;
    const QString text = QString::fromLatin1(log);
    auto it = record.globalMatch(text);
    while (it.hasNext() && samples.size() < kMaxSamples) {
        const QRegularExpressionMatch m = it.next();
        auto n = [&m](int i) { return m.capturedRef(i).toInt(); };
        const qint64 utc = geo::utcMs(2000 + n(1), n(2), n(3), n(4), n(5), n(6));
        if (utc < 0)
            continue;
        if (first < 0)
            first = utc;
        AssistInfo s = emptySample(utc - first);
        s.setUtc(utc, AssistInfo::Clock::Gps);
        const QStringRef lat = m.capturedRef(8), lon = m.capturedRef(10);
        const double latDeg = lat.left(2).toInt() + lat.mid(2).toInt() / 600000.0;
        const double lonDeg = lon.left(3).toInt() + lon.mid(3).toInt() / 600000.0;
        if (setPosition(&s, m.capturedRef(7) == QLatin1String("S") ? -latDeg : latDeg,
                m.capturedRef(9) == QLatin1String("W") ? -lonDeg : lonDeg)) {
            s.speed = n(12);
            if (!m.capturedRef(13).isEmpty())
                s.course = std::fmod(n(13), 360);
        }
        appendOrdered(&samples, s);
    }
    return samples;
}

// A JSON number, or a number written as a JSON string; NaN when neither.
double jsonNumber(const QJsonValue &v)
{
    if (v.isDouble())
        return v.toDouble();
    bool ok = false;
    const double d = v.toString().toDouble(&ok);
    return ok ? d : std::nan("");
}

// Nextbase "gdat" (written by the maker's software): base64 of a JSON object whose "gpsData"
// array holds fixes {"gpsStatus":"A", "datetime":"YYYY-MM-DDThh:mm:ss", "lat", "lon", "speed"
// (mph), "bearing", "xAcc", "yAcc", "zAcc"}; ExifTool reads only those with status "A", and so
// do we. A datetime with a "Z" is taken as GPS time, one without as the camera's clock. Samples
// are timed by their datetime from the first.
AssistInfoList readGdat(const QByteArray &payload)
{
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromBase64(payload)).object();
    const QJsonArray fixes = root.value("gpsData").toArray();
    AssistInfoList samples;
    qint64 first = -1;
    for (const QJsonValue &v : fixes) {
        if (samples.size() >= kMaxSamples)
            break;
        const QJsonObject f = v.toObject();
        if (f.value("gpsStatus").toString() != QLatin1String("A"))
            continue;
        // "YYYY-MM-DDThh:mm:ss", a space allowed for the T.
        const QByteArray stamp = f.value("datetime").toString().toLatin1();
        static const QRegularExpression form(QStringLiteral(
            "^(\\d{4})-(\\d{2})-(\\d{2})[T ](\\d{2}):(\\d{2}):(\\d{2}(?:\\.\\d+)?)"));
        const QRegularExpressionMatch m = form.match(QString::fromLatin1(stamp));
        auto n = [&m](int i) { return m.capturedRef(i).toInt(); };
        const qint64 utc = m.hasMatch()
            ? geo::utcMs(n(1), n(2), n(3), n(4), n(5), m.capturedRef(6).toDouble())
            : -1;
        if (utc < 0)
            continue;
        if (first < 0)
            first = utc;
        AssistInfo s = emptySample(utc - first);
        s.setUtc(utc, stamp.endsWith('Z') ? AssistInfo::Clock::Gps : AssistInfo::Clock::Camera);
        if (setPosition(&s, jsonNumber(f.value("lat")), jsonNumber(f.value("lon")))) {
            const double kmh = jsonNumber(f.value("speed")) * 1.609344;
            s.speed = kmh >= 0.0 && kmh < 1.0e5 ? qRound(kmh) : 0;
            const double course = jsonNumber(f.value("bearing"));
            if (course >= 0.0 && course <= 360.0)
                s.course = std::fmod(course, 360.0);
        }
        const double x = jsonNumber(f.value("xAcc")), y = jsonNumber(f.value("yAcc")),
                     z = jsonNumber(f.value("zAcc"));
        if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z))
            setGSensor(&s, x, y, z);
        appendOrdered(&samples, s);
    }
    return samples;
}

// Garmin DriveAssist: a moov child "uuid" 9B630F8D-6374-40EC-8204-BC5FF5091728 holding 20-byte
// big-endian records from payload offset 33: seconds since 1904, mph, 6 unknown bytes, latitude
// and longitude as i32 x 180/2^31 (both INT32_MIN without a fix).
AssistInfoList readGarminUuid(const QByteArray &payload)
{
    AssistInfoList samples;
    const uchar *p = reinterpret_cast<const uchar *>(payload.constData());
    qint64 first = -1;
    for (int pos = 33; pos <= payload.size() - 20 && samples.size() < kMaxSamples; pos += 20) {
        const qint64 seconds = qFromBigEndian<quint32>(p + pos);
        if (first < 0)
            first = seconds;
        AssistInfo s = emptySample((seconds - first) * 1000);
        constexpr qint64 kFrom1904 = 2082844800; // seconds from 1904-01-01 to 1970-01-01
        s.setUtc(seconds >= kFrom1904 ? (seconds - kFrom1904) * 1000 : -1, AssistInfo::Clock::Gps);
        const qint32 lat = qFromBigEndian<qint32>(p + pos + 12);
        const qint32 lon = qFromBigEndian<qint32>(p + pos + 16);
        const double unit = 180.0 / 2147483648.0;
        if (!(lat == INT32_MIN && lon == INT32_MIN) && setPosition(&s, lat * unit, lon * unit))
            s.speed = qRound(qFromBigEndian<quint16>(p + pos + 4) * 1.60934);
        appendOrdered(&samples, s);
    }
    return samples;
}

// BlackVue's top-level "free" box is itself a list of boxes: "sttm" (u64 BE recording start on
// the camera's clock, in ms), "gps " (NMEA lines with "[ms]" prefixes on that clock, NUL padded)
// and "3gf " (accelerometer records).
bool readBlackVueBox(ByteSource &src, const BoxHeader &box, AssistInfoList *samples)
{
    BoxHeader first, h;
    if (!readBoxHeader(src, box.payloadBegin(), box.end(), &first))
        return false;
    static const char *const kChildren[] = {"cprt", "sttm", "ptnm", "ptrh", "thum", "gps ", "3gf "};
    bool known = false;
    for (const char *c : kChildren)
        known = known || first.is(c);
    if (!known)
        return false;
    qint64 start = -1;
    QByteArray log, g;
    qint64 pos = box.payloadBegin();
    for (int n = 0; n < 64 && readBoxHeader(src, pos, box.end(), &h); ++n) {
        pos = h.end();
        if (h.is("sttm") && h.payload().size() >= 8) {
            quint64 v = 0;
            if (src.readU64BE(h.payloadBegin(), &v) && v < (quint64(1) << 52))
                start = qint64(v);
        } else if (h.is("gps ") && h.payload().size() <= kMaxAtom) {
            log = src.readAt(h.payloadBegin(), h.payload().size());
        } else if (h.is("3gf ") && h.payload().size() <= kMaxAtom) {
            g = src.readAt(h.payloadBegin(), h.payload().size());
        }
    }
    const int nul = log.indexOf('\0');
    if (nul >= 0)
        log.truncate(nul);
    *samples = readNmeaLog(log, start);
    const QVector<GRecord> records = read3gf(g);
    if (samples->isEmpty())
        *samples = gOnly(records);
    else
        joinG(samples, records);
    return !log.isEmpty() || !records.isEmpty();
}

} // namespace

LayoutResult readGps0Atoms(ByteSource &src, const ReadContext &ctx)
{
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    const QVector<Mp4Atom> &atoms = tree.atoms();
    BoxHeader gps0, gsen, gps70, udat, nbmt, gdat;
    bool haveGps0 = false, haveGsen = false, have70 = false, haveUdat = false, haveNbmt = false,
         haveGdat = false;
    QVector<BoxHeader> frees;
    for (int i : tree.children(-1)) {
        const BoxHeader &h = atoms[i].header;
        if (h.is("free") && h.payload().size() >= 16 && frees.size() < 8)
            frees.append(h);
        if (h.is("udat") && !haveUdat)
            haveUdat = (udat = h, true);
        if (h.is("nbmt") && !haveNbmt)
            haveNbmt = (nbmt = h, true);
        if (h.is("gdat") && !haveGdat)
            haveGdat = (gdat = h, true);
        if (h.is("gps0") && !haveGps0)
            haveGps0 = (gps0 = h, true);
        else if (h.is("gsen") && !haveGsen)
            haveGsen = (gsen = h, true);
        else if (h.is("GPS ") && !have70)
            have70 = (gps70 = h, true);
    }
    if (haveGps0) {
        if (gps0.payload().size() > kMaxAtom)
            return makeResult(50, {});
        const QByteArray records = src.readAt(gps0.payloadBegin(), gps0.payload().size());
        QByteArray g;
        if (haveGsen && gsen.payload().size() <= kMaxAtom)
            g = src.readAt(gsen.payloadBegin(), gsen.payload().size());
        AssistInfoList samples = readGps0(records, g);
        bool course = false;
        for (const AssistInfo &s : samples)
            course = course || s.course != 0.0;
        if (!course)
            deriveCourses(&samples);
        return makeResult(50, samples);
    }
    if (have70) {
        if (gps70.payload().size() > kMaxAtom)
            return makeResult(51, {});
        bool valid = false;
        AssistInfoList samples
            = read70mai(src.readAt(gps70.payloadBegin(), gps70.payload().size()), &valid);
        if (!valid)
            return {};
        deriveCourses(&samples);
        return makeResult(51, samples);
    }
    static const QByteArray kGarmin("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28",
                                    16);
    const int moov = tree.find("moov");
    for (int i : moov < 0 ? QVector<int>() : tree.children(moov)) {
        const BoxHeader &h = atoms[i].header;
        if (!h.is("uuid") || h.payload().size() < 53 || h.payload().size() > kMaxAtom
            || src.readAt(h.payloadBegin(), 16) != kGarmin)
            continue;
        AssistInfoList samples = readGarminUuid(src.readAt(h.payloadBegin(), h.payload().size()));
        deriveCourses(&samples);
        return makeResult(54, samples);
    }
    for (const BoxHeader &f : frees) {
        AssistInfoList samples;
        if (readBlackVueBox(src, f, &samples))
            return makeResult(52, samples);
    }
    if (haveUdat && udat.payload().size() <= kMaxAtom) {
        QByteArray log = src.readAt(udat.payloadBegin(), udat.payload().size());
        const int nul = log.indexOf('\0');
        if (nul >= 0)
            log.truncate(nul);
        AssistInfoList samples = readNmeaLog(log, -1);
        if (!samples.isEmpty())
            return makeResult(53, samples);
        samples = readDenverLog(log);
        if (!samples.isEmpty())
            return makeResult(68, samples);
    }
    // Nextbase: the NMEA text the camera writes, else the fixes its software stored.
    if (haveNbmt && nbmt.payload().size() <= kMaxAtom) {
        AssistInfoList samples
            = readNmeaLog(src.readAt(nbmt.payloadBegin(), nbmt.payload().size()), -1);
        if (!samples.isEmpty())
            return makeResult(71, samples);
    }
    if (haveGdat)
        return makeResult(72,
            gdat.payload().size() <= kMaxAtom
                ? readGdat(src.readAt(gdat.payloadBegin(), gdat.payload().size()))
                : AssistInfoList());
    return {};
}
