#pragma once

#include "assistinfo.h"
#include "drivegrouping.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>

// Samples travel in queued signals (DriveLoader) and in test data.
Q_DECLARE_METATYPE(AssistInfoList)

// One recording of a drive: the files its cameras wrote for the same stretch of time.
struct DriveRecording
{
    QStringList channels;  // paths, the drive's own channel first, then its partners
    qint64 startMs = 0;    // wall-clock start, ms (see recordingtime.h)
    qint64 durationMs = 0; // length in ms
    qint64 offsetMs = 0;   // where the recording begins in drive time (set by Drive)
    QString path() const { return channels.value(0); }
};
Q_DECLARE_METATYPE(QList<DriveRecording>)

// A place in a drive: which recording, and the time inside it.
struct ClipPosition
{
    int clip = -1;     // recording index, -1 for an empty drive
    qint64 clipMs = 0; // time from the start of that recording
};

// A journey across the consecutive recordings of one camera. Drive time runs from 0 through
// the recordings one after the other; the few seconds a camera loses between two files are not
// part of it, so playback that continues with the next file continues the drive time.
//
// Samples are given per recording (in that recording's time) and are read back for the whole
// drive, shifted into drive time. A recording without samples leaves a gap.
class Drive
{
public:
    Drive() = default;
    explicit Drive(const QList<DriveRecording> &recordings);
    // A drive of groupDrives(): each entry with its partner channels (PartnerFinder).
    static Drive fromEntries(const QList<LibraryEntry> &entries, const QList<int> &drive);

    int recordingCount() const { return m_recordings.size(); }
    const DriveRecording &recording(int clip) const { return m_recordings.at(clip); }
    const QList<DriveRecording> &recordings() const { return m_recordings; }
    qint64 durationMs() const;
    // The drive's own channel of every recording, in order (what DriveLoader::load takes).
    QStringList recordingPaths() const;
    // The recording one of whose channels is path, -1 when none.
    int indexOfPath(const QString &path) const;

    // Drive time to recording and back. A time on a boundary belongs to the recording that
    // starts there; times before 0 clamp to the start, times past the end to the end of the
    // last recording. clipToDrive clamps clipMs into the recording.
    ClipPosition driveToClip(qint64 driveMs) const;
    qint64 clipToDrive(int clip, qint64 clipMs) const;

    // The camera's clock at a drive time: the recording's start plus the time into it.
    qint64 wallClockMs(qint64 driveMs) const;

    // Stepping by recording (not by channel); -1 at either end.
    int nextRecording(int clip) const;
    int previousRecording(int clip) const;

    // Samples of one recording in its own time. Samples past the recording's end are dropped
    // (they would overlap the next one). Untimed samples (timeMs < 0) are timed by
    // timedSamples.
    void setClipSamples(int clip, const AssistInfoList &samples);
    bool hasClipSamples(int clip) const;
    // The samples of one recording in its own time, as setClipSamples kept them.
    const AssistInfoList &clipSamples(int clip) const { return m_clipSamples.at(clip); }
    // The recordings first .. first + count - 1 as a drive of their own, with the samples read
    // so far (a drive that the telemetry shows to be two journeys).
    Drive part(int first, int count) const;
    // All samples in drive time, in time order.
    const AssistInfoList &samples() const;
    // The recording each entry of samples() comes from.
    const QVector<int> &sampleClips() const;
    // Index into samples() of the sample shown at driveMs (sampleIndexAtTime), -1 for none.
    int sampleIndexAt(qint64 driveMs) const;

private:
    void rebuildSamples() const;

    QList<DriveRecording> m_recordings;
    QVector<qint64> m_offsets; // offsetMs of each recording, for the binary search
    QList<AssistInfoList> m_clipSamples;
    QVector<bool> m_clipLoaded;
    // The merged view, rebuilt on first use after a change.
    mutable bool m_samplesDirty = false;
    mutable AssistInfoList m_samples;
    mutable QVector<int> m_sampleClips;
    mutable qint64 m_coverMs = 1500;
};

// Samples with a time, in time order: those that have one when any has; else one second apart
// in file order (raw layouts write one block a second).
AssistInfoList timedSamples(const AssistInfoList &samples);
