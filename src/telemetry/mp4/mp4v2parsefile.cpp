#include "mp4v2parsefile.h"

#include "bytesource.h"
#include "mp4atomtree.h"
#include "mp4file.h"
#include "layoutcommon.h"
#include "nmea.h"

#include <QDebug>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Layout of the fixed record in "meta" tracks (little-endian).
constexpr int kRecordGx = 108;
constexpr int kRecordGy = 112;
constexpr int kRecordGz = 116;
constexpr int kRecordStatus = 120;
constexpr int kRecordLonHemisphere = 121;
constexpr int kRecordLatHemisphere = 122;
constexpr int kRecordLonDegrees = 123;
constexpr int kRecordLonMinutes = 124;
constexpr int kRecordLonSeconds = 126; // seconds x 100
constexpr int kRecordLatDegrees = 128;
constexpr int kRecordLatMinutes = 129;
constexpr int kRecordLatSeconds = 130; // seconds x 100
constexpr int kRecordSpeed = 132;
constexpr int kRecordSize = 134;

// strtod over one field of the sentence: whether it read a finite number, and whether that
// number was the whole field (so that the ',' after it is the next byte).
struct FieldNumber
{
    bool read = false;
    bool whole = false;
    double value = 0.0;
};

FieldNumber scanNumber(const QByteArray &field)
{
    FieldNumber n;
    const QByteArray text(field.constData(), field.size()); // NUL-terminated for strtod
    char *end = nullptr;
    n.value = std::strtod(text.constData(), &end);
    // Not-a-number and infinities are not coordinates: a field that does not scan.
    n.read = end != text.constData() && std::isfinite(n.value);
    n.whole = n.read && end == text.constData() + text.size();
    return n;
}

QString degreesText(double value)
{
    return QStringLiteral("%1").arg(mp4v2ParseFile::nmeaToDegrees(value));
}

// Truncation toward zero as a C cast does, but saturating: a hostile sentence may carry a speed
// far outside the integer range, where the plain cast is undefined.
int32_t truncatedSpeed(double v)
{
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return int32_t(v);
}

bool isHemisphere(quint8 c, char a, char b)
{
    return c == quint8(a) || c == quint8(b) || c == quint8(a | 0x20) || c == quint8(b | 0x20);
}

quint8 byteAt(const QByteArray &b, int pos)
{
    return quint8(b.at(pos));
}

// A G value of the record; the bits of a NaN or an infinity are damage, not a reading, and
// read as 0 g.
float floatAt(const QByteArray &b, int pos)
{
    const quint32 bits = qFromLittleEndian<quint32>(b.constData() + pos);
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof f);
    return std::isfinite(f) ? f : 0.0f;
}

quint16 u16At(const QByteArray &b, int pos)
{
    return qFromLittleEndian<quint16>(b.constData() + pos);
}

} // namespace

mp4v2ParseFile::mp4v2ParseFile(QObject *parent)
    : QObject(parent)
{
}

int mp4v2ParseFile::trackKind(const char *trackType)
{
    if (trackType != nullptr && std::strcmp(trackType, "text") == 0)
        return TextTrack;
    if (trackType != nullptr && std::strcmp(trackType, "meta") == 0)
        return MetaRecordTrack;
    return TaggedTextTrack;
}

double mp4v2ParseFile::nmeaToDegrees(double value)
{
    // Not geo::ddmmToDegrees: the firmware splits value / 100, and the last bit of that decides
    // the sixth digit of the position text in about one sentence in 300. The text must stay the
    // camera's own, so the arithmetic stays too (signed, no range check, as the firmware does).
    const double degrees = std::trunc(value / 100.0);
    return degrees + (value / 100.0 - degrees) * 100.0 / 60.0;
}

