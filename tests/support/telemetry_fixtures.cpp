#include "telemetry_fixtures.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>

namespace fixtures {

namespace {

constexpr qint64 mdatStart = 32; // after a 24-byte ftyp and the 8-byte mdat header

QByteArray ftyp()
{
    return box("ftyp", QByteArray("isom") + be32(512) + QByteArray("isomavc1"));
}

struct Track
{
    quint32 timeScale = 30000;
    quint32 duration = 0;
    QVector<quint32> sizes;
    QVector<quint32> chunkOffsets;
};

QByteArray fullBox(const char *type, const QByteArray &payload)
{
    return box(type, be32(0) + payload); // version 0, no flags
}

QByteArray trakBox(const Track &t)
{
    QByteArray mdhd = be32(0) + be32(0) + be32(t.timeScale) + be32(t.duration) + be32(0);
    QByteArray stsz = be32(0) + be32(quint32(t.sizes.size()));
    for (quint32 s : t.sizes)
        stsz += be32(s);
    QByteArray stco = be32(quint32(t.chunkOffsets.size()));
    for (quint32 o : t.chunkOffsets)
        stco += be32(o);
    const QByteArray stbl = box("stsd", be32(0) + be32(0)) + box("stts", be32(0) + be32(0))
        + box("stsc", be32(0) + be32(0)) + fullBox("stsz", stsz) + fullBox("stco", stco);
    const QByteArray minf = box("vmhd", QByteArray(12, '\0')) + box("stbl", stbl);
    const QByteArray mdia = fullBox("mdhd", mdhd) + box("hdlr", QByteArray(25, '\0'))
        + box("minf", minf);
    return box("trak", box("tkhd", QByteArray(84, '\0')) + box("mdia", mdia));
}

QByteArray moovBox(const QList<Track> &tracks, const QByteArray &udtaText)
{
    QByteArray payload = box("mvhd", QByteArray(100, '\0'));
    for (const Track &t : tracks)
        payload += trakBox(t);
    if (!udtaText.isEmpty())
        payload += box("udta", be32(quint32(udtaText.size() + 4)) + udtaText);
    return box("moov", payload);
}

// ftyp, mdat over [mdatStart, dataEnd), moov behind it.
SparseFile boxFile(SparseFile data, qint64 dataEnd, const QList<Track> &tracks,
                   const QByteArray &udtaText)
{
    dataEnd = std::max(dataEnd, mdatStart);
    data.put(0, ftyp());
    data.put(24, be32(quint32(dataEnd - 24)) + QByteArray("mdat"));
    data.put(dataEnd, moovBox(tracks, udtaText));
    return data;
}

qint64 alignUp(qint64 v, qint64 a)
{
    return (v + a - 1) / a * a;
}

QByteArray padded(QByteArray b, int n)
{
    if (b.size() < n)
        b.append(QByteArray(n - b.size(), '\0'));
    return b.left(n);
}

void putText(QByteArray *block, int at, const QByteArray &text)
{
    block->replace(at, text.size(), text);
}

QByteArray repeated(const QByteArray &unit, int totalBytes)
{
    QByteArray out;
    out.reserve(totalBytes);
    while (out.size() + unit.size() <= totalBytes)
        out += unit;
    return out;
}

// ftyp, the maker's qmdx box, moov with one track of the given handler and sample tables
// (payloads after version and flags), then mdat filling the file up to padTo bytes.
QByteArray makerTrackFile(const QByteArray &handler, const QByteArray &stsz,
                          const QByteArray &stsc, const QByteArray &stco, const QByteArray &stts,
                          int padTo)
{
    const QByteArray stbl = fullBox("stsd", be32(1) + box("mett", QByteArray(8, '\0')))
        + fullBox("stts", stts) + fullBox("stsc", stsc) + fullBox("stsz", stsz)
        + fullBox("stco", stco);
    const QByteArray mdia = fullBox("mdhd", be32(0) + be32(0) + be32(1000) + be32(0) + be32(0))
        + fullBox("hdlr", be32(0) + handler + QByteArray(13, '\0'))
        + box("minf", box("stbl", stbl));
    const QByteArray trak =
        box("trak", fullBox("tkhd", QByteArray(8, '\0') + be32(1) + QByteArray(68, '\0'))
                        + box("mdia", mdia));
    QByteArray file = box("ftyp", "isom" + be32(0)) + box("qmdx", "maker") + box("moov", trak);
    const int pad = std::max(8, padTo - file.size());
    return file + be32(quint32(pad)) + "mdat" + QByteArray(pad - 8, '\0');
}

} // namespace

QList<HostileShape> hostileShapes(int size)
{
    QList<HostileShape> out;
    const QByteArray ftyp = box("ftyp", "isom" + be32(0));
    const QByteArray tiny = box("free", QByteArray());
    out.append({"top-level boxes", repeated(tiny, size), 0, 1 << 20});
    const QByteArray children = repeated(tiny, size - 64);
    out.append({"moov children", ftyp + box("moov", children), 0, 1 << 20});
    out.append({"udta children", ftyp + box("moov", box("udta", children)), 0, 1 << 20});
    out.append({"tracks",
                ftyp + box("qmdx", "m")
                    + box("moov", repeated(box("trak", box("tkhd", QByteArray(24, '\0'))),
                                           size - 64)),
                0, 4 << 20});
    // Four billion one-byte samples in one chunk.
    out.append({"track counts",
                makerTrackFile("meta", be32(1) + be32(0xFFFFFFFF),
                               be32(1) + be32(1) + be32(0xFFFFFFFF) + be32(1), be32(1) + be32(0),
                               be32(1) + be32(0xFFFFFFFF) + be32(1), size),
                100000, 2 * qint64(size)});
    // Samples of 60 kB (and, next, 70 kB: too long for a sentence) all on the same bytes. Their
    // sample tables fill the file: the maker-track reader and the text and binary track readers
    // each read them once, so the load may read the file about twice, never more.
    const int n = size / 16;
    for (const quint32 sampleSize : {60000u, 70000u}) {
        QByteArray sizes = be32(0) + be32(quint32(n));
        QByteArray offsets = be32(quint32(n));
        sizes.reserve(4 * n + 8);
        offsets.reserve(4 * n + 4);
        for (int i = 0; i < n; ++i) {
            sizes += be32(sampleSize);
            offsets += be32(64);
        }
        out.append({sampleSize == 60000u ? "overlapping text samples" : "long text samples",
                    makerTrackFile("text", sizes, be32(1) + be32(1) + be32(1) + be32(1), offsets,
                                   be32(1) + be32(quint32(n)) + be32(1), size),
                    0, (sampleSize == 60000u ? 3 : 2) * qint64(size)});
    }
    return out;
}

void SparseFile::put(qint64 at, const QByteArray &bytes)
{
    pieces.append({at, bytes});
    size = std::max(size, at + bytes.size());
}

QByteArray SparseFile::toBytes() const
{
    QByteArray out(int(size), '\0');
    for (const auto &p : pieces)
        out.replace(int(p.first), p.second.size(), p.second);
    return out;
}

bool SparseFile::writeTo(const QString &path) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (const auto &p : pieces) {
        if (!f.seek(p.first) || f.write(p.second) != p.second.size())
            return false;
    }
    return f.resize(size);
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, reinterpret_cast<uchar *>(b.data()));
    return b;
}

QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, reinterpret_cast<uchar *>(b.data()));
    return b;
}

QByteArray box(const char *type, const QByteArray &payload)
{
    return be32(quint32(payload.size() + 8)) + QByteArray(type, 4) + payload;
}

QByteArray alignedBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence,
                        const QByteArray &key8, bool byKey)
{
    QByteArray b(232, '\0');
    putText(&b, 76, le32(x) + le32(y) + le32(z));
    const QByteArray key = padded(key8, 8);
    int k = 0;
    for (int i = 0; i < 8; ++i)
        k += (key.at(i) >= '0' && key.at(i) <= '9') ? key.at(i) - '0' : 0;
    k += (key.at(4) >= '0' && key.at(4) <= '9' ? key.at(4) - '0' : 0)
        + (key.at(7) >= '0' && key.at(7) <= '9' ? key.at(7) - '0' : 0);
    const int shift = byKey ? k : 2 * k;
    // By key: the check character unshifts to a space. Otherwise a letter that does not.
    const QByteArray plain = QByteArray(1, byKey ? ' ' : 'C') + sentence;
    for (int i = 0; i < plain.size() && 88 + i < 216; ++i)
        b[88 + i] = char(uchar(plain.at(i)) + uchar(shift));
    const int end = 88 + plain.size();
    if (end + 2 <= 216)
        putText(&b, end, "\r\n");
    putText(&b, 216, key);
    return b;
}

