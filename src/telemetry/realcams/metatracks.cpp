// NMEA text cues in MP4 text and subtitle tracks: plain sentences, Thinkware's
// "gsensori,...;GNRMC,..." lines, Nextbase's binary cues around RMC and GGA fields, the
// Mini 0806's comma-separated fix lines, the veiled cues of Roadhawk and E-PRANCE, and "$G:" /
// "$GS" cues. Every sample takes its time from the track's stts, and its UTC from the RMC date and
// time (GPS clock) or the "$G:" stamp (the camera's clock).

#include "realcams.h"
#include "realcommon.h"

#include <QRegularExpression>
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

// Nextbase 322GW..522GW cues are binary: a 288-byte text (4 zero bytes, a 16-byte date, i32 LE
// y, x, z in 1/1280 g with y pointing the other way, then 128-byte RMC and GGA fields).
bool nextbaseG(const QByteArray &text, std::array<double, 3> *g)
{
    if (text.size() != 0x120 || !text.startsWith(QByteArray(4, '\0')) || text.mid(32, 1) != "$")
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(text.constData());
    *g = {qFromLittleEndian<qint32>(p + 24) / 1280.0, -qFromLittleEndian<qint32>(p + 20) / 1280.0,
        qFromLittleEndian<qint32>(p + 28) / 1280.0};
    return true;
}

// Roadhawk cues end "*hh~" and hide everything before that behind a substitution of the
// characters '+' to 'R'; the text is "X<g>Y<g>Z<g>G<g>$GPRMC,...". E-PRANCE B47FS cues sit
// between a NUL and a line feed, every byte shifted by the amount that makes the fourth byte
// from the end the '*' of the checksum; the text is "<x> <y> <z>$GPRMC,..." in milli-g.
enum class Veil { None, Roadhawk, Eprance };

QByteArray unveiled(const QByteArray &text, Veil *veil, std::array<double, 3> *g, bool *haveG)
{
    *veil = Veil::None;
    const int n = text.size();
    if (n > 4 && text[n - 1] == '~' && text[n - 4] == '*') {
        static const char kTable[] = "-I8XQWRVNZOYPUTA0B1C2SJ9K.L,M$D3E4F5G6H7";
        QByteArray plain = text.left(n - 4);
        for (char &c : plain) {
            const int k = uchar(c) - 43;
            if (k >= 0 && k < int(sizeof kTable) - 1)
                c = kTable[k];
        }
        const int x = plain.indexOf('X'), y = plain.indexOf('Y'), z = plain.indexOf('Z');
        const int gi = plain.indexOf('G'), dollar = plain.indexOf('$');
        if (x == 0 && x < y && y < z && z < gi && gi < dollar) {
            bool a = false, b = false, c = false;
            *g = {plain.mid(x + 1, y - x - 1).toDouble(&a),
                plain.mid(y + 1, z - y - 1).toDouble(&b),
                plain.mid(z + 1, gi - z - 1).toDouble(&c)};
            *haveG = a && b && c;
            *veil = Veil::Roadhawk;
            return plain.mid(dollar);
        }
    }
    if (n > 5 && text[0] == '\0' && text[n - 1] == '\n') {
        const int shift = '*' - uchar(text[n - 4]);
        QByteArray plain = text.mid(1, n - 2);
        for (char &c : plain)
            c = char(uchar(c) + shift);
        const int dollar = plain.indexOf('$');
        if (dollar >= 0 && plain.mid(dollar + 3, 4) == "RMC,") {
            const QList<QByteArray> v = plain.left(dollar).simplified().split(' ');
            bool a = false, b = false, c = false;
            if (v.size() == 3)
                *g = {v[0].toDouble(&a) / 1000.0, v[1].toDouble(&b) / 1000.0,
                    v[2].toDouble(&c) / 1000.0};
            *haveG = a && b && c;
            *veil = Veil::Eprance;
            return plain.mid(dollar);
        }
    }
    return text;
}

struct CueReading
{
    QVector<NmeaFix> fixes;
    bool haveG = false;
    std::array<double, 3> g{0, 0, 0};
    bool mini0806 = false;
};

// Mini 0806 cues: "A,ddmmyy,hhmmss.sss,ddmm.mmmm,N,dddmm.mmmm,W,<km/h>,<alt>M,<ax>,<ay>,<az>"
// with the accelerometer in m/s^2 (gravity included).
bool readMini0806(const QByteArray &s, NmeaFix *fix, std::array<double, 3> *g)
{
    const QList<QByteArray> f = s.split(',');
    if (f.size() < 12 || (f[0] != "A" && f[0] != "V") || geo::nmeaDateDays(f[1]) < 0
        || geo::nmeaTimeOfDayMs(f[2]) < 0 || !f[8].endsWith('M'))
        return false;
    // The same fields as an RMC from the time on; its checks apply.
    nmea::decodeRmc("GPRMC," + f[2] + ',' + f[0] + ',' + f[3] + ',' + f[4] + ',' + f[5] + ','
            + f[6] + ",,," + f[1],
        fix);
    bool ok = false;
    const double kmh = f[7].toDouble(&ok);
    fix->speedKmh = ok && kmh >= 0.0 ? kmh : -1.0;
    bool a = false, b = false, c = false;
    *g = {f[9].toDouble(&a) / 9.80665, f[10].toDouble(&b) / 9.80665, f[11].toDouble(&c) / 9.80665};
    return a && b && c;
}