mp4v2ParseFile::RmcFields mp4v2ParseFile::scanRmc(const QByteArray &sentence)
{
    // The firmware reads "$GPRMC,%f,%c,%lf,%c,%lf,%c,%lf" with sscanf: each conversion takes
    // what fits of its field and the scan stops at the first literal ',' that is not the next
    // byte. Over the sentence's positional fields: a number must fill its field for the scan to
    // go on, a letter must be the whole field.
    RmcFields f;
    const nmea::Fields t(sentence, nmea::Fields::Positional, nmea::Fields::AtLastByte);
    const auto commaAfter = [&t](int i) { return i + 1 < t.size(); };
    if (!t.is(0, "$GPRMC") || !commaAfter(0))
        return f;
    const FieldNumber time = scanNumber(t.at(1));
    if (!time.read)
        return f;
    f.time = float(time.value);
    if (!time.whole || !commaAfter(1))
        return f;
    // %c takes the next byte whatever it is: an empty status reads the comma after it, and the
    // scan goes on only when the field after that is empty too, one field later from then on.
    int k = 3; // the latitude's field
    if (t.length(2) == 0) {
        if (!commaAfter(2))
            return f;
        f.status = ',';
        if (t.length(3) != 0 || !commaAfter(3))
            return f;
        k = 4;
    } else {
        f.status = t.first(2);
        if (t.length(2) != 1 || !commaAfter(2))
            return f;
    }
    const FieldNumber lat = scanNumber(t.at(k));
    if (!lat.read)
        return f;
    f.latitude = lat.value;
    if (!lat.whole || !commaAfter(k) || (t.first(k + 1) != 'N' && t.first(k + 1) != 'S'))
        return f;
    // Southern and western hemispheres are negative; the sentence carries the magnitude.
    if (t.first(k + 1) == 'S')
        f.latitude = -lat.value;
    if (t.length(k + 1) != 1 || !commaAfter(k + 1))
        return f;
    const FieldNumber lon = scanNumber(t.at(k + 2));
    if (!lon.read)
        return f;
    f.longitude = lon.value;
    if (!lon.whole || !commaAfter(k + 2) || (t.first(k + 3) != 'E' && t.first(k + 3) != 'W'))
        return f;
    if (t.first(k + 3) == 'W')
        f.longitude = -lon.value;
    f.position = true;
    if (t.length(k + 3) != 1 || !commaAfter(k + 3))
        return f;
    const FieldNumber speed = scanNumber(t.at(k + 4));
    if (speed.read)
        f.speed = speed.value;
    return f;
}

AssistInfoList mp4v2ParseFile::parseSource(ByteSource &src, const Mp4AtomTree &tree)
{
    const std::unique_ptr<Mp4File> file = Mp4File::open(src, tree);
    return file ? parseOpenFile(file.get()) : AssistInfoList();
}

AssistInfoList mp4v2ParseFile::parseFile(const QString &path)
{
    const QByteArray encoded = path.toUtf8();
    if (encoded.isEmpty() || encoded.size() > 1023)
        return AssistInfoList();
    MP4FileHandle file = MP4Read(encoded.constData());
    if (file == MP4_INVALID_FILE_HANDLE)
        return AssistInfoList();
    AssistInfoList result = parseOpenFile(file);
    MP4Close(file);
    return result;
}

AssistInfoList mp4v2ParseFile::parseOpenFile(MP4FileHandle file)
{
    // The telemetry is in the last track, whatever its type.
    MP4TrackId trackId = MP4_INVALID_TRACK_ID;
    int kind = TaggedTextTrack;
    uint32_t sampleCount = 0;
    const uint32_t tracks = MP4GetNumberOfTracks(file);
    for (uint32_t i = 0; i < tracks && i <= 0xffff; ++i) {
        trackId = MP4FindTrackId(file, uint16_t(i));
        kind = trackKind(MP4GetTrackType(file, trackId));
        sampleCount = MP4GetTrackNumberOfSamples(file, trackId);
    }
    if (trackId == MP4_INVALID_TRACK_ID)
        return AssistInfoList();
    return readTrackSamples(file, trackId, sampleCount, kind);
}

