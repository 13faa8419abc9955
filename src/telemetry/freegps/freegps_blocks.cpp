#include "freegps_blocks.h"

#include "freegps.h"
#include "geo.h"
#include "layouttable.h"
#include "ligogps.h"
#include "nmea.h"
#include "xorrecord.h"

#include <QList>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace freegps {

namespace {

constexpr double kKnotsToKmh = 1.852;
constexpr double kMpsToKmh = 3.6;

// Bounded little- and big-endian reads: a field that does not fit reads as 0, so a short block can
// never be read past its end; every gate checks the length it needs first anyway.
quint32 u32le(const QByteArray &b, int pos)
{
    if (pos < 0 || b.size() < 4 || pos > b.size() - 4)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + pos);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
qint32 i32le(const QByteArray &b, int pos) { return qint32(u32le(b, pos)); }
quint32 u32be(const QByteArray &b, int pos)
{
    if (pos < 0 || b.size() < 4 || pos > b.size() - 4)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + pos);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}
quint16 u16be(const QByteArray &b, int pos)
{
    if (pos < 0 || b.size() < 2 || pos > b.size() - 2)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + pos);
    return quint16(p[0] << 8 | p[1]);
}
quint16 u16le(const QByteArray &b, int pos)
{
    if (pos < 0 || b.size() < 2 || pos > b.size() - 2)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + pos);
    return quint16(p[0] | p[1] << 8);
}
float f32le(const QByteArray &b, int pos)
{
    const quint32 bits = u32le(b, pos);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}
