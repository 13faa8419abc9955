#pragma once

// Writes small ISO BMFF files from known values: boxes, whole MP4s with sample tables in every
// encoding the reader understands, the maker's telemetry tracks, and the markers the device
// detection looks for.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

namespace mp4fx {

QByteArray be16(quint16 v);
QByteArray be32(quint32 v);
QByteArray be64(quint64 v);
QByteArray le16(quint16 v);
QByteArray le32(quint32 v);
QByteArray leFloat(float v);

// A box with a 32-bit size.
QByteArray box(const char *type, const QByteArray &payload);
// A box with size field 1 and a 64-bit size.
QByteArray largeBox(const char *type, const QByteArray &payload);
// A full box: version and flags before the payload.
QByteArray fullBox(const char *type, quint8 version, quint32 flags, const QByteArray &payload);

enum class SizeTable { Stsz, Uniform, Stz2Bits4, Stz2Bits8, Stz2Bits16 };

struct TrackPlan
{
    QByteArray handler = "vide";     // hdlr handler type
    QByteArray sampleEntry = "mp4v"; // first stsd entry
    quint32 trackId = 1;
    quint32 timeScale = 1000;
    QList<QByteArray> samples;
    // stts: every sample lasts sampleDelta, unless deltas is set (one per sample).
    quint32 sampleDelta = 100;
    QVector<quint32> deltas;
    // stsc: chunk sizes in samples, repeated until the samples run out.
    QVector<quint32> samplesPerChunk{1};
    bool co64 = false;
    SizeTable sizes = SizeTable::Stsz;
    int tkhdVersion = 0;
};

struct FilePlan
{
    QList<TrackPlan> tracks;
    QList<QByteArray> topBefore; // top-level boxes between ftyp and mdat ("qmdx", ...)
    QList<QByteArray> moovExtra; // extra moov children after the tracks ("udta", "gps ")
    QList<QByteArray> moovFirst; // extra moov children before mvhd
    QByteArray tail;             // raw bytes appended after moov
    bool moovBeforeMdat = false;
};

// A complete file: ftyp, topBefore, mdat with the samples chunk by chunk, moov.
QByteArray buildMp4(const FilePlan &layout);

// One "trak" whose chunk offsets are computed from chunkBase (file position of the first byte
// of this track's sample data); used by buildMp4 and by tests that assemble files by hand.
QByteArray trakBox(const TrackPlan &t, quint64 chunkBase);
// The sample data of a track as buildMp4 lays it out (all samples back to back).
QByteArray trackData(const TrackPlan &t);

// A text sample as QuickTime/3GPP text tracks store it: 16-bit length, then the text.
QByteArray textSample(const QByteArray &text);

// The maker's 134-byte telemetry record of "meta" tracks.
struct MetaRecord
{
    float gx = 0, gy = 0, gz = 0;
    char status = 'A';
    char lonHemisphere = 'E';
    char latHemisphere = 'N';
    quint8 lonDegrees = 0, lonMinutes = 0;
    quint16 lonSeconds100 = 0;
    quint8 latDegrees = 0, latMinutes = 0;
    quint16 latSeconds100 = 0;
    quint16 speed = 0;
};
QByteArray metaRecord(const MetaRecord &r);

// "udta" holding one box of the given type and text.
QByteArray udtaBox(const QByteArray &innerType, const QByteArray &text);
// The Novatek "gps " box: version, length, then length (offset, size) pairs.
QByteArray gpsBox(quint32 version, quint32 length);

// A file for the raw detection walk: ftyp, then moov with the given children, then tail.
QByteArray detectionFile(const QList<QByteArray> &moovChildren, const QByteArray &tail = {},
                         const QList<QByteArray> &topBefore = {});

// A recording whose telemetry blocks are found through an index table at its very end: ftyp,
// moov (with the given children, e.g. a gps box and a udta), mdat holding the blocks, then
// `lead` bytes and one (offset, size + sizeBias) entry per block.
QByteArray indexTableFile(const QList<QByteArray> &moovChildren, const QList<QByteArray> &blocks,
                          const QByteArray &lead = {}, quint32 sizeBias = 0);

bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace mp4fx
