#include "morecam_fixtures.h"

#include "morecams.h"

#include <QDateTime>
#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace mp4fx;

namespace mcfx {

namespace {

QByteArray leDouble(double v)
{
    quint64 u;
    std::memcpy(&u, &v, 8);
    QByteArray b(8, '\0');
    qToLittleEndian(u, b.data());
    return b;
}

QByteArray beFloat(float v)
{
    quint32 u;
    std::memcpy(&u, &v, 4);
    return be32(u);
}

QByteArray u8(int v)
{
    return QByteArray(1, char(v));
}

// ddmm.mmmm of |degrees|.
double ddmm(double deg)
{
    const double a = std::fabs(deg);
    const double d = std::floor(a);
    return d * 100.0 + (a - d) * 60.0;
}

// A recording with one short video track, so the layouts sit beside real boxes.
FilePlan plainPlan()
{
    FilePlan plan;
    TrackPlan video;
    video.samples = {QByteArray(16, '\x11'), QByteArray(16, '\x22')};
    plan.tracks = {video};
    return plan;
}

// The movie's creation time: mvhd (version 0), seconds since 1904 after version and flags.
QByteArray withMovieTime(QByteArray file, qint64 creationUnix)
{
    const int mvhd = file.indexOf("mvhd");
    if (creationUnix > 0 && mvhd > 0)
        qToBigEndian(quint32(creationUnix + 2082844800LL), file.data() + mvhd + 8);
    return file;
}

} // namespace

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

qint64 fixUnix(const Fix &f)
{
    return 1735726500 + f.utcSecond; // 2025-01-01 10:15:00 UTC
}

QByteArray stampText(const Fix &f)
{
    return QDateTime::fromSecsSinceEpoch(fixUnix(f), Qt::UTC)
        .toString(QStringLiteral("yyyyMMddHHmmss"))
        .toLatin1();
}

QByteArray kenwoodRecord(const Fix &f, const QList<QVector<int>> &milliG)
{
    const QByteArray lat = QByteArray::number(qint64(std::llround(ddmm(f.lat) * 1e4)));
    const QByteArray lon = QByteArray::number(qint64(std::llround(ddmm(f.lon) * 1e4)));
    QByteArray r = stampText(f) + "A" + stampText(f) + "B" + (f.lat < 0 ? "S" : "N") + lat
        + (f.lon < 0 ? "W" : "E") + lon + "+0042" + QByteArray::number(int(f.speedKmh));
    for (const QVector<int> &g : milliG) {
        for (int v : g)
            r += (v < 0 ? "-" : "+") + QByteArray::number(std::abs(v));
    }
    return r;
}

QByteArray kenwoodFile(const QList<QByteArray> &records)
{
    QByteArray payload = "VIDEO" + QByteArray(22, 'U') + QByteArray(4, '\0');
    for (const QByteArray &r : records)
        payload += "\xfe\xfe" + r;
    FilePlan plan = plainPlan();
    plan.topBefore = {box("udta", payload)};
    return buildMp4(plan);
}

QByteArray autovoxGps(const Fix &f, quint32 ms)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(fixUnix(f), Qt::UTC);
    QByteArray r = "AITG" + leDouble(ddmm(f.lat)) + leDouble(ddmm(f.lon));
    r += QByteArray("\xff\xff\0\0", 4);
    r += le16(quint16(std::lround(f.speedKmh / 1.852)));
    r += u8(t.date().year() - 1900) + u8(t.date().month()) + u8(t.date().day())
        + u8(t.time().hour()) + u8(t.time().minute()) + u8(t.time().second());
    r += u8(int(f.course / 2)) + u8(f.lat < 0 ? 2 : 1) + u8(f.lon < 0 ? 2 : 1) + "\x40";
    return r + le32(ms);
}

QByteArray autovoxGsen(qint8 x, qint8 y, qint8 z, quint32 ms)
{
    return "AITS" + u8(x) + u8(y) + u8(z) + "\xff" + le32(ms);
}

QByteArray riffChunk(const char *tag, const QByteArray &data)
{
    return QByteArray(tag, 4) + le32(quint32(data.size())) + data;
}

QByteArray autovoxFile(const QByteArray &chunks)
{
    return buildMp4(plainPlan()) + chunks;
}

QByteArray ttadTime(quint32 ms)
{
    return u8(0xff) + le32(ms);
}

