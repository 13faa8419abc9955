#pragma once

#include "assistinfo.h"
#include "mp4v2.h"

#include <QObject>

class ByteSource;
class Mp4AtomTree;

// Reads the telemetry that the maker's own cameras store as the samples of an MP4 track: NMEA
// text in a "text" track (kind 1), a fixed binary record in a "meta" track (kind 6), or NMEA
// text behind an '@' in a track of any other type (kind 7). The main window owns one instance
// and reuses it for every such recording; nothing is kept between loads.
class mp4v2ParseFile : public QObject
{
    Q_OBJECT

public:
    enum TrackKind { TextTrack = 1, MetaRecordTrack = 6, TaggedTextTrack = 7 };

    // The fields of "$GPRMC,time,status,lat,N|S,lon,E|W,speed,..." that the track readers use.
    // Scanning stops at the first field that does not fit; later fields stay 0.
    struct RmcFields
    {
        float time = 0.0f;
        char status = 0;
        double latitude = 0.0;  // ddmm.mmmm, negative south
        double longitude = 0.0; // dddmm.mmmm, negative west
        double speed = 0.0;
        bool position = false; // both coordinates and both hemisphere letters scanned
    };

    // A track yields at most this many samples, whatever its tables claim.
    static constexpr uint32_t kMaxSamples = 100000;
    // Text samples longer than this hold no sentence of ours and are not read.
    static constexpr uint32_t kMaxTextSample = 64 * 1024;

    explicit mp4v2ParseFile(QObject *parent = nullptr);

    // All samples of the file's last track; empty when the file cannot be opened or has no
    // track.
    AssistInfoList parseFile(const QString &path);
    // The same over a file that is already open (it stays open).
    AssistInfoList parseOpenFile(MP4FileHandle file);
    // The same over a source whose box tree the load has walked already: no second walk.
    AssistInfoList parseSource(ByteSource &src, const Mp4AtomTree &tree);
    // Samples 1..sampleCount of one track of an open file, decoded as the given kind.
    AssistInfoList readTrackSamples(MP4FileHandle file, MP4TrackId trackId, uint32_t sampleCount,
                                    int kind);

    static int trackKind(const char *trackType);
    static RmcFields scanRmc(const QByteArray &sentence);
    // ddmm.mmmm as a number to decimal degrees.
    static double nmeaToDegrees(double value);
};
