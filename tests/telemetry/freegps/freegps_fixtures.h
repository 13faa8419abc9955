#pragma once

// Writes Novatek freeGPS blocks of every variant byte by byte from their layout descriptions,
// and whole recordings around them: MP4 with the `gps ` index, MP4 with the blocks only between
// the chunks of mdat or in top-level free boxes, and MPEG-TS with GPS packets.

#include <QByteArray>
#include <QList>
#include <QString>

namespace fgfx {

// One position report as the test means it (decimal degrees, km/h, UTC clock).
struct Fix
{
    double lat = 0.0;
    double lon = 0.0;
    double speedKmh = 0.0;
    double course = 0.0;
    int year = 2024, month = 5, day = 17, hour = 10, minute = 20, second = 0;
    int tenths = 0;     // Nextbase "$S" records keep tenths of a second
    bool valid = true;  // false: the block says "no fix"
    // Shifted records (Kenwood): the full year and the camera's local time instead of years
    // since 2000 and GPS UTC.
    bool cameraClock = false;
    double gx = 0.0, gy = 0.0, gz = 0.0; // g
};

// A track of fixes one second apart, starting at the given place and time.
QList<Fix> drive(int count, double lat = 48.1173, double lon = 11.5167);

// The UTC moment the fix's date and time fields say, in ms since 1970 (tenths included).
qint64 utcMsOf(const Fix &f);

enum class Variant {
    Type3,
    Shifted,
    NmeaText,
    VantrueN4,
    XorText,
    Akaso,
    Anticlock,
    Minus16Rmc,
    Encrypted,
    Horsontech,
    AtcRing,
    F64,
    Iqs,
    Innovv,
    NextbaseS,
    RmcOnly,
    KenwoodBanner,
    XgodyText,
    Xbht,
    SeventyMai,
};

// One block of blockSize bytes (B+0 = big-endian size word, "freeGPS ", payload, zero padding).
// Single-record variants write records[0]; ring and multi-record variants write them all in
// the order given (the ATC ring in slot order).
QByteArray block(Variant v, const QList<Fix> &records, int blockSize = 0x1000);

// An RMC sentence with checksum and CR LF ("$GPRMC,..." or with another talker).
QByteArray rmcSentence(const Fix &f, const QByteArray &talker = "GP");

enum class Placement {
    Index,      // blocks between the chunks of mdat, listed by a moov `gps ` index
    MdatGaps,   // blocks between the chunks of mdat, no index
    FreeBoxes,  // top-level `free` boxes whose payload begins "GPS "
    FreeBoxesB, // top-level `free` boxes whose payload begins "freeGPS "
};

struct Mp4Plan
{
    QList<QByteArray> blocks;
    Placement placement = Placement::Index;
    bool moovFirst = false;
    bool indexBeforeTracks = false; // `gps ` ahead of the traks instead of after them
    bool audio = true;              // a second track whose chunks sit between video and block
    int frameBytes = 1500;
    // Bytes written into the first video frame (e.g. a fake block, which must not be read).
    QByteArray insideFirstFrame;
    // Bytes after each video chunk that belong to no track (filler some muxers leave).
    QByteArray afterVideoChunk;
    // > 0: every frame but the last chunk's declares this size and is left as a hole, so that
    // writeMp4 makes recordings of gigabytes on disk without writing them.
    qint64 sparseFrameBytes = 0;
    // Blocks in mdat start on 32 KiB boundaries of the file (the filler before them is no
    // track's), as most cameras write them.
    bool alignBlocks = false;
    // Cut short before moov was written: no moov, mdat size word 0.
    bool cutShort = false;
};

// ftyp, mdat (per block: video chunk, audio chunk, block; then one long video chunk so that
// every block lies more than 32 KiB before the end of mdat), free boxes, moov.
QByteArray mp4(const Mp4Plan &plan);

// The same recording written to a file, holes left sparse.
bool writeMp4(const QString &path, const Mp4Plan &plan);

// An ordinary MP4 without telemetry: the same structure with no blocks.
QByteArray plainMp4(int seconds, int frameBytes = 1500);

enum class TsVariant {
    Record,   // VIOFO A119 V3: shifted record, PES stream_id 0xBF, PID 0x300 missing from the PMT
    Prefixed, // Blueskysea B4K: the record behind 164 bytes, reassembled from several packets
    Innovv,   // INNOVV records at payload offset 0
    GpsInfo,  // VSYS "$GPSINFO" text lines on PID 0x1E4 without start indicators
    RmcText,  // RMC sentences in a private PES
    DodS,     // DOD LS600W: big-endian "$S" records from payload offset 32, cyclic
    Viidure,  // INNOVV N2: "Viidure" text with decimal degrees
};

// PAT, PMT (video and audio only), and per second videoPackets video packets plus one GPS
// payload holding that second's fixes. m2ts: 192-byte packets with a 4-byte time code.
QByteArray ts(TsVariant v, const QList<QList<Fix>> &perSecond, int videoPackets = 40,
              bool m2ts = false);
// A TS carrying the given payloads as private-stream PES (stream_id 0xBF) on PID 0x300, one a
// second between video packets.
QByteArray tsWithPayloads(const QList<QByteArray> &payloads, int videoPackets = 40);

// Bytes from a hex dump ("00 00 80 00 66 72 ...", white space ignored).
QByteArray fromHex(const char *dump);

// The 70mai A810 block of ExifTool's published dump (its first 0x40 bytes shown, zeros after),
// padded to the 0x4000 bytes of its size word.
QByteArray seventyMaiA810Block();

// A TS without any GPS stream.
QByteArray plainTs(int seconds, int videoPackets = 40);

// ddmm.mmmm magnitude of decimal degrees.
double ddmm(double degrees);

} // namespace fgfx