QByteArray frameTailBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence)
{
    QByteArray b(232, '\0');
    putText(&b, 76, le32(x) + le32(y) + le32(z));
    putText(&b, 89, sentence.left(232 - 89 - 1));
    return b;
}

QByteArray indexedBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence)
{
    QByteArray b(280, '\0');
    putText(&b, 124, le32(x) + le32(y) + le32(z));
    putText(&b, 137, sentence.left(280 - 137 - 1));
    return b;
}

QByteArray indexedBlockV2(qint32 x, qint32 y, qint32 z, const QByteArray &sentence)
{
    QByteArray b(106 + sentence.size() + 64, '\0');
    putText(&b, 92, le32(x) + le32(y) + le32(z));
    putText(&b, 105, sentence);
    return b;
}

QByteArray maskedBlock(const QByteArray &position, const QByteArray &speed, const QByteArray &g)
{
    QByteArray b(256, '\0');
    putText(&b, 56, position.left(23));
    putText(&b, 80, speed.left(100));
    putText(&b, 191, g.left(60));
    for (int i = 0; i < 203; ++i)
        b[i] = char(uchar(b.at(i)) ^ 0xAA);
    return b;
}

QByteArray trailerRecord(const QList<QByteArray> &fields)
{
    QByteArray text;
    for (int i = 0; i < fields.size(); ++i)
        text += (i ? ";" : "") + fields.at(i);
    return padded(text, 132);
}

QByteArray trailerRecord(int gx, int gy, int gz, char fix, char ew, char ns, int lonDeg,
                         int lonMin, int lonFrac, int latDeg, int latMin, int latFrac, int speed,
                         int course)
{
    auto g = [](const char *label, int v) {
        return QByteArray(label) + ':' + (v < 0 ? '-' : '+')
            + QByteArray::number(qAbs(v)).rightJustified(5, '0');
    };
    return trailerRecord({"20260101", "120000", "0", g("X", gx), g("Y", gy), g("Z", gz), "0",
                          "0", "0", "0", QByteArray(1, fix), QByteArray(1, ew),
                          QByteArray(1, ns), QByteArray::number(lonDeg),
                          QByteArray::number(lonMin), QByteArray::number(lonFrac),
                          QByteArray::number(latDeg), QByteArray::number(latMin),
                          QByteArray::number(latFrac), QByteArray::number(speed),
                          QByteArray::number(course)});
}

QByteArray tabLine(int x, int y, int z, const QByteArray &sentence)
{
    return QByteArray::number(x) + '\t' + QByteArray::number(y) + '\t' + QByteArray::number(z)
        + '\t' + sentence;
}

QByteArray shiftedLine(const QByteArray &plain, int key)
{
    QByteArray out = plain;
    for (int i = 0; i < out.size() && out.at(i) != '\n' && out.at(i) != '\r'; ++i)
        out[i] = char(uchar(out.at(i)) + uchar(key));
    return out;
}

QByteArray tabKeyRecord(const QByteArray &key8)
{
    return padded(key8, 8) + "\r\n";
}