double f64le(const QByteArray &b, int pos)
{
    const quint64 bits = quint64(u32le(b, pos)) | quint64(u32le(b, pos + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}
char at(const QByteArray &b, int pos) { return pos >= 0 && pos < b.size() ? b.at(pos) : '\0'; }
bool zeros(const QByteArray &b, int pos, int n)
{
    if (pos < 0 || n > b.size() - pos)
        return false;
    for (int i = 0; i < n; ++i)
        if (b.at(pos + i) != '\0')
            return false;
    return true;
}
bool isNS(char c) { return c == 'N' || c == 'S'; }
bool isEW(char c) { return c == 'E' || c == 'W'; }
bool digits(const QByteArray &b, int pos, int n)
{
    if (pos < 0 || n > b.size() - pos)
        return false;
    for (int i = 0; i < n; ++i)
        if (b.at(pos + i) < '0' || b.at(pos + i) > '9')
            return false;
    return true;
}
int number(const QByteArray &b, int pos, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (b.at(pos + i) - '0');
    return v;
}
int fullYear(quint32 y) { return y < 2000 ? int(y) + 2000 : (y > 3000 ? -1 : int(y)); }
// A clock from u32 fields; a value too large for int is out of range anyway.
qint64 clockOf(quint32 y, quint32 mo, quint32 d, quint32 h, quint32 mi, quint32 s)
{
    if (mo > 12 || d > 31 || h > 23 || mi > 59 || s > 60)
        return -1;
    return geo::utcMs(fullYear(y), int(mo), int(d), int(h), int(mi), double(s));
}
double wrap360(double c)
{
    if (!std::isfinite(c))
        return 0.0;
    c = std::fmod(c, 360.0);
    return c < 0 ? c + 360.0 : c;
}
double finiteOr0(double v) { return std::isfinite(v) && v >= 0 && v < 2000 ? v : 0.0; }

// A position from ddmm magnitudes and hemisphere letters; false when it is no place on Earth.
bool setDdmm(Fix *f, double latDdmm, char ns, double lonDdmm, char ew)
{
    const double lat = geo::ddmmToDegrees(std::fabs(latDdmm));
    const double lon = geo::ddmmToDegrees(std::fabs(lonDdmm));
    if (lat < 0 || lat > 90 || lon < 0 || lon > 180)
        return false;
    f->latitude = ns == 'S' ? -lat : lat;
    f->longitude = ew == 'W' ? -lon : lon;
    f->hasPosition = true;
    return true;
}
bool setDegrees(Fix *f, double lat, double lon)
{
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90 || std::fabs(lon) > 180)
        return false;
    f->latitude = lat;
    f->longitude = lon;
    f->hasPosition = true;
    return true;
}
void setG(Fix *f, double x, double y, double z)
{
    f->hasG = true;
    f->gx = float(x);
    f->gy = float(y);
    f->gz = float(z);
}
// A date and time the block stores; camera says it is the camera's own clock, not GPS UTC.
void setClock(Fix *f, qint64 ms, bool camera = false)
{
    if (ms >= 0) {
        f->hasClock = true;
        f->clockMs = ms;
        f->cameraClock = camera;
    }
}
// --- NMEA RMC text (several variants carry it) ---------------------------------------------

// Reads the RMC sentence starting at pos ("$GPRMC," or "GPRMC," with any two-letter talker) up
// to its checksum or line end, through the library's NMEA decoder. An empty status is read as a
// fix when the position is there. False when the sentence is no RMC, its status is neither A, V
// nor empty, or it says A without a usable position.
bool parseRmcAt(const QByteArray &b, int pos, Fix *f)
{
    int end = pos;
    while (end < b.size() && end - pos < 120) {
        const char c = b.at(end);
        if (c == '*' || c == '\r' || c == '\n' || c == '\0')
            break;
        ++end;
    }
    nmea::Fix n;
    if (!nmea::decodeRmc(b.mid(pos, end - pos), &n))
        return false;
    if (n.status != 'A' && n.status != 'V' && n.status != '\0')
        return false;
    Fix fix;
    setClock(&fix, n.utcMs());
    if (n.status != 'V' && n.hasCoordinates && setDegrees(&fix, n.latDeg, n.lonDeg)) {
        fix.speedKmh = n.speedKmh >= 0 ? finiteOr0(n.speedKmh) : 0.0;
        fix.course = n.course >= 0 ? wrap360(n.course) : 0.0;
    } else if (n.status == 'A') {
        return false;
    }
    *f = fix;
    return true;
}

// Finds "xxRMC," (two upper-case letters, optionally after '$') from pos on; -1 when none.
int findRmc(const QByteArray &b, int from = 0)
{
    for (int p = b.indexOf("RMC,", from); p >= 0; p = b.indexOf("RMC,", p + 1)) {
        if (p >= 2 && std::isupper(uchar(b.at(p - 2))) && std::isupper(uchar(b.at(p - 1))))
            return p - 2;
    }
    return -1;
}

// Reads a GGA sentence at pos for a position only (quality > 0). False otherwise.
bool parseGgaAt(const QByteArray &b, int pos, Fix *f)
{
    nmea::Fix n;
    return nmea::decodeGga(b.mid(pos, 120), &n) && n.valid && setDegrees(f, n.latDeg, n.lonDeg);
}

// --- the variants, in the order they are tried ---------------------------------------------
// Each returns false when its structure is absent (the next one is tried) and true when the
// block is of its kind, whether or not a fix survived validation.

// The XOR-0xAA text record from B+18 behind its marks (Azdome GS63H, EEEkit). ExifTool's
// freeGPS reading gives its stamp as GPS time ("Z"), and so do we here.
bool xorText(const QByteArray &b, QVector<Fix> *out)
{
    static const char magic[] = "\xaa\xaa\xf2\xe1\xf0\xee\x54\x54";
    if (b.size() < 92 || std::memcmp(b.constData() + 18, magic, 8) != 0)
        return false;
    xorrecord::Record r;
    if (!xorrecord::read(b.mid(18, xorrecord::kTextBytes), &r))
        return true;
    Fix f;
    setClock(&f, r.stampMs);
    if (r.hasPosition && setDegrees(&f, r.latDeg, r.lonDeg))
        f.speedKmh = r.speedKmh;
    if (r.hasG)
        setG(&f, r.gx, r.gy, r.gz);
    out->append(f);
    return true;
}

// 52-byte records keyed by their own bytes 0x14 and 0x1C, the device's whole ring in each block.
bool atcRing(const QByteArray &b, DecodeState *state, QVector<Fix> *out)
{
    if (b.size() < 82 || b.mid(0x45, 3) != "ATC")
        return false;
    QVector<Fix> fresh;
    for (int pos = 0x30; pos <= b.size() - 53 && fresh.size() < 4096; pos += 52) {
        QByteArray r = b.mid(pos, 52);
        const char k1 = r.at(0x14), k2 = r.at(0x1C);
        for (int i = 0; i <= 0x14; ++i)
            r[i] = char(r.at(i) ^ k1);
        for (int i = 0x18; i <= 0x1B; ++i)
            r[i] = char(r.at(i) ^ k1);
        r[0x1C] = char(r.at(0x1C) ^ k2);
        for (int i = 0x20; i <= 0x32; ++i)
            r[i] = char(r.at(i) ^ k2);
        const int hour = (uchar(r.at(0x0D)) + 1) & 0xFF;
        const qint64 t = geo::utcMs(u16le(r, 0x2C), uchar(r.at(0x2E)), uchar(r.at(0x2F)), hour,
                                    uchar(r.at(0x0E)), uchar(r.at(0x0F)));
        if (t < 0 || t <= state->newestRingClockMs)
            continue;
        Fix f;
        setClock(&f, t);
        if (!setDegrees(&f, i32le(r, 0x10) / 1e7, i32le(r, 0x18) / 1e7))
            continue;
        f.speedKmh = finiteOr0(i32le(r, 0x20) / 100.0 * kMpsToKmh);
        f.course = wrap360(qint16(u16le(r, 0x24)) / 100.0);
        fresh.append(f);
    }
    std::sort(fresh.begin(), fresh.end(),
              [](const Fix &a, const Fix &c) { return a.clockMs < c.clockMs; });
    for (const Fix &f : fresh) {
        if (f.clockMs > state->newestRingClockMs) {
            state->newestRingClockMs = f.clockMs;
            out->append(f);
        }
    }
    return true;
}

// Camera clock digits at B+52 and NMEA sentences in the block (Nextbase 512GW).
bool nmeaText(const QByteArray &b, QVector<Fix> *out)
{
    if (b.size() < 92 || !digits(b, 52, 14))
        return false;
    Fix f;
    const int rmc = findRmc(b);
    if (rmc < 0 || !parseRmcAt(b, rmc, &f)) {
        const int gga = b.indexOf("GGA,");
        if (gga < 2 || !parseGgaAt(b, gga - 2, &f))
            f = Fix();
    }
    // Without an RMC date the digits are all there is: the camera's own clock, local time.
    if (!f.hasClock)
        setClock(&f, geo::utcMs(number(b, 52, 4), number(b, 56, 2), number(b, 58, 2),
                                number(b, 60, 2), number(b, 62, 2), number(b, 64, 2)),
                 true);
    if (f.hasPosition)
        setG(&f, i32le(b, 68) / 256.0, i32le(b, 72) / 256.0, i32le(b, 76) / 256.0);
    if (f.hasClock || f.hasPosition)
        out->append(f);
    return true;
}

// E-ACE B44 firmware writes the coordinates of the shifted record as 20-byte text fields at
// R+28 and R+48: ddmm digits, or the same digits enciphered and base64-encoded (luckyDecipher). Returns 1 for
// digits, 2 for base64, 0 when the fields are neither (the floats of the plain record).
int stringCoordinates(const QByteArray &b, int r)
{
    if (b.size() - r < 104)
        return 0;
    auto field = [&](int pos, bool base64) {
        const QByteArray f = b.mid(pos, 20);
        int n = 0;
        while (n < f.size() && f.at(n) != '\0')
            ++n;
        if (!zeros(f, n, f.size() - n))
            return false;
        if (base64) {
            int letters = 0;
            while (letters < n && (std::isalnum(uchar(f.at(letters))) || f.at(letters) == '+' || f.at(letters) == '/'))
                ++letters;
            const int pad = n - letters;
            return letters >= 8 && pad <= 2 && f.mid(letters, pad).count('=') == pad;
        }
        const int dot = f.left(n).indexOf('.');
        return dot >= 1 && dot <= 5 && dot < n - 1 && digits(f, 0, dot) && digits(f, dot + 1, n - dot - 1);
    };
    if (field(r + 28, false) && field(r + 48, false))
        return 1;
    return field(r + 28, true) && field(r + 48, true) ? 2 : 0;
}

// The number in a NUL-padded 20-byte text field.
double textNumber(const QByteArray &b, int pos)
{
    const QByteArray f = b.mid(pos, 20);
    const int end = f.indexOf('\0');
    return (end < 0 ? f : f.left(end)).toDouble();
}

// E-ACE's enciphered fields: base64 of the ddmm digits under RC4 with the key "luckychip gps",
// or "customer <c> gps" (c from 'a' to 's') on other firmware; the key that turns both fields
// into digits is the camera's (as ExifTool finds it).
QByteArray rc4(const QByteArray &data, const QByteArray &key)
{
    uchar box[256];
    for (int i = 0; i < 256; ++i)
        box[i] = uchar(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + box[i] + uchar(key.at(i % key.size()))) & 0xFF;
        std::swap(box[i], box[j]);
    }
    QByteArray out = data;
    for (int n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 0xFF;
        j = (j + box[i]) & 0xFF;
        std::swap(box[i], box[j]);
        out[n] = char(uchar(out.at(n)) ^ box[(box[i] + box[j]) & 0xFF]);
    }
    return out;
}
bool decimalText(const QByteArray &t, int maxWhole)
{
    const int dot = t.indexOf('.');
    return dot >= 1 && dot <= maxWhole && dot < t.size() - 1 && digits(t, 0, dot)
        && digits(t, dot + 1, t.size() - dot - 1);
}
bool luckyDecipher(const QByteArray &b, int latPos, int lonPos, double *lat, double *lon)
{
    auto field = [&](int pos) {
        QByteArray f = b.mid(pos, 20);
        const int end = f.indexOf('\0');
        return QByteArray::fromBase64(end < 0 ? f : f.left(end));
    };
    const QByteArray latCipher = field(latPos), lonCipher = field(lonPos);
    QByteArray key = "luckychip gps";
    for (int k = 0; k < 20; ++k) {
        if (k > 0)
            key = QByteArray("customer ") + char('a' + k - 1) + " gps";
        const QByteArray la = rc4(latCipher, key), lo = rc4(lonCipher, key);
        if (decimalText(la, 4) && decimalText(lo, 5)) {
            *lat = la.toDouble();
            *lon = lo.toDouble();
            return true;
        }
    }
    return false;
}

