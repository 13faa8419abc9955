#include "realcam_fixtures.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace mp4fx;

namespace rcfx {

namespace {

QByteArray le64d(double v)
{
    quint64 u;
    std::memcpy(&u, &v, 8);
    QByteArray b(8, '\0');
    qToLittleEndian(u, reinterpret_cast<uchar *>(b.data()));
    return b;
}

QByteArray le32s(qint32 v)
{
    return le32(quint32(v));
}

QByteArray u8(int v)
{
    return QByteArray(1, char(quint8(v)));
}

// ddmm.mmmm of |deg| as a number.
double ddmm(double deg)
{
    const double a = std::fabs(deg);
    const double d = std::floor(a);
    return d * 100.0 + (a - d) * 60.0;
}

QByteArray ddmmText(double deg, int degreeDigits)
{
    const double a = std::fabs(deg);
    int d = int(std::floor(a));
    double minutes = (a - d) * 60.0;
    if (std::lround(minutes * 100000) >= 6000000) {
        ++d;
        minutes = 0;
    }
    return QByteArray::number(d).rightJustified(degreeDigits, '0')
        + QByteArray::number(minutes, 'f', 5).rightJustified(8, '0');
}

QByteArray checksummed(const QByteArray &body)
{
    quint8 x = 0;
    for (char c : body)
        x ^= quint8(c);
    return body + '*' + QByteArray::number(x, 16).toUpper().rightJustified(2, '0');
}

// 2025-01-01 10:15:00 UTC.
constexpr qint64 kBaseUnix = 1735726500;

struct Civil
{
    int y, mo, d, h, mi, s;
};

Civil civil(const Fix &f)
{
    qint64 t = kBaseUnix + f.utcSecond;
    const qint64 days = t / 86400;
    const int secs = int(t % 86400);
    // 2025-01-01 is day 20089; the routes stay within January.
    return Civil{2025, 1, int(days - 20089 + 1), secs / 3600, secs / 60 % 60, secs % 60};
}

QByteArray two(int v)
{
    return QByteArray::number(v).rightJustified(2, '0');
}

QByteArray videoFrameBytes()
{
    return QByteArray(64, '\x11');
}

TrackPlan videoTrack(int samples)
{
    TrackPlan v;
    v.handler = "vide";
    v.sampleEntry = "mp4v";
    v.trackId = 1;
    v.timeScale = 1000;
    v.sampleDelta = 1000;
    for (int i = 0; i < samples; ++i)
        v.samples.append(videoFrameBytes());
    return v;
}

} // namespace

qint64 fixUnix(const Fix &f)
{
    return kBaseUnix + f.utcSecond;
}

QList<Fix> route(int n, double lat0, double lon0)
{
    QList<Fix> out;
    for (int i = 0; i < n; ++i) {
        Fix f;
        f.lat = lat0 + (lat0 < 0 ? -1 : 1) * 0.0001 * i;
        f.lon = lon0 + (lon0 < 0 ? -1 : 1) * 0.00015 * i;
        f.speedKmh = 36 + i;
        f.course = 45 + i;
        f.utcSecond = i;
        out.append(f);
    }
    return out;
}

// --- GPMF --------------------------------------------------------------------------------------

QByteArray be32s(qint32 v)
{
    return be32(quint32(v));
}

QByteArray be16s(qint16 v)
{
    return be16(quint16(v));
}

QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &data)
{
    QByteArray b(key, 4);
    b += char(type);
    b += char(quint8(structSize));
    b += be16(quint16(repeat));
    b += data;
    while (b.size() % 4)
        b += '\0';
    return b;
}

QByteArray nested(const char *key, const QByteArray &children)
{
    return klv(key, 0, 4, children.size() / 4, children);
}

