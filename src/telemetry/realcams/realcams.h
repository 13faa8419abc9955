#pragma once

#include "layoutreader.h"

#include <QString>

// Layouts of metadata tracks, top-level atoms, trailers and sidecar files: codes 40 to 79.
// (57 reads LIGOGPSINFO directories at ExifTool's freeGPS places, Kingslim D4's among them, slot
// by slot and unfuzzed when the flag word says so.)
//
// | code | name                          | where                                              |
// |------|-------------------------------|----------------------------------------------------|
// | 40   | GoPro GPMF                    | "gpmd" track, GPS9/GLPI/GPRI/GPS5 and ACCL KLV     |
// | 41   | NMEA text track               | text/sbtl track whose cues hold $xxRMC sentences   |
// | 42   | Thinkware text track          | sbtl/text cues "gsensori,...;GxRMC,..."            |
// | 43   | SigmaStar ssmd track          | "ssmd" track of 40-byte GPS records                |
// | 44   | Rove ssmd track               | "ssmd" track of 32-byte GPS records                |
// | 45   | Vueroid tvxt track            | "tvxt" handler track of 72-byte records            |
// | 46   | RVMI track                    | "RVMI" sample entry, gReV/sReV records             |
// | 47   | Google camm track             | "camm" records: GPS types 5/6, accelerometer 3     |
// | 48   | Vantrue FMAS track            | "gpmd" track of FMAS/SAMM records (not GPMF)       |
// | 49   | XOR-0xAA text track           | "gpmd" track of 0xAA-masked text records           |
// | 50   | Ambarella gps0 atom           | top-level "gps0" (+ "gsen") 32-byte records        |
// | 51   | 70mai GPS atom                | top-level "GPS " 36-byte records                   |
// | 52   | BlackVue free box             | top-level "free" holding sttm, "gps ", "3gf "      |
// | 53   | udat NMEA log                 | top-level "udat" NMEA text                         |
// | 54   | Garmin uuid atom              | moov "uuid" 9B630F8D-... of 20-byte GPS records    |
// | 55   | LIGOGPSINFO #### trailer      | slots after the last box, ends "&&&&"/"####" + size|
// | 56   | Garmin PNDM track             | text track of PNDM records                         |
// | 57   | LigoGPS track                 | ssmd/gpmd samples with a LIGOGPSINFO record        |
// | 58   | Nextbase text track           | binary cues: G values, then RMC and GGA fields     |
// | 59   | Mini 0806 text track          | "A,ddmmyy,hhmmss,ddmm.mmmm,N,...,<ax>,<ay>,<az>"   |
// | 60   | BlackVue .gps sidecar         | "[ms]$GPRMC" lines beside the video (+ .3gf G)     |
// | 61   | BlackVue .3gf sidecar         | 10-byte G records only                             |
// | 62   | NMEA sidecar                  | .nmea/.NMEA beside the video                       |
// | 63   | Escort .map sidecar           | "A,ddmmyy,hhmmss,..." lines                        |
// | 64   | 70mai GPSData log             | "$V02" CSV rows naming their clip                  |
// | 65   | Roadhawk text track           | substituted "X..Y..Z..G..$GPRMC" cues ending "~"   |
// | 66   | E-PRANCE text track           | shifted "<x> <y> <z>$GPRMC" cues, NUL ... LF       |
// | 67   | Wolfbox gpmd track            | "gpmd" i64 value/scale pairs, date/time words      |
// | 68   | DENVER udat log               | top-level "udat" "YYMMDDhhmmss[1][N][..][E][..].." |
// | 69   | $G text track                 | text cues "$G:YYYY-MM-DD hh:mm:ss-N..-E..-S.." $GS |
// | 70   | Kenwood GPSDATA trailer       | 22 'C's after the last box, 121-byte "GPSDATA--"   |
// | 71   | Nextbase nbmt atom            | top-level "nbmt" NMEA text                         |
// | 72   | Nextbase gdat atom            | top-level "gdat" base64 JSON "gpsData" fixes       |
//
// Tried in this order, each validates its own structure first: GPMF before the binary reader
// (both look at "gpmd" tracks; the binary one takes those that are not GPMF), text before binary
// (PNDM sits in text tracks without sentences), sidecars last (only when the recording itself
// gave no position). Samples without a fix have hasPosition false and empty text; layouts
// without G values have hasGSensor false. Every sample whose layout stores a date carries its
// UTC moment (AssistInfo::setUtc): Clock::Gps for the receiver's time (RMC date and time, GPMF
// GPSU and GPS9, camm type 6, gps0, Garmin, Wolfbox and DENVER date fields), Clock::Camera for
// stamps the camera writes from its own clock (FMAS, Rove, XOR-0xAA, LIGOGPSINFO text, "$G:" cues,
// the Kenwood trailer, gdat stamps without a zone, 70mai logs, BlackVue "[ms]" prefixes of lines
// without an RMC date, GoPro Karma GLPI/GPRI through its SYST pairs).
LayoutResult readGpmfTrack(ByteSource &src, const ReadContext &ctx);       // 40
LayoutResult readTextMetaTrack(ByteSource &src, const ReadContext &ctx); // 41-42, 58-59, 65-66, 69
LayoutResult readBinaryMetaTrack(ByteSource &src, const ReadContext &ctx); // 43-49, 56, 57, 67
LayoutResult readGps0Atoms(ByteSource &src, const ReadContext &ctx);       // 50-54, 68, 71, 72
LayoutResult readHashTrailer(ByteSource &src, const ReadContext &ctx);     // 55, 70
// The three track readers above in their order over one pass of moov's track list: a loader may
// list this one entry instead of the three.
LayoutResult readMetaTracks(ByteSource &src, const ReadContext &ctx); // 40-49, 56-59, 65-67, 69
// Files beside the recording (ctx.path): .gps, .3gf, .nmea, .NMEA, .map, 70mai GPS logs. When
// ctx.path is itself such a file, src is read as that file.
LayoutResult readSidecars(ByteSource &src, const ReadContext &ctx); // 60-64

// True for files that only carry telemetry of a recording beside them (.gps, .3gf, .nmea, .map,
// 70mai GPSData*.txt): file lists show them not as recordings of their own.
bool isSidecarFile(const QString &path);
