#pragma once

// Byte-exact writers of the metadata-track, atom, trailer and sidecar layouts, from known values.
// MP4 structure comes from mp4_fixtures (ftyp, mdat, moov/trak/mdia/hdlr/minf/stbl tables).

#include "mp4_fixtures.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

namespace rcfx {

// One point of a route: what a camera recorded and what a reader must give back.
struct Fix
{
    double lat = 0.0, lon = 0.0; // degrees
    double speedKmh = 0.0;
    double course = 0.0;
    bool valid = true;
    int utcSecond = 0; // seconds after 2025-01-01 10:15:00 UTC
};
// n points along a route in the given quadrant (signs of lat and lon), one a second.
QList<Fix> route(int n, double lat0, double lon0);

// --- GoPro GPMF ----------------------------------------------------------------------------
QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &data);
QByteArray nested(const char *key, const QByteArray &children);
QByteArray be32s(qint32 v);
QByteArray be16s(qint16 v);

struct GpmfPayload
{
    QList<Fix> gps; // GPS5 points (or GPS9 when gps9)
    int fix = 3; // GPSF; -1 leaves it out
    bool gps9 = false;
    QVector<qint16> accl; // x,y,z raw triples
    qint32 acclScale = 418; // ACCL SCAL: raw / scale = m/s^2
    QByteArray gpsu = "250101101500.000";
    int gps9StepMs = 100; // GPS9 points' own clock advances by this much per point
    QByteArray orin; // ORIN of the ACCL stream; empty leaves it out
    // A GoPro Karma's own device beside the camera's: GLPI ("GPSPos": velocity X/Y along north
    // and east, and the track) and GPRI ("GPSRaw": speed and track) points stamped on its system
    // clock at systemMs + k * systemStepMs (fixes marked invalid are written at 0/0: the records
    // have no fix word), and SYST pairs (system clock in us, Unix time in ms) that tie it to UTC.
    QList<Fix> glpi, gpri;
    qint64 systemMs = 20000;
    int systemStepMs = 100;
    QList<QPair<qint64, qint64>> syst;
};
QByteArray gpmfPayload(const GpmfPayload &p);
// A recording with a video track and a "meta"/"gpmd" track of the payloads (1 s each).
QByteArray gpmfFile(const QList<GpmfPayload> &payloads, quint32 timeScale = 1000);

// --- text tracks ---------------------------------------------------------------------------
// "$GPRMC,..." with the fix (status V when !valid), checksum included.
QByteArray rmc(const Fix &f, const char *talker = "GP", bool dollar = true);
QByteArray gga(const Fix &f);
// Nextbase's 288-byte binary cue text: date, i32 LE accelerometer words as stored (y, x, z in
// 1/1280 g), RMC and GGA in 128-byte fields.
QByteArray nextbaseCue(const Fix &f, qint32 y, qint32 x, qint32 z);
// A Mini 0806 cue line with the accelerometer in m/s^2.
QByteArray mini0806Cue(const Fix &f, double ax, double ay, double az);
// Roadhawk's substituted cue ("X<g>Y<g>Z<g>G<g>$GPRMC,..." then "*hh~") and E-PRANCE's shifted
// one (NUL, "<x> <y> <z>$GPRMC,...*hh" in milli-g each byte lowered by shift, LF).
QByteArray roadhawkCue(const Fix &f, double gx, double gy, double gz);
QByteArray epranceCue(const Fix &f, int x, int y, int z, int shift);
// A recording with a video track and a text track (handler, entry) of the cues (1 s each).
QByteArray textTrackFile(const QList<QByteArray> &cues, const QByteArray &handler = "text",
    const QByteArray &entry = "text");