namespace {

// One Karma stream: its record closes it (ExifTool scales only the last item of a stream).
QByteArray karmaStream(const char *key, const QByteArray &type, const QList<qint32> &scale,
    int rowSize, const QByteArray &rows)
{
    QByteArray scal;
    for (qint32 s : scale)
        scal += be32s(s);
    return nested("STRM",
        klv("TYPE", 'c', 1, type.size(), type) + klv("SCAL", 'l', 4, scale.size(), scal)
            + klv(key, '?', rowSize, rows.size() / rowSize, rows));
}

QByteArray karmaDevice(const GpmfPayload &p)
{
    QByteArray syst, glpi, gpri;
    for (const auto &pair : p.syst)
        syst += be64(quint64(pair.first)) + be64(quint64(pair.second));
    for (int k = 0; k < p.glpi.size(); ++k) {
        const Fix &f = p.glpi[k];
        const double ms = f.speedKmh / 3.6, rad = f.course * M_PI / 180.0;
        glpi += be32(quint32(p.systemMs + k * p.systemStepMs))
            + be32s(f.valid ? qint32(std::lround(f.lat * 1e7)) : 0)
            + be32s(f.valid ? qint32(std::lround(f.lon * 1e7)) : 0) + be32s(123000) + be32s(1500)
            + be16s(qint16(std::lround(ms * std::cos(rad) * 100)))
            + be16s(qint16(std::lround(ms * std::sin(rad) * 100))) + be16s(-20)
            + be16(quint16(std::lround(f.course * 100)));
    }
    for (int k = 0; k < p.gpri.size(); ++k) {
        const Fix &f = p.gpri[k];
        gpri += be64(quint64(p.systemMs + k * p.systemStepMs) * 1000)
            + be32s(f.valid ? qint32(std::lround(f.lat * 1e7)) : 0)
            + be32s(f.valid ? qint32(std::lround(f.lon * 1e7)) : 0) + be32s(123000) + be16(150)
            + be16(250) + be16(quint16(std::lround(f.speedKmh / 3.6 * 100)))
            + be16(quint16(std::lround(f.course * 100))) + u8(3) + u8(9);
    }
    QByteArray devc = klv("DVID", 'L', 4, 1, be32(2)) + klv("DVNM", 'c', 1, 16, "GoPro Karma v1.0");
    if (!syst.isEmpty())
        devc += karmaStream("SYST", "JJ", {1000000, 1000}, 16, syst);
    if (!glpi.isEmpty())
        devc += karmaStream("GLPI", "LllllsssS",
            {1000, 10000000, 10000000, 1000, 1000, 100, 100, 100, 100}, 28, glpi);
    if (!gpri.isEmpty())
        devc += karmaStream("GPRI", "JlllSSSSBB",
            {1000000, 10000000, 10000000, 1000, 100, 100, 100, 100, 1, 1}, 30, gpri);
    return nested("DEVC", devc);
}

} // namespace

QByteArray gpmfPayload(const GpmfPayload &p)
{
    QByteArray gps;
    gps += klv("STNM", 'c', 1, 7, "GPS (5)");
    if (p.fix >= 0)
        gps += klv("GPSF", 'L', 4, 1, be32(quint32(p.fix)));
    gps += klv("GPSU", 'U', 16, 1, p.gpsu);
    gps += klv("GPSP", 'S', 2, 1, be16(150));
    QByteArray points;
    if (p.gps9) {
        gps += klv("TYPE", 'c', 1, 9, "lllllllSS");
        QByteArray scal;
        for (qint32 s : {10000000, 10000000, 1000, 1000, 100, 1, 1000, 100, 1})
            scal += be32s(s);
        gps += klv("SCAL", 'l', 4, 9, scal);
        for (const Fix &f : p.gps) {
            points += be32s(qint32(std::lround(f.lat * 1e7)))
                + be32s(qint32(std::lround(f.lon * 1e7))) + be32s(123000)
                + be32s(qint32(std::lround(f.speedKmh / 3.6 * 1000)))
                + be32s(qint32(std::lround(f.speedKmh / 3.6 * 100)))
                + be32s(qint32(fixUnix(p.gps[0]) / 86400 - 10957)) // days since 2000
                + be32s(qint32(
                    fixUnix(p.gps[0]) % 86400 * 1000 + points.size() / 32 * p.gps9StepMs))
                + be16(150)
                + be16(f.valid ? 3 : 0);
        }
        gps += klv("GPS9", '?', 32, p.gps.size(), points);
    } else {
        gps += klv("UNIT", 'c', 3, 5, QByteArray("degdegm\0\0m/sm/s", 15));
        QByteArray scal;
        for (qint32 s : {10000000, 10000000, 1000, 1000, 100})
            scal += be32s(s);
        gps += klv("SCAL", 'l', 4, 5, scal);
        for (const Fix &f : p.gps) {
            points += be32s(qint32(std::lround(f.lat * 1e7)))
                + be32s(qint32(std::lround(f.lon * 1e7))) + be32s(123000)
                + be32s(qint32(std::lround(f.speedKmh / 3.6 * 1000)))
                + be32s(qint32(std::lround(f.speedKmh / 3.6 * 100)));
        }
        if (!p.gps.isEmpty())
            gps += klv("GPS5", 'l', 20, p.gps.size(), points);
    }
    QByteArray devc = klv("DVID", 'L', 4, 1, be32(1)) + klv("DVNM", 'c', 1, 6, "Camera");
    if (!p.accl.isEmpty()) {
        QByteArray raw;
        for (qint16 v : p.accl)
            raw += be16s(v);
        const QByteArray orin = p.orin.isEmpty() ? QByteArray() : klv("ORIN", 'c', 1, 3, p.orin);
        const QByteArray accl = orin + klv("STNM", 'c', 1, 13, "Accelerometer")
            + klv("SIUN", 'c', 4, 1, "m/s\xb2") + klv("SCAL", 's', 2, 1, be16s(qint16(p.acclScale)))
            + klv("ACCL", 's', 6, p.accl.size() / 3, raw);
        devc += nested("STRM", accl);
    }
    if (!p.gps.isEmpty() || p.fix >= 0)
        devc += nested("STRM", gps);
    if (p.glpi.isEmpty() && p.gpri.isEmpty() && p.syst.isEmpty())
        return nested("DEVC", devc);
    return nested("DEVC", devc) + karmaDevice(p);
}

