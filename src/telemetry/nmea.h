#pragma once

#include "assistinfo.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// Text helpers shared by the layout readers: NMEA 0183 GGA/RMC sentences, tab-separated
// G-sensor lines and the digit-sum key of the shifted-text layouts. All functions are reentrant.

// Leading-number conversions in the manner of atof/atoi: leading white space is skipped, the
// conversion stops at the first character that does not fit, no digits give 0. Always in the
// C locale; integers saturate instead of overflowing.
double leadingDouble(const QByteArray &text);
qint64 leadingInteger(const QByteArray &text);

// NMEA ddmm.mmmm (four minute decimals) or dddmm.mmmmm (five) plus hemisphere letter to
// decimal-degree text: "%d.%06d" or "%d.%07d", negative for upper-case S and W. Text without a
// point gives "0"; any other number of decimals gives empty text.
QString formatCoordinate(const QByteArray &coordinate, char hemisphere);

// Fills latitude and longitude from a "$GPGGA" sentence. Returns false and leaves both untouched
// when the sentence is rejected.
bool parseGga(const QByteArray &sentence, QString *longitude, QString *latitude);

// Fills coordinates, speed (km/h, from knots) and course from a $GPRMC/$GLRMC/$GNRMC sentence.
// Returns false and leaves all four untouched when the sentence is rejected.
bool parseRmc(const QByteArray &sentence, QString *longitude, QString *latitude, int32_t *speed,
              double *course);

// Whether a sentence that applySentence-style dispatch would read (GGA by its "$GPGGA" talker,
// RMC otherwise) reports a fix: RMC status 'A' or a GGA quality above 0, with both coordinates
// and their hemisphere letters in their places. The text fields a parser writes do not say
// this: they are also written for sentences without a fix.
bool sentenceHasFix(const QByteArray &sentence);

// The UTC moment of an RMC sentence (any talker): its date and time fields; -1 when either is
// missing or malformed. The time is the receiver's, whether or not the sentence has a fix.
qint64 rmcUtcMs(const QByteArray &sentence);

// Marks info as having a position when fix is true and both coordinate texts parse as numbers
// on the globe; the numeric fields then hold those numbers. The texts stay as they are.
void markPosition(AssistInfo *info, bool fix);

// Parses "x TAB y TAB z TAB sentence" (milli-g, then an RMC sentence), unshifting the line by
// key first when no TAB sits at positions 1 to 5; appends one sample whatever the sentence gave.
// Returns the new size of the list.
int parseTabLine(AssistInfoList &samples, const QByteArray &line, int key);

// Digit-sum key of eight characters; the fifth and the eighth count twice. Non-digits count 0.
// Fewer than eight characters available count as 0.
int scrambleKey(const char *chars, int available = 8);
