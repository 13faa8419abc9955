#pragma once

#include "layouttable.h"

// Byte-exact writers of the further camera layouts (src/telemetry/morecams) from known values.
// MP4 structure comes from mp4_fixtures.

#include "assistinfo.h"
#include "layoutreader.h"
#include "mp4_fixtures.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QVector>

namespace mcfx {

// One point of a route: what a camera recorded and what a reader must give back.
struct Fix
{
    double lat = 0.0, lon = 0.0; // degrees
    double speedKmh = 0.0;
    double course = 0.0;
    int utcSecond = 0; // seconds after 2025-01-01 10:15:00 UTC
};
// n points one second apart moving away from (lat0, lon0) in its quadrant.
QList<Fix> route(int n, double lat0, double lon0);
// Seconds since 1970 of a fix.
qint64 fixUnix(const Fix &f);

// "YYYYMMDDhhmmss" of a fix's moment.
QByteArray stampText(const Fix &f);

// --- Kenwood: top-level udta of FE FE text records ---------------------------------------
// One record's text: the stamp twice, position, altitude, km/h, then the milli-g triples.
QByteArray kenwoodRecord(const Fix &f, const QList<QVector<int>> &milliG);
QByteArray kenwoodFile(const QList<QByteArray> &records);

// --- Auto-Vox: RIFF chunks after the last box ----------------------------------------------
QByteArray autovoxGps(const Fix &f, quint32 ms);                 // 40 bytes, "AITG"
QByteArray autovoxGsen(qint8 x, qint8 y, qint8 z, quint32 ms);   // 12 bytes, "AITS"
QByteArray riffChunk(const char *tag, const QByteArray &data);   // tag, LE length, data
QByteArray autovoxFile(const QByteArray &chunks);                // a recording, then the chunks

// --- TomTom Bandit: moov.udta.TTMD.TTAD ----------------------------------------------------
QByteArray ttadTime(quint32 ms);                  // FF + u32
QByteArray ttadGps(const Fix &f);                 // 05 + 92 bytes
QByteArray ttadAccel(qint32 x, qint32 y, qint32 z); // 03 + three i32 (thousandths)
QByteArray tomtomFile(const QByteArray &stream);  // 76 bytes of head, then the stream

// --- Insta360: records chained back from the 78-byte tail ---------------------------------
QByteArray insta360Gps(const Fix &f, char status = 'A'); // 53 bytes
// A recording followed by the records (id, data) in file order and the tail.
QByteArray insta360File(const QList<QPair<quint16, QByteArray>> &records);

// --- 360Fly: top-level uuid of 32-byte records ---------------------------------------------
QByteArray fly360Gps(const Fix &f, quint64 us);
QByteArray fly360Other(quint8 type, quint64 us); // an orientation record, values zero
// creationUnix (seconds since 1970) goes into mvhd; 0 leaves the movie's clock unset.
QByteArray fly360File(const QByteArray &records, qint64 creationUnix);

// --- DJI: subtitle cues that describe the shot in words ----------------------------------
QByteArray djiCue(const Fix &f);
QByteArray djiFile(const QList<QByteArray> &cues); // a text track, 1 s a cue

// --- Parrot: "mett" samples of records ----------------------------------------------------
// An E1 time stamp, then a P3 record of the fix (latitude 500 when unknown).
QByteArray parrotFrame(const Fix &f, bool known = true);
// A meta/mett track, 1 s a frame; creationUnix as for fly360File.
QByteArray parrotFile(const QList<QByteArray> &frames, qint64 creationUnix = 0);

// --- one recording of each layout with what a reader must give back -----------------------
struct LayoutCase
{
    const char *name = "";
    LayoutReadFn read = nullptr;
    int code = 0;
    QByteArray bytes;
    QList<Fix> fixes;             // the samples expected, in order (speed and course as stored)
    QVector<qint64> timesMs;      // ms into the recording of each
    QVector<qint64> utcMs;        // the moment of each, -1 for none
    AssistInfo::Clock clock = AssistInfo::Clock::None;
    double tolerance = 1e-9;      // degrees: what the layout's encoding keeps
    double courseTolerance = 1e-6;
    bool courseStored = true;     // false: derived from the move
    QVector<QVector<double>> g;   // mean G of each sample; empty when the layout has none
    bool exiftoolSkipsLast = false; // ExifTool stops one record short of a chunk's end
};
QList<LayoutCase> layoutCases();

// The rows of the loader's layout table that read these layouts (codes 80 to 89), in order.
QVector<LayoutRow> moreCameraRows();

} // namespace mcfx
