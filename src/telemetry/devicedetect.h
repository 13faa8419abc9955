#pragma once

#include <QString>

class ByteSource;
class Mp4AtomTree;

// Layout code of a recording: which camera chip wrote it and so which reader finds its
// telemetry. The numbers are what the debug log and the telemetry tool print.
enum DeviceType : int {
    DeviceUnknown = 0,          // nothing recognised: no telemetry
    DeviceAmbarellaTab = 1,     // udta "AMBAxV4" / "AMBARELLA A12": tab text track
    DeviceAmbarellaA7L = 2,     // udta "AMBARELLA A7L": tab text track
    DeviceIcatTail = 3,         // file ends "ICAT6330"/"ICAT6350": no reader
    DeviceNovatekAligned = 4,   // udta "NT96650A"/"NT9665x" or any other udta text
    DeviceNovatekFrameTail = 5, // udta "NT9666", or moov without a usable udta
    DeviceMakerTrack = 6,       // the maker's "qmdx" box: telemetry in an MP4 track
    DeviceNovatekIndexed = 7,   // udta "NT9667XA", or a "moov.gps " box with a length
    DeviceNovatekMasked = 8,    // like 4, with "fmt" in the udta text and a gps box length
    DeviceTorvenTrailer = 9,    // file ends "TORVEN53"/"TORVEN42": trailer records
};

// Recognises the layout of the recording at path. *gpsLength (may be null) receives the
// "moov.gps .length" property, 0 when the file has no such box.
DeviceType detectDevice(const QString &path, int *gpsLength);
// The same over an open source (in-memory files for the fuzz target); path is for the log only.
// Walks the source's box tree for itself.
DeviceType detectDevice(ByteSource &src, int *gpsLength, const QString &path = QString());
// The same over the box tree of src that the load has walked already (ReadContext::boxes).
DeviceType detectDevice(ByteSource &src, const Mp4AtomTree &tree, int *gpsLength,
                        const QString &path = QString());
