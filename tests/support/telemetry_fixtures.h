#pragma once

// Synthesises whole recording files of every raw telemetry layout from known sample values, so
// that the readers are tested (and benchmarked, and fuzzed from a seed corpus) on complete
// files. Files are described as sparse pieces: a 2 GB recording costs only its real bytes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>
#include <QtGlobal>

namespace fixtures {

struct SparseFile
{
    qint64 size = 0;
    QList<QPair<qint64, QByteArray>> pieces;

    void put(qint64 at, const QByteArray &bytes);
    QByteArray toBytes() const;              // the whole file in memory (small files only)
    bool writeTo(const QString &path) const; // holes stay holes on the file system
};

// --- blocks -----------------------------------------------------------------------------------

// Layout 4: 232 bytes; G in milli-g; the text from byte 88 (a check character, then the
// sentence and CR LF) is stored shifted by the key of the eight digits in key8 when byKey is
// true, else by twice that key (the check character then does not unshift to a space).
QByteArray alignedBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence,
                        const QByteArray &key8, bool byKey = true);
// Layout 5 (frame tail): 232 bytes, plain sentence at 89.
QByteArray frameTailBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence);
// Layout 5 with an index table: 280 bytes, G in 1/1024 g at 124.. (X carries +800).
QByteArray indexedBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence);
// Layout 7: G at 92.., sentence at 105; the table states the size plus 5120.
QByteArray indexedBlockV2(qint32 x, qint32 y, qint32 z, const QByteArray &sentence);
// Layout 8: position text at 56, speed text at 80, G text at 191; first 203 bytes masked.
QByteArray maskedBlock(const QByteArray &position, const QByteArray &speed, const QByteArray &g);
// Layout 9: one 132-byte record from its ';'-separated fields.
QByteArray trailerRecord(const QList<QByteArray> &fields);
// A layout-9 record with valid position: G in 1/1024 g, positions as degrees/minutes/fraction.
QByteArray trailerRecord(int gx, int gy, int gz, char fix, char ew, char ns, int lonDeg,
                         int lonMin, int lonFrac, int latDeg, int latMin, int latFrac, int speed,
                         int course);

// Layouts 1/2: a tab line "x\ty\tz\tsentence" and its shifted form.
QByteArray tabLine(int x, int y, int z, const QByteArray &sentence);
QByteArray shiftedLine(const QByteArray &plain, int key);

// --- whole files ------------------------------------------------------------------------------

// Layout 4, one video track at fps frames a second, one frame per chunk: the block of each
// second sits 48 bytes past the end of its last frame rounded up to 32 KiB. Blocks are one a
// second; secondSpacing > 0 spreads the seconds that far apart.
SparseFile alignedOneTrackFile(const QList<QByteArray> &blocks, qint64 secondSpacing = 0,
                               const QByteArray &udtaText = QByteArray("infoNT96650A"));
// Layout 4 with a second track: one chunk per block, the block at chunk offset + 64 KiB + 48.
SparseFile alignedTwoTrackFile(const QList<QByteArray> &blocks, qint64 secondSpacing = 0);
// Layout 5 without gps box length: frames of 30 fps, the block of each second 48 bytes past the
// first NAL unit of the second's last frame.
SparseFile frameTailFile(const QList<QByteArray> &blocks, qint64 secondSpacing = 0);
// Layouts 1/2: the third track is a text track whose samples are the given lines (each gets a
// leading byte that is not part of the line). A record given as key record (see tabKeyRecord)
// is written as it is.
SparseFile tabTextTrackFile(const QList<QByteArray> &lines, int trackCount = 3,
                            qint64 secondSpacing = 0);
QByteArray tabKeyRecord(const QByteArray &key8); // 10 bytes: sample length 11
// Layout 9.
SparseFile trailerFile(const QList<QByteArray> &records, const QByteArray &marker = "GPS&",
                       qint64 videoBytes = 4096);
// Layouts 5 (lead 0, size bias 0), 7 (lead 8, bias 5120) and 8 (lead 8, bias 0).
enum class IndexKind { Indexed, IndexedV2, Masked };
SparseFile indexedFile(const QList<QByteArray> &blocks, IndexKind kind, qint64 secondSpacing = 0);

// A recording without telemetry as a camera or ffmpeg writes it: one video track of 30 frames a
// second, one frame per chunk, the frames holes of bytesPerSecond / 30 bytes each, moov at the
// end (with a udta text when given). 30 minutes at 1.2 MB/s make a 2 GB file of a few hundred
// KiB on disk.
SparseFile plainRecordingFile(int seconds, qint64 bytesPerSecond,
                              const QByteArray &udtaText = QByteArray());

// Crafted files of about `size` bytes that attack the bounds of the walks and readers: millions
// of tiny boxes at the top level, in moov and in udta, tens of thousands of tracks, sample tables
// claiming billions of samples, a million samples on the same bytes, samples too long for a
// sentence. Each comes with what a bounded load may give at most.
struct HostileShape
{
    const char *name;
    QByteArray bytes;
    int maxSamples;      // samples a load may return
    qint64 maxBytesRead; // bytes a load may read
};
QList<HostileShape> hostileShapes(int size);

// The fuzz targets' seeds that are no layout's (make_seed_corpus adds one per layout-table row):
// recordings without telemetry and small versions of the hostile shapes, named as
// make_seed_corpus writes the files ("plain", "top-level-boxes").
QList<QPair<QString, QByteArray>> fuzzSeeds();

// Raw box helpers (also used by tests that build hostile trees).
QByteArray box(const char *type, const QByteArray &payload);
QByteArray be32(quint32 v);
QByteArray le32(qint32 v);

} // namespace fixtures
