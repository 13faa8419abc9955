#include "mp4sampletable.h"

#include <QtEndian>
#include <algorithm>

namespace {

// Chunks kept at most: 8 bytes each for the offset and the first sample. No reader needs more
// than its 100,000 samples' worth; a 16 MB table of millions must not cost 64 MB.
constexpr quint64 kMaxChunks = 1u << 20;

// Counts past this are meaningless for any file we can hold; sums saturate here.
constexpr quint64 kSaturate = quint64(1) << 48;

quint64 saturatingAdd(quint64 a, quint64 b)
{
    return (a >= kSaturate || b >= kSaturate - a) ? kSaturate : a + b;
}

quint64 saturatingMul(quint64 a, quint64 b)
{
    if (a == 0 || b == 0)
        return 0;
    return a > kSaturate / b ? kSaturate : a * b;
}

// Reads n entries of entrySize bytes that start at payload offset skip, but only as many as
// the box really holds.
QByteArray readEntries(ByteSource &src, const BoxHeader &box, qint64 skip, quint64 declared,
                       int entrySize, quint64 *present)
{
    const ByteRange payload = box.payload();
    const qint64 room = payload.size() - skip;
    const quint64 fit = room > 0 ? quint64(room) / quint64(entrySize) : 0;
    *present = std::min(declared, fit);
    if (*present == 0)
        return QByteArray();
    return src.readAt(payload.begin + skip, qint64(*present) * entrySize);
}

} // namespace

quint32 mp4SampleCount(ByteSource &src, const BoxHeader &stsz)
{
    if (stsz.size == 0)
        return 0;
    const ByteRange payload = stsz.payload();
    quint32 count = 0;
    if (payload.size() < 12 || !src.readU32BE(payload.begin + 8, &count))
        return 0;
    if (stsz.is("stz2")) {
        quint8 bits = 0;
        if (!src.readU8(payload.begin + 7, &bits) || (bits != 4 && bits != 8 && bits != 16))
            return 0;
        const quint64 fit = quint64(payload.size() - 12) * 8 / bits;
        return quint32(std::min<quint64>(count, fit));
    }
    quint32 uniform = 0;
    if (!src.readU32BE(payload.begin + 4, &uniform))
        return 0;
    if (uniform != 0)
        return quint32(std::min<quint64>(count, quint64(src.size()) / uniform));
    return quint32(std::min<quint64>(count, quint64(payload.size() - 12) / 4));
}

bool Mp4SampleTableBoxes::note(const BoxHeader &h)
{
    BoxHeader *slot = nullptr;
    if (h.is("stsz") || h.is("stz2"))
        slot = &stsz;
    else if (h.is("stco") || h.is("co64"))
        slot = &chunkOffsets;
    else if (h.is("stsc"))
        slot = &stsc;
    else if (h.is("stts"))
        slot = &stts;
    if (slot == nullptr)
        return false;
    if (slot->size == 0)
        *slot = h;
    return true;
}

bool Mp4SampleTable::load(ByteSource &src, const Mp4SampleTableBoxes &boxes)
{
    *this = Mp4SampleTable();
    m_loaded = true;

    // Sizes.
    m_count = mp4SampleCount(src, boxes.stsz);
    if (m_count > 0) {
        const qint64 p = boxes.stsz.payloadBegin();
        if (boxes.stsz.is("stz2")) {
            quint8 bits = 0;
            src.readU8(p + 7, &bits);
            m_fieldBits = bits;
            const quint64 bytes = (quint64(m_count) * quint64(bits) + 7) / 8;
            m_sizes = src.readAt(p + 12, qint64(bytes));
            if (quint64(m_sizes.size()) < bytes)
                m_count = 0;
        } else {
            src.readU32BE(p + 4, &m_uniformSize);
            if (m_uniformSize == 0) {
                m_sizes = src.readAt(p + 12, qint64(m_count) * 4);
                if (m_sizes.size() < qint64(m_count) * 4)
                    m_count = 0;
            }
        }
    }

    // Chunk offsets.
    if (boxes.chunkOffsets.size > 0) {
        const bool wide = boxes.chunkOffsets.is("co64");
        quint32 declared = 0;
        src.readU32BE(boxes.chunkOffsets.payloadBegin() + 4, &declared);
        quint64 present = 0;
        const int entrySize = wide ? 8 : 4;
        const QByteArray raw = readEntries(src, boxes.chunkOffsets, 8,
                                           std::min<quint64>(declared, kMaxChunks), entrySize,
                                           &present);
        present = std::min<quint64>(present, quint64(raw.size()) / entrySize);
        m_chunkOffsets.reserve(int(present));
        const uchar *d = reinterpret_cast<const uchar *>(raw.constData());
        for (quint64 i = 0; i < present; ++i) {
            m_chunkOffsets.append(wide ? qFromBigEndian<quint64>(d + i * 8)
                                       : qFromBigEndian<quint32>(d + i * 4));
        }
    }

    // Sample-to-chunk runs: each entry gives the samples per chunk from its first chunk on.
    if (boxes.stsc.size > 0 && !m_chunkOffsets.isEmpty()) {
        quint32 declared = 0;
        src.readU32BE(boxes.stsc.payloadBegin() + 4, &declared);
        quint64 present = 0;
        const QByteArray raw = readEntries(src, boxes.stsc, 8, declared, 12, &present);
        present = std::min<quint64>(present, quint64(raw.size()) / 12);
        const uchar *d = reinterpret_cast<const uchar *>(raw.constData());
        const int chunks = m_chunkOffsets.size();
        m_chunkFirstSample.reserve(chunks);
        quint64 next = 1;
        quint64 entry = 0;
        quint32 perChunk = 0;
        for (int c = 1; c <= chunks; ++c) {
            // Runs must start at strictly increasing chunks; a run that does not is ignored
            // together with everything after it.
            while (entry < present) {
                const quint32 firstChunk = qFromBigEndian<quint32>(d + entry * 12);
                if (firstChunk > quint32(c))
                    break;
                const quint32 prevFirst =
                    entry > 0 ? qFromBigEndian<quint32>(d + (entry - 1) * 12) : 0;
                if (entry > 0 && firstChunk <= prevFirst) {
                    present = entry;
                    break;
                }
                perChunk = qFromBigEndian<quint32>(d + entry * 12 + 4);
                ++entry;
            }
            m_chunkFirstSample.append(next);
            next = saturatingAdd(next, perChunk);
        }
        m_addressable = next - 1;
    }

    // Decoding times.
    if (boxes.stts.size > 0) {
        quint32 declared = 0;
        src.readU32BE(boxes.stts.payloadBegin() + 4, &declared);
        quint64 present = 0;
        const QByteArray raw = readEntries(src, boxes.stts, 8, declared, 8, &present);
        present = std::min<quint64>(present, quint64(raw.size()) / 8);
        const uchar *d = reinterpret_cast<const uchar *>(raw.constData());
        quint64 first = 1;
        quint64 start = 0;
        m_runs.reserve(int(present));
        for (quint64 i = 0; i < present && first <= m_count; ++i) {
            TimeRun run;
            run.count = qFromBigEndian<quint32>(d + i * 8);
            run.delta = qFromBigEndian<quint32>(d + i * 8 + 4);
            if (run.count == 0)
                continue;
            run.firstSample = first;
            run.startTime = start;
            m_runs.append(run);
            first = saturatingAdd(first, run.count);
            start = saturatingAdd(start, saturatingMul(run.count, run.delta));
        }
    }
    return m_count > 0;
}

