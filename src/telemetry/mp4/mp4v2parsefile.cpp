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

// A tiny scanner with the semantics of sscanf for the fields the RMC reader needs: numbers skip
// leading white space and stop at the first character that does not fit; literals must match.
class FieldScanner
{
public:
    explicit FieldScanner(const QByteArray &text)
        : m_text(text)
    {
    }

    bool literal(const char *s)
    {
        const int n = int(std::strlen(s));
        if (m_text.size() - m_pos < n || std::memcmp(m_text.constData() + m_pos, s, size_t(n)))
            return false;
        m_pos += n;
        return true;
    }

    bool number(double *out)
    {
        const char *begin = m_text.constData() + m_pos;
        char *end = nullptr;
        const double v = std::strtod(begin, &end);
        // Not-a-number and infinities are not coordinates; treat them as a field that does
        // not scan.
        if (end == begin || !std::isfinite(v))
            return false;
        m_pos += int(end - begin);
        *out = v;
        return true;
    }

    bool character(char *out)
    {
        if (m_pos >= m_text.size())
            return false;
        *out = m_text.at(m_pos++);
        return true;
    }

    // One of two letters; which one via *second.
    bool oneOf(char first, char secondLetter, bool *second)
    {
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text.at(m_pos);
        if (c != first && c != secondLetter)
            return false;
        *second = (c == secondLetter);
        ++m_pos;
        return true;
    }

private:
    QByteArray m_text; // NUL-terminated by QByteArray, so strtod stops at the end
    int m_pos = 0;
};

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

float floatAt(const QByteArray &b, int pos)
{
    const quint32 bits = qFromLittleEndian<quint32>(b.constData() + pos);
    float f = 0.0f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
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
    const double degrees = std::trunc(value / 100.0);
    return degrees + (value / 100.0 - degrees) * 100.0 / 60.0;
}

mp4v2ParseFile::RmcFields mp4v2ParseFile::scanRmc(const QByteArray &sentence)
{
    RmcFields f;
    FieldScanner s(sentence);
    double time = 0.0;
    if (!s.literal("$GPRMC,") || !s.number(&time))
        return f;
    f.time = float(time);
    if (!s.literal(",") || !s.character(&f.status) || !s.literal(","))
        return f;
    double lat = 0.0;
    bool south = false;
    if (!s.number(&lat))
        return f;
    f.latitude = lat;
    if (!s.literal(",") || !s.oneOf('N', 'S', &south))
        return f;
    // Southern and western hemispheres are negative; the sentence carries the magnitude.
    if (south)
        f.latitude = -lat;
    double lon = 0.0;
    bool west = false;
    if (!s.literal(",") || !s.number(&lon))
        return f;
    f.longitude = lon;
    if (!s.literal(",") || !s.oneOf('E', 'W', &west))
        return f;
    if (west)
        f.longitude = -lon;
    f.position = true;
    double speed = 0.0;
    if (!s.literal(",") || !s.number(&speed))
        return f;
    f.speed = speed;
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
