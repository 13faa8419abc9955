#pragma once

#include "bytesource.h"

#include <QByteArray>
#include <QVector>

// Where the boxes of one track's sample table are (headers from the tree walk; absent boxes
// have size 0).
struct Mp4SampleTableBoxes
{
    BoxHeader stsz; // "stsz" or "stz2"
    BoxHeader chunkOffsets; // "stco" or "co64"
    BoxHeader stsc;
    BoxHeader stts;

    // Keeps h when it is the first of its kind among a sample table's boxes; true for every box
    // of these kinds, kept or not, so that callers can look at the other children.
    bool note(const BoxHeader &h);
};

// Number of samples a "stsz"/"stz2" box declares, cut to what the box can actually describe:
// a per-sample table cannot list more entries than its payload holds, and samples of one fixed
// size cannot add up to more bytes than the file has. Reads only the box's first words.
quint32 mp4SampleCount(ByteSource &src, const BoxHeader &stsz);

// The sample table of one track: sizes (stsz/stz2), chunk offsets (stco/co64), the
// sample-to-chunk runs (stsc) and the decoding times (stts). Loaded on the first sample read,
// so detection, which only looks at boxes, never pulls the tables in. Memory stays within a
// small multiple of the table boxes' own sizes: no count from the file is trusted beyond the
// bytes that back it.
class Mp4SampleTable
{
public:
    struct Location
    {
        qint64 offset = 0;
        quint32 size = 0;
        quint64 startTime = 0; // in the track's time scale
        quint64 duration = 0;
    };

    bool load(ByteSource &src, const Mp4SampleTableBoxes &boxes);
    bool isLoaded() const { return m_loaded; }
    quint32 sampleCount() const { return m_count; }
    // Locates sample id (1-based). False when the tables do not place it inside the file.
    bool locate(quint32 id, qint64 fileSize, Location *out);

private:
    struct TimeRun
    {
        quint64 firstSample = 0; // 1-based
        quint64 startTime = 0;
        quint32 count = 0;
        quint32 delta = 0;
    };

    quint32 sampleSize(quint32 id) const; // 1-based, id <= m_count
    void timing(quint32 id, Location *out) const;

    bool m_loaded = false;
    quint32 m_count = 0;
    quint32 m_uniformSize = 0; // non-zero: every sample has this size, no table
    int m_fieldBits = 32;      // 4, 8, 16 (stz2) or 32
    QByteArray m_sizes;        // raw size table
    QVector<quint64> m_chunkOffsets;
    QVector<quint64> m_chunkFirstSample; // 1-based number of each chunk's first sample
    quint64 m_addressable = 0;           // samples the chunk runs account for
    QVector<TimeRun> m_runs;

    // Sequential reads continue from the previous sample instead of summing sizes again.
    quint32 m_lastId = 0;
    int m_lastChunk = -1;
    qint64 m_lastOffset = 0;
};
