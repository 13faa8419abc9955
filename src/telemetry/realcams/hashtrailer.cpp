// LIGOGPSINFO tables in trailers after the last box, found from the end of the file as ExifTool
// finds them (QuickTime.pm IdentifyTrailers, M2TS.pm): the last eight bytes are a mark and a
// big-endian length, and trailers may sit one before the other.
//
//   "&&&&" + length: the trailer is the last `length` bytes, end mark included. It opens with a
//     box header whose type is "skip" in any case and whose size is that same length; the
//     payload (size - 16 bytes) starts "LIGOGPSINFO\0".
//   "####" + length: a "SKIP" box of `length` bytes ends right before the mark; its payload
//     starts "LIGOGPSINFO" and five spaces (an older table of plain text).
//
// The payload's first 20 bytes are its directory ("LIGOGPSINFO", a separator, a flag word, a
// count); 132-byte slots follow. A slot is an encrypted record ("####", u32 LE length, cipher
// bytes: speeds in knots) or a plain one (a 4-byte counter and NUL-padded text in km/h); blank
// slots are skipped. Behind "LIGOGPSINFO\0" a flag word other than 1 or 0x14 means the maker
// fuzzed the coordinates (undone with kLigoUnfuzzScale, and fuzzed knots are 1.85407333 km/h), as
// ExifTool's LigoGPS.pm decodes them. Record text: ligogps.h.
//
// Kenwood's text trailer (code 70) takes the place of a box after the last one: 22 'C's (ExifTool
// reads them as a box header "CCCC" and checks the 14 after it), then 121-byte records
// "GPSDATA--YYYYMMDDhhmmss" and seven 14-character fields: latitude and longitude (a hemisphere
// letter, or a sign), km/h, one unknown, and the accelerometer's three axes in g. The stamps are
// the camera's clock (ExifTool gives them no "Z"); records are timed by them from the first.

#include "ligogps.h"
#include "mp4/mp4atomtree.h"
#include "realcams.h"
#include "realcommon.h"

#include <QtEndian>
#include <cstring>

using namespace realcams;

namespace {

constexpr int kCode = 55;
constexpr int kSlot = 0x84;
constexpr int kDirectory = 20;
constexpr qint64 kMaxTrailer = 64ll << 20;
// Trailers looked at from the end; recordings have one or two.
constexpr int kMaxTrailers = 4;

struct Table
{
    QByteArray payload; // from "LIGOGPSINFO" on
    bool fuzzed = false;
};

quint32 be32(const char *p)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(p));
}

// The table of the trailer that ends at end, and where that trailer starts; false when the bytes
// before end are no trailer of either form.
bool trailerBefore(ByteSource &src, qint64 end, Table *table, qint64 *start)
{
    char tail[8];
    if (end < 8 + kDirectory || !src.readExact(end - 8, tail, 8))
        return false;
    const qint64 length = be32(tail + 4);
    const bool ampersands = std::memcmp(tail, "&&&&", 4) == 0;
    const bool hashes = std::memcmp(tail, "####", 4) == 0;
    if (!(ampersands || hashes) || length > kMaxTrailer)
        return false;
    qint64 boxStart = 0, boxSize = 0, payloadSize = 0;
    if (ampersands) {
        if (length < 16 + kDirectory || length > end)
            return false;
        boxStart = end - length;
        boxSize = length;
        payloadSize = length - 16;
        *start = boxStart;
    } else {
        if (length < 8 + kDirectory || length > end - 8)
            return false;
        boxStart = end - 8 - length;
        boxSize = length;
        payloadSize = length - 8;
        *start = boxStart;
    }
    char header[8];
    if (!src.readExact(boxStart, header, 8) || be32(header) != quint32(boxSize)
        || QByteArray(header + 4, 4).toUpper() != "SKIP")
        return false;
    table->payload = src.readAt(boxStart + 8, payloadSize);
    const QByteArray &p = table->payload;
    if (p.size() != payloadSize || !p.startsWith("LIGOGPSINFO"))
        return false;
    if (ampersands != (p[11] == '\0'))
        return false; // each end mark has its own directory
    const QByteArray flag = p.mid(12, 4);
    table->fuzzed = ampersands && flag != QByteArray("\0\0\0\x01", 4)
        && flag != QByteArray("\0\0\0\x14", 4);
    return true;
}

