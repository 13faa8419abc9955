#include "telemetrypanel.h"

#include "dashboard.h"
#include "drive.h"
#include "drivegeo.h"
#include "gsensorgraph.h"
#include "mapscript.h"
#include "telemetryloader.h"
#include "webmapwidget.h"

#include <QLabel>

TelemetryPanel::TelemetryPanel(const Widgets &widgets) : w(widgets) {}

void TelemetryPanel::clear(bool keepRoute)
{
    GSensorGraph::clearCurves(w.plot);
    if (keepRoute && m_driveRouteShown)
        return;
    // The route of the recording shown before goes, whichever way the next one is opened.
    w.map->runMapScript(QStringLiteral("ClearPath()"));
    m_driveRouteShown = false;
    m_focusedClip = -1;
    m_focusOnClip = false;
}

void TelemetryPanel::showRecording(const TelemetryLoad &load)
{
    m_samples = load.samples;
    m_layoutCode = load.layoutCode;
    m_layoutName = load.layoutName;
    m_timeline = TelemetryView::timelineFor(m_samples);
    if (!hasTelemetry()) {
        w.map->hide();
        w.panel->hide();
        return;
    }
    w.map->show();
    w.panel->show();
    // Within a drive whose route is on the map already, the route stays.
    if (!m_driveRouteShown)
        w.map->runMapScript(MapScript::routeScript(m_samples));
    setGraphCurves();
}

void TelemetryPanel::showDrive(const Drive &drive, int currentClip, const QList<qint64> &events)
{
    if (drive.recordingCount() > 1) {
        const MapScript::SpeedUnit unit = settings.readInt(QStringLiteral("speed")) != 0
                                              ? MapScript::SpeedUnit::Mph
                                              : MapScript::SpeedUnit::Kmh;
        const QStringList route =
            MapScript::driveRouteScripts(drive.samples(), drive.sampleClips(), unit);
        if (!route.isEmpty()) {
            // The recording's own line gives way to the drive's route.
            if (!m_driveRouteShown)
                w.map->runMapScript(QStringLiteral("ClearPath()"));
            w.map->setDriveRoute(route);
            m_driveRouteShown = true;
            m_focusedClip = -1; // the new route was fitted whole
            setCurrentClip(drive, currentClip);
        }
    }
    showEvents(drive, events);
}

void TelemetryPanel::showEvents(const Drive &drive, const QList<qint64> &events)
{
    w.map->setEventMarks(MapScript::eventMarksScript(drive.samples(), events));
}

void TelemetryPanel::setCurrentClip(const Drive &drive, int clip)
{
    if (!m_driveRouteShown)
        return;
    w.map->setRouteClip(clip);
    if (clip == m_focusedClip)
        return; // the user may have moved the map since
    m_focusedClip = clip;
    const MapFocus focus = mapFocus(drive, clip);
    if (focus.box.valid && (focus.onClip || m_focusOnClip))
        w.map->fitArea(MapScript::fitAreaScript(focus.box.south, focus.box.west,
                                                focus.box.north, focus.box.east));
    m_focusOnClip = focus.onClip;
}

bool TelemetryPanel::hasTelemetry() const
{
    return Dashboard::hasTelemetryToShow(m_samples);
}

void TelemetryPanel::setGraphCurves()
{
    GSensorGraph::setCurves(
        w.plot, TelemetryView::graphSeries(m_samples, m_layoutCode >= TelemetryView::firstLaterLayoutCode));
}

void TelemetryPanel::setDuration(int seconds)
{
    GSensorGraph::setKeyRange(w.plot, qMax(0, seconds));
}

void TelemetryPanel::showPosition(int seconds)
{
    const TelemetryView::Moment moment =
        TelemetryView::momentAt(m_samples, m_timeline, qint64(seconds) * 1000);
    const int speedSetting = settings.readInt(QStringLiteral("speed"));
    switch (moment.shown) {
    case TelemetryView::Shown::Nothing:
    case TelemetryView::Shown::PastEnd:
        return; // the labels keep the last sample shown
    case TelemetryView::Shown::Gap:
        // No sample for this moment: no values, and the car stays where it was last seen.
        w.x->setText(Dashboard::noGValueText(QLatin1Char('X')));
        w.y->setText(Dashboard::noGValueText(QLatin1Char('Y')));
        w.z->setText(Dashboard::noGValueText(QLatin1Char('Z')));
        w.speed->setText(Dashboard::noSpeedText(speedSetting));
        break;
    case TelemetryView::Shown::Sample: {
        const AssistInfo &sample = m_samples.at(moment.index);
        const QString marker = MapScript::markerScript(sample);
        if (!marker.isEmpty())
            w.map->runMapScript(marker);
        const bool g = TelemetryView::showsGValues(sample, m_layoutCode);
        w.x->setText(g ? Dashboard::gValueText(QLatin1Char('X'), sample.x)
                       : Dashboard::noGValueText(QLatin1Char('X')));
        w.y->setText(g ? Dashboard::gValueText(QLatin1Char('Y'), sample.y)
                       : Dashboard::noGValueText(QLatin1Char('Y')));
        w.z->setText(g ? Dashboard::gValueText(QLatin1Char('Z'), sample.z)
                       : Dashboard::noGValueText(QLatin1Char('Z')));
        w.speed->setText(Dashboard::speedText(sample.speed, speedSetting));
        break;
    }
    }
    GSensorGraph::setCursor(w.plot, moment.cursorKey);
}