// The type-3 record 32 bytes earlier: clock from B+16, status at B+40 (VIOFO A119 V3, Kenwood).
// Also the TS payload of those cameras, which is this record without the 16-byte block header.
// Sets *eace when the coordinates are E-ACE text fields (stringCoordinates).
bool shiftedAt(const QByteArray &b, int base, QVector<Fix> *out, bool *eace = nullptr)
{
    const int s = base + 24; // status
    if (b.size() - base < 56 || !zeros(b, s - 3, 3) || at(b, s + 3) != '\0')
        return false;
    const char st = at(b, s), ns = at(b, s + 1), ew = at(b, s + 2);
    const bool noFixLetters = (ns == '0' || ns == 0) && (ew == '0' || ew == 0);
    if (!((st == 'A' && isNS(ns) && isEW(ew)) || (st == 'V' && (noFixLetters || (isNS(ns) && isEW(ew))))))
        return false;
    const int text = st == 'A' ? stringCoordinates(b, base) : 0;
    if (eace)
        *eace = text != 0;
    Fix f;
    // Years since 2000 come with GPS UTC; Kenwood firmware sometimes writes the full year and
    // then the camera's local time instead (both within one recording). E-ACE full years are UTC.
    const quint32 year = u32le(b, base + 12);
    setClock(&f, clockOf(year, u32le(b, base + 16), u32le(b, base + 20), u32le(b, base),
                         u32le(b, base + 4), u32le(b, base + 8)),
             year >= 2000 && !text);
    if (st == 'V' && !f.hasClock)
        return false; // "no fix" with no clock either is too weak a structure to claim
    if (text) {
        // Speed (knots) and course follow the text fields.
        if (!f.hasClock)
            return true;
        double lat = 0.0, lon = 0.0;
        if (text == 1) {
            lat = textNumber(b, base + 28);
            lon = textNumber(b, base + 48);
        } else if (!luckyDecipher(b, base + 28, base + 48, &lat, &lon)) {
            lat = lon = -1.0; // an unknown key: time and speed only
        }
        if (lat >= 0 && !setDdmm(&f, lat, ns, lon, ew))
            return true;
        f.speedKmh = finiteOr0(f32le(b, base + 0x44) * kKnotsToKmh);
        f.course = wrap360(f32le(b, base + 0x48));
        out->append(f);
        return true;
    }
    if (st == 'A') {
        if (!f.hasClock || !setDdmm(&f, f32le(b, base + 28), ns, f32le(b, base + 32), ew))
            return true;
        f.speedKmh = finiteOr0(f32le(b, base + 36) * kKnotsToKmh);
        f.course = wrap360(f32le(b, base + 40));
    }
    static const char placeholder[] = "\x01\0\x02\0\x03\0\x04\0\x05\0\x06\0";
    if (b.size() - base >= 56 && !zeros(b, base + 44, 12)
        && std::memcmp(b.constData() + base + 44, placeholder, 12) != 0)
        setG(&f, i32le(b, base + 44) / 256.0, i32le(b, base + 48) / 256.0, i32le(b, base + 52) / 256.0);
    out->append(f);
    return true;
}