QByteArray gpmfFile(const QList<GpmfPayload> &payloads, quint32 timeScale)
{
    TrackPlan meta;
    meta.handler = "meta";
    meta.sampleEntry = "gpmd";
    meta.trackId = 2;
    meta.timeScale = timeScale;
    meta.sampleDelta = timeScale;
    for (const GpmfPayload &p : payloads)
        meta.samples.append(gpmfPayload(p));
    FilePlan plan;
    plan.tracks = {videoTrack(payloads.size()), meta};
    return buildMp4(plan);
}

// --- text tracks -------------------------------------------------------------------------------

QByteArray rmc(const Fix &f, const char *talker, bool dollar)
{
    const Civil c = civil(f);
    QByteArray body = QByteArray(talker) + "RMC," + two(c.h) + two(c.mi) + two(c.s) + ".00,"
        + (f.valid ? "A," : "V,");
    if (f.valid) {
        body += ddmmText(f.lat, 2) + (f.lat < 0 ? ",S," : ",N,") + ddmmText(f.lon, 3)
            + (f.lon < 0 ? ",W," : ",E,") + QByteArray::number(f.speedKmh / 1.852, 'f', 3) + ','
            + QByteArray::number(f.course, 'f', 1) + ',';
    } else {
        body += ",,,,,,";
    }
    body += two(c.d) + two(c.mo) + two(c.y % 100) + ",,,A";
    return (dollar ? "$" : "") + checksummed(body);
}

QByteArray gga(const Fix &f)
{
    const Civil c = civil(f);
    return "$"
        + checksummed("GPGGA," + two(c.h) + two(c.mi) + two(c.s) + ".00," + ddmmText(f.lat, 2)
            + (f.lat < 0 ? ",S," : ",N,") + ddmmText(f.lon, 3) + (f.lon < 0 ? ",W," : ",E,")
            + (f.valid ? "1" : "0") + ",08,0.9,545.4,M,46.9,M,,");
}

QByteArray nextbaseCue(const Fix &f, qint32 y, qint32 x, qint32 z)
{
    const Civil c = civil(f);
    QByteArray t = QByteArray(4, '\0') + QByteArray::number(c.y) + '/' + two(c.mo) + '/' + two(c.d)
        + ' ' + two(c.h) + ':' + two(c.mi);
    t += le32s(y) + le32s(x) + le32s(z);
    QByteArray r = rmc(f), g = gga(f);
    r.append(QByteArray(128 - r.size(), '\0'));
    g.append(QByteArray(128 - g.size(), '\0'));
    return t + r + g;
}

QByteArray mini0806Cue(const Fix &f, double ax, double ay, double az)
{
    const Civil c = civil(f);
    auto signedText = [](double v) {
        return (v < 0 ? "-" : "+")
            + QByteArray::number(std::fabs(v), 'f', 2).rightJustified(5, '0');
    };
    return QByteArray(f.valid ? "A," : "V,") + two(c.d) + two(c.mo) + two(c.y % 100) + ','
        + two(c.h) + two(c.mi) + two(c.s) + ".000," + ddmmText(f.lat, 2).left(9)
        + (f.lat < 0 ? ",S," : ",N,") + ddmmText(f.lon, 3).left(10) + (f.lon < 0 ? ",W," : ",E,")
        + QByteArray::number(f.speedKmh, 'f', 1).rightJustified(5, '0') + ",331.0M,"
        + signedText(ax) + ',' + signedText(ay) + ',' + signedText(az) + ";\n";
}

