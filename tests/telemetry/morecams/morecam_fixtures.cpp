#include "morecam_fixtures.h"

#include "morecams.h"

#include <QDateTime>
#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace mp4fx;
using rcfx::fixUnix;
using rcfx::route;

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
    return std::floor(a) * 100.0 + (a - std::floor(a)) * 60.0;
}

// A recording with one short video track, so the layouts sit beside real boxes.
QByteArray plainMp4(const QList<QByteArray> &topBefore, const QList<QByteArray> &moovExtra = {},
    const QByteArray &tail = {})
{
    FilePlan plan;
    TrackPlan video;
    video.samples = {QByteArray(16, '\x11'), QByteArray(16, '\x22')};
    plan.tracks = {video};
    plan.topBefore = topBefore;
    plan.moovExtra = moovExtra;
    plan.tail = tail;
    return buildMp4(plan);
}

// The movie's creation time: mvhd (version 0), seconds since 1904 after version and flags.
QByteArray withMovieTime(QByteArray file, qint64 creationUnix)
{
    const int mvhd = file.indexOf("mvhd");
    if (creationUnix > 0 && mvhd > 0)
        qToBigEndian(quint32(creationUnix + 2082844800LL), file.data() + mvhd + 8);
    return file;
}

// --- Kenwood: top-level udta of FE FE text records ---------------------------------------------

// The stamp twice, position, altitude, km/h, then the milli-g triples.
QByteArray kenwoodRecord(const Fix &f, const QList<QVector<int>> &milliG)
{
    const QByteArray stamp = QDateTime::fromSecsSinceEpoch(fixUnix(f), Qt::UTC)
                                 .toString(QStringLiteral("yyyyMMddHHmmss"))
                                 .toLatin1();
    const QByteArray lat = QByteArray::number(qint64(std::llround(ddmm(f.lat) * 1e4)));
    const QByteArray lon = QByteArray::number(qint64(std::llround(ddmm(f.lon) * 1e4)));
    QByteArray r = stamp + "A" + stamp + "B" + (f.lat < 0 ? "S" : "N") + lat
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
    return plainMp4({box("udta", payload)});
}

LayoutCase kenwoodCase()
{
    LayoutCase c{"kenwood", readKenwoodUdta, 80, route(4, 35.68, 139.76)};
    QList<QByteArray> records;
    for (int i = 0; i < c.fixes.size(); ++i) {
        records.append(kenwoodRecord(c.fixes[i], {{10 * i, -20, 1000}, {30 * i, -40, 980}}));
        c.g.append({20.0 * i / 1000.0, -0.03, 0.99});
    }
    records[2].prepend('\xfe'); // a run of three FE: the record still starts after the last pair
    c.bytes = kenwoodFile(records);
    c.marksOnly = kenwoodFile({"20250101"});
    c.clock = AssistInfo::Clock::Camera;
    c.tolerance = 2e-6;
    c.courseStored = false;
    return c;
}

// --- Auto-Vox: RIFF chunks after the last box --------------------------------------------------

QByteArray riffChunk(const char *tag, const QByteArray &data)
{
    return QByteArray(tag, 4) + le32(quint32(data.size())) + data;
}

// "AITG", 40 bytes.
QByteArray autovoxGps(const Fix &f, quint32 ms)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(fixUnix(f), Qt::UTC);
    QByteArray r = "AITG" + leDouble(ddmm(f.lat)) + leDouble(ddmm(f.lon));
    r += QByteArray("\xff\xff\0\0", 4) + le16(quint16(std::lround(f.speedKmh / 1.852)));
    r += u8(t.date().year() - 1900) + u8(t.date().month()) + u8(t.date().day())
        + u8(t.time().hour()) + u8(t.time().minute()) + u8(t.time().second());
    r += u8(int(f.course / 2)) + u8(f.lat < 0 ? 2 : 1) + u8(f.lon < 0 ? 2 : 1) + "\x40";
    return r + le32(ms);
}

