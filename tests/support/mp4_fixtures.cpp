#include "mp4_fixtures.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

namespace mp4fx {

QByteArray be16(quint16 v)
{
    char b[2];
    qToBigEndian(v, b);
    return QByteArray(b, 2);
}

QByteArray be32(quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray be64(quint64 v)
{
    char b[8];
    qToBigEndian(v, b);
    return QByteArray(b, 8);
}

QByteArray le16(quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2);
}

QByteArray le32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray leFloat(float v)
{
    quint32 bits = 0;
    std::memcpy(&bits, &v, 4);
    return le32(bits);
}

QByteArray box(const char *type, const QByteArray &payload)
{
    return be32(quint32(8 + payload.size())) + QByteArray(type, 4) + payload;
}

QByteArray largeBox(const char *type, const QByteArray &payload)
{
    return be32(1) + QByteArray(type, 4) + be64(quint64(16 + payload.size())) + payload;
}

QByteArray fullBox(const char *type, quint8 version, quint32 flags, const QByteArray &payload)
{
    return box(type, be32((quint32(version) << 24) | (flags & 0xffffff)) + payload);
}

QByteArray textSample(const QByteArray &text)
{
    return be16(quint16(text.size())) + text;
}

QByteArray metaRecord(const MetaRecord &r)
{
    QByteArray b(108, '\x11'); // unused prefix: non-zero so a reader cannot lean on zeros
    b += leFloat(r.gx) + leFloat(r.gy) + leFloat(r.gz);
    b += r.status;
    b += r.lonHemisphere;
    b += r.latHemisphere;
    b += char(r.lonDegrees);
    b += char(r.lonMinutes);
    b += '\0';
    b += le16(r.lonSeconds100);
    b += char(r.latDegrees);
    b += char(r.latMinutes);
    b += le16(r.latSeconds100);
    b += le16(r.speed);
    return b;
}

namespace {

// Chunk sizes (in samples) for n samples from the repeating pattern.
QVector<quint32> chunkPlan(const TrackPlan &t)
{
    QVector<quint32> plan;
    int left = t.samples.size();
    int i = 0;
    while (left > 0) {
        const int want = int(qMax<quint32>(1, t.samplesPerChunk.value(i % t.samplesPerChunk.size())));
        const int n = qMin(want, left);
        plan.append(quint32(n));
        left -= n;
        ++i;
    }
    return plan;
}

QByteArray sizeTable(const TrackPlan &t)
{
    const quint32 n = quint32(t.samples.size());
    switch (t.sizes) {
    case SizeTable::Uniform:
        return fullBox("stsz", 0, 0,
                       be32(t.samples.isEmpty() ? 0 : quint32(t.samples.first().size())) + be32(n));
    case SizeTable::Stz2Bits4: {
        QByteArray table;
        for (int i = 0; i < t.samples.size(); i += 2) {
            const int hi = t.samples[i].size();
            const int lo = i + 1 < t.samples.size() ? t.samples[i + 1].size() : 0;
            table += char((hi << 4) | lo);
        }
        return fullBox("stz2", 0, 0, QByteArray(3, '\0') + char(4) + be32(n) + table);
    }
    case SizeTable::Stz2Bits8: {
        QByteArray table;
        for (const QByteArray &s : t.samples)
            table += char(s.size());
        return fullBox("stz2", 0, 0, QByteArray(3, '\0') + char(8) + be32(n) + table);
    }
    case SizeTable::Stz2Bits16: {
        QByteArray table;
        for (const QByteArray &s : t.samples)
            table += be16(quint16(s.size()));
        return fullBox("stz2", 0, 0, QByteArray(3, '\0') + char(16) + be32(n) + table);
    }
    case SizeTable::Stsz:
        break;
    }
    QByteArray table;
    for (const QByteArray &s : t.samples)
        table += be32(quint32(s.size()));
    return fullBox("stsz", 0, 0, be32(0) + be32(n) + table);
}

} // namespace

QByteArray trackData(const TrackPlan &t)
{
    QByteArray data;
    for (const QByteArray &s : t.samples)
        data += s;
    return data;
}

QByteArray trakBox(const TrackPlan &t, quint64 chunkBase)
{
    const QVector<quint32> plan = chunkPlan(t);

    QByteArray tkhd;
    if (t.tkhdVersion == 1)
        tkhd = fullBox("tkhd", 1, 3, be64(0) + be64(0) + be32(t.trackId) + QByteArray(72, '\0'));
    else
        tkhd = fullBox("tkhd", 0, 3, be32(0) + be32(0) + be32(t.trackId) + QByteArray(68, '\0'));

    quint64 total = 0;
    for (quint32 d : t.deltas)
        total += d;
    if (t.deltas.isEmpty())
        total = quint64(t.sampleDelta) * quint64(t.samples.size());
    const QByteArray mdhd =
        fullBox("mdhd", 0, 0, be32(0) + be32(0) + be32(t.timeScale) + be32(quint32(total)) + be32(0));
    const QByteArray hdlr = fullBox("hdlr", 0, 0, be32(0) + t.handler + QByteArray(12, '\0')
                                                      + QByteArray("TestHandler") + '\0');
    const QByteArray stsd =
        fullBox("stsd", 0, 0, be32(1) + box(t.sampleEntry.constData(), QByteArray(8, '\0')));

    QByteArray stts;
    if (t.deltas.isEmpty()) {
        stts = fullBox("stts", 0, 0,
                       t.samples.isEmpty() ? be32(0)
                                           : be32(1) + be32(quint32(t.samples.size()))
                                                 + be32(t.sampleDelta));
    } else {
        QByteArray entries;
        for (quint32 d : t.deltas)
            entries += be32(1) + be32(d);
        stts = fullBox("stts", 0, 0, be32(quint32(t.deltas.size())) + entries);
    }

    // stsc: a new run wherever the chunk size changes.
    QByteArray runs;
    quint32 runCount = 0;
    for (int c = 0; c < plan.size(); ++c) {
        if (c == 0 || plan[c] != plan[c - 1]) {
            runs += be32(quint32(c + 1)) + be32(plan[c]) + be32(1);
            ++runCount;
        }
    }
    const QByteArray stsc = fullBox("stsc", 0, 0, be32(runCount) + runs);

    QByteArray offsets;
    quint64 pos = chunkBase;
    int sample = 0;
    for (quint32 n : plan) {
        offsets += t.co64 ? be64(pos) : be32(quint32(pos));
        for (quint32 k = 0; k < n; ++k)
            pos += quint64(t.samples[sample++].size());
    }
    const QByteArray stco =
        fullBox(t.co64 ? "co64" : "stco", 0, 0, be32(quint32(plan.size())) + offsets);

    const QByteArray stbl = box("stbl", stsd + stts + stsc + sizeTable(t) + stco);
    const QByteArray minf = box("minf", box("dinf", QByteArray()) + stbl);
    const QByteArray mdia = box("mdia", mdhd + hdlr + minf);
    return box("trak", tkhd + mdia);
}

QByteArray buildMp4(const FilePlan &layout)
{
    const QByteArray ftyp = box("ftyp", QByteArray("isom") + be32(512) + "isomiso2mp41");
    QByteArray before = ftyp;
    for (const QByteArray &b : layout.topBefore)
        before += b;

    QByteArray data;
    for (const TrackPlan &t : layout.tracks)
        data += trackData(t);

    auto moovFor = [&](quint64 dataStart) {
        QByteArray moov;
        for (const QByteArray &b : layout.moovFirst)
            moov += b;
        moov += fullBox("mvhd", 0, 0, QByteArray(96, '\0'));
        quint64 base = dataStart;
        for (const TrackPlan &t : layout.tracks) {
            moov += trakBox(t, base);
            base += quint64(trackData(t).size());
        }
        for (const QByteArray &b : layout.moovExtra)
            moov += b;
        return box("moov", moov);
    };

    QByteArray file;
    if (layout.moovBeforeMdat) {
        // The moov size does not depend on the offsets it holds, so lay it out twice.
        const int moovSize = moovFor(0).size();
        const quint64 dataStart = quint64(before.size() + moovSize + 8);
        file = before + moovFor(dataStart) + box("mdat", data);
    } else {
        const quint64 dataStart = quint64(before.size() + 8);
        file = before + box("mdat", data) + moovFor(dataStart);
    }
    return file + layout.tail;
}

QByteArray udtaBox(const QByteArray &innerType, const QByteArray &text)
{
    return box("udta", box(innerType.constData(), text));
}

QByteArray gpsBox(quint32 version, quint32 length)
{
    QByteArray table;
    for (quint32 i = 0; i < length && i < 64; ++i)
        table += be32(0x1000 * (i + 1)) + be32(0x8000);
    return box("gps ", be32(version) + be32(length) + table);
}

QByteArray detectionFile(const QList<QByteArray> &moovChildren, const QByteArray &tail,
                         const QList<QByteArray> &topBefore)
{
    QByteArray file = box("ftyp", QByteArray("isom") + be32(512) + "isomavc1");
    for (const QByteArray &b : topBefore)
        file += b;
    file += box("mdat", QByteArray(64, '\x5a'));
    QByteArray moov;
    for (const QByteArray &c : moovChildren)
        moov += c;
    file += box("moov", moov);
    return file + tail;
}

QByteArray indexTableFile(const QList<QByteArray> &moovChildren, const QList<QByteArray> &blocks,
                          const QByteArray &lead, quint32 sizeBias)
{
    QByteArray file = box("ftyp", QByteArray("isom") + be32(512) + "isomavc1");
    QByteArray moov;
    for (const QByteArray &c : moovChildren)
        moov += c;
    file += box("moov", moov);
    QByteArray data;
    QByteArray table = lead;
    const int dataStart = file.size() + 8;
    for (const QByteArray &b : blocks) {
        table += be32(quint32(dataStart + data.size())) + be32(quint32(b.size()) + sizeBias);
        data += b + QByteArray(16, '\0');
    }
    return file + box("mdat", data) + table;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

} // namespace mp4fx