QByteArray roadhawkCue(const Fix &f, double gx, double gy, double gz)
{
    static const QByteArray kTable("-I8XQWRVNZOYPUTA0B1C2SJ9K.L,M$D3E4F5G6H7");
    QByteArray sentence = rmc(f);
    const int star = sentence.lastIndexOf('*');
    const QByteArray checksum = sentence.mid(star);
    sentence.truncate(star);
    const QByteArray plain = 'X' + QByteArray::number(gx, 'f', 4) + 'Y'
        + QByteArray::number(gy, 'f', 4) + 'Z' + QByteArray::number(gz, 'f', 4) + "G0001.0400"
        + sentence;
    QByteArray veiled;
    for (char c : plain)
        veiled += char(kTable.indexOf(c) + 43);
    return veiled + checksum + '~';
}

QByteArray epranceCue(const Fix &f, int x, int y, int z, int shift)
{
    const QByteArray plain = QByteArray::number(x) + '\t' + QByteArray::number(y) + '\t'
        + QByteArray::number(z) + rmc(f);
    QByteArray veiled;
    for (char c : plain)
        veiled += char(uchar(c) - shift);
    return '\0' + veiled + '\n';
}

QByteArray textTrackFile(
    const QList<QByteArray> &cues, const QByteArray &handler, const QByteArray &entry)
{
    TrackPlan t;
    t.handler = handler;
    t.sampleEntry = entry;
    t.trackId = 2;
    t.timeScale = 1000;
    t.sampleDelta = 1000;
    for (const QByteArray &c : cues)
        t.samples.append(textSample(c));
    FilePlan plan;
    plan.tracks = {videoTrack(cues.size()), t};
    return buildMp4(plan);
}

// --- binary tracks -----------------------------------------------------------------------------

QByteArray ssmdRecord(const Fix &f)
{
    const Civil c = civil(f);
    if (!f.valid) {
        return le64d(4294967295.0) + le64d(4294967295.0) + le32s(-1) + le16(0xFFFF) + le16(0x067E)
            + u8(c.d) + u8(c.h) + u8(c.mi) + u8(c.s) + QByteArray("\xff\x00\xff\xff", 4) + le32(1)
            + le32(0);
    }
    return le64d(f.lat) + le64d(f.lon) + le32s(120) + le16(quint16(std::lround(f.speedKmh)))
        + le16(0x077E) + u8(c.d) + u8(c.h) + u8(c.mi) + u8(c.s) + u8(int(f.course / 2))
        + QByteArray("\x01\x01\x00", 3) + le32(1) + le32(0);
}

QByteArray roveRecord(const Fix &f)
{
    const Civil c = civil(f);
    const double lat = f.valid ? (f.lat < 0 ? -ddmm(f.lat) : ddmm(f.lat)) : 4294967295.0;
    const double lon = f.valid ? (f.lon < 0 ? -ddmm(f.lon) : ddmm(f.lon)) : 4294967295.0;
    return le64d(lat) + le64d(lon) + le32(0) + le16(quint16(std::lround(f.speedKmh / 1.852)))
        + u8(c.y - 2000) + u8(c.mo) + u8(c.d) + u8(c.h) + u8(c.mi) + u8(c.s) + le16(0)
        + QByteArray(2, '\0');
}

QByteArray tvxtRecord(const Fix &f, float ax, float ay, float az)
{
    QByteArray r(0x28, '\0');
    r += leFloat(ax) + leFloat(ay) + leFloat(az);
    if (!f.valid)
        return r + QByteArray(4, '\0') + leFloat(0) + leFloat(0) + leFloat(0)
            + le32(quint32(fixUnix(f)));
    r += u8(f.lat >= 0 ? 1 : 0) + u8(f.lon >= 0 ? 1 : 0) + le16(120);
    r += leFloat(float(f.speedKmh)) + leFloat(float(ddmm(f.lat))) + leFloat(float(ddmm(f.lon)));
    return r + le32(quint32(fixUnix(f)));
}

QByteArray rvmiGps(const Fix &f)
{
    const qint32 lon = f.valid ? qint32(std::lround(f.lon * 1e6)) : 0;
    const qint32 lat = f.valid ? qint32(std::lround(f.lat * 1e6)) : 0;
    return QByteArray("gReV") + le32s(lon) + le32s(lat) + le32(0)
        + le16(quint16(qint16(std::lround(f.speedKmh * 10)))) + le16(quint16(f.course / 2))
        + '\x0c';
}