LayoutCase autovoxCase()
{
    LayoutCase c{"autovox", readAutoVoxTrailer, 81, route(4, -33.9, -70.6)};
    const auto gsen = [](int x, int y, int z, quint32 ms) { // "AITS", 12 bytes
        return "AITS" + u8(x) + u8(y) + u8(z) + "\xff" + le32(ms);
    };
    QByteArray gps, readings;
    for (int i = 0; i < c.fixes.size(); ++i) {
        Fix &f = c.fixes[i];
        f.speedKmh = (20 + i) * 1.852; // whole knots, even course: the record keeps them exactly
        f.course = 2.0 * (30 + i);
        gps += autovoxGps(f, quint32(i * 1000));
        // two readings a second, 24 counts a g: their mean goes with the second's sample
        readings += gsen(12 * i, -24, 24, i * 1000 + 100) + gsen(12 * i + 6, -24, 48, i * 1000 + 600);
        c.g.append({(24.0 * i + 6) / 2 / 24.0, -1.0, 1.5});
    }
    c.bytes = plainMp4({}) + riffChunk("gpsa", QByteArray("\x01\x20\0\0\x08\x03\x02\x08", 8))
        + riffChunk("gps0", gps) + riffChunk("gsen", readings) + QByteArray(8, '\0');
    c.marksOnly = plainMp4({}) + riffChunk("gpsa", QByteArray(8, '\x01'));
    c.clock = AssistInfo::Clock::Gps;
    c.exiftoolSkipsLast = true;
    return c;
}

// --- TomTom Bandit: moov.udta.TTMD.TTAD --------------------------------------------------------

QByteArray tomtomFile(const QByteArray &stream) // 76 bytes of head, then the stream
{
    const QByteArray ttad = box("TTAD", QByteArray(76, '\0') + stream);
    return plainMp4({}, {box("udta", box("TTMD", box("TTID", QByteArray(8, '\x07')) + ttad))});
}

LayoutCase tomtomCase()
{
    LayoutCase c{"tomtom", readTomTomTtad, 82, route(3, 48.02, -7.85)};
    QByteArray stream = "\x07\x07"; // bytes before the first time code are skipped
    for (int t = 0; t < 3000; t += 100) {
        if (t == 1500)
            stream += "\x42\x42\x42"; // an unknown type: skipped up to the next time code
        // FF + u32 time code; 03 + three i32 of accelerometer (thousandths)
        stream += u8(0xff) + le32(quint32(t)) + u8(3) + le32(quint32(t)) + le32(quint32(-t))
            + le32(1000);
        if (t % 1000 == 0) { // 05 + 92 bytes of fix
            const Fix &f = c.fixes[t / 1000];
            stream += u8(5) + leDouble(double(fixUnix(f)) + 0.25) + le32(3)
                + leDouble(f.speedKmh / 3.6) + leDouble(242.0) + leDouble(f.lat) + leDouble(f.lon)
                + le32(0) + leDouble(f.course) + leDouble(13.34) + leDouble(17.2) + leDouble(17.2)
                + QByteArray(12, '\0');
        }
    }
    for (int i = 0; i < c.fixes.size(); ++i)
        c.g.append({(i * 1000 + 450) / 1000.0, -(i * 1000 + 450) / 1000.0, 1.0});
    c.bytes = tomtomFile(stream);
    c.marksOnly = tomtomFile(QByteArray(600, '\x05')); // no time code
    c.utcExtraMs = 250;
    c.clock = AssistInfo::Clock::Gps;
    return c;
}

// --- Insta360: records chained back from the 78-byte tail --------------------------------------

// The milliseconds every fixture GPS record carries beside its second.
constexpr quint16 kInsta360Millis = 56;

QByteArray insta360Gps(const Fix &f, char status = 'A') // 53 bytes
{
    QByteArray r = le32(quint32(fixUnix(f))) + le32(1234) + le16(kInsta360Millis) + status;
    r += leDouble(std::fabs(f.lat)) + (f.lat < 0 ? "S" : "N");
    r += leDouble(std::fabs(f.lon)) + (f.lon < 0 ? "W" : "E");
    return r + leDouble(f.speedKmh / 3.6) + leDouble(f.course) + leDouble(120.5);
}

// A recording followed by the records (id, data) in file order and the tail.
QByteArray insta360File(const QList<QPair<quint16, QByteArray>> &records)
{
    QByteArray trailer;
    for (int i = 0; i < records.size(); ++i) {
        if (i > 0) // the header of the record before goes in front of each record's data
            trailer += le16(records[i - 1].first) + le32(quint32(records[i - 1].second.size()));
        trailer += records[i].second;
    }
    QByteArray tail = le16(records.last().first) + le32(quint32(records.last().second.size()))
        + QByteArray(32, '\0') + le32(quint32(trailer.size() + 78)) + le32(3);
    return plainMp4({}) + trailer + tail + "8db42d694ccc418790edff439fe026bf";
}

LayoutCase insta360Case()
{
    LayoutCase c{"insta360", readInsta360Trailer, 83, route(3, -37.8, 144.9)};
    const QByteArray gps = insta360Gps(c.fixes[0]) + insta360Gps(c.fixes[0], 'V')
        + insta360Gps(c.fixes[1]) + insta360Gps(c.fixes[2]);
    const QByteArray accel = QByteArray(8, '\x01') + QByteArray(12, '\x80');
    c.bytes = insta360File({{0x101, QByteArray("\x0a\x03" "abc", 5)}, {0x300, accel + accel},
        {0x700, gps}});
    const Fix far = route(1, 91.5, 10.0).first(); // off the earth
    c.marksOnly = insta360File({{0x700, insta360Gps(far, 'V') + insta360Gps(far, 'V')}});
    c.utcExtraMs = kInsta360Millis;
    c.clock = AssistInfo::Clock::Gps;
    return c;
}

