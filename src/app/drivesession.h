#pragma once

#include "drive.h"
#include "drivecontinuity.h"
#include "driveloader.h"
#include "drivesettings.h"

#include <QList>
#include <QObject>
#include <QStringList>

// The drive around the recording that is open. Opening a recording makes a drive of that
// recording alone at once (its telemetry is already read); the worker then finds the whole drive
// in the library and reads the other recordings' telemetry, and the session grows into it. Where
// the telemetry read shows that the drive found by names and times is more than one journey
// (driveBreaks), the session keeps the journey of the recording playing. The window asks it
// where a moment of the drive is and which recording comes next; the map, the seek bar and
// export read its Drive.
class DriveSession : public QObject
{
    Q_OBJECT
public:
    explicit DriveSession(QObject *parent = nullptr);

    // A recording was opened (from the list, a click on the route, previous/next): channels are
    // the files the forms play, samples its telemetry as loadTelemetry read it. When the
    // recording belongs to the drive already known, the session only moves to it.
    void open(const QStringList &channels, qint64 durationMs, const AssistInfoList &samples,
              const QStringList &libraryPaths);
    // Playback went on into recording clip of the drive by itself.
    void moveTo(int clip);

    const Drive &drive() const { return m_drive; }
    int currentClip() const { return m_clip; }
    // True once every recording's telemetry has been read.
    bool isComplete() const { return m_complete; }
    // The drive time of a time in the current recording.
    qint64 driveTimeOf(qint64 clipMs) const { return m_drive.clipToDrive(m_clip, clipMs); }

    // Events of the whole drive, drive ms, ascending: G-sensor peaks (gSensorEvents at the
    // threshold) and the starts of the recordings the camera marked as events.
    const QList<qint64> &events() const { return m_events; }
    void setEventThreshold(double g);

signals:
    // The drive's recordings changed (the whole drive was found, or its telemetry cut it
    // short): the current recording's index may have changed, the next recording may now be
    // known, or no longer be part of it.
    void driveChanged();
    // Telemetry of the drive changed (a recording's telemetry was read, or the events moved).
    // Comes once per load rather than per recording, when everything is read, and once for the
    // recording opened.
    void samplesChanged();
    // Only the events moved (another threshold); the samples are as they were.
    void eventsChanged();

private:
    void onDriveFound(int loadId, const QList<DriveRecording> &recordings);
    void onClipLoaded(int loadId, int index, const QString &path, const AssistInfoList &samples);
    void onLoadFinished(int loadId);
    void findEvents();
    // Keeps the recordings around the current one up to the nearest breaks.
    void keepCurrentJourney();

    DriveLoader m_loader;
    Drive m_drive;
    int m_clip = -1;
    int m_loadId = 0;
    bool m_complete = false;
    double m_thresholdG = DriveSettings::defaultEventThresholdG;
    QList<qint64> m_events;
    QList<ClipTrace> m_traces; // of m_drive's recordings, kept as their telemetry arrives
    // The opened recording's own telemetry, kept for the moment the whole drive replaces the
    // one-recording drive.
    AssistInfoList m_openedSamples;
};