QByteArray rvmiAccel(qint16 x, qint16 y, qint16 z)
{
    return QByteArray("sReV") + le16(quint16(x)) + le16(quint16(y)) + le16(quint16(z)) + '\x0c';
}

QByteArray cammGps(const Fix &f)
{
    const double v = f.speedKmh / 3.6; // split into east and north along the course
    const double c = f.course * M_PI / 180.0;
    return le16(0) + le16(6) + le64d(double(fixUnix(f))) + le32(f.valid ? 3 : 0) + le64d(f.lat)
        + le64d(f.lon) + leFloat(100.0f) + leFloat(3.0f) + leFloat(4.0f)
        + leFloat(float(v * std::sin(c))) + leFloat(float(v * std::cos(c))) + leFloat(0.0f)
        + leFloat(0.5f);
}

QByteArray cammAccel(float x, float y, float z)
{
    return le16(0) + le16(3) + leFloat(x) + leFloat(y) + leFloat(z);
}

QByteArray fmasRecord(const Fix &f, float gx, float gy, float gz)
{
    const Civil c = civil(f);
    QByteArray r
        = QByteArray("FMAS\0\0\0\0", 8) + QByteArray(72, '\0') + "SAMM" + QByteArray(12, '\0');
    r += le16(quint16(c.y)) + u8(c.mo) + u8(c.d) + u8(c.h) + u8(c.mi) + u8(c.s)
        + QByteArray(5, '\0');
    r += leFloat(gx) + leFloat(gy) + leFloat(gz);
    auto dms = [](double deg) {
        const double a = std::fabs(deg);
        const int d = int(a), m = int((a - d) * 60);
        const int s100 = int(std::lround(((a - d) * 60 - m) * 6000));
        return u8(d) + u8(m) + le16(quint16(s100));
    };
    r += QByteArray(f.valid ? "A" : "V") + (f.lon < 0 ? "W" : "E") + (f.lat < 0 ? "S" : "N");
    r += dms(f.lon).left(2) + '\0' + dms(f.lon).mid(2) + dms(f.lat);
    r += le16(quint16(std::lround(f.speedKmh))) + le16(quint16(f.course));
    return r + QByteArray(160 - r.size(), '\0');
}

QByteArray xorTextRecord(const Fix &f)
{
    const Civil c = civil(f);
    auto minutes = [](double deg, int degreeDigits) {
        const double a = std::fabs(deg);
        const int d = int(a);
        return QByteArray::number(d).rightJustified(degreeDigits, '0')
            + QByteArray::number(qint64(std::lround((a - d) * 600000))).rightJustified(6, '0');
    };
    QByteArray plain(282, ' ');
    plain.replace(
        8, 14, QByteArray::number(c.y) + two(c.mo) + two(c.d) + two(c.h) + two(c.mi) + two(c.s));
    plain.replace(38, 9, (f.lat < 0 ? "S" : "N") + minutes(f.lat, 2));
    plain.replace(47, 10, (f.lon < 0 ? "W" : "E") + minutes(f.lon, 3));
    plain.replace(0x39, 5, "+0045");
    plain.replace(0x3E, 3, QByteArray::number(qRound(f.speedKmh)).rightJustified(3, '0'));
    QByteArray r = plain;
    for (char &ch : r)
        ch = char(ch ^ 0xAA);
    r.replace(0, 8, QByteArray("\x00\x00\xF2\xE1\xF0\xEE\x54\x54", 8));
    return r;
}

QByteArray pndmRecord(const Fix &f)
{
    const double unit = 2147483648.0 / 180.0;
    return QByteArray(4, '\0') + "PNDM" + QByteArray(4, '\0')
        + be16(quint16(std::lround(f.speedKmh / 1.60934))) + be16(0)
        + be32(quint32(qint32(std::lround(f.lat * unit))))
        + be32(quint32(qint32(std::lround(f.lon * unit))));
}

QByteArray dataTrackFile(const QByteArray &handler, const QByteArray &entry,
    const QList<QByteArray> &samples, quint32 deltaMs, const QList<TrackPlan> &more)
{
    TrackPlan t;
    t.handler = handler;
    t.sampleEntry = entry;
    t.trackId = 2;
    t.timeScale = 90000;
    t.sampleDelta = deltaMs * 90;
    t.samples = samples;
    FilePlan plan;
    plan.tracks = {videoTrack(4)};
    plan.tracks += more;
    plan.tracks.append(t);
    return buildMp4(plan);
}

