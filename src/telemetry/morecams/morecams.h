#pragma once

#include "layoutreader.h"

// Layouts of further cameras: codes 80 and up.
//
// | code | name                     | where                                                    |
// |------|--------------------------|----------------------------------------------------------|
// | 80   | Kenwood udta records     | top-level "udta" of "VIDEO"+"U"x22, then FE FE text      |
// |      |                          | records: stamp, stamp, [NS]ddmm*1e4[EW]dddmm*1e4, alt,   |
// |      |                          | km/h, milli-g triples                                    |
// | 81   | Auto-Vox RIFF trailer    | little-endian RIFF chunks after the last box: "gps0" of   |
// |      |                          | 40-byte AITG records, "gsen" of 12-byte AITS records     |
// | 82   | TomTom TTAD atom         | moov.udta.TTMD.TTAD: typed records after 76 bytes, 0xFF  |
// |      |                          | time codes, type 5 GPS (92 bytes), type 3 accelerometer  |
// | 83   | Insta360 trailer         | records chained backwards from a 78-byte tail ending in  |
// |      |                          | "8db42d694ccc418790edff439fe026bf"; 0x700 GPS (53 bytes) |
// | 84   | 360Fly uuid atom         | top-level "uuid" EFE1589A-...; 32-byte records, type 5   |
// |      |                          | GPS timed in microseconds from the start (moment: mvhd's |
// |      |                          | creation time plus that, the camera's clock)             |
// | 85   | DJI text track           | sbtl/text cues "..., GPS (<lon>, <lat>, <n>), ...,        |
// |      |                          | H.S <m/s>m/s, ..."                                       |
// | 86   | Parrot mett track        | "mett" samples of big-endian records; P2/P3 hold the fix  |
// |      |                          | (1/2^22 degree) and velocity north/east (1/256 m/s); the  |
// |      |                          | moment is mvhd's creation time plus the sample's time     |
//
// Each validates its layout's marks before it claims a file. Samples without a fix are left out
// where the layout says nothing else about them; layouts without G values have hasGSensor false.
LayoutResult readKenwoodUdta(ByteSource &src, const ReadContext &ctx);     // 80
LayoutResult readAutoVoxTrailer(ByteSource &src, const ReadContext &ctx);  // 81
LayoutResult readTomTomTtad(ByteSource &src, const ReadContext &ctx);      // 82
LayoutResult readInsta360Trailer(ByteSource &src, const ReadContext &ctx); // 83
LayoutResult readFly360Uuid(ByteSource &src, const ReadContext &ctx);      // 84
LayoutResult readDjiTextTrack(ByteSource &src, const ReadContext &ctx);    // 85
LayoutResult readParrotMett(ByteSource &src, const ReadContext &ctx);      // 86
