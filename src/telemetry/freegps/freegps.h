#pragma once

#include "layoutreader.h"

// Novatek "freeGPS " blocks, the most common dashboard-camera telemetry: codes 10 to 39
// (37 to 39 were added after the TS codes).
// MP4/MOV: blocks found through a `gps ` index in moov, in top-level free/skip boxes, or between
// the video chunks of mdat; the boxes come from the load's shared tree (ctx.boxes).
// Samples carry the blocks' own date and time as utcMs (Clock::Gps, or Clock::Camera where the
// variant stores the camera's clock); variants without a date leave it -1.
LayoutResult readFreeGpsMp4(ByteSource &src, const ReadContext &ctx);
// MPEG-TS: the same blocks as private-stream packets, and the text-GPS packets of some cameras.
LayoutResult readFreeGpsTs(ByteSource &src, const ReadContext &ctx);

// Layout codes of the family. The variant of the first block that validates names the file.
// Offsets B+n count from the block's size word, four bytes before the "freeGPS " literal.
enum FreeGpsCode : int {
    // MP4/MOV blocks
    kFreeGpsType3 = 10,      // f32 ddmm at B+76, status at B+72 (VIOFO A119S, most clones)
    kFreeGpsShifted = 11,    // the same record 32 bytes earlier, G at B+60 (VIOFO A119 V3, Kenwood)
    kFreeGpsNmeaText = 12,   // camera clock digits at B+52 and RMC/GGA text (Nextbase 512GW)
    kFreeGpsVantrueN4 = 13,  // f64 ddmm with u32 status words from B+28 and an RMC copy
    kFreeGpsXorText = 14,    // ASCII XOR 0xAA from B+18 (Azdome GS63H, EEEkit)
    kFreeGpsAkaso = 15,      // f32 ddmm with u32 letters from B+60, km/h, course +180 ("x.xx")
    kFreeGpsAnticlock = 16,  // the Akaso geometry without "x.xx": course as stored, G /1000
    kFreeGpsMinus16Rmc = 17, // RMC text with 16 added to each byte at B+60 (ZXSBNXYS, EACHPAI)
    kFreeGpsEncrypted = 18,  // date/status readable, coordinates enciphered (Akaso V1, Redtiger)
    kFreeGpsHorsontech = 19, // status at B+64, year first, longitude before latitude (Vantrue S1)
    kFreeGpsAtcRing = 20,    // self-keyed XOR 52-byte ring records with "ATC" at B+0x45
    kFreeGpsF64 = 21,        // f64 ddmm, u32 status/letters from B+60 (firmware 20130815)
    kFreeGpsIqs = 22,        // "IQS" at B+16, i32 degrees x1e7 at B+76
    kFreeGpsInnovv = 23,     // 32-byte records "A" N/S E/W 0 from B+16, no clock (INNOVV)
    kFreeGpsNextbaseS = 24,  // big-endian 32-byte "$S" records from B+48 (Nextbase 512G)
    kFreeGpsRmcAnywhere = 25, // only an RMC sentence somewhere in the block (Vantrue N2X)
    kFreeGpsKenwoodBanner = 26, // the shifted record 48 bytes later, behind a banner (Kenwood A510W)
    kFreeGpsXgodyText = 27,  // "YYYY/MM/DD hh:mm:ss N:.. E:.. <knots> km/h" text at B+23 (XGODY)
    kFreeGpsXbht = 28,       // 36-byte records, u32 ddmm x1e4 (XBHT XB702)
    kFreeGps70mai = 29,      // status at B+30, i32 ddmm x1e5, "VV" at B+51 (70mai A810), no clock
    kFreeGpsEAceText = 37,   // the shifted record with ddmm text, plain or RC4+base64, at B+44/B+64 (E-ACE B44)
    kFreeGpsTranscendDegrees = 38, // type 3 in 0x4000-byte blocks with decimal degrees, km/h (Transcend Body 70)
    kFreeGpsLigo = 39,       // LIGOGPSINFO slots from B+16/48/80, or in a TS "skip" packet (iiway, Rexing)
    // MPEG-TS payloads
    kFreeGpsTsRecord = 30,    // the shifted record at PES payload offset 0 (VIOFO A119 V3 TS)
    kFreeGpsTsPrefixed = 31,  // the same record behind a 164-byte prefix (Blueskysea B4K)
    kFreeGpsTsInnovv = 32,    // INNOVV 32-byte records
    kFreeGpsTsGpsInfo = 33,   // "$GPSINFO" text lines (VSYS A6L)
    kFreeGpsTsRmcText = 34,   // plain RMC sentences in a private stream
    kFreeGpsTsDodS = 35,      // big-endian "$S" records from payload offset 32 (DOD LS600W)
    kFreeGpsTsViidure = 36,   // "Viidure" text with decimal degrees (INNOVV N2)
};