AssistInfoList mp4v2ParseFile::readTrackSamples(MP4FileHandle file, MP4TrackId trackId,
                                                uint32_t sampleCount, int kind)
{
    AssistInfoList out;
    if (file == nullptr)
        return out;
    AssistInfo info; // lives across samples: meta records without a fix repeat the last position
    info.hasGSensor = kind == MetaRecordTrack;
    double lon = 0.0;
    double lat = 0.0;
    const int trackIndex = file->trackIndexById(trackId);
    const uint32_t timeScale = MP4GetTrackTimeScale(file, trackId);
    // Samples of a track never overlap, so together they cannot be more than the file; a table
    // that says otherwise points many samples at the same bytes.
    const quint64 byteBudget = quint64(file->source().size());
    quint64 bytesTaken = 0;
    const uint32_t count = std::min(sampleCount, kMaxSamples);
    const bool text = kind == TextTrack || kind == TaggedTextTrack;

    for (uint32_t i = 1; i <= count && i != 0; ++i) {
        Mp4Sample sample;
        // A record is read as far as its fields go; a text sample whole, unless it is too long
        // to be a sentence.
        const quint32 cap = text ? kMaxTextSample : quint32(kRecordSize);
        if (!file->readSample(trackIndex, i, &sample, cap, text))
            continue;
        if (text && sample.size > kMaxTextSample)
            continue;
        bytesTaken += sample.bytes.size();
        if (bytesTaken > byteBudget)
            break;
        QByteArray bytes = sample.bytes;
        const MP4Timestamp start = sample.startTime;
        if (layout::debugOn())
            qDebug() << "pDuration:" << sample.duration << ",pStartTime:" << start;
        // The track's own clock: uneven sample rates come out right.
        info.timeMs = timeScale > 0 ? qint64(std::min<quint64>(start / timeScale * 1000
                                                                   + start % timeScale * 1000
                                                                         / timeScale,
                                                               quint64(1) << 52))
                                    : qint64(i - 1) * 1000;

        if (text) {
            if (kind == TaggedTextTrack && layout::debugOn())
                qDebug() << "########### 1 ##############";
            const char separator = kind == TextTrack ? '$' : '@';
            // All bytes: a text sample starts with a 16-bit length whose high byte is often 0.
            // Exactly one separator, the sentence behind it (as text split in two parts).
            if (bytes.count(separator) != 1)
                continue;
            const RmcFields rmc = scanRmc("$" + bytes.mid(bytes.indexOf(separator) + 1));
            if (rmc.status == 'V')
                continue;
            info.latitude = degreesText(rmc.latitude);
            info.longitude = degreesText(rmc.longitude);
            info.speed = truncatedSpeed(rmc.speed);
            info.x = info.y = info.z = 0.0f;
            info.course = 0.0;
            markPosition(&info, rmc.status == 'A' && rmc.position);
            info.setUtc(rmcUtcMs("$" + bytes.mid(bytes.indexOf(separator) + 1)),
                        AssistInfo::Clock::Gps);
            out.append(info);
            continue;
        }

        if (bytes.isEmpty())
            continue;
        // A short record reads as if zero-padded: no fix, zero G values.
        if (bytes.size() < kRecordSize)
            bytes.append(QByteArray(kRecordSize - bytes.size(), '\0'));
        bool fix = false;
        if (byteAt(bytes, kRecordStatus) == 'A') {
            const double lonMagnitude = byteAt(bytes, kRecordLonDegrees)
                + byteAt(bytes, kRecordLonMinutes) / 60.0
                + u16At(bytes, kRecordLonSeconds) / 3600.0 / 100.0;
            const double latMagnitude = byteAt(bytes, kRecordLatDegrees)
                + byteAt(bytes, kRecordLatMinutes) / 60.0
                + u16At(bytes, kRecordLatSeconds) / 3600.0 / 100.0;
            switch (byteAt(bytes, kRecordLonHemisphere)) {
            case 'W':
            case 'w':
                lon = -lonMagnitude;
                break;
            case 'E':
            case 'e':
                lon = lonMagnitude;
                break;
            default:
                break; // unknown letter: keep the previous value
            }
            switch (byteAt(bytes, kRecordLatHemisphere)) {
            case 'S':
            case 's':
                lat = -latMagnitude;
                break;
            case 'N':
            case 'n':
                lat = latMagnitude;
                break;
            default:
                break;
            }
            info.longitude = QString::number(lon, 'f', 5);
            info.latitude = QString::number(lat, 'f', 5);
            fix = isHemisphere(byteAt(bytes, kRecordLonHemisphere), 'E', 'W')
                && isHemisphere(byteAt(bytes, kRecordLatHemisphere), 'N', 'S');
        }
        markPosition(&info, fix);
        info.x = floatAt(bytes, kRecordGx);
        info.y = floatAt(bytes, kRecordGy);
        info.z = floatAt(bytes, kRecordGz);
        info.speed = u16At(bytes, kRecordSpeed);
        info.course = 0.0;
        out.append(info);
    }
    return out;
}
