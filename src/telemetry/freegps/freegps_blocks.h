#pragma once

// Decoding of one Novatek "freeGPS " block (or one MPEG-TS GPS payload) into fixes. Pure
// functions over bytes already read: the MP4 and TS readers find the bytes, these decide which
// variant they hold and validate every value before it becomes a fix.

#include <QByteArray>
#include <QString>
#include <QVector>

namespace freegps {

// One position report as a block stores it, already converted to decimal degrees and km/h.
struct Fix
{
    bool hasPosition = false; // false for "no fix" reports (status V, missing digits)
    double latitude = 0.0;    // decimal degrees, negative south
    double longitude = 0.0;   // decimal degrees, negative west
    double speedKmh = 0.0;
    double course = 0.0;      // degrees 0..360, 0 when the variant stores none
    bool hasClock = false;    // clockMs holds the block's own date and time
    qint64 clockMs = 0;       // milliseconds since 1970-01-01 of the block's clock
    // The clock is the camera's own (its on-screen stamp, a Kenwood local time), not the GPS
    // receiver's UTC: shown as such, never taken for the true time.
    bool cameraClock = false;
    bool hasG = false;        // gx/gy/gz hold accelerometer readings in g
    float gx = 0.0f;
    float gy = 0.0f;
    float gz = 0.0f;
};

// Ring-buffer variants repeat older records in every block; this remembers the newest record
// already taken so that only new ones are emitted. One per file.
struct DecodeState
{
    qint64 newestRingClockMs = -1;
};

// Decodes one block whose bytes begin at its size word (B+0). complete says whether the bytes
// hold the whole block or only its first part; multi-record variants ask for the whole block by
// returning kNeedWholeBlock. Returns the variant's layout code (freegps.h) with its fixes appended
// to out, or 0 when no variant recognises the bytes. A recognised block may add no fix when its
// values fail validation.
constexpr int kNeedWholeBlock = -1;
int decodeBlock(const QByteArray &block, bool complete, DecodeState *state, QVector<Fix> *out);

// Decodes the payload of one PES packet (or text packet) of a TS GPS stream. Returns its TS
// layout code or 0.
int decodeTsPayload(const QByteArray &payload, DecodeState *state, QVector<Fix> *out);
// Text lines of the "$GPSINFO" cameras: one line, without its line end.
int decodeTsTextLine(const QByteArray &line, QVector<Fix> *out);

// Name of a layout code of the family ("Novatek freeGPS (VIOFO shifted)"), from the layout
// table's one list of names (layoutName); empty for codes outside 10-39 and unknown ones.
QString variantName(int code);

} // namespace freegps