quint32 Mp4SampleTable::sampleSize(quint32 id) const
{
    if (m_uniformSize != 0)
        return m_uniformSize;
    const quint64 i = id - 1;
    const uchar *d = reinterpret_cast<const uchar *>(m_sizes.constData());
    switch (m_fieldBits) {
    case 4: {
        const uchar b = d[i / 2];
        return (i % 2 == 0) ? (b >> 4) : (b & 0x0f);
    }
    case 8:
        return d[i];
    case 16:
        return qFromBigEndian<quint16>(d + i * 2);
    default:
        return qFromBigEndian<quint32>(d + i * 4);
    }
}

void Mp4SampleTable::timing(quint32 id, Location *out) const
{
    out->startTime = 0;
    out->duration = 0;
    if (m_runs.isEmpty())
        return;
    auto it = std::upper_bound(m_runs.cbegin(), m_runs.cend(), quint64(id),
                               [](quint64 v, const TimeRun &r) { return v < r.firstSample; });
    if (it == m_runs.cbegin())
        return;
    const TimeRun &run = *(it - 1);
    const quint64 k = id - run.firstSample;
    if (k < run.count) {
        out->startTime = saturatingAdd(run.startTime, saturatingMul(k, run.delta));
        out->duration = run.delta;
    } else {
        // Past the last run: the sample starts where the timeline ends and lasts nothing.
        out->startTime = saturatingAdd(run.startTime, saturatingMul(run.count, run.delta));
    }
}

bool Mp4SampleTable::locate(quint32 id, qint64 fileSize, Location *out)
{
    if (id == 0 || id > m_count || quint64(id) > m_addressable || m_chunkFirstSample.isEmpty())
        return false;
    auto it = std::upper_bound(m_chunkFirstSample.cbegin(), m_chunkFirstSample.cend(),
                               quint64(id));
    const int chunk = int(it - m_chunkFirstSample.cbegin()) - 1;
    if (chunk < 0)
        return false;

    quint64 offset = 0;
    if (chunk == m_lastChunk && m_lastId != 0 && id == m_lastId + 1) {
        offset = saturatingAdd(quint64(m_lastOffset), sampleSize(m_lastId));
    } else {
        offset = m_chunkOffsets[chunk];
        const quint64 first = m_chunkFirstSample[chunk];
        if (m_uniformSize != 0) {
            offset = saturatingAdd(offset, saturatingMul(id - first, m_uniformSize));
        } else {
            for (quint64 k = first; k < id && offset < kSaturate; ++k)
                offset = saturatingAdd(offset, sampleSize(quint32(k)));
        }
    }
    // The cursor moves on even when this sample is rejected, so a run of bad samples costs
    // one step each instead of a new sum from the chunk start.
    m_lastId = id;
    m_lastChunk = chunk;
    m_lastOffset = qint64(offset);
    const quint32 size = sampleSize(id);
    if (offset >= quint64(fileSize) || size > quint64(fileSize) - offset)
        return false;
    out->offset = qint64(offset);
    out->size = size;
    timing(id, out);
    return true;
}