SparseFile alignedOneTrackFile(const QList<QByteArray> &blocks, qint64 secondSpacing,
                               const QByteArray &udtaText)
{
    const int fps = 30;
    SparseFile data;
    Track video;
    qint64 cursor = mdatStart;
    for (int s = 0; s < blocks.size(); ++s) {
        cursor = std::max(cursor, mdatStart + s * secondSpacing);
        qint64 lastEnd = cursor;
        for (int f = 0; f < fps; ++f) {
            const quint32 size = 1000 + quint32((s * fps + f) % 13);
            video.sizes.append(size);
            video.chunkOffsets.append(quint32(cursor));
            lastEnd = cursor + size;
            cursor += size;
        }
        const qint64 at = alignUp(lastEnd, 32768) + 48;
        data.put(at, blocks.at(s));
        cursor = at + blocks.at(s).size();
    }
    video.duration = quint32(1000 * video.sizes.size()); // 30000 / 1000 = 30 fps
    return boxFile(data, cursor, {video}, udtaText);
}

SparseFile alignedTwoTrackFile(const QList<QByteArray> &blocks, qint64 secondSpacing)
{
    SparseFile data;
    Track video;
    Track meta;
    qint64 cursor = mdatStart;
    for (int s = 0; s < blocks.size(); ++s) {
        cursor = std::max(cursor, mdatStart + s * secondSpacing);
        for (int f = 0; f < 30; ++f) {
            video.sizes.append(500);
            video.chunkOffsets.append(quint32(cursor + 500 * f));
        }
        const qint64 chunk = cursor + 30 * 500;
        meta.sizes.append(0x10000 + 280);
        meta.chunkOffsets.append(quint32(chunk));
        data.put(chunk + 0x10000 + 48, blocks.at(s));
        cursor = chunk + 0x10000 + 48 + blocks.at(s).size();
    }
    video.duration = quint32(1000 * video.sizes.size());
    meta.duration = quint32(30000 * meta.sizes.size());
    return boxFile(data, cursor, {video, meta}, QByteArray("infoNT96650A"));
}

SparseFile plainRecordingFile(int seconds, qint64 bytesPerSecond, const QByteArray &udtaText)
{
    const int fps = 30;
    const quint32 frame = quint32(std::max<qint64>(8, bytesPerSecond / fps));
    SparseFile data;
    Track video;
    qint64 cursor = mdatStart;
    for (int f = 0; f < seconds * fps; ++f) {
        video.sizes.append(frame);
        video.chunkOffsets.append(quint32(cursor));
        cursor += frame;
    }
    video.duration = quint32(seconds) * video.timeScale;
    return boxFile(data, cursor, {video}, udtaText);
}

SparseFile frameTailFile(const QList<QByteArray> &blocks, qint64 secondSpacing)
{
    const int fps = 30;
    SparseFile data;
    Track video;
    qint64 cursor = mdatStart;
    for (int s = 0; s < blocks.size(); ++s) {
        cursor = std::max(cursor, mdatStart + s * secondSpacing);
        for (int f = 0; f < fps - 1; ++f) {
            video.sizes.append(400);
            video.chunkOffsets.append(quint32(cursor));
            cursor += 400;
        }
        // Last frame: a length-prefixed NAL unit, then the block 48 bytes further on.
        const quint32 nal = 100 + quint32(s % 7);
        video.chunkOffsets.append(quint32(cursor));
        data.put(cursor, be32(nal));
        const qint64 at = cursor + 4 + nal + 48;
        data.put(at, blocks.at(s));
        video.sizes.append(quint32(at + blocks.at(s).size() - cursor));
        cursor = at + blocks.at(s).size();
    }
    video.duration = quint32(1000 * video.sizes.size());
    return boxFile(data, cursor, {video}, QByteArray());
}