// u32 status and letters at B+60/68/76, f32 ddmm, speed already km/h (Akaso, "Anticlock").
bool akasoFloats(const QByteArray &b, int *code, QVector<Fix> *out)
{
    if (b.size() < 100)
        return false;
    const char st = at(b, 60), ns = at(b, 68), ew = at(b, 76);
    if (!zeros(b, 61, 3) || !zeros(b, 69, 3) || !zeros(b, 77, 3))
        return false;
    const bool fix = st == 'A' && isNS(ns) && isEW(ew);
    const bool noFix = st == 'V' && (isNS(ns) || ns == 0) && (isEW(ew) || ew == 0);
    if (!fix && !noFix)
        return false;
    const bool akaso = b.mid(16, 4) == "x.xx";
    *code = akaso ? kFreeGpsAkaso : kFreeGpsAnticlock;
    Fix f;
    setClock(&f, clockOf(u32le(b, 88), u32le(b, 92), u32le(b, 96), u32le(b, 48), u32le(b, 52),
                         u32le(b, 56)));
    if (!f.hasClock)
        return fix;
    if (fix) {
        if (!setDdmm(&f, f32le(b, 64), ns, f32le(b, 72), ew))
            return true;
        f.speedKmh = finiteOr0(f32le(b, 80));
        // Akaso firmware stores the course turned by half a circle.
        f.course = wrap360(f32le(b, 84) + (akaso ? 180.0 : 0.0));
    }
    if (!akaso && b.size() >= 112)
        setG(&f, i32le(b, 100) / 1000.0, i32le(b, 104) / 1000.0, i32le(b, 108) / 1000.0);
    out->append(f);
    return true;
}

// 80 bytes of RMC text at B+60 with 16 added to every byte (ZXSBNXYS header, EACHPAI).
bool minus16Rmc(const QByteArray &b, QVector<Fix> *out)
{
    if (b.size() < 140 || b.mid(60, 7) != "4W`b]S<")
        return false;
    QByteArray text = b.mid(60, 80);
    for (char &c : text)
        c = uchar(c) >= 16 ? char(uchar(c) - 16) : '\0';
    Fix f;
    const int rmc = findRmc(text);
    if (rmc >= 0 && parseRmcAt(text, rmc, &f))
        out->append(f);
    return true;
}

// f64 ddmm with u32 status and letters (header firmware 20130815.01).
bool f64Layout(const QByteArray &b, QVector<Fix> *out)
{
    if (b.size() < 0x88 || at(b, 61) != 0 || at(b, 73) != 0 || at(b, 89) != 0)
        return false;
    const char st = at(b, 60), ns = at(b, 72), ew = at(b, 88);
    const bool fix = st == 'A' && isNS(ns) && isEW(ew);
    if (!fix && !(st == 'V' && (isNS(ns) || ns == 0) && (isEW(ew) || ew == 0)))
        return false;
    Fix f;
    setClock(&f, clockOf(u32le(b, 0x70), u32le(b, 0x74), u32le(b, 0x78), u32le(b, 0x30),
                         u32le(b, 0x34), u32le(b, 0x38)));
    if (!f.hasClock)
        return fix;
    if (fix) {
        if (!setDdmm(&f, f64le(b, 0x40), ns, f64le(b, 0x50), ew))
            return true;
        f.speedKmh = finiteOr0(f64le(b, 0x60) * kKnotsToKmh);
        f.course = wrap360(f64le(b, 0x68));
    }
    setG(&f, i32le(b, 0x7C) / 1000.0, i32le(b, 0x80) / 1000.0, i32le(b, 0x84) / 1000.0);
    out->append(f);
    return true;
}

// Clock and status readable, coordinates enciphered (Akaso V1, Redtiger F7N): time and speed only.
bool encrypted(const QByteArray &b, QVector<Fix> *out)
{
    if (b.size() < 0x68)
        return false;
    const quint32 mo = u32le(b, 64), d = u32le(b, 68);
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || at(b, 72) != 'A' || !isNS(at(b, 73))
        || !isEW(at(b, 74)) || !zeros(b, 75, 5))
        return false;
    Fix f;
    setClock(&f, clockOf(u32le(b, 60), mo, d, u32le(b, 48), u32le(b, 52), u32le(b, 56)));
    if (!f.hasClock)
        return true;
    f.speedKmh = finiteOr0(f32le(b, 0x60));
    f.course = wrap360(f32le(b, 0x64) + 180.0);
    out->append(f);
    return true;
}

