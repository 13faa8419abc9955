#pragma once

#include "assistinfo.h"

#include <QString>
#include <memory>

class ByteSource;
class Mp4AtomTree;

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
    int code = 0;           // layout code; real-camera layouts use 10 and up
    QString name;           // shown by zevidud-telemetry --verbose and in the info text
    AssistInfoList samples; // every sample timed (timeMs >= 0), in time order
};

// What the first bytes of a file say it is; lets a reader of one container decline the others
// without reading anything.
enum class ContainerKind {
    Unknown, // not classified (a reader called directly): check for yourself
    IsoBmff, // MP4/MOV: a box header at offset 0
    MpegTs,  // MPEG-TS: sync bytes every 188 bytes (or every 192 behind a 4-byte prefix)
    Other,   // neither
};

// The box tree of the recording, walked on first use and then shared by every reader of one
// load: a file is walked once, however many layouts look into it. Copies share the walk.
class FileBoxes
{
public:
    // The tree of src; empty when src does not start with a box. Always the same src per load.
    const Mp4AtomTree &of(ByteSource &src) const;

private:
    mutable std::shared_ptr<Mp4AtomTree> m_tree;
};

// What a reader may know besides the bytes.
struct ReadContext
{
    QString path; // the recording's path; empty for in-memory sources (no sidecar lookup then)
    ContainerKind container = ContainerKind::Unknown; // set by the loader before the table runs
    FileBoxes boxes;
};

using LayoutReadFn = LayoutResult (*)(ByteSource &src, const ReadContext &ctx);

// Bits of LayoutReaderEntry::containers.
enum : unsigned {
    ContainerIsoBmff = 1u << 0,
    ContainerMpegTs = 1u << 1,
    ContainerOther = 1u << 2,
    ContainerAny = ContainerIsoBmff | ContainerMpegTs | ContainerOther,
};

struct LayoutReaderEntry
{
    const char *family; // for the debug log
    LayoutReadFn read;
    unsigned containers = ContainerAny; // the loader skips the reader for other containers
};