SparseFile tabTextTrackFile(const QList<QByteArray> &lines, int trackCount,
                            qint64 secondSpacing)
{
    SparseFile data;
    Track video;
    video.sizes = {100};
    video.chunkOffsets = {quint32(mdatStart)};
    video.duration = 1000;
    Track text;
    qint64 cursor = mdatStart + 100;
    for (const QByteArray &line : lines) {
        cursor = std::max(cursor, mdatStart + 100 + text.sizes.size() * secondSpacing);
        const QByteArray sample = "#" + line;
        QByteArray length(2, '\0');
        qToBigEndian(quint16(sample.size()), reinterpret_cast<uchar *>(length.data()));
        data.put(cursor, length + sample);
        text.sizes.append(quint32(sample.size() + 2));
        text.chunkOffsets.append(quint32(cursor));
        cursor += 2 + sample.size();
    }
    text.duration = quint32(30000 * lines.size());
    QList<Track> tracks;
    for (int i = 0; i < trackCount; ++i)
        tracks.append(i == trackCount - 1 ? text : video);
    return boxFile(data, cursor, tracks, QByteArray("infoAMBARELLA A12"));
}

SparseFile trailerFile(const QList<QByteArray> &records, const QByteArray &marker,
                       qint64 videoBytes)
{
    SparseFile f;
    f.put(0, ftyp());
    qint64 at = std::max<qint64>(videoBytes, 24);
    for (const QByteArray &r : records) {
        f.put(at, r);
        at += r.size();
    }
    const qint64 area = at - std::max<qint64>(videoBytes, 24);
    const QByteArray hex = QByteArray::number(area + 44, 16).rightJustified(4, '0').right(4);
    f.put(at, padded(marker, 4) + hex + QByteArray(12, ' ') + "TORVEN53");
    return f;
}

SparseFile indexedFile(const QList<QByteArray> &blocks, IndexKind kind, qint64 secondSpacing)
{
    SparseFile f;
    f.put(0, ftyp());
    qint64 cursor = 4096;
    QByteArray table;
    for (int i = 0; i < blocks.size(); ++i) {
        cursor = std::max(cursor, 4096 + i * secondSpacing);
        f.put(cursor, blocks.at(i));
        const quint32 stated =
            quint32(blocks.at(i).size()) + (kind == IndexKind::IndexedV2 ? 5120 : 0);
        table += be32(quint32(cursor)) + be32(stated);
        cursor += blocks.at(i).size() + 16;
    }
    if (kind != IndexKind::Indexed)
        table.prepend(QByteArray("GPSINDEX"));
    f.put(cursor, table);
    return f;
}

QList<QPair<QString, QByteArray>> fuzzSeeds()
{
    QByteArray ts(188 * 8, '\xff');
    for (int i = 0; i < 8; ++i)
        ts.replace(188 * i, 4, QByteArray::fromHex("47410010"));
    QList<QPair<QString, QByteArray>> seeds = {
        // Recordings without telemetry, with and without a udta text, and a transport stream.
        {"plain", plainRecordingFile(1, 240).toBytes()},
        {"plain-udta", plainRecordingFile(1, 240, "infoLavf58.76.100").toBytes()},
        {"ts", ts},
    };
    // Small versions of the shapes that attack the bounds, each just large enough for its bound:
    // the flood of top-level boxes over the 4096 box headers a walk may read, the other floods
    // over the 256 tracks a file may have, and the sample tables at 1 KiB, which claim their
    // billions of samples as well (every byte more is one more sample read in every run).
    auto bytesFor = [](const QByteArray &shape) {
        if (shape == "top-level boxes")
            return 36 * 1024;
        return shape == "tracks" || shape.endsWith("children") ? 12 * 1024 : 1024;
    };
    for (const int size : {36 * 1024, 12 * 1024, 1024}) {
        for (const HostileShape &shape : hostileShapes(size)) {
            if (bytesFor(shape.name) == size)
                seeds.append({QString::fromLatin1(shape.name).replace(' ', '-'), shape.bytes});
        }
    }
    return seeds;
}

} // namespace fixtures
