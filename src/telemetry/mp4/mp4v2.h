#pragma once

// The handful of libmp4v2 calls the telemetry code makes, provided by our own reader (Mp4File):
// the library itself is not packaged for the systems we build on. Names and argument order
// follow libmp4v2 so the call sequences read the same; sample bytes come back as a QByteArray
// instead of a buffer the caller frees.

#include <QByteArray>
#include <cstdint>

class Mp4File;

using MP4FileHandle = Mp4File *;
using MP4TrackId = uint32_t;
using MP4SampleId = uint32_t;
using MP4Timestamp = uint64_t;
using MP4Duration = uint64_t;

constexpr MP4FileHandle MP4_INVALID_FILE_HANDLE = nullptr;
constexpr MP4TrackId MP4_INVALID_TRACK_ID = 0;

// fileName is UTF-8. Returns MP4_INVALID_FILE_HANDLE when the file is not a readable MP4/MOV.
MP4FileHandle MP4Read(const char *fileName);
void MP4Close(MP4FileHandle file);

// Box test by dotted path of four-character types, e.g. "qmdx" or "moov.gps ".
bool MP4HaveAtom(MP4FileHandle file, const char *atomName);
// Integer property "path.name", e.g. "moov.gps .length".
bool MP4GetIntegerProperty(MP4FileHandle file, const char *propName, uint64_t *retval);

// Tracks, counted in file order; type filters by handler type when not null.
uint32_t MP4GetNumberOfTracks(MP4FileHandle file, const char *type = nullptr);
MP4TrackId MP4FindTrackId(MP4FileHandle file, uint16_t index, const char *type = nullptr);
// The track's handler type ("vide", "soun", "text", "meta", ...); null for an unknown track.
// The text lives as long as the file handle.
const char *MP4GetTrackType(MP4FileHandle file, MP4TrackId trackId);
uint32_t MP4GetTrackNumberOfSamples(MP4FileHandle file, MP4TrackId trackId);
// Units per second of the track's times (its "mdhd" time scale); 0 when unknown.
uint32_t MP4GetTrackTimeScale(MP4FileHandle file, MP4TrackId trackId);

// Reads sample sampleId (1-based) of a track into bytes, with its start time and duration in
// the track's time scale.
bool MP4ReadSample(MP4FileHandle file, MP4TrackId trackId, MP4SampleId sampleId,
                   QByteArray *bytes, MP4Timestamp *startTime = nullptr,
                   MP4Duration *duration = nullptr);