// "horsontech": status at B+64, year-first clock, longitude before latitude (Vantrue S1).
bool horsontech(const QByteArray &b, QVector<Fix> *out)
{
    if (b.size() < 124 || at(b, 64) != 'A' || !isNS(at(b, 65)) || !isEW(at(b, 66)) || at(b, 67) != 0)
        return false;
    Fix f;
    setClock(&f, clockOf(u32le(b, 68), u32le(b, 72), u32le(b, 76), u32le(b, 80), u32le(b, 84),
                         u32le(b, 88)));
    if (!f.hasClock || u32le(b, 72) < 1 || u32le(b, 76) < 1
        || !setDdmm(&f, f32le(b, 96), at(b, 65), f32le(b, 92), at(b, 66)))
        return true;
    f.speedKmh = finiteOr0(f32le(b, 100) * kKnotsToKmh);
    f.course = wrap360(f32le(b, 104));
    setG(&f, i32le(b, 112) / 1000.0, i32le(b, 116) / 1000.0, i32le(b, 120) / 1000.0);
    out->append(f);
    return true;
}

// u32 words: 'A' at B+28, N/S at B+40, E/W at B+56 around f64 ddmm values (Vantrue N4).
bool vantrueN4(const QByteArray &b, QVector<Fix> *out)
{
    if (b.size() < 104)
        return false;
    const quint32 st = u32le(b, 28), ns = u32le(b, 40), ew = u32le(b, 56);
    const bool fix = st == 'A' && isNS(char(ns)) && ns < 256 && isEW(char(ew)) && ew < 256;
    if (!fix && !(st == 'V' && ns < 256 && ew < 256 && (ns == 0 || isNS(char(ns)))))
        return false;
    Fix f;
    setClock(&f, clockOf(u32le(b, 80), u32le(b, 84), u32le(b, 88), u32le(b, 16), u32le(b, 20),
                         u32le(b, 24)));
    if (!f.hasClock)
        return false; // too weak a structure without a valid clock
    if (fix) {
        if (!setDdmm(&f, f64le(b, 32), char(ns), f64le(b, 48), char(ew)))
            return true;
        f.speedKmh = finiteOr0(f64le(b, 64) * kKnotsToKmh);
        f.course = wrap360(f64le(b, 72));
    }
    setG(&f, i32le(b, 92) / 1000.0, i32le(b, 96) / 1000.0, i32le(b, 100) / 1000.0);
    out->append(f);
    return true;
}

// The type-3 geometry: clock from B+48, status and letters at B+72, values from B+76; with
// "IQS" at B+16 the values are integers in 1e-7 degrees and m/s x100.
bool type3(const QByteArray &b, int *code, QVector<Fix> *out)
{
    if (b.size() < 92 || at(b, 75) != 0)
        return false;
    const char st = at(b, 72), ns = at(b, 73), ew = at(b, 74);
    const bool fix = st == 'A' && isNS(ns) && isEW(ew);
    const bool noFixLetters = (ns == 0 || ns == '0' || isNS(ns)) && (ew == 0 || ew == '0' || isEW(ew));
    if (!fix && !(st == 'V' && noFixLetters))
        return false;
    const bool iqs = b.mid(16, 3) == "IQS";
    *code = iqs ? kFreeGpsIqs : kFreeGpsType3;
    Fix f;
    setClock(&f, clockOf(u32le(b, 60), u32le(b, 64), u32le(b, 68), u32le(b, 48), u32le(b, 52),
                         u32le(b, 56)));
    if (!f.hasClock)
        return fix;
    if (fix && iqs) {
        const double lat = std::abs(double(i32le(b, 0x4C))) / 1e7;
        const double lon = std::abs(double(i32le(b, 0x50))) / 1e7;
        if (!setDegrees(&f, ns == 'S' ? -lat : lat, ew == 'W' ? -lon : lon))
            return true;
        f.speedKmh = finiteOr0(i32le(b, 0x54) / 100.0 * kMpsToKmh);
    } else if (fix) {
        double lat = f32le(b, 76), lon = f32le(b, 80);
        // Transcend DrivePro Body 70 (0x4000-byte blocks) stores decimal degrees and km/h in the
        // same fields; ExifTool tells them from ddmm by the size word and the range alone.
        const bool decimal = u32be(b, 0) == 0x4000 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
        if (decimal)
            *code = kFreeGpsTranscendDegrees;
        // Some firmware (Transcend DrivePro) repeats both as doubles, which are preferred when
        // they agree with the floats.
        if (b.size() >= 0xA8) {
            const double lat2 = f64le(b, 0x70), lon2 = f64le(b, 0x80);
            if (std::fabs(lat2 - lat) < 0.001 && std::fabs(lon2 - lon) < 0.001) {
                lat = lat2;
                lon = lon2;
            }
        }
        if (decimal ? !setDegrees(&f, ns == 'S' ? -std::fabs(lat) : std::fabs(lat),
                                  ew == 'W' ? -std::fabs(lon) : std::fabs(lon))
                    : !setDdmm(&f, lat, ns, lon, ew))
            return true;
        f.speedKmh = finiteOr0(f32le(b, 84) * (decimal ? 1.0 : kKnotsToKmh));
        f.course = wrap360(f32le(b, 88));
    }
    out->append(f);
    return true;
}

// One INNOVV record (or the "V00" slot of a record without fix) at pos.
bool innovvRecord(const QByteArray &b, int pos, Fix *f)
{
    if (pos < 0 || b.size() - pos < 32 || at(b, pos + 3) != 0)
        return false;
    const char st = at(b, pos), ns = at(b, pos + 1), ew = at(b, pos + 2);
    if (st == 'V' && ns == '0' && ew == '0') {
        *f = Fix();
        return true;
    }
    if (st != 'A' || !isNS(ns) || !isEW(ew))
        return false;
    Fix r;
    if (!setDdmm(&r, f32le(b, pos + 4), ns, f32le(b, pos + 8), ew))
        return false;
    r.speedKmh = finiteOr0(f32le(b, pos + 12) * kKnotsToKmh);
    r.course = wrap360(f32le(b, pos + 16));
    *f = r;
    return true;
}