// Splits a cue into sentences and reads the RMC ones (GGA when it has none) and Thinkware's
// gsensori field
// ("gsensori,<range>,<counts per g>,X,Y,Z").
CueReading readCue(const QByteArray &text)
{
    CueReading r;
    QVector<NmeaFix> gga; // used only by cues without RMC
    QByteArray part;
    auto finish = [&r, &gga](QByteArray s) {
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
        std::array<double, 3> g;
        if (s.size() > 2 && s[1] == ',' && readMini0806(s, &fix, &g)) {
            r.fixes.append(fix);
            r.haveG = r.mini0806 = true;
            r.g = g;
        } else if (s.size() >= 5 && s.mid(2, 3) == "RMC" && nmea::decodeRmc(s, &fix))
            r.fixes.append(fix);
        else if (s.size() >= 5 && s.mid(2, 3) == "GGA" && nmea::decodeGga(s, &fix))
            gga.append(fix);
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
    if (r.fixes.isEmpty())
        r.fixes = gga;
    return r;
}

// "$G:" and "$GS" cues (a camera known from ExifTool's forum, thread 13115):
// "$G:YYYY-MM-DD hh:mm:ss-N<deg>-E<deg>-S<km/h>" on the camera's clock (ExifTool gives it no
// "Z"), and "$GS:<a>,<b>,<c>" accelerometer counts, turned into g as the maker's Windows tool
// shows them: x = (b + 2432) / 1000, y = (c + 361) / 1000, z = (a - 3708) / 1000. False when the
// cue holds neither.
bool readDollarG(const QByteArray &text, AssistInfo *s)
{
    static const QRegularExpression fix(QStringLiteral(
        "\\$G:(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})"
        "-([NS])(\\d+\\.\\d+)-([EW])(\\d+\\.\\d+)-S(\\d+)"));
    static const QRegularExpression g(
        QStringLiteral("\\$GS(?!\\w)[^$\\x00]*?:([-+]?\\d+),([-+]?\\d+),([-+]?\\d+)"));
    const QString cue = QString::fromLatin1(text.left(4096));
    const QRegularExpressionMatch m = fix.match(cue), a = g.match(cue);
    if (!m.hasMatch() && !a.hasMatch())
        return false;
    if (m.hasMatch()) {
        auto n = [&m](int i) { return m.capturedRef(i).toInt(); };
        s->setUtc(geo::utcMs(n(1), n(2), n(3), n(4), n(5), n(6)), AssistInfo::Clock::Camera);
        const double lat = m.capturedRef(8).toDouble(), lon = m.capturedRef(10).toDouble();
        if (setPosition(s, m.capturedRef(7) == QLatin1String("S") ? -lat : lat,
                m.capturedRef(9) == QLatin1String("W") ? -lon : lon))
            s->speed = std::min(n(11), 100000);
    }
    if (a.hasMatch()) {
        const double x = a.capturedRef(2).toDouble(), y = a.capturedRef(3).toDouble(),
                     z = a.capturedRef(1).toDouble();
        setGSensor(s, (x + 2432) / 1000.0, (y + 361) / 1000.0, (z - 3708) / 1000.0);
    }
    return true;
}

LayoutResult readTextTrack(ByteSource &src, const DataTrack &t)
{
    TrackSamples track(src, t);
    AssistInfoList samples;
    bool recognised = false, thinkware = false, nextbase = false, mini0806 = false, dollarG = false;
    Veil veiled = Veil::None;
    qint64 last = -1;
    for (quint32 id = 1; id <= track.count() && samples.size() < kMaxSamples; ++id) {
        if (!recognised && id > kTextProbeCues)
            return {};
        QByteArray bytes;
        qint64 start = 0, duration = 0;
        if (!track.read(id, &bytes, &start, &duration, 1u << 20))
            continue;
        duration = std::min<qint64>(duration, 3600000); // a cue of over an hour is damage
        Veil veil = Veil::None;
        std::array<double, 3> veiledG{0, 0, 0};
        bool haveVeiledG = false;
        const QByteArray text = unveiled(cueText(bytes), &veil, &veiledG, &haveVeiledG);
        CueReading cue = readCue(text);
        if (veil != Veil::None) {
            cue.haveG = haveVeiledG;
            cue.g = veiledG;
            veiled = veil;
        }
        if (!cue.haveG && nextbaseG(text, &cue.g))
            cue.haveG = nextbase = true;
        AssistInfo dollar = emptySample(start);
        if (cue.fixes.isEmpty() && !cue.haveG && veil == Veil::None && readDollarG(text, &dollar)) {
            recognised = dollarG = true;
            if (dollar.timeMs >= last) {
                last = dollar.timeMs;
                samples.append(dollar);
            }
            continue;
        }
        if (cue.fixes.isEmpty() && !cue.haveG)
            continue;
        recognised = true;
        mini0806 = mini0806 || cue.mini0806;
        thinkware = thinkware || (cue.haveG && !nextbase && !mini0806 && veiled == Veil::None);
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
    if (nextbase)
        return makeResult(58, samples);
    if (mini0806)
        return makeResult(59, samples);
    if (veiled == Veil::Roadhawk)
        return makeResult(65, samples);
    if (veiled == Veil::Eprance)
        return makeResult(66, samples);
    if (dollarG)
        return makeResult(69, samples);
    return makeResult(thinkware ? 42 : 41, samples);
}

} // namespace

LayoutResult realcams::textFromTracks(ByteSource &src, const QVector<DataTrack> &tracks)
{
    for (const DataTrack &t : tracks) {
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

LayoutResult readTextMetaTrack(ByteSource &src, const ReadContext &ctx)
{
    return textFromTracks(src, findDataTracks(src, ctx));
}