QByteArray ttadGps(const Fix &f)
{
    QByteArray r = u8(5) + leDouble(double(fixUnix(f)) + 0.25) + le32(3);
    r += leDouble(f.speedKmh / 3.6) + leDouble(242.0) + leDouble(f.lat) + leDouble(f.lon);
    r += le32(0) + leDouble(f.course) + leDouble(13.34) + leDouble(17.2) + leDouble(17.2);
    return r + QByteArray(12, '\0');
}

QByteArray ttadAccel(qint32 x, qint32 y, qint32 z)
{
    return u8(3) + le32(quint32(x)) + le32(quint32(y)) + le32(quint32(z));
}

QByteArray tomtomFile(const QByteArray &stream)
{
    FilePlan plan = plainPlan();
    const QByteArray ttad = box("TTAD", QByteArray(76, '\0') + stream);
    plan.moovExtra = {box("udta", box("TTMD", box("TTID", QByteArray(8, '\x07')) + ttad))};
    return buildMp4(plan);
}

// The milliseconds every fixture GPS record of the Insta360 trailer carries beside its second.
constexpr quint16 kInsta360Millis = 56;

QByteArray insta360Gps(const Fix &f, char status)
{
    QByteArray r = le32(quint32(fixUnix(f))) + le32(1234) + le16(kInsta360Millis) + status;
    r += leDouble(std::fabs(f.lat)) + (f.lat < 0 ? "S" : "N");
    r += leDouble(std::fabs(f.lon)) + (f.lon < 0 ? "W" : "E");
    return r + leDouble(f.speedKmh / 3.6) + leDouble(f.course) + leDouble(120.5);
}

QByteArray insta360File(const QList<QPair<quint16, QByteArray>> &records)
{
    QByteArray trailer;
    for (int i = 0; i < records.size(); ++i) {
        if (i > 0) // the header of the record before goes in front of each record's data
            trailer += le16(records[i - 1].first) + le32(quint32(records[i - 1].second.size()));
        trailer += records[i].second;
    }
    const QPair<quint16, QByteArray> last = records.isEmpty() ? qMakePair(quint16(0), QByteArray())
                                                              : records.last();
    QByteArray tail = le16(last.first) + le32(quint32(last.second.size())) + QByteArray(32, '\0');
    tail += le32(quint32(trailer.size() + 78)) + le32(3);
    tail += "8db42d694ccc418790edff439fe026bf";
    return buildMp4(plainPlan()) + trailer + tail;
}

QByteArray fly360Gps(const Fix &f, quint64 us)
{
    return u8(5) + u8(16) + be64(us) + beFloat(float(f.lat)) + beFloat(float(f.lon))
        + beFloat(312.0f) + be16(quint16(std::lround(f.speedKmh / 0.036)))
        + be16(quint16(std::lround(f.course * 100))) + be16(981) + QByteArray(4, '\0');
}

QByteArray fly360Other(quint8 type, quint64 us)
{
    return u8(type) + u8(1) + be64(us) + QByteArray(22, '\0');
}

QByteArray fly360File(const QByteArray &records, qint64 creationUnix)
{
    FilePlan plan = plainPlan();
    // after moov, where a reader of the boxes in order knows the movie's time when it gets there
    plan.tail = box("uuid",
        QByteArray("\xef\xe1\x58\x9a\xbb\x77\x49\xef\x80\x95\x27\x75\x9e\xb1\xdc\x6f", 16)
            + records);
    return withMovieTime(buildMp4(plan), creationUnix);
}

QByteArray djiCue(const Fix &f)
{
    return QStringLiteral("F/3.5, SS 1000, ISO 100, EV 0, GPS (%1, %2, 18), D 24.26m, H 6.00m, "
                          "H.S %3m/s, V.S 0.00m/s \n")
        .arg(f.lon, 0, 'f', 6)
        .arg(f.lat, 0, 'f', 6)
        .arg(f.speedKmh / 3.6, 0, 'f', 2)
        .toLatin1();
}

QByteArray djiFile(const QList<QByteArray> &cues)
{
    FilePlan plan = plainPlan();
    TrackPlan text;
    text.handler = "text";
    text.sampleEntry = "text";
    text.trackId = 2;
    text.sampleDelta = 1000;
    for (const QByteArray &c : cues)
        text.samples.append(textSample(c));
    plan.tracks.append(text);
    return buildMp4(plan);
}

