#include "freegps_fixtures.h"

#include "geo.h"
#include "mp4_fixtures.h"

#include <QFile>
#include <QHash>
#include <QPair>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace fgfx {

using mp4fx::be16;
using mp4fx::be32;
using mp4fx::box;
using mp4fx::fullBox;

namespace {

constexpr double kKnots = 1.852;

// Writes little-endian values into a block at B+offset.
struct Writer
{
    QByteArray b;
    explicit Writer(int size) : b(size, '\0') {}
    void u32(int pos, quint32 v) { qToLittleEndian(v, b.data() + pos); }
    void i32(int pos, qint32 v) { qToLittleEndian(v, b.data() + pos); }
    void u16(int pos, quint16 v) { qToLittleEndian(v, b.data() + pos); }
    void f32(int pos, double v)
    {
        const float f = float(v);
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        u32(pos, bits);
    }
    void f64(int pos, double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        qToLittleEndian(bits, b.data() + pos);
    }
    void text(int pos, const QByteArray &t) { std::memcpy(b.data() + pos, t.constData(), size_t(t.size())); }
    void be16at(int pos, quint16 v) { qToBigEndian(v, b.data() + pos); }
    void be32at(int pos, quint32 v) { qToBigEndian(v, b.data() + pos); }
};

char ns(const Fix &f) { return f.lat < 0 ? 'S' : 'N'; }
char ew(const Fix &f) { return f.lon < 0 ? 'W' : 'E'; }
QByteArray two(int v) { return QByteArray::number(v).rightJustified(2, '0'); }
QByteArray digitsOf(qint64 v, int n) { return QByteArray::number(v).rightJustified(n, '0'); }
QByteArray stamp14(const Fix &f)
{
    return digitsOf(f.year, 4) + two(f.month) + two(f.day) + two(f.hour) + two(f.minute) + two(f.second);
}
QByteArray signed3(double v)
{
    const int n = int(std::lround(v));
    return QByteArray(n < 0 ? "-" : "+") + digitsOf(std::abs(n), 3);
}

void header(Writer &w, quint32 payloadLength)
{
    w.be32at(0, quint32(w.b.size()));
    w.text(4, "freeGPS ");
    w.u32(12, payloadLength);
}

// h, m, s then y-2000, month, day as u32 from pos.
void clock6(Writer &w, int pos, const Fix &f, int yearBias = 2000)
{
    w.u32(pos, quint32(f.hour));
    w.u32(pos + 4, quint32(f.minute));
    w.u32(pos + 8, quint32(f.second));
    w.u32(pos + 12, quint32(f.year - yearBias));
    w.u32(pos + 16, quint32(f.month));
    w.u32(pos + 20, quint32(f.day));
}

QByteArray atcRecord(const Fix &f, quint8 k1, quint8 k2)
{
    Writer r(52);
    r.b[0x0D] = char(f.hour - 1);
    r.b[0x0E] = char(f.minute);
    r.b[0x0F] = char(f.second);
    r.i32(0x10, qint32(std::lround(f.lat * 1e7)));
    r.text(0x15, "ATC");
    r.i32(0x18, qint32(std::lround(f.lon * 1e7)));
    r.text(0x1D, "001");
    r.i32(0x20, qint32(std::lround(f.speedKmh / 3.6 * 100)));
    const double heading = f.course > 180 ? f.course - 360 : f.course;
    r.u16(0x24, quint16(qint16(std::lround(heading * 100))));
    r.i32(0x28, 123456);
    r.u16(0x2C, quint16(f.year));
    r.b[0x2E] = char(f.month);
    r.b[0x2F] = char(f.day);
    for (int i = 0; i <= 0x14; ++i)
        r.b[i] = char(r.b.at(i) ^ k1);
    for (int i = 0x18; i <= 0x1B; ++i)
        r.b[i] = char(r.b.at(i) ^ k1);
    r.b[0x1C] = char(r.b.at(0x1C) ^ k2);
    for (int i = 0x20; i <= 0x32; ++i)
        r.b[i] = char(r.b.at(i) ^ k2);
    return r.b;
}

QByteArray nmeaWithChecksum(const QByteArray &body)
{
    quint8 sum = 0;
    for (char c : body)
        sum ^= quint8(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

} // namespace

double ddmm(double degrees)
{
    const double a = std::fabs(degrees);
    const double d = std::floor(a);
    return d * 100 + (a - d) * 60;
}

QList<Fix> drive(int count, double lat, double lon)
{
    QList<Fix> out;
    for (int i = 0; i < count; ++i) {
        Fix f;
        f.lat = lat + i * 0.00021;
        f.lon = lon - i * 0.00013;
        f.speedKmh = 40.3 + (i % 7) * 2.9; // never at a half km/h, where rounding could go either way
        f.course = 30.25 + i * 1.5;
        const int t = 10 * 3600 + 20 * 60 + 7 + i;
        f.hour = t / 3600;
        f.minute = t / 60 % 60;
        f.second = t % 60;
        f.gx = 0.11 + i * 0.01;
        f.gy = -0.21;
        f.gz = 0.97;
        out.append(f);
    }
    return out;
}

qint64 utcMsOf(const Fix &f)
{
    return geo::utcMs(f.year, f.month, f.day, f.hour, f.minute, f.second) + f.tenths * 100;
}

QByteArray rmcSentence(const Fix &f, const QByteArray &talker)
{
    const QByteArray lat = QByteArray::number(ddmm(f.lat), 'f', 4).rightJustified(9, '0');
    const QByteArray lon = QByteArray::number(ddmm(f.lon), 'f', 4).rightJustified(10, '0');
    QByteArray body = talker + "RMC," + two(f.hour) + two(f.minute) + two(f.second) + ".00,"
        + (f.valid ? "A" : "V") + ",";
    if (f.valid)
        body += lat + "," + ns(f) + "," + lon + "," + ew(f) + ","
            + QByteArray::number(f.speedKmh / kKnots, 'f', 3) + ","
            + QByteArray::number(f.course, 'f', 2) + ",";
    else
        body += ",,,,,,";
    body += two(f.day) + two(f.month) + two(f.year % 100) + ",,,A";
    return nmeaWithChecksum(body);
}

QByteArray block(Variant v, const QList<Fix> &records, int blockSize)
{
    Writer w(blockSize);
    const Fix f = records.value(0);
    const char st = f.valid ? 'A' : 'V';
    const char la = f.valid ? ns(f) : '0', lo = f.valid ? ew(f) : '0';
    header(w, 0x4C);
    switch (v) {
    case Variant::Type3:
        clock6(w, 48, f);
        w.b[72] = st;
        w.b[73] = f.valid ? la : 0;
        w.b[74] = f.valid ? lo : 0;
        if (f.valid) {
            w.f32(76, ddmm(f.lat));
            w.f32(80, ddmm(f.lon));
            w.f32(84, f.speedKmh / kKnots);
            w.f32(88, f.course);
        }
        break;
    case Variant::Shifted:
        w.u32(16, quint32(f.hour));
        w.u32(20, quint32(f.minute));
        w.u32(24, quint32(f.second));
        w.u32(28, quint32(f.cameraClock ? f.year : f.year - 2000));
        w.u32(32, quint32(f.month));
        w.u32(36, quint32(f.day));
        w.b[40] = st;
        w.b[41] = la;
        w.b[42] = lo;
        if (f.valid) {
            w.f32(0x2C, ddmm(f.lat));
            w.f32(0x30, ddmm(f.lon));
            w.f32(0x34, f.speedKmh / kKnots);
            w.f32(0x38, f.course);
        }
        w.i32(60, qint32(std::lround(f.gx * 256)));
        w.i32(64, qint32(std::lround(f.gy * 256)));
        w.i32(68, qint32(std::lround(f.gz * 256)));
        break;
    case Variant::NmeaText:
        w.text(52, stamp14(f));
        w.i32(68, qint32(std::lround(f.gx * 256)));
        w.i32(72, qint32(std::lround(f.gy * 256)));
        w.i32(76, qint32(std::lround(f.gz * 256)));
        w.text(0x80, rmcSentence(f));
        break;
    case Variant::VantrueN4:
        w.u32(16, quint32(f.hour));
        w.u32(20, quint32(f.minute));
        w.u32(24, quint32(f.second));
        w.u32(28, quint32(st));
        w.u32(40, quint32(f.valid ? la : 0));
        w.u32(56, quint32(f.valid ? lo : 0));
        if (f.valid) {
            w.f64(32, ddmm(f.lat));
            w.f64(48, ddmm(f.lon));
            w.f64(64, f.speedKmh / kKnots);
            w.f64(72, f.course);
        }
        w.u32(80, quint32(f.year - 2000));
        w.u32(84, quint32(f.month));
        w.u32(88, quint32(f.day));
        w.i32(92, qint32(std::lround(f.gx * 1000)));
        w.i32(96, qint32(std::lround(f.gy * 1000)));
        w.i32(100, qint32(std::lround(f.gz * 1000)));
        w.text(104, " " + rmcSentence(f, "GN"));
        break;
    case Variant::XorText: {
        QByteArray plain("\0\0XKZD\xfe\xfe", 8);
        plain += stamp14(f) + '\x0c' + QByteArray("Test label").leftJustified(15, ' ');
        if (f.valid) {
            plain += ns(f) + digitsOf(std::llround(ddmm(f.lat) * 1e4), 8) + ew(f)
                + digitsOf(std::llround(ddmm(f.lon) * 1e4), 9)
                + digitsOf(std::llround(f.speedKmh), 8);
            plain += signed3(f.gx * 100) + signed3(f.gy * 100) + signed3(f.gz * 100);
        }
        plain = plain.leftJustified(0x101, '\0');
        for (int i = 0; i < plain.size(); ++i)
            w.b[18 + i] = char(plain.at(i) ^ 0xAA);
        break;
    }
    case Variant::Akaso:
    case Variant::Anticlock: {
        const bool akaso = v == Variant::Akaso;
        if (akaso)
            w.text(16, "x.xx");
        w.u32(48, quint32(f.hour));
        w.u32(52, quint32(f.minute));
        w.u32(56, quint32(f.second));
        w.u32(60, quint32(st));
        w.u32(68, quint32(f.valid ? la : 0));
        w.u32(76, quint32(f.valid ? lo : 0));
        if (f.valid) {
            w.f32(64, ddmm(f.lat));
            w.f32(72, ddmm(f.lon));
            w.f32(80, f.speedKmh);
            w.f32(84, akaso ? std::fmod(f.course + 180.0, 360.0) : f.course);
        }
        w.u32(88, quint32(akaso ? f.year : f.year - 2000));
        w.u32(92, quint32(f.month));
        w.u32(96, quint32(f.day));
        if (!akaso) {
            w.i32(100, qint32(std::lround(f.gx * 1000)));
            w.i32(104, qint32(std::lround(f.gy * 1000)));
            w.i32(108, qint32(std::lround(f.gz * 1000)));
        }
        break;
    }
    case Variant::Minus16Rmc: {
        w.text(16, "ZXSBNXYS");
        QByteArray s = rmcSentence(f).left(80);
        for (char &c : s)
            c = char(uchar(c) + 16);
        w.text(60, s);
        break;
    }
    case Variant::Encrypted:
        w.text(16, "YndAkasoCar");
        clock6(w, 48, f, 0);
        w.b[72] = 'A';
        w.b[73] = ns(f);
        w.b[74] = ew(f);
        w.f64(0x50, 123.456); // enciphered coordinates
        w.f64(0x58, 654.321);
        w.f32(0x60, f.speedKmh);
        w.f32(0x64, std::fmod(f.course + 180.0, 360.0));
        break;
    case Variant::Horsontech:
        w.text(48, "horsontech");
        w.b[64] = 'A';
        w.b[65] = ns(f);
        w.b[66] = ew(f);
        w.u32(68, quint32(f.year - 2000));
        w.u32(72, quint32(f.month));
        w.u32(76, quint32(f.day));
        w.u32(80, quint32(f.hour));
        w.u32(84, quint32(f.minute));
        w.u32(88, quint32(f.second));
        w.f32(92, ddmm(f.lon));
        w.f32(96, ddmm(f.lat));
        w.f32(100, f.speedKmh / kKnots);
        w.f32(104, f.course);
        w.f32(108, 512.5);
        w.i32(112, qint32(std::lround(f.gx * 1000)));
        w.i32(116, qint32(std::lround(f.gy * 1000)));
        w.i32(120, qint32(std::lround(f.gz * 1000)));
        break;
    case Variant::AtcRing:
        w.text(16, "IQS test ATC");
        for (int i = 0; i < records.size() && 0x30 + 52 * (i + 1) < blockSize; ++i)
            w.text(0x30 + 52 * i, atcRecord(records.at(i), quint8(0x5A + i), quint8(0xC3 - i)));
        break;
    case Variant::F64:
        w.text(16, "20130815.01");
        w.u32(0x30, quint32(f.hour));
        w.u32(0x34, quint32(f.minute));
        w.u32(0x38, quint32(f.second));
        w.u32(0x3C, quint32(st));
        w.u32(0x48, quint32(f.valid ? la : 0));
        w.u32(0x58, quint32(f.valid ? lo : 0));
        if (f.valid) {
            w.f64(0x40, ddmm(f.lat));
            w.f64(0x50, ddmm(f.lon));
            w.f64(0x60, f.speedKmh / kKnots);
            w.f64(0x68, f.course);
        }
        w.u32(0x70, quint32(f.year - 2000));
        w.u32(0x74, quint32(f.month));
        w.u32(0x78, quint32(f.day));
        w.i32(0x7C, qint32(std::lround(f.gx * 1000)));
        w.i32(0x80, qint32(std::lround(f.gy * 1000)));
        w.i32(0x84, qint32(std::lround(f.gz * 1000)));
        break;
    case Variant::Iqs:
        w.text(16, "IQS");
        clock6(w, 48, f);
        w.b[72] = st;
        w.b[73] = la;
        w.b[74] = lo;
        w.i32(0x4C, qint32(std::lround(std::fabs(f.lat) * 1e7)));
        w.i32(0x50, qint32(std::lround(std::fabs(f.lon) * 1e7)));
        w.i32(0x54, qint32(std::lround(f.speedKmh / 3.6 * 100)));
        w.f32(0x58, 245000.0);
        break;
    case Variant::Innovv:
        for (int i = 0; i < records.size() && 16 + 32 * (i + 1) <= blockSize; ++i) {
            const Fix &r = records.at(i);
            const int p = 16 + 32 * i;
            w.b[p] = r.valid ? 'A' : 'V';
            w.b[p + 1] = r.valid ? ns(r) : '0';
            w.b[p + 2] = r.valid ? ew(r) : '0';
            if (r.valid) {
                w.f32(p + 4, ddmm(r.lat));
                w.f32(p + 8, ddmm(r.lon));
                w.f32(p + 12, r.speedKmh / kKnots);
                w.f32(p + 16, r.course);
                w.i32(p + 20, 12);
                w.i32(p + 24, -3);
                w.i32(p + 28, 250);
            }
        }
        break;
    case Variant::NextbaseS:
        for (int i = 0; i < records.size() && 0x30 + 32 * (i + 1) <= blockSize; ++i) {
            const Fix &r = records.at(i);
            const int p = 0x30 + 32 * i;
            w.text(p, "$S");
            w.be16at(p + 2, quint16(std::lround(r.speedKmh / 3.6 * 100)));
            const double heading = r.course > 180 ? r.course - 360 : r.course;
            w.be16at(p + 4, quint16(qint16(std::lround(heading * 100))));
            w.be16at(p + 6, quint16(r.year));
            w.b[p + 8] = char(r.month);
            w.b[p + 9] = char(r.day);
            w.b[p + 10] = char(r.hour);
            w.b[p + 11] = char(r.minute);
            w.be16at(p + 12, quint16(r.second * 10 + r.tenths));
            w.b[p + 14] = 2;
            w.be32at(p + 15, quint32(qint32(std::lround(r.lat * 1e7))));
            w.be32at(p + 19, quint32(qint32(std::lround(r.lon * 1e7))));
            w.b[p + 23] = 16;
        }
        break;
    case Variant::RmcOnly:
        w.text(104, rmcSentence(f, "GN"));
        break;
    case Variant::KenwoodBanner: {
        w.text(16, "MN:DRV-A510W SN:0000000000 FW:1.00");
        const QByteArray record = block(Variant::Shifted, {f}, 92).mid(16, 56);
        w.text(64, record);
        break;
    }
    case Variant::XgodyText: {
        QByteArray t = "normal:" + digitsOf(f.year, 4) + "/" + two(f.month) + "/" + two(f.day) + " "
            + two(f.hour) + ":" + two(f.minute) + ":" + two(f.second) + " ";
        if (f.valid)
            t += QByteArray(f.lat < 0 ? "S:" : "N:") + QByteArray::number(std::fabs(f.lat), 'f', 6) + " "
                + (f.lon < 0 ? "W:" : "E:") + QByteArray::number(std::fabs(f.lon), 'f', 6) + " "
                + QByteArray::number(f.speedKmh / kKnots, 'f', 2) + " km/h";
        else
            t += "N:0.000000 E:0.000000 0.00 km/h";
        t += " x:" + QByteArray::number(f.gx, 'f', 2) + " y:" + QByteArray::number(f.gy, 'f', 2)
            + " z:" + QByteArray::number(f.gz, 'f', 2) + " A:" + QByteArray::number(f.course, 'f', 2)
            + " H:25.0";
        w.text(16, t);
        break;
    }
    case Variant::Xbht:
        for (int i = 0; i < records.size() && 16 + 36 * (i + 1) <= blockSize; ++i) {
            const Fix &r = records.at(i);
            const int p = 16 + 36 * i;
            const char clock[7] = {char(r.year - 2000), char(r.month), char(r.day), char(r.hour),
                                   char(r.minute), char(r.second), char(r.tenths)};
            w.text(p + 1, QByteArray(clock, 7));
            w.b[p + 8] = 'A';
            w.b[p + 9] = ns(r);
            w.b[p + 10] = ew(r);
            w.u32(p + 16, quint32(std::llround(ddmm(r.lat) * 1e4)));
            w.u32(p + 20, quint32(std::llround(ddmm(r.lon) * 1e4)));
            w.u16(p + 28, quint16(std::lround(r.speedKmh)));
        }
        break;
    case Variant::SeventyMai:
        // 70mai A810: payload length repeated at B+18, one record from B+30, "VV" at B+51.
        w.u16(16, 3);
        w.u16(18, 0x4C);
        w.b[30] = f.valid ? 'A' : 'V';
        if (f.valid) {
            const auto ddmm1e5 = [](double deg) {
                return qint32(std::copysign(std::llround(ddmm(deg) * 1e5), deg));
            };
            w.i32(31, ddmm1e5(f.lat));
            w.i32(35, ddmm1e5(f.lon));
            w.i32(39, qint32(std::lround(f.course)));
            w.i32(43, qint32(std::lround(f.speedKmh)));
        }
        w.text(51, "VV");
        break;
    }
    return w.b;
}

// --- MP4 ---------------------------------------------------------------------------------

namespace {

struct TrackPlan
{
    QByteArray handler;
    QByteArray entry;
    quint32 id;
    QVector<quint32> sampleSizes;
    QVector<quint32> samplesPerChunk;
    QVector<quint32> chunkOffsets;
};

QByteArray trak(const TrackPlan &t)
{
    const quint32 n = quint32(t.sampleSizes.size());
    const QByteArray tkhd = fullBox("tkhd", 0, 3, be32(0) + be32(0) + be32(t.id) + be32(0)
                                                    + be32(n * 100) + QByteArray(52, '\0')
                                                    + be32(t.handler == "vide" ? 640u << 16 : 0)
                                                    + be32(t.handler == "vide" ? 480u << 16 : 0));
    const QByteArray mdhd = fullBox("mdhd", 0, 0, be32(0) + be32(0) + be32(1000) + be32(n * 100)
                                                    + be16(0x55C4) + be16(0));
    const QByteArray hdlr = fullBox("hdlr", 0, 0, be32(0) + t.handler + QByteArray(12, '\0')
                                                    + QByteArray("Fixture") + '\0');
    const QByteArray stsd = fullBox("stsd", 0, 0, be32(1) + box(t.entry.constData(), QByteArray(6, '\0') + be16(1) + QByteArray(16, '\0')));
    const QByteArray stts = fullBox("stts", 0, 0, be32(1) + be32(n) + be32(100));
    QByteArray runs;
    quint32 runCount = 0;
    for (int c = 0; c < t.samplesPerChunk.size(); ++c) {
        if (c == 0 || t.samplesPerChunk[c] != t.samplesPerChunk[c - 1]) {
            runs += be32(quint32(c + 1)) + be32(t.samplesPerChunk[c]) + be32(1);
            ++runCount;
        }
    }
    const QByteArray stsc = fullBox("stsc", 0, 0, be32(runCount) + runs);
    QByteArray sizes;
    for (quint32 s : t.sampleSizes)
        sizes += be32(s);
    const QByteArray stsz = fullBox("stsz", 0, 0, be32(0) + be32(n) + sizes);
    QByteArray offs;
    for (quint32 o : t.chunkOffsets)
        offs += be32(o);
    const QByteArray stco = fullBox("stco", 0, 0, be32(quint32(t.chunkOffsets.size())) + offs);
    const QByteArray dinf = box("dinf", fullBox("dref", 0, 0, be32(1) + fullBox("url ", 0, 1, {})));
    const QByteArray media = t.handler == "vide" ? fullBox("vmhd", 0, 1, QByteArray(8, '\0'))
                                                 : fullBox("smhd", 0, 0, QByteArray(4, '\0'));
    const QByteArray stbl = box("stbl", stsd + stts + stsc + stsz + stco);
    return box("trak", tkhd + box("mdia", mdhd + hdlr + box("minf", media + dinf + stbl)));
}

QByteArray mvhd(quint32 duration)
{
    QByteArray p = be32(0) + be32(0) + be32(1000) + be32(duration) + be32(0x00010000) + be16(0x0100)
        + QByteArray(10, '\0');
    const quint32 matrix[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (quint32 m : matrix)
        p += be32(m);
    p += QByteArray(24, '\0') + be32(3);
    return fullBox("mvhd", 0, 0, p);
}

// Frame bytes that never hold the literal: a counter pattern.
QByteArray frame(int size, int seed)
{
    QByteArray f(size, '\0');
    for (int i = 0; i < size; ++i)
        f[i] = char((i * 7 + seed * 13) & 0x7F);
    return f;
}

} // namespace

namespace {

// A file as pieces of bytes at offsets, with holes between them (sparse on disk).
struct Pieces
{
    QVector<QPair<qint64, QByteArray>> parts;
    qint64 size = 0;
    void add(const QByteArray &b)
    {
        parts.append({size, b});
        size += b.size();
    }
    void hole(qint64 n) { size += n; }
    void add(const Pieces &other)
    {
        for (const auto &p : other.parts)
            parts.append({size + p.first, p.second});
        size += other.size;
    }
    QByteArray bytes() const
    {
        QByteArray out(int(size), '\0');
        for (const auto &p : parts)
            out.replace(int(p.first), p.second.size(), p.second);
        return out;
    }
};

Pieces layout(const Mp4Plan &plan)
{
    const bool inMdat = plan.placement == Placement::Index || plan.placement == Placement::MdatGaps;
    const QByteArray ftyp = box("ftyp", QByteArray("isom") + be32(0x200) + "isomiso2mp41");
    auto build = [&](qint64 moovSize) {
        TrackPlan video{"vide", "mp4v", 1, {}, {}, {}};
        TrackPlan audio{"soun", "mp4a", 2, {}, {}, {}};
        Pieces payload;
        const qint64 mdatStart = ftyp.size() + (plan.moovFirst ? moovSize : 0);
        const qint64 dataStart = mdatStart + 8;
        QVector<quint32> blockOffsets;
        auto here = [&]() { return quint32(dataStart + payload.size); };
        const int seconds = plan.blocks.size();
        for (int i = 0; i <= seconds; ++i) {
            // Two frames per chunk; the last chunk is long (ExifTool's scan leaves the last
            // 32 KiB of mdat alone).
            const bool last = i == seconds;
            const int fb = last ? 0x9000 : plan.frameBytes;
            video.chunkOffsets.append(here());
            video.samplesPerChunk.append(2);
            for (int k = 0; k < 2; ++k) {
                if (plan.sparseFrameBytes > 0 && !last) {
                    video.sampleSizes.append(quint32(plan.sparseFrameBytes));
                    payload.hole(plan.sparseFrameBytes);
                    continue;
                }
                QByteArray fr = frame(fb, i * 2 + k);
                if (i == 0 && k == 0 && !plan.insideFirstFrame.isEmpty())
                    fr.replace(16, plan.insideFirstFrame.size(), plan.insideFirstFrame);
                video.sampleSizes.append(quint32(fr.size()));
                payload.add(fr);
            }
            if (last)
                break;
            payload.add(plan.afterVideoChunk);
            if (plan.audio) {
                audio.chunkOffsets.append(here());
                audio.samplesPerChunk.append(1);
                audio.sampleSizes.append(300);
                payload.add(QByteArray(300, '\x11'));
            }
            if (inMdat && !plan.blocks.at(i).isEmpty()) {
                if (plan.alignBlocks && here() % 0x8000 != 0)
                    payload.add(QByteArray(int(0x8000 - here() % 0x8000), '\x22'));
                blockOffsets.append(here());
                payload.add(plan.blocks.at(i));
            }
        }
        QByteArray tops;
        if (!inMdat) {
            for (const QByteArray &b : plan.blocks) {
                if (plan.placement == Placement::FreeBoxes)
                    tops += b; // the block is the box: size, "free", "GPS "
                else
                    tops += box("free", b.mid(4)); // size, "free", "freeGPS ", ...
            }
        }
        QByteArray gps;
        if (plan.placement == Placement::Index) {
            QByteArray entries;
            for (int i = 0; i < blockOffsets.size(); ++i)
                entries += be32(blockOffsets[i]) + be32(quint32(plan.blocks.at(i).size()));
            gps = box("gps ", be32(0x101) + be32(quint32(blockOffsets.size())) + entries);
        }
        const QByteArray tracks = trak(video) + (plan.audio ? trak(audio) : QByteArray());
        const QByteArray moov = box("moov", mvhd(quint32(seconds * 1000))
                                                + (plan.indexBeforeTracks ? gps + tracks : tracks + gps));
        Pieces file;
        file.add(ftyp);
        if (plan.moovFirst)
            file.add(moov);
        file.add(be32(plan.cutShort ? 0 : quint32(8 + payload.size)) + "mdat");
        file.add(payload);
        file.add(tops);
        if (!plan.moovFirst && !plan.cutShort)
            file.add(moov);
        return file;
    };
    const Pieces first = build(0);
    if (!plan.moovFirst)
        return first;
    // Chunk offsets depend on the size of a leading moov, which they do not change.
    return build(qFromBigEndian<quint32>(first.parts.at(1).second.constData()));
}

} // namespace

QByteArray mp4(const Mp4Plan &plan) { return layout(plan).bytes(); }

bool writeMp4(const QString &path, const Mp4Plan &plan)
{
    const Pieces file = layout(plan);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(file.size))
        return false;
    for (const auto &p : file.parts)
        if (!f.seek(p.first) || f.write(p.second) != p.second.size())
            return false;
    return true;
}

QByteArray plainMp4(int seconds, int frameBytes)
{
    Mp4Plan s;
    s.placement = Placement::MdatGaps;
    s.frameBytes = frameBytes;
    // No blocks: one chunk pair per second still needs a list of that length.
    for (int i = 0; i < seconds; ++i)
        s.blocks.append(QByteArray());
    return mp4(s);
}

// --- MPEG-TS -------------------------------------------------------------------------------

namespace {

quint32 crc32Mpeg(const QByteArray &d)
{
    quint32 crc = 0xFFFFFFFF;
    for (char ch : d) {
        crc ^= quint32(quint8(ch)) << 24;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x80000000) ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
    }
    return crc;
}

struct TsWriter
{
    QByteArray out;
    bool m2ts = false;
    QHash<int, int> cc;

    // One packet; payload shorter than 184 bytes is padded with adaptation-field stuffing.
    void packet(int pid, bool pusi, const QByteArray &payload)
    {
        QByteArray p(4, '\0');
        p[0] = 0x47;
        p[1] = char((pusi ? 0x40 : 0) | ((pid >> 8) & 0x1F));
        p[2] = char(pid & 0xFF);
        const int c = cc.value(pid, 0);
        cc[pid] = (c + 1) & 0x0F;
        const int room = 184 - payload.size();
        if (room > 0) {
            p[3] = char(0x30 | c);
            p += char(room - 1);
            if (room > 1)
                p += char(0x00) + QByteArray(room - 2, '\xFF');
        } else {
            p[3] = char(0x10 | c);
        }
        p += payload.left(184);
        if (m2ts)
            out += be32(quint32(out.size()));
        out += p;
    }
    void section(int pid, const QByteArray &table)
    {
        const QByteArray withCrc = table + be32(crc32Mpeg(table));
        packet(pid, true, QByteArray(1, '\0') + withCrc + QByteArray(183 - withCrc.size(), '\xFF'));
    }
    // A PES split over as many packets as it needs.
    void pes(int pid, const QByteArray &pesBytes, bool startIndicator = true)
    {
        for (int pos = 0; pos < pesBytes.size(); pos += 184)
            packet(pid, startIndicator && pos == 0, pesBytes.mid(pos, 184));
    }
};

QByteArray pat()
{
    return QByteArray("\x00\xB0\x0D\x00\x01\xC1\x00\x00", 8) + be16(1) + be16(0xE000 | 0x1000);
}

QByteArray pmt()
{
    // program 1, version, section numbers, PCR PID, no program descriptors; then video, audio
    QByteArray body = be16(1) + QByteArray("\xC1\x00\x00", 3) + be16(0xE000 | 0x100) + be16(0xF000);
    body += QByteArray(1, '\x1B') + be16(0xE000 | 0x100) + be16(0xF000);
    body += QByteArray(1, '\x0F') + be16(0xE000 | 0x101) + be16(0xF000);
    const int sectionLength = body.size() + 4; // what follows the length field, CRC included
    return QByteArray(1, '\x02') + be16(quint16(0xB000 | sectionLength)) + body;
}

QByteArray shiftedRecord(const Fix &f)
{
    const QByteArray b = block(Variant::Shifted, {f}, 92);
    return b.mid(16, 56); // the block without its 16-byte header: clock at 0, status at 24
}

} // namespace

QByteArray ts(TsVariant v, const QList<QList<Fix>> &perSecond, int videoPackets, bool m2ts)
{
    TsWriter w;
    w.m2ts = m2ts;
    w.section(0, pat());
    w.section(0x1000, pmt());
    for (int s = 0; s < perSecond.size(); ++s) {
        for (int k = 0; k < videoPackets; ++k) {
            QByteArray payload = frame(184, s * 100 + k);
            if (k == 0)
                payload.replace(0, 9, QByteArray("\x00\x00\x01\xE0\x00\x00\x80\x00\x00", 9));
            w.packet(0x100, k == 0, payload);
            if (k % 10 == 5)
                w.packet(0x101, true, QByteArray("\x00\x00\x01\xC0\x00\x00\x80\x00\x00", 9) + frame(175, k));
        }
        const QList<Fix> &fixes = perSecond.at(s);
        if (fixes.isEmpty())
            continue; // a second without GPS packet
        switch (v) {
        case TsVariant::Record:
        case TsVariant::Prefixed: {
            QByteArray payload;
            if (v == TsVariant::Prefixed)
                payload = QByteArray("\x01\x00\xff\x00", 4) + QByteArray("01234578abcdefg\n").leftJustified(160, '\0');
            payload += shiftedRecord(fixes.value(0));
            payload = payload.leftJustified(1008, '\0');
            w.pes(0x300, QByteArray("\x00\x00\x01\xBF", 4) + be16(quint16(payload.size())) + payload);
            break;
        }
        case TsVariant::Innovv: {
            QByteArray payload;
            for (const Fix &f : fixes)
                payload += block(Variant::Innovv, {f}, 48).mid(16, 32);
            w.pes(0x300, QByteArray("\x00\x00\x01\xBF", 4) + be16(quint16(payload.size())) + payload);
            break;
        }
        case TsVariant::GpsInfo: {
            QByteArray text;
            for (const Fix &f : fixes) {
                text += "$GPSINFO,0x0004," + digitsOf(f.year, 4) + "." + two(f.month) + "." + two(f.day)
                    + " " + two(f.hour) + ":" + two(f.minute) + ":" + two(f.second) + ","
                    + QByteArray::number(ddmm(f.lat), 'f', 5) + "," + QByteArray::number(ddmm(f.lon), 'f', 5)
                    + "," + QByteArray::number(f.speedKmh, 'f', 1) + ",51,"
                    + QByteArray::number(f.course, 'f', 0) + ",0,0,\r";
                text += "$GSNRINFO,0.01,0.04,0.25\r";
            }
            w.pes(0x1E4, text.leftJustified(((text.size() + 183) / 184) * 184, '\0'), false);
            break;
        }
        case TsVariant::DodS: {
            // The cyclic list: this second's record first, then the previous ones.
            QByteArray payload(32, '\0');
            QList<Fix> list = fixes;
            for (int back = 1; back <= 2 && s - back >= 0; ++back)
                list += perSecond.at(s - back);
            const QByteArray records = block(Variant::NextbaseS, list, 0x30 + 32 * list.size()).mid(0x30);
            payload += records + QByteArray(32, '\0');
            w.pes(0x300, QByteArray("\x00\x00\x01\xBF", 4) + be16(quint16(payload.size())) + payload);
            break;
        }
        case TsVariant::Viidure: {
            const Fix &f = fixes.first();
            QByteArray t = "Viidure" + digitsOf(f.year, 4) + "/" + two(f.month) + "/" + two(f.day) + " "
                + two(f.hour) + ":" + two(f.minute) + ":" + two(f.second) + " "
                + (f.lat < 0 ? "S:" : "N:") + QByteArray::number(std::fabs(f.lat), 'f', 6) + " "
                + (f.lon < 0 ? "W:" : "E:") + QByteArray::number(std::fabs(f.lon), 'f', 6) + " "
                + QByteArray::number(f.speedKmh, 'f', 1) + " km/h "
                + QByteArray::number(f.course, 'f', 1) + " 35.0 0 x:" + QByteArray::number(f.gx, 'f', 2)
                + " y:" + QByteArray::number(f.gy, 'f', 2) + " z:" + QByteArray::number(f.gz, 'f', 2);
            t = t.leftJustified(152, '\0');
            w.pes(0x300, QByteArray("\x00\x00\x01\xBF", 4) + be16(quint16(t.size())) + t);
            break;
        }
        case TsVariant::RmcText: {
            QByteArray payload;
            for (const Fix &f : fixes)
                payload += rmcSentence(f);
            w.pes(0x301, QByteArray("\x00\x00\x01\xBF", 4) + be16(quint16(payload.size())) + payload);
            break;
        }
        }
    }
    return w.out;
}

QByteArray tsWithPayloads(const QList<QByteArray> &payloads, int videoPackets)
{
    TsWriter w;
    w.section(0, pat());
    w.section(0x1000, pmt());
    for (int s = 0; s < payloads.size(); ++s) {
        for (int k = 0; k < videoPackets; ++k)
            w.packet(0x100, k == 0, frame(184, s * 100 + k));
        w.pes(0x300, QByteArray("\x00\x00\x01\xBF", 4) + be16(quint16(payloads[s].size())) + payloads[s]);
    }
    return w.out;
}

QByteArray fromHex(const char *dump)
{
    return QByteArray::fromHex(QByteArray(dump).simplified().replace(' ', QByteArray()));
}

QByteArray seventyMaiA810Block()
{
    return fromHex("00 00 40 00 66 72 65 65 47 50 53 20 ed 01 00 00" "03 00 ed 01 00 00 00 0f 00 00 70 08 00 00 41 66"
                   "13 7d 1e 3c 11 dc 03 5d 01 00 00 01 00 00 00 23" "00 00 00 56 56 00 00 00 00 00 00 00 00 00 00 00")
        .leftJustified(0x4000, '\0');
}

QByteArray plainTs(int seconds, int videoPackets)
{
    TsWriter w;
    w.section(0, pat());
    w.section(0x1000, pmt());
    for (int s = 0; s < seconds; ++s)
        for (int k = 0; k < videoPackets; ++k)
            w.packet(k % 10 == 5 ? 0x101 : 0x100, k == 0, frame(184, s * 100 + k));
    return w.out;
}

} // namespace fgfx
