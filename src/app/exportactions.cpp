#include "exportactions.h"

#include "dashboard.h"
#include "drivesession.h"
#include "incidentexportdialog.h"
#include "routeexportdialog.h"
#include "settingsstore.h"
#include "telemetryloader.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QStandardPaths>
#include <QToolButton>

namespace {

QString exportFolder()
{
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return videos.isEmpty() ? QDir::homePath() : videos;
}

} // namespace

ExportActions::ExportActions(QToolButton *button, QWidget *window, const DriveSession *session,
                             std::function<qint64()> now)
    : QObject(button), window(window), session(session), now(std::move(now))
{
    menu = new QMenu(button);
    clipRoute = menu->addAction(QString(), this, [this] { exportRoute(false); });
    driveRoute = menu->addAction(QString(), this, [this] { exportRoute(true); });
    menu->addSeparator();
    inAction = menu->addAction(QString(), this, &ExportActions::markIn);
    outAction = menu->addAction(QString(), this, &ExportActions::markOut);
    aroundAction = menu->addAction(QString(), this, &ExportActions::markAroundNow);
    incidentAction = menu->addAction(QString(), this, &ExportActions::exportIncident);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    retranslate();
}

void ExportActions::retranslate()
{
    clipRoute->setText(tr("Export the route of this recording..."));
    driveRoute->setText(tr("Export the route of the whole drive... (E)"));
    inAction->setText(tr("Mark the start of an incident clip (I)"));
    outAction->setText(tr("Mark the end of an incident clip (O)"));
    aroundAction->setText(tr("Incident clip of 15 s before and after now"));
    incidentAction->setText(tr("Export the incident clip..."));
}

bool ExportActions::hasRecording() const
{
    return session->drive().recordingCount() > 0 && now() >= 0;
}

void ExportActions::exportRoute(bool wholeDrive)
{
    const Drive &drive = session->drive();
    if (drive.recordingCount() == 0)
        return;
    if (wholeDrive && !session->isComplete()) {
        emit message(tr("The drive's telemetry is still being read; try again in a moment."));
        return;
    }
    const int clip = wholeDrive ? -1 : session->currentClip();
    const QList<RouteTrack> tracks =
        wholeDrive ? routeTracksForDrive(drive) : routeTracksForClip(drive, clip);
    const QString suggested =
        QDir(exportFolder()).filePath(suggestedRouteFileName(drive, clip, RouteFormat::Gpx));
    const RouteExportResult result = RouteExportDialog::exportRoute(window, tracks, suggested);
    if (!result.message.isEmpty())
        emit message(result.message);
}

void ExportActions::markIn()
{
    if (!hasRecording())
        return;
    marks.setIn(now());
    emit message(tr("Incident clip starts at %1").arg(Dashboard::timeLabelText(int(now() / 1000))));
}

void ExportActions::markOut()
{
    if (!hasRecording())
        return;
    marks.setOut(now());
    emit message(tr("Incident clip ends at %1").arg(Dashboard::timeLabelText(int(now() / 1000))));
}

void ExportActions::markAroundNow()
{
    if (!hasRecording())
        return;
    const IncidentSpan span = incidentSpanAround(now(), session->drive().durationMs());
    marks.clear();
    marks.setIn(span.fromMs);
    marks.setOut(span.toMs);
    exportIncident();
}

void ExportActions::exportIncident()
{
    const Drive &drive = session->drive();
    const IncidentSpan span = marks.span(drive.durationMs());
    if (drive.recordingCount() == 0 || span.isEmpty()) {
        emit message(tr("Mark the start (I) or the end (O) of the incident first."));
        return;
    }
    if (dialog && dialog->isRunning()) {
        dialog->raise();
        return;
    }
    // The manifest names the layout each recording's telemetry came from: read for the few
    // recordings of the span only.
    QStringList layouts;
    for (int clip = 0; clip < drive.recordingCount(); ++clip) {
        const DriveRecording &r = drive.recording(clip);
        const bool inSpan = r.offsetMs < span.toMs && r.offsetMs + r.durationMs > span.fromMs;
        layouts << (inSpan ? loadTelemetry(r.path(), nullptr).layoutName : QString());
    }
    const SpeedUnit unit = SettingsStore().readInt(QStringLiteral("speed")) != 0
                               ? SpeedUnit::MilesPerHour
                               : SpeedUnit::KilometresPerHour;
    const QString output =
        QDir(exportFolder()).filePath(suggestedIncidentFileName(drive, span.fromMs));
    const IncidentClipRequest request = incidentRequestFor(
        drive, span.fromMs, span.toMs, ClipLayout::SideBySide, unit, output, layouts);
    delete dialog;
    dialog = new IncidentExportDialog(request, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}