// --- atoms and trailer -------------------------------------------------------------------------

QByteArray gps0Record(const Fix &f)
{
    if (!f.valid)
        return QByteArray(32, '\0');
    const Civil c = civil(f);
    return le64d(f.lat < 0 ? -ddmm(f.lat) : ddmm(f.lat))
        + le64d(f.lon < 0 ? -ddmm(f.lon) : ddmm(f.lon)) + le32s(88)
        + le16(quint16(std::lround(f.speedKmh))) + u8(c.y - 2000) + u8(c.mo) + u8(c.d) + u8(c.h)
        + u8(c.mi) + u8(c.s) + u8(int(f.course / 2)) + QByteArray(3, '\0');
}

QByteArray gps0File(const QList<Fix> &fixes, const QByteArray &gsen)
{
    QByteArray records;
    for (const Fix &f : fixes)
        records += gps0Record(f);
    FilePlan plan;
    plan.tracks = {videoTrack(fixes.size())};
    plan.topBefore = {box("gps0", records)};
    if (!gsen.isEmpty())
        plan.topBefore.append(box("gsen", gsen));
    return buildMp4(plan);
}

QByteArray gps70maiRecord(const Fix &f, quint32 seconds)
{
    return le32(1) + le32(f.valid ? 1 : 0) + le32(seconds)
        + le32(quint32(std::lround(f.speedKmh * 1000))) + (f.lat < 0 ? "S" : "N")
        + le32(quint32(std::lround(ddmm(f.lat) * 1000))) + (f.lon < 0 ? "W" : "E")
        + le32(quint32(std::lround(ddmm(f.lon) * 1000))) + QByteArray(10, '\0');
}

QByteArray gps70maiFile(const QList<Fix> &fixes)
{
    QByteArray records;
    for (int i = 0; i < fixes.size(); ++i)
        records += gps70maiRecord(fixes[i], quint32(i));
    FilePlan plan;
    plan.tracks = {videoTrack(fixes.size())};
    plan.topBefore = {box("GPS ", records + QByteArray(36, '\0'))};
    return buildMp4(plan);
}

QByteArray blackvueFreeFile(
    const QList<Fix> &fixes, qint64 logStartMs, qint64 sttmMs, const QList<QVector<qint16>> &rows)
{
    QByteArray log = blackvueGps(fixes, logStartMs);
    log.append(QByteArray(64 - log.size() % 64, '\0'));
    QByteArray g = blackvue3gf(rows, 100);
    FilePlan plan;
    plan.tracks = {videoTrack(fixes.size())};
    plan.topBefore
        = {box("free", box("sttm", be64(quint64(sttmMs))) + box("gps ", log) + box("3gf ", g))};
    return buildMp4(plan);
}

QByteArray udatFile(const QList<Fix> &fixes)
{
    FilePlan plan;
    plan.tracks = {videoTrack(fixes.size())};
    plan.topBefore = {box("udat", nmeaSidecar(fixes, false) + QByteArray(16, '\0'))};
    return buildMp4(plan);
}

