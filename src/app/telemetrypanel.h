#pragma once

#include "assistinfo.h"
#include "settingsstore.h"
#include "telemetryview.h"

#include <QList>
#include <QString>

class Drive;
class QCustomPlot;
class QLabel;
class QWidget;
class WebMapWidget;
struct TelemetryLoad;

// The telemetry beside the picture: the G and speed labels, the G graph and the map, for the
// recording that plays and the drive around it. The labels, graph cursor and car follow the
// recording's own samples (TelemetryView decides what a moment shows); the route is the drive's.
class TelemetryPanel
{
public:
    struct Widgets
    {
        WebMapWidget *map = nullptr;
        QCustomPlot *plot = nullptr;
        QWidget *panel = nullptr; // the labels and the graph
        QLabel *x = nullptr;
        QLabel *y = nullptr;
        QLabel *z = nullptr;
        QLabel *speed = nullptr;
    };

    explicit TelemetryPanel(const Widgets &widgets);

    // Empties the graph, and the route unless keepRoute (another recording of the drive on the
    // map opens), before another recording shows.
    void clear(bool keepRoute);
    // The telemetry of the recording that opened, or that playback went on into. The map and
    // the panel are shown only for a recording with telemetry to show.
    void showRecording(const TelemetryLoad &load);
    // The drive's route, once the whole drive is known and read; a drive of one recording
    // keeps the recording's route.
    void showDrive(const Drive &drive, int currentClip, const QList<qint64> &events);
    // The drive's events on the map.
    void showEvents(const Drive &drive, const QList<qint64> &events);
    // The recording of the drive that plays now, emphasised on the drive's route.
    // Recording clip of drive plays: its part of the route stands out and, on a drive too long
    // to show usefully, the map fits the recording's own route when the clip changes.
    void setCurrentClip(const Drive &drive, int clip);
    // The recording's length in whole seconds, as the player reports it.
    void setDuration(int seconds);
    // Playback is at seconds into the recording.
    void showPosition(int seconds);

    bool hasTelemetry() const;

    const AssistInfoList &samples() const { return m_samples; }
    int layoutCode() const { return m_layoutCode; }
    const QString &layoutName() const { return m_layoutName; }

private:
    void setGraphCurves();

    Widgets w;
    SettingsStore settings;
    AssistInfoList m_samples;
    TelemetryView::Timeline m_timeline; // how m_samples meet the playback clock
    int m_layoutCode = 0;
    QString m_layoutName;
    bool m_driveRouteShown = false;
    int m_focusedClip = -1;     // the clip the map was last fitted for
    bool m_focusOnClip = false; // and whether to that clip's route rather than the drive's
};
