#pragma once

// Pieces shared by the readers of metadata tracks, atoms, trailers and sidecars.

#include "assistinfo.h"
#include "bytesource.h"
#include "geo.h"
#include "layoutreader.h"
#include "mp4sampletable.h"
#include "nmea.h"

#include <QByteArray>
#include <QList>
#include <QVector>
#include <memory>

namespace realcams {

// No reader hands out more samples than this (a 15-hour GoPro drive at 18 Hz); hostile counts
// stop here instead of growing lists.
constexpr int kMaxSamples = 1 << 20;
// A metadata sample bigger than this is damage, not telemetry.
constexpr quint32 kMaxMetaSample = 4u << 20;

// A sample at timeMs with no position and no G values.
AssistInfo emptySample(qint64 timeMs);
// Sets the numeric and text position; false (sample untouched) when the values are not a place
// on earth (NaN, |lat| > 90, |lon| > 180).
bool setPosition(AssistInfo *s, double latDeg, double lonDeg);
void setGSensor(AssistInfo *s, double x, double y, double z);
// Course over ground from the previous fix for layouts that store none: the bearing of the move
// once it exceeds a few metres, otherwise the last course.
void deriveCourses(AssistInfoList *samples);
// Result with the samples, or Damaged when the layout's marks were there but nothing came out;
// named by the layout table (layoutName).
LayoutResult makeResult(int code, AssistInfoList samples);

// NMEA fixes come from the library's one decoder (nmea.h).
using NmeaFix = nmea::Fix;
// A sample of an NMEA fix: position, speed and course when it has one, and the RMC's UTC moment
// (GPS clock) whether it has a fix or not: a receiver without a fix still keeps the time.
AssistInfo fixSample(const NmeaFix &f, qint64 timeMs);
// Appends s unless it has no time, would break the time order or the list is full.
void appendOrdered(AssistInfoList *samples, const AssistInfo &s);
// Ambarella / BlueSkySea / Lamax XOR-0xAA text records (xorrecord.h) behind their marks: "00 00",
// then "F2 E1 F0 EE" or "?? ?? AA AA", then "TT". False when b is not one; fills the position and
// speed when it has a fix, *clockMs (when given) from its stamp, and the sample's UTC from that
// stamp as the camera's clock: ExifTool's track reading names it GPSDateTime but without the "Z"
// it gives GPS-receiver times, and records without a fix carry a running stamp too.
bool readXorTextRecord(const QByteArray &b, AssistInfo *s, qint64 *clockMs);

// Calls f(line) for each '\n'-separated line of text, without a list of all lines (a log of
// millions of empty lines must not become millions of objects). The line is a view into text.
// Lines longer than any telemetry line (4 KiB) are skipped: split into fields they would be.
template<typename F>
void forEachLine(const QByteArray &text, F f)
{
    int from = 0;
    while (from < text.size()) {
        int end = text.indexOf('\n', from);
        if (end < 0)
            end = text.size();
        if (end - from <= 4096)
            f(QByteArray::fromRawData(text.constData() + from, end - from));
        from = end + 1;
    }
}

// A track of moov that may hold telemetry (handlers other than video, sound and hint).
struct DataTrack
{
    QByteArray handler;
    QByteArray format; // first stsd entry
    quint32 timeScale = 0;
    quint32 sampleCount = 0;
    Mp4SampleTableBoxes boxes;
    // Loaded by the first reader that reads the track's samples, then shared by the others.
    std::shared_ptr<Mp4SampleTable> table = std::make_shared<Mp4SampleTable>();
};

// moov's tracks whose handler is not vide/soun/hint, from the load's shared box tree (the tree
// has the headers; only hdlr, mdhd and stsd payload words are read). Empty when the file is no
// ISO BMFF.
QVector<DataTrack> findDataTracks(ByteSource &src, const ReadContext &ctx);
// The same without the load's list: walks the tracks of the shared tree again.
QVector<DataTrack> listDataTracks(ByteSource &src, const ReadContext &ctx);

// The track readers over a track list found once (readMetaTracks runs all three over one pass).
LayoutResult gpmfFromTracks(ByteSource &src, const QVector<DataTrack> &tracks);
LayoutResult textFromTracks(ByteSource &src, const QVector<DataTrack> &tracks);
LayoutResult binaryFromTracks(ByteSource &src, const QVector<DataTrack> &tracks);

// Sequential reads of one track's samples through the MP4 layer's sample table.
class TrackSamples
{
public:
    TrackSamples(ByteSource &src, const DataTrack &track);
    quint32 count() const { return m_count; }
    // Sample id (1-based): bytes, start and duration in ms. False when it is not in the file, or
    // once the samples read add up to more than the file holds (samples of a real track never
    // overlap; crafted tables that point every sample at the same bytes would otherwise cost
    // their count times their size).
    bool read(quint32 id, QByteArray *bytes, qint64 *startMs, qint64 *durationMs,
        quint32 maxSize = kMaxMetaSample);
    // Location only (no bytes read).
    bool locate(quint32 id, qint64 *offset, quint32 *size, qint64 *startMs, qint64 *durationMs);

private:
    ByteSource &m_src;
    std::shared_ptr<Mp4SampleTable> m_table;
    quint32 m_count = 0;
    quint32 m_timeScale = 0;
    qint64 m_bytesRead = 0;
};

} // namespace realcams