void readSlots(const Table &table, AssistInfoList *samples, qint64 *first)
{
    const QByteArray &p = table.payload;
    for (int at = kDirectory; at <= p.size() - kSlot && samples->size() < kMaxSamples;
         at += kSlot) {
        const QByteArray slot = p.mid(at, kSlot);
        const bool encrypted = slot.startsWith("####");
        QByteArray text;
        if (encrypted) {
            text = ligoEncryptedText(slot);
        } else {
            text = slot.mid(4);
            const int nul = text.indexOf('\0');
            if (nul >= 0)
                text.truncate(nul);
        }
        const double speedFactor
            = !encrypted ? 1.0 : (table.fuzzed ? kLigoFuzzedSpeedFactor : 1.852);
        AssistInfo s = emptySample(0);
        qint64 clock = 0;
        if (text.isEmpty()
            || !parseLigoText(text, speedFactor, &clock, &s, table.fuzzed ? kLigoUnfuzzScale : 0.0))
            continue;
        if (*first < 0)
            *first = clock;
        s.timeMs = clock - *first;
        appendOrdered(samples, s);
    }
}

constexpr int kKenwoodCode = 70;
constexpr int kKenwoodMarks = 22;
constexpr int kKenwoodRecord = 121;
// A record a second is 435 KB an hour; more than this is no trailer of a recording.
constexpr qint64 kMaxKenwood = 16ll << 20;

// A Kenwood field: optional hemisphere letter, then a signed decimal ("N50.6123860677").
bool kenwoodField(const QByteArray &field, double *value)
{
    QByteArray v = field;
    char hemisphere = 0;
    if (!v.isEmpty() && QByteArray("NSEW").contains(v[0])) {
        hemisphere = v[0];
        v.remove(0, 1);
    }
    const int dot = v.indexOf('.');
    const int from = v.startsWith('-') || v.startsWith('+') ? 1 : 0;
    if (dot <= from || dot == v.size() - 1)
        return false;
    for (int i = from; i < v.size(); ++i) {
        if (i != dot && (v[i] < '0' || v[i] > '9'))
            return false;
    }
    *value = v.toDouble();
    if (hemisphere == 'S' || hemisphere == 'W')
        *value = -*value;
    return true;
}

// One record; false when it is none (the records end there).
bool kenwoodRecord(const QByteArray &r, AssistInfo *s)
{
    if (r.size() < kKenwoodRecord || !r.startsWith("GPSDATA--"))
        return false;
    for (int i = 9; i < 23; ++i) {
        if (r[i] < '0' || r[i] > '9')
            return false;
    }
    auto n = [&r](int at, int len) { return r.mid(at, len).toInt(); };
    const qint64 utc = geo::utcMs(n(9, 4), n(13, 2), n(15, 2), n(17, 2), n(19, 2), n(21, 2));
    if (utc < 0)
        return false;
    s->setUtc(utc, AssistInfo::Clock::Camera);
    double v[7];
    bool have[7];
    for (int f = 0; f < 7; ++f)
        have[f] = kenwoodField(r.mid(23 + 14 * f, 14), &v[f]);
    if (have[0] && have[1] && (v[0] != 0.0 || v[1] != 0.0) && setPosition(s, v[0], v[1]))
        s->speed = have[2] && v[2] >= 0.0 && v[2] < 1.0e5 ? qRound(v[2]) : 0;
    if (have[4] && have[5] && have[6])
        setGSensor(s, v[4], v[5], v[6]);
    return true;
}

// Where the trailer's marks start: the "CCCC" box the walk kept, else the end of the last box.
LayoutResult readKenwoodTrailer(ByteSource &src, const ReadContext &ctx)
{
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    qint64 at = -1;
    for (int i : tree.topLevel()) {
        const BoxHeader &h = tree.header(i);
        if (h.is("CCCC")) {
            at = h.start;
            break;
        }
        at = h.end();
    }
    if (at < 0 || src.readAt(at, kKenwoodMarks) != QByteArray(kKenwoodMarks, 'C'))
        return {};
    const qint64 from = at + kKenwoodMarks;
    const QByteArray records = src.readAt(from, std::min<qint64>(src.size() - from, kMaxKenwood));
    AssistInfoList samples;
    qint64 first = -1;
    for (int pos = 0; pos <= records.size() - kKenwoodRecord && samples.size() < kMaxSamples;
         pos += kKenwoodRecord) {
        AssistInfo s = emptySample(0);
        if (!kenwoodRecord(records.mid(pos, kKenwoodRecord), &s))
            break;
        if (first < 0)
            first = s.utcMs;
        s.timeMs = s.utcMs - first;
        appendOrdered(&samples, s);
    }
    return makeResult(kKenwoodCode, samples);
}

} // namespace

LayoutResult readHashTrailer(ByteSource &src, const ReadContext &ctx)
{
    // Trailers are listed from the end; their records are read in file order.
    QVector<Table> tables;
    qint64 end = src.size();
    Table table;
    qint64 start = 0;
    while (tables.size() < kMaxTrailers && trailerBefore(src, end, &table, &start)) {
        tables.prepend(table);
        end = start;
    }
    if (tables.isEmpty())
        return readKenwoodTrailer(src, ctx);
    AssistInfoList samples;
    qint64 first = -1;
    for (const Table &t : tables)
        readSlots(t, &samples, &first);
    return makeResult(kCode, samples);
}
