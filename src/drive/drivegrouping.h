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

// Clips of one camera recorded one after the other belong to one drive. A clip continues a
// drive of its channel when it starts between maxOverlapMs before and maxGapMs after the end
// of the drive's last clip (names carry whole seconds, so neighbours overlap by a fraction).
// Of several drives it could continue (two cameras without channel letters in one folder), it
// continues the one whose end is nearest its start. Equal start times of one channel are two
// cameras, never one drive.
//
// Result: every entry in exactly one drive; each drive lists entry indices in recording order;
// drives are ordered by their first start, then by channel.
QList<QList<int>> groupDrives(const QList<LibraryEntry> &entries, qint64 maxGapMs = 10000,
                              qint64 maxOverlapMs = 2000);

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