// --- binary tracks -------------------------------------------------------------------------
QByteArray ssmdRecord(const Fix &f); // 40 bytes
QByteArray roveRecord(const Fix &f); // 32 bytes
QByteArray tvxtRecord(const Fix &f, float ax, float ay, float az); // 72 bytes
QByteArray rvmiGps(const Fix &f); // gReV, 21 bytes (longitude first)
QByteArray rvmiAccel(qint16 x, qint16 y, qint16 z); // sReV, 11 bytes
QByteArray cammGps(const Fix &f); // type 6, 60 bytes
QByteArray cammAccel(float x, float y, float z); // type 3, 16 bytes (m/s^2)
QByteArray fmasRecord(const Fix &f, float gx, float gy, float gz); // 160 bytes
QByteArray xorTextRecord(const Fix &f); // 282 bytes, Ambarella prefix
QByteArray pndmRecord(const Fix &f); // 4-byte prefix + 20 bytes, big-endian
// A recording with a video track and one data track of these samples (delta ms each).
QByteArray dataTrackFile(const QByteArray &handler, const QByteArray &entry,
    const QList<QByteArray> &samples, quint32 deltaMs = 1000,
    const QList<mp4fx::TrackPlan> &more = {});

// --- atoms and trailer ---------------------------------------------------------------------
QByteArray gps0Record(const Fix &f); // 32 bytes
QByteArray gps0File(const QList<Fix> &fixes, const QByteArray &gsen = {});
QByteArray gps70maiRecord(const Fix &f, quint32 seconds); // 36 bytes
QByteArray gps70maiFile(const QList<Fix> &fixes);
// BlackVue's top-level "free" box: sttm (the clip's start on the camera clock), the "[ms]" NMEA
// log and 3gf records; and a "udat" box of plain NMEA.
QByteArray blackvueFreeFile(
    const QList<Fix> &fixes, qint64 logStartMs, qint64 sttmMs, const QList<QVector<qint16>> &rows);
QByteArray udatFile(const QList<Fix> &fixes);
// Garmin's moov "uuid" of 20-byte records (INT32_MIN pair for fixes marked invalid).
QByteArray garminUuidFile(const QList<Fix> &fixes);
// The plain LIGOGPSINFO slot text of a fix.
QByteArray ligoText(const Fix &f, double gx, double gy, double gz);
// LIGOGPSINFO record text sealed with the maker's cipher: a group with a space at position k is
// written with the 3-byte form that emits the space itself, others with the 4-byte form.
QByteArray ligoEncrypt(const QByteArray &plain);
// A CarCam-style ssmd sample: preamble, SKIP box header, directory, one "####" record (speed
// written in knots) or a plain one.
QByteArray ligoSample(const Fix &f, bool encrypted, int counter);
// A recording followed by the "****"/SKIP LIGOGPSINFO/"####" trailer of these slot texts.
QByteArray hashTrailerFile(const QList<QByteArray> &texts);
// A recording followed by the trailer ExifTool reads: a "skip" box (its size the trailer's)
// holding "LIGOGPSINFO\0", the flag word (1: plain coordinates, 5: fuzzed), a count and one
// 132-byte "####" encrypted slot per fix (speed in knots), closed by "&&&&" and the trailer's
// big-endian length.
// One "####" slot (132 bytes) per fix in the maker's cipher, knots, fuzzed when asked.
QByteArray ligoSlots(const QList<Fix> &fixes, bool fuzzed);
QByteArray ligoTrailerFile(const QList<Fix> &fixes, bool fuzzed);
// The makers' fuzzing of a coordinate pair: the parts below ten degrees trade places, divided by
// the scale ExifTool multiplies them by again.
QPair<double, double> ligoFuzz(double lat, double lon);

// --- sidecars ------------------------------------------------------------------------------
QByteArray blackvueGps(const QList<Fix> &fixes, qint64 startMs); // "[ms]$GPRMC" lines
QByteArray blackvue3gf(const QList<QVector<qint16>> &rows, int stepMs);
QByteArray nmeaSidecar(const QList<Fix> &fixes, bool gsensor);
QByteArray escortMap(const QList<Fix> &fixes);
QByteArray seventyMaiLog(const QList<Fix> &fixes, const QByteArray &video, qint64 unixStart);

// Seconds since 1970 of a fix (2025-01-01 10:15:00 UTC + utcSecond).
qint64 fixUnix(const Fix &f);

} // namespace rcfx
