// A text trailer after the last box: a box "SKIP" holding "LIGOGPSINFO", five spaces, a
// big-endian slot count and 132-byte slotCount (big-endian index, then one NUL-padded text record a
// second), closed by "####" and the big-endian size of that box as the file's last eight bytes.
// An encrypted copy of the records precedes it; the plain one is enough.
//
// Record text: "YYYY/MM/DD hh:mm:ss N:<lat> E:<lon> <speed> km/h x:<g> y:<g> z:<g> A:<course>
// H:<alt> M:<magvar>" with decimal degrees (ddmm when the latitude has three integer digits or
// more); '?' for a hemisphere means no fix, a '-' sign overrides the letter.

#include "realcams.h"
#include "realcommon.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

constexpr int kCode = 55;
constexpr const char *kName = "LIGOGPSINFO #### trailer";
constexpr int kSlot = 0x84;
constexpr int kDirectory = 28; // size, SKIP, LIGOGPSINFO, five spaces, count
constexpr qint64 kMaxTrailer = 64ll << 20;

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

// One record; false when it has no clock (a blank or foreign slot).
bool parseRecord(const QByteArray &text, qint64 *clockMs, AssistInfo *s)
{
    const QList<QByteArray> tokens = text.simplified().split(' ');
    if (tokens.size() < 2)
        return false;
    const QList<QByteArray> date = tokens[0].split('/'), time = tokens[1].split(':');
    if (date.size() != 3 || time.size() != 3)
        return false;
    const int y = date[0].toInt(), mo = date[1].toInt(), d = date[2].toInt();
    const int h = time[0].toInt(), mi = time[1].toInt(), se = time[2].toInt();
    if (y < 1970 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60)
        return false;
    *clockMs = ((daysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000LL + se * 1000LL;

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
        lat = ddmmToDegrees(lat);
        lon = ddmmToDegrees(lon);
    }
    if (setPosition(s, negLat ? -lat : lat, negLon ? -lon : lon)) {
        if (speed >= 0)
            s->speed = qRound(std::min(speed, 1.0e6));
        if (course >= 0)
            s->course = course;
    }
    return true;
}

} // namespace

LayoutResult readHashTrailer(ByteSource &src, const ReadContext &)
{
    const qint64 size = src.size();
    char tail[8];
    if (size < 8 + kDirectory || !src.readExact(size - 8, tail, 8) || std::memcmp(tail, "####", 4) != 0)
        return {};
    const qint64 boxSize = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(tail + 4));
    if (boxSize < kDirectory || boxSize > size - 8 || boxSize > kMaxTrailer)
        return {};
    const qint64 start = size - 8 - boxSize;
    const QByteArray box = src.readAt(start, boxSize);
    if (box.size() != boxSize
        || qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(box.constData())) != boxSize
        || box.mid(4, 4).toUpper() != "SKIP" || box.mid(8, 11) != "LIGOGPSINFO")
        return {};
    const quint32 count = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(box.constData()) + 24);
    const qint64 slotCount = std::min<qint64>(count, (boxSize - kDirectory) / kSlot);

    AssistInfoList samples;
    qint64 first = -1, last = -1;
    for (qint64 i = 0; i < slotCount && samples.size() < kMaxSamples; ++i) {
        const int at = int(kDirectory + i * kSlot);
        QByteArray text = box.mid(at + 4, kSlot - 4);
        const int nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        AssistInfo s = emptySample(0);
        qint64 clock = 0;
        if (text.isEmpty() || !parseRecord(text, &clock, &s))
            continue;
        if (first < 0)
            first = clock;
        s.timeMs = clock - first;
        if (s.timeMs < last)
            continue;
        last = s.timeMs;
        samples.append(s);
    }
    return makeResult(kCode, kName, samples);
}
