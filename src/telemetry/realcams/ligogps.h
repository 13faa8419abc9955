#pragma once

// LIGOGPSINFO records, shared by the carriers that hold them (a trailer, ssmd and gpmd samples):
// a 4-byte counter and a text record, plain or behind "####" + u32 LE length in the maker's
// byte-group cipher.

#include "assistinfo.h"

#include <QByteArray>
#include <QVector>

namespace realcams {

// Text of one record: "YYYY/MM/DD hh:mm:ss N:<lat> E:<lon> <speed> [km/h] x:<g> y:<g> z:<g>
// A:<course> H:<alt> M:<magvar>", decimal degrees (ddmm when the latitude has three integer digits
// or more); '?' for a hemisphere means no fix, a '-' sign overrides the letter. The speed is
// multiplied by speedFactor (1 for km/h, 1.852 for knots; ddmm records are km/h whatever it says).
// unfuzzScale > 0 undoes the makers' fuzzing (ExifTool's UnfuzzLigoGPS): the parts of latitude and
// longitude below ten degrees are swapped, each times the scale. The date and time are the
// camera's clock (ExifTool gives them no "Z"): the sample's UTC as Clock::Camera. False when the
// text has no clock.
bool parseLigoText(const QByteArray &text, double speedFactor, qint64 *clockMs, AssistInfo *s,
    double unfuzzScale = 0.0);

// Fuzzed records as ExifTool undoes them by default (its LigoGPSScale 1): the parts below ten
// degrees were divided by this, and speeds are 1.85407333 km/h a unit where knots are 1.852.
constexpr double kLigoUnfuzzScale = 1.524855137;
constexpr double kLigoFuzzedSpeedFactor = 1.85407333;

// The text of an encrypted "####" record ("####", u32 LE length, cipher bytes), without its
// 4-byte counter and NUL padding; empty when it is none or does not decrypt.
QByteArray ligoEncryptedText(const QByteArray &record);

// Decrypts a "####" record body (control byte, then three or four bytes a group). Empty when a
// control byte is one the cipher does not use.
QByteArray decryptLigo(const QByteArray &body);

// One decoded 132-byte slot: the camera's clock and the sample (its timeMs left 0).
struct LigoSlot
{
    qint64 clockMs = -1;
    AssistInfo sample;
};

// True when the flag word after a directory's name (at dir + 12, big-endian) marks fuzzed
// coordinates: anything but 1 and 0x14 (ExifTool's ProcessLigoGPS).
bool ligoFlagSaysFuzzed(const QByteArray &b, int dir);

// Every 132-byte slot from the directory's byte 20 to the end of b, as ExifTool's ProcessLigoGPS
// reads them: "####" slots decrypted (knots; when fuzzed, unfuzzed with unfuzzScale and 1.85407333
// km/h a unit), plain slots ("NNNN" counter, then "YYYY/MM/DD ") in km/h and never fuzzed. Slots
// that do not decode are left out; at most cap are appended. False when b holds no
// "LIGOGPSINFO\0" directory at dir with one whole slot behind it.
bool ligoSlots(const QByteArray &b, int dir, bool fuzzed, double unfuzzScale, int cap,
    QVector<LigoSlot> *out);

// The first record after the "LIGOGPSINFO" directory of a sample: decrypted or plain, without its
// counter. Sets *encrypted. Empty when there is none.
QByteArray ligoRecordText(const QByteArray &sample, bool *encrypted);

} // namespace realcams
