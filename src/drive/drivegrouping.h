#pragma once

#include <QHash>
#include <QList>
#include <QString>

// One file of the library as the drive grouping sees it.
struct LibraryEntry
{
    QString path;
    QString channel;       // channel letter of the name (channelOfName), empty when it has none
    qint64 startMs = 0;    // recording start, wall-clock ms (recordingStartTime() in ms)
    qint64 durationMs = 0; // length of the recording in ms
};

// The entry of a file on disk: channel from its name, start from its name or file time,
// duration from its movie header (0 when unreadable).
LibraryEntry libraryEntryOf(const QString &path);

// The channel letter of a file name: an upper-case "A", "B", "C" (three cameras) or "F", "R"
// (two cameras) that ends the name before its extension and follows a digit, "_", "-" or a
// recording-mode letter ("N", "E", "P", "M", "I": 20210101_120000_NF.MP4). Empty otherwise, so
// that a word such as "CAR" ending a name is no channel.
QString channelOfName(const QString &fileName);

// The name of a file (no folder) without its channel letter: the files of one recording by
// different cameras share it. Empty when the name has no channel letter.
QString recordingKey(const QString &path);

// The shape of a file name (no folder): each run of letters of its stem as "a", each run of
// digits as "#", every other character as it is, then the extension in lower case
// ("20240101_120000_NF.mp4" -> "#_#_a.mp4", "GOPR0001.MP4" -> "a#.mp4"). The clips of one
// camera share it whatever their times, counters, channel or mode letters (a BlackVue's "N" and
// "E", a 70mai's "NO" and "EV" prefixes); cameras of other makers mostly name their files
// otherwise.
QString namingPattern(const QString &fileName);

// How far apart two consecutive clips of a camera start and end: it loses a few seconds
// between files, and names carry whole seconds, so neighbours may overlap by a fraction.
constexpr qint64 maxClipGapMs = 10000;
constexpr qint64 maxClipOverlapMs = 2000;

// Clips of one camera recorded one after the other belong to one drive. One camera: the same
// channel letter (or none) and the same namingPattern. One after the other: a clip continues a
// drive when it starts between maxOverlapMs before and maxGapMs after the end of the drive's
// last clip, and later than that clip started. Of several drives it could continue (two cameras
// without channel letters in one folder), it continues the one whose end is nearest its start.
// Equal start times are two cameras, never one drive: recordings copied at the same moment
// carry the same file time, and with no time in their names or no readable length that is all
// their starts have.
//
// The names and file times are all grouping knows; the telemetry, read later, may still split
// a drive (drivecontinuity.h).
//
// Result: every entry in exactly one drive; each drive lists entry indices in recording order;
// drives are ordered by their first start, then by channel.
QList<QList<int>> groupDrives(const QList<LibraryEntry> &entries, qint64 maxGapMs = maxClipGapMs,
                              qint64 maxOverlapMs = maxClipOverlapMs);

// Index in drives of the drive holding entry, -1 when none does.
int driveOfEntry(const QList<QList<int>> &drives, int entry);

// The other channels of the recording of entries[entry], in letter order: per other channel
// of its camera family (A/B/C or F/R), the first entry in list order with the same
// recordingKey, else the one of that channel starting nearest to it within 1 s.
QList<int> partnerEntries(const QList<LibraryEntry> &entries, int entry);

// The same for many entries of one list: indexes the list once. The list must outlive it.
class PartnerFinder
{
public:
    explicit PartnerFinder(const QList<LibraryEntry> &entries);
    QList<int> partnersOf(int entry) const;

private:
    const QList<LibraryEntry> &m_entries;
    QHash<QString, QList<int>> m_byKey;     // recordingKey + channel -> entries in list order
    QHash<QString, QList<int>> m_byChannel; // channel -> entries by start time
};
