#pragma once

#include "assistinfo.h"

#include <QString>
#include <QVector>
#include <memory>

class ByteSource;
class Mp4AtomTree;
class mp4v2ParseFile;

// The shape every real-camera layout reader has: bounded bytes in, timed samples and a status
// out. Readers are listed in one ordered table (layouttable.cpp); the first that answers Found
// wins, so a reader must validate its layout's own structure before it claims the file.
enum class ReadStatus {
    None,    // the layout is not in this file
    Found,   // the layout is there and gave samples
    Damaged, // the layout's marks are there but nothing usable could be read
};

struct LayoutResult
{
    ReadStatus status = ReadStatus::None;
    int code = 0;           // layout code: 1-9 the chip layouts, real-camera layouts 10 and up
    QString name;           // shown by zevidud-telemetry --verbose and in the info text
    AssistInfoList samples; // every sample timed (timeMs >= 0), in time order
    // What a chip layout's reader returned (its sample count; -1 when it could not read the
    // file). The debug log prints it; other layouts leave it 0.
    int readerCount = 0;
};

// What the first bytes of a file say it is; lets a reader of one container decline the others
// without reading anything.
enum class ContainerKind {
    Unknown, // not classified (a reader called directly): check for yourself
    IsoBmff, // MP4/MOV: a box header at offset 0
    MpegTs,  // MPEG-TS: sync bytes every 188 bytes (or every 192 behind a 4-byte prefix)
    Other,   // neither
};

namespace realcams {
struct DataTrack;
}

// The box tree of the recording, walked on first use and then shared by every reader of one
// load: a file is walked once, however many layouts look into it. Copies share the walk, and
// the list of tracks that may hold telemetry with their sample tables (realcams::findDataTracks
// fills it once).
class FileBoxes
{
public:
    // The tree of src; empty when src does not start with a box. Always the same src per load.
    const Mp4AtomTree &of(ByteSource &src) const;
    std::shared_ptr<QVector<realcams::DataTrack>> &dataTracks() const { return m_shared->tracks; }

private:
    struct Shared
    {
        std::shared_ptr<Mp4AtomTree> tree;
        std::shared_ptr<QVector<realcams::DataTrack>> tracks;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

// What a reader may know besides the bytes.
struct ReadContext
{
    QString path; // the recording's path; empty for in-memory sources (no sidecar lookup then)
    ContainerKind container = ContainerKind::Unknown; // set by the loader before the table runs
    FileBoxes boxes;
    // What the chip detection found (DeviceType, devicedetect.h) and the "moov.gps " length;
    // set by the loader before the table runs.
    int chipLayout = 0;
    int gpsLength = 0;
    // Reads maker-track telemetry (layout 6); the loader's own when null.
    mp4v2ParseFile *makerTrackReader = nullptr;
};

using LayoutReadFn = LayoutResult (*)(ByteSource &src, const ReadContext &ctx);

// Bits of LayoutRow::where (layouttable.h): the containers a layout is looked for in.
enum : unsigned {
    ContainerIsoBmff = 1u << 0,
    ContainerMpegTs = 1u << 1,
    ContainerOther = 1u << 2,
    ContainerAny = ContainerIsoBmff | ContainerMpegTs | ContainerOther,
};
