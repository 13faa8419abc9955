#pragma once

// Byte-exact writers of the less common layouts: Kingslim's LIGOGPSINFO samples, Wolfbox records,
// "$G:" cues, DENVER's udat log, Kenwood's trailer and Nextbase's nbmt/gdat atoms, from known
// values (the route points of realcam_fixtures).

#include "realcam_fixtures.h"

#include <QByteArray>
#include <QList>
#include <QVector>

namespace rcfx {

// A Kingslim D4 "gpmd" sample: the camera's 80-byte record (u32 hour, minute, second, year,
// month, day, then 'A' and the hemispheres; its enciphered floats left zero) ending "&&&&", a
// LIGOGPSINFO directory whose flag word is 5 (fuzzed) or 1 (plain), and one "####" slot per fix:
// speed in knots, 1.85407333 km/h a unit when fuzzed.
QByteArray kingslimSample(const QList<Fix> &fixes, bool fuzzed);
// A Wolfbox G900 "gpmd" sample (256 bytes): knots, course and ddmm coordinates as i64 value and
// scale pairs, date and time words, the digit run and "HYTH" mark at 136.
QByteArray wolfboxSample(const Fix &f);
// "$G:YYYY-MM-DD hh:mm:ss-N<deg>-E<deg>-S<km/h>" followed by "$GS:a,b,c" counts.
QByteArray dollarGCue(const Fix &f, int a, int b, int c);
// DENVER's udat log: "YYMMDDhhmmss[1][N][ddmmmmmm][E][dddmmmmmm][+alt][km/h][course][C0]+000..."
// lines, minutes x10000.
QByteArray denverLog(const QList<Fix> &fixes);
// A Kenwood trailer record: "GPSDATA--", the stamp and seven 14-character fields.
QByteArray kenwoodRecord(const Fix &f, double gx, double gy, double gz);
// A recording followed by 22 'C's and a record per fix, each with the G values g.
QByteArray kenwoodFile(const QList<Fix> &fixes, const QVector<double> &g);
// Nextbase's "gdat": base64 of {"cameraModel", "gpsData": [fixes in mph with the G values g]};
// fixes marked invalid get status "V".
QByteArray gdatPayload(const QList<Fix> &fixes, const QVector<double> &g);
// RMC lines, one a fix (Nextbase's "nbmt" text).
QByteArray rmcLines(const QList<Fix> &fixes);
// A recording with one extra top-level box between ftyp and mdat.
QByteArray topAtomFile(const char *type, const QByteArray &payload);

} // namespace rcfx