// 32-byte records without clock, first at B+16 (INNOVV); also the INNOVV TS payload (base 0).
bool innovv(const QByteArray &b, int base, QVector<Fix> *out)
{
    Fix first;
    if (!innovvRecord(b, base, &first))
        return false;
    for (int pos = base; pos <= b.size() - 32 && out->size() < 100000;) {
        Fix f;
        if (innovvRecord(b, pos, &f)) {
            out->append(f);
            pos += 32;
        } else {
            ++pos;
        }
    }
    return true;
}

// Big-endian 32-byte "$S" records from B+0x30 (Nextbase 512G), 1/10 s clock.
// Big-endian 32-byte "$S" records from base (Nextbase 512G blocks at B+0x30, DOD LS600W TS
// payloads at +32): speed in 1/100 of speedUnitKmh, course x100 signed, clock to 1/10 s,
// degrees x1e7 signed.
bool sRecords(const QByteArray &b, int base, double speedUnitKmh, QVector<Fix> *out)
{
    if (b.size() - base < 32 || b.mid(base, 2) != "$S")
        return false;
    for (int pos = base; pos <= b.size() - 32 && b.mid(pos, 2) == "$S"; pos += 32) {
        const int tenths = u16be(b, pos + 12);
        const qint64 start = geo::utcMs(u16be(b, pos + 6), uchar(b.at(pos + 8)), uchar(b.at(pos + 9)),
                                        uchar(b.at(pos + 10)), uchar(b.at(pos + 11)), 0);
        if (start < 0 || tenths > 600)
            break;
        Fix f;
        setClock(&f, start + qint64(tenths) * 100);
        if (!setDegrees(&f, qint32(u32be(b, pos + 15)) / 1e7, qint32(u32be(b, pos + 19)) / 1e7))
            continue;
        f.speedKmh = finiteOr0(u16be(b, pos + 2) / 100.0 * speedUnitKmh);
        f.course = wrap360(qint16(u16be(b, pos + 4)) / 100.0);
        out->append(f);
    }
    return true;
}

// Text records "YYYY/MM/DD hh:mm:ss N:<deg> E:<deg> <speed> km/h x:<g> y:<g> z:<g> A:<course>"
// (XGODY blocks, Viidure TS payloads); degrees decimal, the speed in units of speedUnitKmh.
bool textRecord(const QByteArray &b, int pos, double speedUnitKmh, QVector<Fix> *out)
{
    if (!digits(b, pos, 4) || at(b, pos + 4) != '/' || !digits(b, pos + 5, 2) || !digits(b, pos + 8, 2)
        || !digits(b, pos + 11, 2) || !digits(b, pos + 14, 2) || !digits(b, pos + 17, 2))
        return false;
    Fix f;
    setClock(&f, geo::utcMs(number(b, pos, 4), number(b, pos + 5, 2), number(b, pos + 8, 2),
                            number(b, pos + 11, 2), number(b, pos + 14, 2), number(b, pos + 17, 2)));
    if (!f.hasClock)
        return false;
    int end = pos + 19;
    while (end < b.size() && end - pos < 400 && b.at(end) != '\0')
        ++end;
    const QList<QByteArray> tokens = b.mid(pos + 19, end - pos - 19).simplified().split(' ');
    double lat = 0, lon = 0, g[3] = {0, 0, 0};
    bool haveLat = false, haveLon = false, haveG = false;
    for (int i = 0; i < tokens.size(); ++i) {
        const QByteArray &t = tokens.at(i);
        bool ok = false;
        const double v = t.mid(2).toDouble(&ok);
        if (t.size() > 2 && t.at(1) == ':' && ok) {
            switch (t.at(0)) {
            case 'N': lat = v; haveLat = true; break;
            case 'S': lat = -v; haveLat = true; break;
            case 'E': lon = v; haveLon = true; break;
            case 'W': lon = -v; haveLon = true; break;
            case 'x': g[0] = v; haveG = true; break;
            case 'y': g[1] = v; haveG = true; break;
            case 'z': g[2] = v; haveG = true; break;
            case 'A': f.course = wrap360(v); break;
            default: break;
            }
        } else if (t == "km/h" && i > 0) {
            f.speedKmh = finiteOr0(tokens.at(i - 1).toDouble() * speedUnitKmh);
        } else if (i > 0 && tokens.at(i - 1) == "km/h" && t.toDouble(&ok) >= 0 && ok) {
            f.course = wrap360(t.toDouble()); // a bare number after the speed (Viidure)
        }
    }
    // Cameras write zeros in both coordinates before the first fix.
    if (!(haveLat && haveLon && (lat != 0 || lon != 0) && setDegrees(&f, lat, lon))) {
        f.speedKmh = 0;
        f.course = 0;
    }
    if (haveG && std::fabs(g[0]) < 16 && std::fabs(g[1]) < 16 && std::fabs(g[2]) < 16)
        setG(&f, g[0], g[1], g[2]);
    out->append(f);
    return true;
}

