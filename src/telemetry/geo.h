#pragma once

#include <QByteArray>
#include <QtGlobal>

// Dates, times and coordinates as cameras store them. Plain functions over numbers and text; no
// reader keeps its own copy of these.
namespace geo {

// Days from 1970-01-01 of a proleptic Gregorian date (no range check; months 1..12).
qint64 daysFromCivil(int year, int month, int day);

// Milliseconds since 1970-01-01 of a date and time, or -1 when a field is out of range (year
// 1970..2200, month 1..12, day 1..31, hour < 24, minute < 60, second in [0, 61)).
qint64 utcMs(int year, int month, int day, int hour, int minute, double second);

// NMEA "hhmmss[.sss]" to ms of the day, -1 when malformed.
qint64 nmeaTimeOfDayMs(const QByteArray &field);
// NMEA "ddmmyy" to days since 1970 (years 70..99 are 19xx), -1 when malformed.
qint64 nmeaDateDays(const QByteArray &field);
// The UTC moment of an RMC date and time field pair, -1 when either is malformed.
qint64 nmeaUtcMs(const QByteArray &dateField, const QByteArray &timeField);

// NMEA ddmm.mmmm magnitude to decimal degrees; -1 when it is no ddmm value (negative, not
// finite, minutes of 60 or more, more than 180 degrees).
double ddmmToDegrees(double ddmm);
// Signed ddmm.mmmm (south and west negative, as gps0, Rove and 70mai store them) to signed
// degrees; NaN when the magnitude is no ddmm value, so that a position check refuses it.
double signedDdmmToDegrees(double ddmm);
// A ddmm.mmmm magnitude and its hemisphere letter (N, S, E or W, either case) to signed degrees;
// NaN when the magnitude is no ddmm value or the letter is none of those.
double hemisphereDdmmToDegrees(double ddmm, char hemisphere);

// Initial great-circle bearing from the first point to the second, degrees in [0, 360).
double bearingDeg(double lat1, double lon1, double lat2, double lon2);
// Distance in metres between two points (equirectangular: exact enough below a few km).
double shortDistanceMetres(double lat1, double lon1, double lat2, double lon2);

// UTC text for export formats: "2017-04-17T17:31:03.250Z".
QByteArray isoUtc(qint64 ms);

} // namespace geo