QByteArray parrotFrame(const Fix &f, bool known)
{
    const double mps = f.speedKmh / 3.6, rad = f.course * M_PI / 180.0;
    const auto q22 = [](double deg) { return be32(quint32(qint32(std::lround(deg * 0x400000)))); };
    const auto v8 = [](double v) { return be16(quint16(qint16(std::lround(v * 256)))); };
    QByteArray p3 = "P3" + be16(17) + be32(quint32(5 << 16)) + q22(known ? f.lat : 500.0)
        + q22(known ? f.lon : 500.0) + be32(quint32((312 << 8) | 9));
    p3 += v8(mps * std::cos(rad)) + v8(mps * std::sin(rad)) + v8(0.0) + be16(0);
    p3 += QByteArray(72 - p3.size(), '\0');
    return "E1" + be16(2) + be64(quint64(fixUnix(f)) * 1000000) + p3;
}

QByteArray parrotFile(const QList<QByteArray> &frames, qint64 creationUnix)
{
    FilePlan plan = plainPlan();
    TrackPlan meta;
    meta.handler = "meta";
    meta.sampleEntry = "mett";
    meta.trackId = 2;
    meta.sampleDelta = 1000;
    meta.samples = frames;
    plan.tracks.append(meta);
    return withMovieTime(buildMp4(plan), creationUnix);
}