// 36-byte records found by resynchronising on 'A' N/S E/W after a plausible clock (XBHT XB702):
// clock bytes from R+1 (year-2000 .. tenths), u32 ddmm x1e4 at R+16/R+20, u16 km/h at R+28.
bool xbhtRecords(const QByteArray &b, QVector<Fix> *out)
{
    auto recordAt = [&](int r, Fix *f) {
        if (r < 0 || b.size() - r < 36 || at(b, r + 8) != 'A' || !isNS(at(b, r + 9)) || !isEW(at(b, r + 10)))
            return false;
        const auto u8 = [&](int i) { return int(uchar(b.at(r + i))); };
        if (u8(7) > 9)
            return false;
        const qint64 t = geo::utcMs(2000 + u8(1), u8(2), u8(3), u8(4), u8(5), u8(6) + u8(7) / 10.0);
        if (t < 0)
            return false;
        Fix fix;
        setClock(&fix, t);
        if (!setDdmm(&fix, u32le(b, r + 16) / 1e4, at(b, r + 9), u32le(b, r + 20) / 1e4, at(b, r + 10)))
            return false;
        fix.speedKmh = finiteOr0(u16le(b, r + 28));
        *f = fix;
        return true;
    };
    Fix first;
    if (!recordAt(16, &first))
        return false;
    for (int r = 16; r <= b.size() - 36 && out->size() < 100000;) {
        Fix f;
        if (recordAt(r, &f)) {
            out->append(f);
            r += 36;
        } else {
            ++r;
        }
    }
    return true;
}

// 70mai A810: one record a block and no clock. Status at B+30, then i32 values from B+31:
// latitude and longitude as signed ddmm.mmmmm x 1e5 (as ExifTool reads them since 12.99; the
// maker's older "GPS " atom stores ddmm too, x1e3), heading in degrees (ExifTool leaves it),
// speed in km/h; "VV" at B+51.
bool seventyMai(const QByteArray &b, QVector<Fix> *out)
{
    const char st = at(b, 30);
    if (b.size() < 92 || (st != 'A' && st != 'V'))
        return false;
    const bool signature = b.mid(51, 2) == "VV" || (u16le(b, 12) == u16le(b, 18) && u16le(b, 14) == 0);
    if (!signature)
        return false;
    Fix f;
    if (st == 'A') {
        const qint32 lat = i32le(b, 31), lon = i32le(b, 35);
        // The camera writes zeros in both before its first fix.
        if ((lat == 0 && lon == 0)
            || !setDdmm(&f, lat / 1e5, lat < 0 ? 'S' : 'N', lon / 1e5, lon < 0 ? 'W' : 'E'))
            return true;
        const qint32 heading = i32le(b, 39);
        f.course = heading >= 0 && heading <= 360 ? wrap360(heading) : 0.0;
        f.speedKmh = finiteOr0(i32le(b, 43));
    }
    out->append(f);
    return true;
}

// LIGOGPSINFO directories at B+16, B+48 or B+80 (iiway S1, XGODY, ABASK A8, Rexing V1GW-4K,
// Kingslim D4) and behind a "skip" box header in TS packets: 132-byte slots from the directory's
// byte 20, "####" records in the maker's cipher or plain text behind a 4-byte counter, read by
// realcams::ligoSlots. The flag word at directory+12 says whether the maker fuzzed the
// coordinates (anything but 1 or 0x14); ExifTool undoes the fuzzing with scale 1, or 3 for
// ABASK's header (size 0x3f0 at B+12 and a zero word at B+32). Slots whose cipher does not open
// (the digit-substitution form) are left. Stamps are the camera's clock.
bool ligoRecords(const QByteArray &b, int dir, bool fuzzed, double scale, QVector<Fix> *out)
{
    QVector<realcams::LigoSlot> slots;
    if (!realcams::ligoSlots(b, dir, fuzzed, scale, 100000, &slots))
        return false;
    for (const realcams::LigoSlot &slot : qAsConst(slots)) {
        const AssistInfo &s = slot.sample;
        Fix f;
        setClock(&f, slot.clockMs, true);
        if (s.hasPosition && setDegrees(&f, s.latitudeDeg, s.longitudeDeg)) {
            f.speedKmh = finiteOr0(s.speed);
            f.course = wrap360(s.course);
        }
        if (s.hasGSensor)
            setG(&f, s.x, s.y, s.z);
        out->append(f);
    }
    return true;
}

// The freeGPS form of those directories (ExifTool's freeGPS type 5).
bool ligoBlock(const QByteArray &b, QVector<Fix> *out)
{
    for (int dir : {16, 48, 80}) {
        if (b.mid(dir, 12) != QByteArray("LIGOGPSINFO\0", 12))
            continue;
        const quint32 flag = u32be(b, dir + 12);
        const bool abask = dir == 16 && u32le(b, 12) == 0x3f0 && u32le(b, 32) == 0;
        return ligoRecords(b, dir, flag != 1 && flag != 0x14, abask ? 1.15368 : realcams::kLigoUnfuzzScale, out);
    }
    return false;
}

} // namespace

int decodeBlock(const QByteArray &b, bool complete, DecodeState *state, QVector<Fix> *out)
{
    if (b.size() < 12 || b.mid(4, 8) != "freeGPS ")
        return 0;
    int code = 0;
    if (xorText(b, out))
        return kFreeGpsXorText;
    // Multi-record variants need the whole block before anything is taken from it.
    const bool multiRecord = b.mid(0x45, 3) == "ATC" || b.mid(0x30, 2) == "$S" || at(b, 24) == 'A'
        || (at(b, 16) == 'A' && isNS(at(b, 17)) && isEW(at(b, 18)) && at(b, 19) == 0)
        || b.mid(16, 4) == QByteArray("V00\0", 4) || b.indexOf("LIGOGPSINFO") >= 0;
    if (!complete && multiRecord)
        return kNeedWholeBlock;
    if (atcRing(b, state, out))
        return kFreeGpsAtcRing;
    if (ligoBlock(b, out))
        return kFreeGpsLigo;
    if (nmeaText(b, out))
        return kFreeGpsNmeaText;
    bool eace = false;
    if (shiftedAt(b, 16, out, &eace))
        return eace ? kFreeGpsEAceText : kFreeGpsShifted;
    if (akasoFloats(b, &code, out))
        return code;
    if (minus16Rmc(b, out))
        return kFreeGpsMinus16Rmc;
    if (f64Layout(b, out))
        return kFreeGpsF64;
    if (encrypted(b, out))
        return kFreeGpsEncrypted;
    if (horsontech(b, out))
        return kFreeGpsHorsontech;
    if (vantrueN4(b, out))
        return kFreeGpsVantrueN4;
    if (type3(b, &code, out))
        return code;
    if (b.size() >= 64 + 56 && shiftedAt(b, 64, out, &eace))
        return eace ? kFreeGpsEAceText : kFreeGpsKenwoodBanner;
    if (innovv(b, 16, out))
        return kFreeGpsInnovv;
    if (sRecords(b, 0x30, kMpsToKmh, out))
        return kFreeGpsNextbaseS;
    if (textRecord(b, 23, kKnotsToKmh, out))
        return kFreeGpsXgodyText;
    if (xbhtRecords(b, out))
        return kFreeGpsXbht;
    if (seventyMai(b, out))
        return kFreeGps70mai;
    const int rmc = findRmc(b, 12);
    if (rmc >= 0) {
        Fix f;
        if (parseRmcAt(b, rmc, &f))
            out->append(f);
        return kFreeGpsRmcAnywhere;
    }
    return complete ? 0 : kNeedWholeBlock;
}

