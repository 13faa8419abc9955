#include "drivecontroller.h"

#include "channelgrouping.h"
#include "driveevents.h"
#include "drivesettings.h"
#include "exportactions.h"
#include "liveform.h"
#include "recordingtime.h"
#include "slider.h"
#include "telemetrypanel.h"
#include "videolibrary.h"

DriveController::DriveController(VideoLibrary *library, Slider *seekBar, TelemetryPanel *panel,
                                 QObject *parent)
    : QObject(parent), m_library(library), m_seekBar(seekBar), m_panel(panel),
      m_session(new DriveSession(this))
{
    m_session->setEventThreshold(DriveSettings::eventThresholdG(m_settings));
    connect(m_session, &DriveSession::driveChanged, this, &DriveController::onDriveChanged);
    connect(m_session, &DriveSession::samplesChanged, this, &DriveController::onSamplesChanged);
    // A new threshold moves the marks only: the route stays on the map as it is.
    connect(m_session, &DriveSession::eventsChanged, this, [this] {
        m_panel->showEvents(m_session->drive(), m_session->events());
        showClipEvents();
    });
}

void DriveController::setUpExport(QToolButton *button, QWidget *window)
{
    m_export = new ExportActions(button, window, m_session, [this] { return now(); });
    connect(m_export, &ExportActions::message, this, &DriveController::message);
}

void DriveController::retranslate()
{
    if (m_export)
        m_export->retranslate();
}

void DriveController::recordingOpened(LiveForm *form, int formIndex, const QStringList &channels)
{
    const QString path = channels.value(0);
    // Marks of another drive mean nothing in this one.
    if (m_session->drive().indexOfPath(path) < 0 && m_export)
        m_export->forgetMarks();
    m_form = form;
    m_formIndex = formIndex;
    m_channels = channels;
    m_position = 0;
    QStringList libraryPaths;
    for (const FileBean &bean : m_library->beans())
        libraryPaths << bean.filePath;
    m_session->open(channels, qMax<qint64>(0, recordingDurationMs(path)), m_panel->samples(),
                    libraryPaths);
    queueNext();
    showClipEvents();
}

qint64 DriveController::now() const
{
    if (!m_form || m_form->isIdle())
        return -1;
    return m_session->driveTimeOf(qint64(m_position) * 1000);
}

QString DriveController::advance()
{
    const int next = m_session->drive().nextRecording(m_session->currentClip());
    if (next < 0 || m_queued.isEmpty())
        return QString();
    m_session->moveTo(next);
    m_channels = m_queued;
    m_position = 0;
    queueNext();
    showClipEvents();
    return m_session->drive().recording(next).path();
}

int DriveController::neighbourRow(int step) const
{
    const Drive &drive = m_session->drive();
    const int current = m_session->currentClip();
    const int clip = step > 0 ? drive.nextRecording(current) : drive.previousRecording(current);
    return clip >= 0 ? m_library->rowOfPath(drive.recording(clip).path()) : -1;
}

QStringList DriveController::nextRecordingChannels() const
{
    if (!DriveSettings::continueWithNextClip(m_settings))
        return {};
    const Drive &drive = m_session->drive();
    const int next = drive.nextRecording(m_session->currentClip());
    const int row = next >= 0 ? m_library->rowOfPath(drive.recording(next).path()) : -1;
    if (row < 0)
        return {};
    const QList<FileBean> &beans = m_library->beans();
    const ChannelChoice group =
        groupChannels(beans.at(row), beans, m_settings.readInt(QStringLiteral("playMode")));
    // Playback goes on in the same view only: another number of cameras stops at the end.
    return group.formIndex == m_formIndex ? group.paths : QStringList();
}

void DriveController::queueNext()
{
    m_queued = nextRecordingChannels();
    if (m_form)
        m_form->setNextRecording(m_queued);
}

void DriveController::onDriveChanged()
{
    // The whole drive is known now: the next recording may be too.
    queueNext();
    showClipEvents();
}

void DriveController::onSamplesChanged()
{
    if (m_session->isComplete())
        m_panel->showDrive(m_session->drive(), m_session->currentClip(), m_session->events());
    showClipEvents();
}

void DriveController::showClipEvents()
{
    QList<int> seconds;
    for (qint64 ms :
         eventsInClip(m_session->drive(), m_session->events(), m_session->currentClip()))
        seconds << int(ms / 1000);
    m_seekBar->setMarks(seconds);
    m_panel->setCurrentClip(m_session->drive(), m_session->currentClip());
}

void DriveController::stepEvent(int step)
{
    const qint64 at = now();
    if (at < 0)
        return;
    const QList<qint64> &events = m_session->events();
    // A key that seems to do nothing looks broken: say why nothing happens.
    if (events.isEmpty()) {
        emit message(tr("No events in this drive"));
        return;
    }
    const qint64 target = step > 0 ? nextEvent(events, at) : previousEvent(events, at);
    if (target >= 0)
        jumpTo(target);
}

void DriveController::jumpTo(qint64 driveMs)
{
    const Drive &drive = m_session->drive();
    const ClipPosition at = drive.driveToClip(driveMs);
    if (at.clip < 0)
        return;
    const int seconds = int(at.clipMs / 1000);
    if (at.clip == m_session->currentClip() && now() >= 0) {
        emit seekRequested(seconds);
        return;
    }
    const int row = m_library->rowOfPath(drive.recording(at.clip).path());
    if (row >= 0)
        emit openRequested(row, seconds);
}

bool DriveController::handleKey(KeyAction action)
{
    if (now() < 0)
        return false;
    switch (action) {
    case KeyAction::PreviousEvent:
    case KeyAction::NextEvent:
        stepEvent(action == KeyAction::NextEvent ? 1 : -1);
        return true;
    case KeyAction::MarkIn:
        m_export->markIn();
        return true;
    case KeyAction::MarkOut:
        m_export->markOut();
        return true;
    case KeyAction::ExportRoute:
        m_export->exportRoute(m_session->drive().recordingCount() > 1);
        return true;
    default:
        return false;
    }
}

void DriveController::applyPreferences()
{
    m_session->setEventThreshold(DriveSettings::eventThresholdG(m_settings));
    queueNext();
}