// --- 360Fly: uuid of 32-byte records after moov ------------------------------------------------

QByteArray fly360Other(quint8 type, quint64 us) // an orientation record, values zero
{
    return u8(type) + u8(1) + be64(us) + QByteArray(22, '\0');
}

// After moov, where a reader of the boxes in order knows the movie's time when it gets there;
// creationUnix 0 leaves the movie's clock unset.
QByteArray fly360File(const QByteArray &records, qint64 creationUnix)
{
    const QByteArray uuid = box("uuid",
        QByteArray("\xef\xe1\x58\x9a\xbb\x77\x49\xef\x80\x95\x27\x75\x9e\xb1\xdc\x6f", 16) + records);
    return withMovieTime(plainMp4({}, {}, uuid), creationUnix);
}

LayoutCase fly360Case()
{
    LayoutCase c{"fly360", readFly360Uuid, 84, route(3, 40.0, -105.2)};
    QByteArray records = fly360Other(1, 0);
    for (int i = 0; i < c.fixes.size(); ++i) {
        const Fix &f = c.fixes[i];
        records += u8(5) + u8(16) + be64(quint64(i) * 1000000) + beFloat(float(f.lat))
            + beFloat(float(f.lon)) + beFloat(312.0f) + be16(quint16(std::lround(f.speedKmh / 0.036)))
            + be16(quint16(std::lround(f.course * 100))) + be16(981) + QByteArray(4, '\0');
        records += fly360Other(2, quint64(i) * 1000000 + 500000);
    }
    c.bytes = fly360File(records, fixUnix(c.fixes[0]));
    c.marksOnly = fly360File(fly360Other(1, 0) + fly360Other(6, 100), 0);
    c.clock = AssistInfo::Clock::Camera;
    c.tolerance = 1e-5; // f32
    return c;
}

// --- DJI: subtitle cues that describe the shot in words ----------------------------------------

LayoutCase djiCase()
{
    LayoutCase c{"dji", readDjiTextTrack, 85, route(4, -22.95, -43.21)};
    QList<QByteArray> cues{"F/3.5, SS 1000, ISO 100, EV 0"}; // before the first fix
    for (const Fix &f : c.fixes) {
        cues.append(QStringLiteral("F/3.5, SS 1000, ISO 100, EV 0, GPS (%1, %2, 18), D 24.26m, "
                                   "H 6.00m, H.S %3m/s, V.S 0.00m/s \n")
                        .arg(f.lon, 0, 'f', 6)
                        .arg(f.lat, 0, 'f', 6)
                        .arg(f.speedKmh / 3.6, 0, 'f', 2)
                        .toLatin1());
    }
    c.bytes = rcfx::textTrackFile(cues);
    c.marksOnly = rcfx::textTrackFile({"ISO 100, GPS (n/a), H.S 0m/s"});
    c.firstMs = 1000;
    c.tolerance = 1e-6;
    c.courseStored = false;
    return c;
}

// --- Parrot: "mett" samples of records ---------------------------------------------------------

// An E1 time stamp, then a P3 record of the fix (latitude 500 when unknown).
QByteArray parrotFrame(const Fix &f, bool known = true)
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

LayoutCase parrotCase()
{
    LayoutCase c{"parrot", readParrotMett, 86, route(4, 45.76, 4.83)};
    QList<QByteArray> frames{parrotFrame(c.fixes[0], false)}; // no fix yet: left out
    for (const Fix &f : c.fixes)
        frames.append(parrotFrame(f));
    // the movie starts a second before the first fix, by the camera's clock
    c.bytes = withMovieTime(rcfx::dataTrackFile("meta", "mett", frames), fixUnix(c.fixes[0]) - 1);
    c.marksOnly = rcfx::dataTrackFile("meta", "mett", {parrotFrame(c.fixes[0], false)});
    c.firstMs = 1000;
    c.clock = AssistInfo::Clock::Camera;
    c.tolerance = 3e-7;      // 1/2^22 degree
    c.courseTolerance = 0.1; // from velocities in 1/256 m/s
    return c;
}

} // namespace

QList<LayoutCase> layoutCases()
{
    return {kenwoodCase(), autovoxCase(), tomtomCase(), insta360Case(), fly360Case(), djiCase(),
        parrotCase()};
}

} // namespace mcfx
