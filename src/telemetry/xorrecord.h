#pragma once

#include <QByteArray>
#include <QtGlobal>

// The text record that Ambarella, BlueSkySea and Lamax cameras (in metadata tracks and gps0
// atoms) and Azdome/EEEkit cameras (in freeGPS blocks, 18 bytes in) store with every text byte
// XORed with 0xAA. From the record's first byte, unmasked:
//   8   "YYYYMMDDhhmmss"  the stamp
//   38  [NS] DDmmmmmm     latitude, minutes x 10000
//   47  [EW] DDDmmmmmm    longitude, minutes x 10000
//   57  8 digits          km/h (Azdome), or
//   57  [+-]dddd ddd      altitude, then km/h at 62 (Ambarella, EEEkit)
//   65  [+-]ddd x 3       G in 1/100 g (EEEkit), or the same at 173 (Azdome)
// The marks in front of the text differ by container; the callers check their own.
namespace xorrecord {

struct Record
{
    qint64 stampMs = -1; // the stamp as ms since 1970 (which clock it is, the caller knows)
    bool hasPosition = false;
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double speedKmh = 0.0; // 0 unless the record has a position
    bool hasG = false;
    double gx = 0.0, gy = 0.0, gz = 0.0;
};

// The record reads nothing past this many bytes (the second G triple of the Azdome cameras ends
// there): callers may hand over just these.
constexpr int kTextBytes = 185;

// n bytes of record from at with the mask taken off; short when the record ends first. Layout 8's
// masked blocks use the same mask.
QByteArray unmask(const QByteArray &record, int at, int n);

// Decodes record (starting at its first byte, the one 8 before the stamp). False when it is too
// short for the position fields or its stamp is no date and time; a record without a fix (blank
// fields, or zeros in both coordinates) is still a record, without a position.
bool read(const QByteArray &record, Record *out);

} // namespace xorrecord
