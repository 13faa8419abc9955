#pragma once

#include "assistinfo.h"

#include <QList>

class Drive;

// Moments worth jumping to in a drive: G-sensor peaks (a bump, hard braking, a collision).

// A peak is a change of the G vector between two consecutive samples whose length exceeds
// thresholdG (in g). Pairs further apart than gapMs are not compared (samples are missing in
// between, and the change spans unknown time); pairs where either sample has no G values
// neither. Peaks closer than mergeMs to the previous peak belong to one event, placed at its
// strongest change. Returns the events' times (the later sample of the pair), ascending.
// samples must be in time order (Drive::samples()). The threshold the user sees is
// DriveSettings::eventThresholdG.
QList<qint64> gSensorEvents(const AssistInfoList &samples, double thresholdG,
                            qint64 mergeMs = 2000, qint64 gapMs = 1500);

// Whether the camera marked the recording at path as an event recording: BlackVue's mode letter
// "E" before the channel letter (20240101_120000_EF.mp4), or a folder named "Event" (any case)
// holding it, as MiVue, Escort and others file what the G-sensor or the driver locked.
bool isCameraEventRecording(const QString &path);
// The starts (drive ms) of the drive's recordings that the camera marked as event recordings.
QList<qint64> cameraEvents(const Drive &drive);

// The events that fall inside recording clip of drive, in that recording's own time (ms).
QList<qint64> eventsInClip(const Drive &drive, const QList<qint64> &events, int clip);

// The first event after fromMs, -1 when none.
qint64 nextEvent(const QList<qint64> &events, qint64 fromMs);
// The last event before fromMs - graceMs, -1 when none. The grace lets a second press go on to
// the event before while playback has just passed the one it jumped to.
qint64 previousEvent(const QList<qint64> &events, qint64 fromMs, qint64 graceMs = 1000);