namespace {

LayoutCase start(const char *name, LayoutReadFn read, int code)
{
    LayoutCase c;
    c.name = name;
    c.read = read;
    c.code = code;
    return c;
}

QVector<qint64> utcOf(const QList<Fix> &fixes, qint64 extraMs)
{
    QVector<qint64> out;
    for (const Fix &f : fixes)
        out.append(fixUnix(f) * 1000 + extraMs);
    return out;
}

QVector<qint64> secondsApart(int n)
{
    QVector<qint64> out;
    for (int i = 0; i < n; ++i)
        out.append(i * 1000LL);
    return out;
}

LayoutCase kenwoodCase()
{
    LayoutCase c = start("kenwood", readKenwoodUdta, 80);
    c.fixes = route(4, 35.68, 139.76);
    QList<QByteArray> records;
    for (int i = 0; i < c.fixes.size(); ++i) {
        records.append(kenwoodRecord(c.fixes[i], {{10 * i, -20, 1000}, {30 * i, -40, 980}}));
        c.g.append({20.0 * i / 1000.0, -0.03, 0.99});
    }
    records[2].prepend('\xfe'); // a run of three FE: the record still starts after the last pair
    c.bytes = kenwoodFile(records);
    c.timesMs = secondsApart(c.fixes.size());
    c.utcMs = utcOf(c.fixes, 0);
    c.clock = AssistInfo::Clock::Camera;
    c.tolerance = 2e-6;
    c.courseStored = false;
    return c;
}

LayoutCase autovoxCase()
{
    LayoutCase c = start("autovox", readAutoVoxTrailer, 81);
    c.fixes = route(4, -33.9, -70.6);
    QByteArray gps, gsen;
    for (int i = 0; i < c.fixes.size(); ++i) {
        Fix &f = c.fixes[i];
        f.speedKmh = (20 + i) * 1.852; // whole knots, even course: the record keeps them exactly
        f.course = 2.0 * (30 + i);
        gps += autovoxGps(f, quint32(i * 1000));
        // two readings a second, 24 counts a g: their mean goes with the second's sample
        gsen += autovoxGsen(qint8(12 * i), -24, 24, quint32(i * 1000 + 100))
            + autovoxGsen(qint8(12 * i + 6), -24, 48, quint32(i * 1000 + 600));
        c.g.append({(24.0 * i + 6) / 2 / 24.0, -1.0, 1.5});
    }
    c.timesMs = secondsApart(c.fixes.size());
    c.bytes = autovoxFile(riffChunk("gpsa", QByteArray("\x01\x20\0\0\x08\x03\x02\x08", 8))
        + riffChunk("gps0", gps) + riffChunk("gsen", gsen) + QByteArray(8, '\0'));
    c.utcMs = utcOf(c.fixes, 0);
    c.clock = AssistInfo::Clock::Gps;
    c.tolerance = 1e-9;
    c.exiftoolSkipsLast = true;
    return c;
}

LayoutCase tomtomCase()
{
    LayoutCase c = start("tomtom", readTomTomTtad, 82);
    c.fixes = route(3, 48.02, -7.85);
    QByteArray stream = "\x07\x07"; // bytes before the first time code are skipped
    for (int t = 0; t < 3000; t += 100) {
        if (t == 1500)
            stream += "\x42\x42\x42"; // an unknown type: skipped up to the next time code
        stream += ttadTime(quint32(t)) + ttadAccel(t, -t, 1000);
        if (t % 1000 == 0)
            stream += ttadGps(c.fixes[t / 1000]);
    }
    for (int i = 0; i < c.fixes.size(); ++i)
        c.g.append({(i * 1000 + 450) / 1000.0, -(i * 1000 + 450) / 1000.0, 1.0});
    c.bytes = tomtomFile(stream);
    c.timesMs = secondsApart(c.fixes.size());
    c.utcMs = utcOf(c.fixes, 250);
    c.clock = AssistInfo::Clock::Gps;
    return c;
}

LayoutCase insta360Case()
{
    LayoutCase c = start("insta360", readInsta360Trailer, 83);
    c.fixes = route(3, -37.8, 144.9);
    Fix voidFix = c.fixes[0];
    voidFix.utcSecond = 0;
    const QByteArray gps = insta360Gps(c.fixes[0]) + insta360Gps(voidFix, 'V')
        + insta360Gps(c.fixes[1]) + insta360Gps(c.fixes[2]);
    const QByteArray accel = QByteArray(8, '\x01') + QByteArray(12, '\x80');
    c.bytes = insta360File({{0x101, QByteArray("\x0a\x03" "abc", 5)}, {0x300, accel + accel},
        {0x700, gps}});
    c.timesMs = secondsApart(c.fixes.size());
    c.utcMs = utcOf(c.fixes, kInsta360Millis);
    c.clock = AssistInfo::Clock::Gps;
    return c;
}

LayoutCase fly360Case()
{
    LayoutCase c = start("fly360", readFly360Uuid, 84);
    c.fixes = route(3, 40.0, -105.2);
    QByteArray records = fly360Other(1, 0);
    for (int i = 0; i < c.fixes.size(); ++i)
        records += fly360Gps(c.fixes[i], quint64(i) * 1000000)
            + fly360Other(2, quint64(i) * 1000000 + 500000);
    c.bytes = fly360File(records, fixUnix(c.fixes[0]));
    c.timesMs = secondsApart(c.fixes.size());
    c.utcMs = utcOf(c.fixes, 0);
    c.clock = AssistInfo::Clock::Camera;
    c.tolerance = 1e-5; // f32
    return c;
}

LayoutCase djiCase()
{
    LayoutCase c = start("dji", readDjiTextTrack, 85);
    c.fixes = route(4, -22.95, -43.21);
    QList<QByteArray> cues{"F/3.5, SS 1000, ISO 100, EV 0"}; // before the first fix
    for (const Fix &f : c.fixes)
        cues.append(djiCue(f));
    c.bytes = djiFile(cues);
    for (int i = 0; i < c.fixes.size(); ++i)
        c.timesMs.append((i + 1) * 1000LL);
    c.utcMs = QVector<qint64>(c.fixes.size(), -1);
    c.tolerance = 1e-6;
    c.courseStored = false;
    return c;
}

LayoutCase parrotCase()
{
    LayoutCase c = start("parrot", readParrotMett, 86);
    c.fixes = route(4, 45.76, 4.83);
    QList<QByteArray> frames{parrotFrame(c.fixes[0], false)}; // no fix yet: left out
    for (const Fix &f : c.fixes)
        frames.append(parrotFrame(f));
    // the movie starts a second before the first fix, by the camera's clock
    c.bytes = parrotFile(frames, fixUnix(c.fixes[0]) - 1);
    for (int i = 0; i < c.fixes.size(); ++i)
        c.timesMs.append((i + 1) * 1000LL);
    c.utcMs = utcOf(c.fixes, 0);
    c.clock = AssistInfo::Clock::Camera;
    c.tolerance = 3e-7;       // 1/2^22 degree
    c.courseTolerance = 0.1;  // from velocities in 1/256 m/s
    return c;
}

} // namespace

QList<LayoutCase> layoutCases()
{
    return {kenwoodCase(), autovoxCase(), tomtomCase(), insta360Case(), fly360Case(), djiCase(),
        parrotCase()};
}

} // namespace mcfx

QVector<LayoutRow> mcfx::moreCameraRows()
{
    int count = 0;
    const LayoutRow *rows = layoutTable(&count);
    QVector<LayoutRow> more;
    for (int i = 0; i < count; ++i) {
        if (rows[i].firstCode >= 80 && rows[i].lastCode <= 89)
            more << rows[i];
    }
    return more;
}
