#include "drivesession.h"

#include "driveevents.h"

#include <algorithm>

DriveSession::DriveSession(QObject *parent) : QObject(parent)
{
    connect(&m_loader, &DriveLoader::driveFound, this, &DriveSession::onDriveFound);
    connect(&m_loader, &DriveLoader::clipLoaded, this, &DriveSession::onClipLoaded);
    connect(&m_loader, &DriveLoader::loadFinished, this, &DriveSession::onLoadFinished);
}

void DriveSession::open(const QStringList &channels, qint64 durationMs,
                        const AssistInfoList &samples, const QStringList &libraryPaths)
{
    const QString path = channels.value(0);
    const int known = m_drive.indexOfPath(path);
    if (known >= 0 && m_drive.recording(known).path() == path) {
        moveTo(known);
        return;
    }
    DriveRecording alone;
    alone.channels = channels;
    alone.durationMs = durationMs;
    m_drive = Drive({alone});
    m_drive.setClipSamples(0, samples);
    m_traces = clipTraces(m_drive);
    m_openedSamples = samples;
    m_clip = 0;
    m_complete = false;
    findEvents();
    m_loadId = m_loader.loadDriveOf(libraryPaths, path);
    emit driveChanged();
    emit samplesChanged();
}

void DriveSession::moveTo(int clip)
{
    if (clip < 0 || clip >= m_drive.recordingCount())
        return;
    m_clip = clip;
}

void DriveSession::setEventThreshold(double g)
{
    if (g == m_thresholdG)
        return;
    m_thresholdG = g;
    findEvents();
    emit eventsChanged();
}

void DriveSession::onDriveFound(int loadId, const QList<DriveRecording> &recordings)
{
    if (loadId != m_loadId)
        return;
    const QString opened = m_drive.recording(0).path();
    Drive found(recordings);
    const int clip = found.indexOfPath(opened);
    // A file that vanished from the library meanwhile: the one-recording drive stays.
    if (clip < 0)
        return;
    // The durations of the list's entries come from the movie headers, like the one the player
    // reported; the recording opened keeps its telemetry (the worker reads it again, from cache
    // or not, and reports it like the others).
    found.setClipSamples(clip, m_openedSamples);
    m_drive = found;
    m_traces = clipTraces(m_drive);
    m_clip = clip;
    emit driveChanged();
}

void DriveSession::onClipLoaded(int loadId, int index, const QString &path,
                                const AssistInfoList &samples)
{
    if (loadId != m_loadId)
        return;
    // Once the drive has been cut short, the loader's indices no longer match it; recordings
    // cut off are no longer found.
    if (index < 0 || index >= m_drive.recordingCount() || m_drive.recording(index).path() != path)
        index = m_drive.indexOfPath(path);
    if (index < 0 || m_drive.recording(index).path() != path)
        return;
    m_drive.setClipSamples(index, samples);
    m_traces[index] = clipTraceOf(m_drive.recording(index), m_drive.clipSamples(index));
    keepCurrentJourney();
}

void DriveSession::keepCurrentJourney()
{
    const QList<int> breaks = driveBreaks(m_traces);
    if (breaks.isEmpty())
        return;
    const ClipRange keep = rangeAround(breaks, m_drive.recordingCount(), m_clip);
    m_drive = m_drive.part(keep.first, keep.count);
    m_traces = m_traces.mid(keep.first, keep.count);
    m_clip -= keep.first;
    emit driveChanged();
}

void DriveSession::onLoadFinished(int loadId)
{
    if (loadId != m_loadId)
        return;
    m_complete = true;
    findEvents();
    emit samplesChanged();
}

void DriveSession::findEvents()
{
    // The camera's own marks (event recordings) beside the G-sensor's peaks, each moment once.
    m_events = gSensorEvents(m_drive.samples(), m_thresholdG) + cameraEvents(m_drive);
    std::sort(m_events.begin(), m_events.end());
    m_events.erase(std::unique(m_events.begin(), m_events.end()), m_events.end());
}
