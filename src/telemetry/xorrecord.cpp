#include "xorrecord.h"

#include "geo.h"

namespace xorrecord {

namespace {

bool digits(const QByteArray &t, int at, int n)
{
    if (at < 0 || n <= 0 || t.size() - at < n)
        return false;
    for (int i = at; i < at + n; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
    }
    return true;
}

int number(const QByteArray &t, int at, int n)
{
    int v = 0;
    for (int i = at; i < at + n; ++i)
        v = v * 10 + (t[i] - '0');
    return v;
}

bool isSign(char c)
{
    return c == '+' || c == '-';
}

// "[+-]ddd" three times from at, in 1/100 g.
bool gTriple(const QByteArray &t, int at, Record *out)
{
    double v[3];
    for (int i = 0; i < 3; ++i) {
        const int p = at + 4 * i;
        if (p >= t.size() || !isSign(t[p]) || !digits(t, p + 1, 3))
            return false;
        v[i] = (t[p] == '-' ? -1 : 1) * number(t, p + 1, 3) / 100.0;
    }
    out->hasG = true;
    out->gx = v[0];
    out->gy = v[1];
    out->gz = v[2];
    return true;
}

} // namespace

QByteArray unmask(const QByteArray &record, int at, int n)
{
    QByteArray t = record.mid(at, n);
    for (char &c : t)
        c = char(c ^ 0xAA);
    return t;
}

bool read(const QByteArray &record, Record *out)
{
    // The speed's three digits end the fields every camera writes.
    if (record.size() < 65)
        return false;
    const QByteArray t = unmask(record, 0, kTextBytes);
    if (!digits(t, 8, 14))
        return false;
    Record r;
    r.stampMs = geo::utcMs(number(t, 8, 4), number(t, 12, 2), number(t, 14, 2),
                           number(t, 16, 2), number(t, 18, 2), number(t, 20, 2));
    if (r.stampMs < 0)
        return false;
    const char ns = t[38], ew = t[47];
    if ((ns == 'N' || ns == 'S') && (ew == 'E' || ew == 'W') && digits(t, 39, 8)
        && digits(t, 48, 9)) {
        const double lat = geo::ddmmToDegrees(number(t, 39, 8) / 1e4);
        const double lon = geo::ddmmToDegrees(number(t, 48, 9) / 1e4);
        // Zeros in both are no fix (the record has no status of its own, and 0/0 in the Gulf of
        // Guinea is where no car drives).
        if (lat >= 0 && lat <= 90 && lon >= 0 && lon <= 180 && (lat != 0 || lon != 0)) {
            r.hasPosition = true;
            r.latDeg = ns == 'S' ? -lat : lat;
            r.lonDeg = ew == 'W' ? -lon : lon;
            if (digits(t, 57, 8))
                r.speedKmh = number(t, 57, 8);
            else if (digits(t, 62, 3))
                r.speedKmh = number(t, 62, 3);
        }
    }
    if (!gTriple(t, 65, &r))
        gTriple(t, 173, &r);
    *out = r;
    return true;
}

} // namespace xorrecord
