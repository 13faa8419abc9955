#pragma once

// LIGOGPSINFO records, shared by the carriers that hold them (a trailer, ssmd and gpmd samples):
// a 4-byte counter and a text record, plain or behind "####" + u32 LE length in the maker's
// byte-group cipher.

#include "assistinfo.h"

#include <QByteArray>

namespace realcams {

// Text of one record: "YYYY/MM/DD hh:mm:ss N:<lat> E:<lon> <speed> [km/h] x:<g> y:<g> z:<g>
// A:<course> H:<alt> M:<magvar>", decimal degrees (ddmm when the latitude has three integer digits
// or more); '?' for a hemisphere means no fix, a '-' sign overrides the letter. The speed is
// multiplied by speedFactor (1 for km/h, 1.852 for knots). False when the text has no clock.
bool parseLigoText(const QByteArray &text, double speedFactor, qint64 *clockMs, AssistInfo *s);

// Decrypts a "####" record body (control byte, then three or four bytes a group). Empty when a
// control byte is one the cipher does not use.
QByteArray decryptLigo(const QByteArray &body);

// The first record after the "LIGOGPSINFO" directory of a sample: decrypted or plain, without its
// counter. Sets *encrypted. Empty when there is none.
QByteArray ligoRecordText(const QByteArray &sample, bool *encrypted);

} // namespace realcams