QByteArray garminUuidFile(const QList<Fix> &fixes)
{
    QByteArray payload("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16);
    payload += QByteArray(17, '\x01');
    const double unit = 2147483648.0 / 180.0;
    for (const Fix &f : fixes) {
        const qint32 lat = f.valid ? qint32(std::lround(f.lat * unit)) : INT32_MIN;
        const qint32 lon = f.valid ? qint32(std::lround(f.lon * unit)) : INT32_MIN;
        payload += be32(quint32(fixUnix(f) + 2082844800LL))
            + be16(quint16(std::lround(f.speedKmh / 1.60934))) + QByteArray(6, '\0')
            + be32(quint32(lat)) + be32(quint32(lon));
    }
    FilePlan plan;
    plan.tracks = {videoTrack(fixes.size())};
    plan.moovExtra = {box("uuid", payload)};
    return buildMp4(plan);
}

QByteArray ligoText(const Fix &f, double gx, double gy, double gz)
{
    const Civil c = civil(f);
    QByteArray t = QByteArray::number(c.y) + '/' + two(c.mo) + '/' + two(c.d) + ' ' + two(c.h) + ':'
        + two(c.mi) + ':' + two(c.s) + ' ';
    if (f.valid) {
        t += QByteArray(f.lat < 0 ? "S:" : "N:") + QByteArray::number(std::fabs(f.lat), 'f', 6)
            + ' ' + (f.lon < 0 ? "W:" : "E:")
            + QByteArray::number(std::fabs(f.lon), 'f', 6).rightJustified(10, '0') + ' ';
    } else {
        t += "?:0.000000 ?:000.000000 ";
    }
    t += QByteArray::number(f.speedKmh, 'f', 0) + " km/h x:" + QByteArray::number(gx, 'f', 2)
        + " y:" + QByteArray::number(gy, 'f', 2) + " z:" + QByteArray::number(gz, 'f', 2)
        + " A:" + QByteArray::number(f.course, 'f', 0) + " H:45 M:3";
    return t;
}

QByteArray ligoEncrypt(const QByteArray &plain)
{
    QByteArray padded = plain;
    while (padded.size() % 4)
        padded += ' ';
    QByteArray out;
    for (int i = 0; i < padded.size(); i += 4) {
        const QByteArray g = padded.mid(i, 4);
        const int space = g.indexOf(' ');
        if (space < 0) {
            out += char(0xC0);
            for (char c : g)
                out += char(c ^ 0x20);
            continue;
        }
        static const uchar kControl[4] = {0x40, 0x60, 0x80, 0xA0};
        out += char(kControl[space]);
        for (int k = 0; k < 4; ++k) {
            if (k != space)
                out += char(g[k] ^ 0x20);
        }
    }
    return out;
}

QByteArray ligoSample(const Fix &f, bool encrypted, int counter)
{
    QByteArray text = ligoText(f, 0.02, -0.03, 0.99);
    if (encrypted) {
        // The encrypted form carries knots.
        const int at = text.indexOf(" km/h");
        const int from = text.lastIndexOf(' ', at - 1) + 1;
        text.replace(from, at - from, QByteArray::number(f.speedKmh / 1.852, 'f', 4));
    }
    const QByteArray record = be32(quint32(counter)) + text;
    const QByteArray body = encrypted
        ? "####" + le32(quint32(ligoEncrypt(record).size())) + ligoEncrypt(record)
        : record + QByteArray(0x84 - record.size(), '\0');
    const QByteArray dir = QByteArray("LIGOGPSINFO") + '\0' + be32(5) + be32(0);
    return QByteArray(30, '\x07') + be32(quint32(8 + dir.size() + body.size())) + "SKIP" + dir
        + body;
}

QByteArray hashTrailerFile(const QList<QByteArray> &texts)
{
    FilePlan plan;
    plan.tracks = {videoTrack(texts.size())};
    const QByteArray video = buildMp4(plan);

    // The encrypted copy the camera writes first; nothing reads it.
    QByteArray enc
        = QByteArray("LIGOGPSINFO") + QByteArray("\x00\x00\x00\x00\x05", 5) + QByteArray(4, '\0');
    for (int i = 0; i < texts.size(); ++i)
        enc += "####" + le32(16) + QByteArray(16, '\x5c');
    const QByteArray encBox = be32(quint32(enc.size() + 8)) + "SKIP" + enc;

    QByteArray slotBytes;
    for (int i = 0; i < texts.size(); ++i) {
        QByteArray slot = be32(quint32(i + 1)) + texts[i];
        slot.append(QByteArray(0x84 - slot.size(), '\0'));
        slotBytes += slot;
    }
    const QByteArray plainPayload
        = QByteArray("LIGOGPSINFO") + "     " + be32(quint32(texts.size())) + slotBytes;
    const quint32 ptSize = quint32(plainPayload.size() + 8);
    const QByteArray plainBox = be32(ptSize) + "SKIP" + plainPayload;
    return video + QByteArray(32, '\0') + encBox + "****" + be32(quint32(encBox.size())) + plainBox
        + "####" + be32(ptSize);
}

QPair<double, double> ligoFuzz(double lat, double lon)
{
    const double a = std::fabs(lat), o = std::fabs(lon);
    const double aTens = std::trunc(a / 10) * 10, oTens = std::trunc(o / 10) * 10;
    const double scale = 1.524855137; // ExifTool's LigoGPSScale 1
    return {std::copysign(aTens + (o - oTens) / scale, lat),
        std::copysign(oTens + (a - aTens) / scale, lon)};
}

QByteArray ligoSlots(const QList<Fix> &fixes, bool fuzzed)
{
    QByteArray slotBytes;
    for (int i = 0; i < fixes.size(); ++i) {
        Fix f = fixes[i];
        if (fuzzed) {
            const QPair<double, double> stored = ligoFuzz(f.lat, f.lon);
            f.lat = stored.first;
            f.lon = stored.second;
        }
        QByteArray text = ligoText(f, 0.02, -0.03, 0.99);
        text.truncate(text.indexOf(" H:")); // a slot holds 124 cipher bytes
        const int at = text.indexOf(" km/h");
        const int from = text.lastIndexOf(' ', at - 1) + 1;
        const double knotsToKmh = fuzzed ? 1.85407333 : 1.852;
        text.replace(from, at - from, QByteArray::number(f.speedKmh / knotsToKmh, 'f', 4));
        const QByteArray cipher = ligoEncrypt(le32(quint32(i + 1)) + text);
        slotBytes += ("####" + le32(quint32(cipher.size())) + cipher).leftJustified(0x84, '\0', true);
    }
    return slotBytes;
}

QByteArray ligoTrailerFile(const QList<Fix> &fixes, bool fuzzed)
{
    FilePlan plan;
    plan.tracks = {videoTrack(fixes.size())};
    const QByteArray payload = QByteArray("LIGOGPSINFO\0", 12) + be32(fuzzed ? 5 : 1)
        + le32(quint32(fixes.size())) + ligoSlots(fixes, fuzzed);
    const quint32 length = quint32(8 + payload.size() + 8);
    return buildMp4(plan) + be32(length) + "skip" + payload + "&&&&" + be32(length);
}

// --- sidecars ----------------------------------------------------------------------------------

QByteArray blackvueGps(const QList<Fix> &fixes, qint64 startMs)
{
    QByteArray out;
    for (const Fix &f : fixes) {
        const QByteArray prefix = '[' + QByteArray::number(startMs + f.utcSecond * 1000LL) + ']';
        out += prefix + rmc(f) + "\r\n";
        if (f.valid)
            out += prefix + gga(f) + "\r\n";
    }
    return out;
}

QByteArray blackvue3gf(const QList<QVector<qint16>> &rows, int stepMs)
{
    QByteArray out;
    for (int i = 0; i < rows.size(); ++i)
        out += be32(quint32(i * stepMs)) + be16s(rows[i][0]) + be16s(rows[i][1])
            + be16s(rows[i][2]);
    return out + QByteArray(40, '\xff');
}

QByteArray nmeaSidecar(const QList<Fix> &fixes, bool gsensor)
{
    QByteArray out;
    for (int i = 0; i < fixes.size(); ++i) {
        out += rmc(fixes[i]) + "\r\n";
        if (fixes[i].valid)
            out += gga(fixes[i]) + "\r\n";
        if (gsensor)
            out += "$GSENSOR," + QByteArray::number(10 * i) + ",-" + QByteArray::number(5 * i)
                + ",1024\r\n";
    }
    return out;
}

QByteArray escortMap(const QList<Fix> &fixes)
{
    QByteArray out;
    for (const Fix &f : fixes) {
        const Civil c = civil(f);
        out += QByteArray(f.valid ? "A," : "V,") + two(c.d) + two(c.mo) + two(c.y % 100) + ','
            + two(c.h) + two(c.mi) + two(c.s) + ',' + ddmmText(f.lat, 2).left(9)
            + (f.lat < 0 ? ",S," : ",N,") + ddmmText(f.lon, 3).left(10)
            + (f.lon < 0 ? ",W," : ",E,") + QByteArray::number(f.speedKmh, 'f', 0)
            + ",12,-40,1010;\r\n";
    }
    return out;
}

QByteArray seventyMaiLog(const QList<Fix> &fixes, const QByteArray &video, qint64 unixStart)
{
    QByteArray out = "$V02\n";
    // A row of another clip first: the reader must pick the rows of its own video.
    out += QByteArray::number(unixStart - 28800 - 5) + ",A,1.000000,2.000000,0,0,0,0,100,"
        + "NO20250101-101455-000001F.MP4,0,0,0\n";
    for (const Fix &f : fixes) {
        out += QByteArray::number(unixStart + f.utcSecond - 28800) + (f.valid ? ",A," : ",V,")
            + QByteArray::number(f.lat, 'f', 6) + ',' + QByteArray::number(f.lon, 'f', 6) + ','
            + QByteArray::number(qRound(f.course * 100)) + ','
            + QByteArray::number(qRound(f.speedKmh / 3.6 * 100)) + ",5,-3,98," + video + ",0,0,0\n";
    }
    return out;
}

} // namespace rcfx
