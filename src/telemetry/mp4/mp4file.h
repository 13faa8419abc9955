#pragma once

#include "bytesource.h"
#include "mp4atomtree.h"
#include "mp4sampletable.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <memory>

// What the track list tells about one "trak" box.
struct Mp4TrackInfo
{
    quint32 id = 0;             // from "tkhd"; 0 when the box is missing or damaged
    QByteArray handlerType;     // "vide", "soun", "text", "sbtl", "meta", ...; empty if unknown
    QByteArray sampleEntryType; // first entry of "stsd" ("avc1", "mp4a", "tx3g", "gpmd", ...)
    quint32 timeScale = 0;      // from "mdhd"
    quint32 sampleCount = 0;    // from "stsz"/"stz2", cut to what the table can describe
};

// One sample as read from the file.
struct Mp4Sample
{
    QByteArray bytes;  // the sample, or its first maxBytes bytes (see readSample)
    quint32 size = 0;  // the whole sample's size as the tables give it
    quint64 startTime = 0; // decoding time in the track's time scale
    quint64 duration = 0;
    qint64 offset = 0; // file position of the first byte
};

// A read-only ISO BMFF / QuickTime file: the box tree, the track list and the samples of each
// track. Opening walks the box tree only; a track's sample tables are read when its first sample
// is. All reads go through one ByteSource, so they are bounded and counted.
class Mp4File
{
public:
    // Tracks listed at most; recordings have a handful.
    static constexpr int kMaxTracks = 256;
    // Largest sample handed out; bigger ones are treated as damage rather than allocated.
    static constexpr quint32 kMaxSampleSize = 64u << 20;

    // nullptr when the file cannot be read, does not start with a box or has no "moov".
    static std::unique_ptr<Mp4File> open(const QString &path);
    static std::unique_ptr<Mp4File> openBytes(const QByteArray &bytes);
    // Over a source the caller keeps open for the whole life of the returned file.
    static std::unique_ptr<Mp4File> open(ByteSource &borrowed);
    // The same over the tree of that source walked already (the load's shared walk): the file
    // is not walked again. The tree is shared, not copied.
    static std::unique_ptr<Mp4File> open(ByteSource &borrowed, const Mp4AtomTree &walked);

    bool haveAtom(const QByteArray &dottedPath) const { return m_tree.find(dottedPath) >= 0; }
    // Integer properties of boxes, by dotted path and property name ("moov.gps .length").
    bool integerProperty(const QByteArray &name, quint64 *value);

    int trackCount() const { return m_tracks.size(); }
    const Mp4TrackInfo &track(int index) const { return m_tracks[index].info; }
    int trackIndexById(quint32 id) const; // -1 when no track has that id

    // Reads sample id (1-based) of the track at index. False when it does not exist or lies
    // (partly) outside the file. With maxBytes, only that many of its first bytes are read
    // (out->size still tells the whole size); with 0 nothing is read, only located. With
    // skipLarger, a sample longer than maxBytes is not read at all (out->bytes stays empty).
    bool readSample(int trackIndex, quint32 sampleId, Mp4Sample *out,
                    quint32 maxBytes = kMaxSampleSize, bool skipLarger = false);

    const Mp4AtomTree &tree() const { return m_tree; }
    ByteSource &source() { return *m_source; }

private:
    struct Track
    {
        Mp4TrackInfo info;
        Mp4SampleTableBoxes boxes;
        Mp4SampleTable table;
    };

    explicit Mp4File(std::unique_ptr<ByteSource> owned);
    explicit Mp4File(ByteSource *borrowed);
    bool init();
    bool listTracks();
    Track readTrack(int trak);
    QByteArray readSampleBytes(qint64 offset, quint32 n);

    std::unique_ptr<ByteSource> m_owned;
    ByteSource *m_source = nullptr;
    Mp4AtomTree m_tree;
    QVector<Track> m_tracks;
    // Samples that follow each other without a gap (a track of small records written in one
    // run) are served from one read of this window instead of one read each.
    QByteArray m_window;
    qint64 m_windowBegin = -1;
    qint64 m_lastSampleEnd = -1;
};
