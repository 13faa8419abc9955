#pragma once

#include "assistinfo.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// Text helpers shared by the layout readers: NMEA 0183 GGA/RMC sentences, tab-separated
// G-sensor lines and the digit-sum key of the shifted-text layouts. All functions are reentrant.

// The one NMEA reader of the library: one tokenizer and one RMC/GGA decoder. Every layout that
// stores sentences reads them through these; the chip layouts' text fields (parseRmc, parseGga
// below) and the maker track's scan are views of the same fields.
namespace nmea {

// A sentence's comma-separated fields as views into its bytes (valid while the sentence lives),
// over the text up to its first NUL: sentences come from fixed-size binary blocks. At most
// kMaxFields are kept; a longer sentence has them and no more.
class Fields
{
public:
    enum Mode {
        Positional, // every field keeps its place, empty ones too ("a,,b" is three fields)
        DropEmpty,  // empty fields are dropped and later ones move up, as strtok splits: the
                    // chip layouts' firmware reads its sentences so
    };
    static constexpr int kMaxFields = 24;

    enum End {
        AtNul,     // the text ends at its first NUL
        AtLastByte // a NUL is a byte like others (the maker track's scan reads it so)
    };

    Fields(const QByteArray &sentence, Mode mode, End end = AtNul);
    int size() const { return m_count; }
    // Field i as a view; empty beyond size().
    QByteArray at(int i) const;
    // Field i up to a '*' in it: the checksum rides on the last field.
    QByteArray value(int i) const;
    int length(int i) const { return i < m_count ? m_spans[i].length : 0; }
    // The first byte of field i; 0 when it is empty or beyond size().
    char first(int i) const;
    bool is(int i, const char *word) const;

private:
    struct Span
    {
        int start = 0;
        int length = 0;
    };
    QByteArray m_text;
    Span m_spans[kMaxFields];
    int m_count = 0;
};

// What an RMC or GGA sentence says. RMC: time, status, position, knots, course, date. GGA: time,
// position and fix quality (no date, so no UTC moment).
struct Fix
{
    bool valid = false;          // status A (RMC) or quality > 0 (GGA), with both coordinates
    bool hasCoordinates = false; // both coordinates read, whatever the status says
    char status = 0;             // RMC status letter; 0 when empty, '?' when longer than one
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double speedKmh = -1.0; // -1 when the sentence carries none
    double course = -1.0;   // 0..360; -1 when the sentence carries none
    qint64 dayMs = -1;      // UTC time of day in ms, -1 when missing
    qint64 dateDays = -1;   // days since 1970-01-01 from the RMC date, -1 when missing
    // The RMC's date and time as one UTC moment; -1 for GGA (no date) and RMC without a date.
    qint64 utcMs() const
    {
        return dateDays >= 0 && dayMs >= 0 ? dateDays * 86400000LL + dayMs : -1;
    }
};

// A sentence without its surroundings: the text up to a NUL, without white space around it and
// the leading '$'. Split it Positional and read its fields by value() (without the checksum).
QByteArray sentenceBody(const QByteArray &sentence);

// RMC with any talker ("GPRMC", "GNRMC", ...), with or without the '$', surrounding white space
// and "*hh" checksum; fields keep their places, and a '*' ends the field it is in. False when the fields are not an RMC (the type
// is not five letters ending in RMC, or fewer than ten fields).
// Coordinates are ddmm.mmmm with a hemisphere letter of either case; a zero without a letter
// is taken as a zero (BlackVue receivers leave the letter of 0 empty).
bool decodeRmc(const QByteArray &sentence, Fix *out);
// GGA with any talker; false when the fields are not a GGA (fewer than seven fields).
bool decodeGga(const QByteArray &sentence, Fix *out);

} // namespace nmea

// Leading-number conversions in the manner of atof/atoi: leading white space is skipped, the
// conversion stops at the first character that does not fit, no digits give 0. Always in the
// C locale; integers saturate instead of overflowing.
double leadingDouble(const QByteArray &text);
qint64 leadingInteger(const QByteArray &text);

// NMEA ddmm.mmmm (four minute decimals) or dddmm.mmmmm (five) plus hemisphere letter to
// decimal-degree text: "%d.%06d" or "%d.%07d", negative for upper-case S and W. Text without a
// point gives "0"; any other number of decimals gives empty text. The chip layouts' firmware
// writes this text with integer arithmetic (minutes truncated to 1/1000000 degree), so it is
// worked out from the digits here and not through geo::ddmmToDegrees.
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