int decodeTsPayload(const QByteArray &p, DecodeState *state, QVector<Fix> *out)
{
    // The shifted record without the 16 bytes of block header: status at payload offset 24,
    // directly or behind the 164-byte prefix of some cameras.
    if (shiftedAt(p, 0, out))
        return kFreeGpsTsRecord;
    if (p.size() >= 164 + 56 && shiftedAt(p, 164, out))
        return kFreeGpsTsPrefixed;
    if (innovv(p, 0, out))
        return kFreeGpsTsInnovv;
    // LIGOGPSINFO packets: bare (fuzzed when 200 bytes long and the flag word says so, as
    // ExifTool reads the Pruveeo D90) or behind a "skip" box header (never fuzzed).
    if (p.startsWith(QByteArray("LIGOGPSINFO\0", 12))) {
        const quint32 flag = u32be(p, 12);
        ligoRecords(p, 0, p.size() == 200 && flag != 1 && flag != 0x14, realcams::kLigoUnfuzzScale, out);
        return kFreeGpsLigo;
    }
    if (p.startsWith("skip") && ligoRecords(p, 8, false, 0.0, out))
        return kFreeGpsLigo;
    if (p.startsWith("$GPSINFO") || p.startsWith("$GSNRINFO")) {
        int start = 0;
        int code = 0;
        while (start < p.size()) {
            int end = start;
            while (end < p.size() && p.at(end) != '\r' && p.at(end) != '\n')
                ++end;
            if (decodeTsTextLine(p.mid(start, end - start), out))
                code = kFreeGpsTsGpsInfo;
            start = end + 1;
        }
        return code ? code : kFreeGpsTsGpsInfo;
    }
    if (p.startsWith("Viidure") && textRecord(p, 7, 1.0, out))
        return kFreeGpsTsViidure;
    QVector<Fix> cyclic;
    if (p.size() >= 64 && sRecords(p, 32, kMpsToKmh, &cyclic)) {
        // The camera keeps a cyclic list: take its records in time order, each once.
        std::sort(cyclic.begin(), cyclic.end(), [](const Fix &a, const Fix &b) { return a.clockMs < b.clockMs; });
        for (const Fix &f : cyclic) {
            if (f.clockMs > state->newestRingClockMs) {
                state->newestRingClockMs = f.clockMs;
                out->append(f);
            }
        }
        return kFreeGpsTsDodS;
    }
    const int rmc = findRmc(p);
    if (rmc >= 0 && rmc < 64) {
        Fix f;
        if (parseRmcAt(p, rmc, &f))
            out->append(f);
        return kFreeGpsTsRmcText;
    }
    return 0;
}

int decodeTsTextLine(const QByteArray &rawLine, QVector<Fix> *out)
{
    QByteArray line = rawLine;
    line.replace('\0', QByteArray());
    if (!line.startsWith("$GPSINFO,"))
        return 0;
    // $GPSINFO,<flags>,YYYY.MM.DD hh:mm:ss,<lat ddmm>,<lon dddmm>,<km/h>,<?>,<course>,...
    const QList<QByteArray> t = line.split(',');
    if (t.size() < 8)
        return 0;
    const QByteArray &when = t.at(2);
    if (when.size() < 19 || !digits(when, 0, 4) || !digits(when, 5, 2) || !digits(when, 8, 2)
        || !digits(when, 11, 2) || !digits(when, 14, 2) || !digits(when, 17, 2))
        return 0;
    Fix f;
    setClock(&f, geo::utcMs(number(when, 0, 4), number(when, 5, 2), number(when, 8, 2),
                            number(when, 11, 2), number(when, 14, 2), number(when, 17, 2)));
    if (!f.hasClock)
        return 0;
    bool okLat = false, okLon = false;
    const double lat = t.at(3).toDouble(&okLat), lon = t.at(4).toDouble(&okLon);
    // The line carries no hemisphere letters; a signed value carries its own sign.
    if (okLat && okLon && (lat != 0 || lon != 0)
        && setDdmm(&f, lat, lat < 0 ? 'S' : 'N', lon, lon < 0 ? 'W' : 'E')) {
        f.speedKmh = finiteOr0(t.at(5).toDouble());
        f.course = wrap360(t.at(7).toDouble());
    }
    out->append(f);
    return kFreeGpsTsGpsInfo;
}

QString variantName(int code)
{
    return code >= kFreeGpsType3 && code <= 39 ? layoutName(code) : QString();
}

} // namespace freegps
