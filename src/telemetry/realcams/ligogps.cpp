#include "ligogps.h"
#include "realcommon.h"

#include <QVector>
#include <QtEndian>
#include <cmath>

namespace realcams {

namespace {

bool number(const QByteArray &text, double *out)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

struct Coordinate
{
    char letter = 0;
    QByteArray value;
};

} // namespace

bool parseLigoText(
    const QByteArray &text, double speedFactor, qint64 *clockMs, AssistInfo *s, double unfuzzScale)
{
    const QList<QByteArray> tokens = text.simplified().split(' ');
    if (tokens.size() < 2)
        return false;
    const QList<QByteArray> date = tokens[0].split('/'), time = tokens[1].split(':');
    if (date.size() != 3 || time.size() != 3)
        return false;
    const qint64 clock = geo::utcMs(date[0].toInt(), date[1].toInt(), date[2].toInt(),
        time[0].toInt(), time[1].toInt(), time[2].toInt());
    if (clock < 0)
        return false;
    *clockMs = clock;
    s->setUtc(clock, AssistInfo::Clock::Camera);

    QVector<Coordinate> coords;
    double speed = -1.0, course = -1.0, g[3];
    bool haveG[3] = {false, false, false};
    for (int i = 2; i < tokens.size(); ++i) {
        const QByteArray &t = tokens[i];
        const int colon = t.indexOf(':');
        double v = 0.0;
        if (colon == 1) {
            const char key = t[0];
            const QByteArray value = t.mid(2);
            if (key == 'N' || key == 'S' || key == 'E' || key == 'W' || key == '?') {
                if (coords.size() < 2)
                    coords.append(Coordinate{key, value});
            } else if ((key == 'x' || key == 'y' || key == 'z') && number(value, &v)) {
                g[key - 'x'] = v;
                haveG[key - 'x'] = true;
            } else if (key == 'A' && number(value, &v) && v >= 0 && v <= 360) {
                course = v;
            }
        } else if (colon < 0 && speed < 0 && coords.size() == 2 && number(t, &v) && v >= 0) {
            speed = v;
        }
    }
    if (haveG[0] && haveG[1] && haveG[2])
        setGSensor(s, g[0], g[1], g[2]);
    if (coords.size() != 2 || coords[0].letter == '?' || coords[1].letter == '?')
        return true;
    double lat = 0.0, lon = 0.0;
    if (!number(coords[0].value, &lat) || !number(coords[1].value, &lon))
        return true;
    const bool negLat = coords[0].value.startsWith('-') || coords[0].letter == 'S';
    const bool negLon = coords[1].value.startsWith('-') || coords[1].letter == 'W';
    lat = std::fabs(lat);
    lon = std::fabs(lon);
    // Only the latitude tells ddmm from degrees: longitudes are zero-padded to three digits.
    const QByteArray latInt = coords[0].value.split('.').value(0);
    if (latInt.size() - (latInt.startsWith('-') ? 1 : 0) >= 3) {
        lat = geo::ddmmToDegrees(lat);
        lon = geo::ddmmToDegrees(lon);
        if (lat < 0.0 || lon < 0.0)
            return true;
        speedFactor = 1.0; // such records store km/h whatever their carrier
    }
    if (unfuzzScale > 0.0) {
        const double latTens = std::trunc(lat / 10.0) * 10.0;
        const double lonTens = std::trunc(lon / 10.0) * 10.0;
        const double unfuzzedLat = latTens + (lon - lonTens) * unfuzzScale;
        lon = lonTens + (lat - latTens) * unfuzzScale;
        lat = unfuzzedLat;
    }
    if (setPosition(s, negLat ? -lat : lat, negLon ? -lon : lon)) {
        if (speed >= 0)
            s->speed = qRound(std::min(speed * speedFactor, 1.0e6));
        if (course >= 0)
            s->course = course;
    }
    return true;
}

QByteArray decryptLigo(const QByteArray &body)
{
    QByteArray out;
    const uchar *p = reinterpret_cast<const uchar *>(body.constData());
    const int n = body.size();
    out.reserve(n * 4 / 3 + 4);
    for (int i = 0; i < n;) {
        const uchar c = p[i++];
        const int group = c & 0xE0;
        const int need = group == 0x00 ? 1 : (group == 0xC0 || group == 0xE0 ? 4 : 3);
        if (group == 0x20 || need > n - i)
            return out.isEmpty() || group == 0x20 ? QByteArray() : out;
        const uchar *q = p + i;
        i += need;
        auto put = [&out](int v) { out.append(char(v)); };
        switch (group) {
        case 0x00: put(q[0] | (c & 0x13)); break;
        case 0x40:
            put(0x20);
            put((q[0] | (c & 1)) ^ 0x20);
            put((q[1] | (c & 6)) ^ 0x20);
            put((q[2] | (c & 0x18)) ^ 0x20);
            break;
        case 0x60:
            put((q[0] | (c & 3)) ^ 0x20);
            put(0x20);
            put((q[1] | (c & 4)) ^ 0x20);
            put((q[2] | (c & 0x18)) ^ 0x20);
            break;
        case 0x80:
            put((q[0] | (c & 3)) ^ 0x20);
            put((q[1] | (c & 0x0C)) ^ 0x20);
            put(0x20);
            put((q[2] | (c & 0x10)) ^ 0x20);
            break;
        case 0xA0:
            put((q[0] | (c & 1)) ^ 0x20);
            put((q[1] | (c & 6)) ^ 0x20);
            put((q[2] | (c & 0x18)) ^ 0x20);
            put(0x20);
            break;
        default: // 0xC0, 0xE0
            put((q[0] | (c & 1)) ^ 0x20);
            put((q[1] | (c & 2)) ^ 0x20);
            put((q[2] | (c & 0x0C)) ^ 0x20);
            put((q[3] ^ 0x20) | (c & 0x30));
            break;
        }
    }
    return out;
}

QByteArray ligoEncryptedText(const QByteArray &record)
{
    if (record.size() < 8 || !record.startsWith("####"))
        return QByteArray();
    const quint32 n
        = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(record.constData()) + 4);
    // A record fills at most one 132-byte slot.
    if (n < 4 || n > 0x84 || int(n) > record.size() - 8)
        return QByteArray();
    QByteArray text = decryptLigo(record.mid(8, int(n))).mid(4); // without the counter
    const int nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

bool ligoFlagSaysFuzzed(const QByteArray &b, int dir)
{
    if (dir < 0 || dir > b.size() - 16)
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(b.constData());
    const quint32 flag = qFromBigEndian<quint32>(p + dir + 12);
    return flag != 1 && flag != 0x14;
}

bool ligoSlots(const QByteArray &b, int dir, bool fuzzed, double unfuzzScale, int cap,
    QVector<LigoSlot> *out)
{
    constexpr int kSlot = 0x84;
    if (dir < 0 || dir > b.size() - 0x14 - kSlot
        || b.mid(dir, 12) != QByteArray("LIGOGPSINFO\0", 12))
        return false;
    for (int pos = dir + 0x14; pos <= b.size() - kSlot && out->size() < cap; pos += kSlot) {
        const QByteArray slot = b.mid(pos, kSlot);
        QByteArray text;
        double speedFactor = 1.0;
        if (slot.startsWith("####")) {
            text = ligoEncryptedText(slot);
            speedFactor = fuzzed ? kLigoFuzzedSpeedFactor : 1.852;
        } else {
            // Blank slots of zeros sit between records: only a dated one is read.
            const QByteArray date = slot.mid(4, 11);
            bool digits = true;
            for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
                digits = digits && date[i] >= '0' && date[i] <= '9';
            if (!digits || date[4] != '/' || date[7] != '/' || date[10] != ' ')
                continue;
            text = slot.mid(4);
            const int nul = text.indexOf('\0');
            if (nul >= 0)
                text.truncate(nul);
        }
        LigoSlot s;
        s.sample = emptySample(0);
        const double unfuzz = fuzzed && slot.startsWith("####") ? unfuzzScale : 0.0;
        if (!text.isEmpty() && parseLigoText(text, speedFactor, &s.clockMs, &s.sample, unfuzz))
            out->append(s);
    }
    return true;
}

QByteArray ligoRecordText(const QByteArray &sample, bool *encrypted)
{
    *encrypted = false;
    const int dir = sample.indexOf("LIGOGPSINFO");
    if (dir < 0 || dir > sample.size() - 24)
        return QByteArray();
    const int at = dir + 20;
    if (sample.mid(at, 4) == "####") {
        *encrypted = true;
        return ligoEncryptedText(sample.mid(at));
    }
    QByteArray text = sample.mid(at + 4, 0x84 - 4); // after the counter
    const int nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

} // namespace realcams
