#pragma once

#include "exportrequests.h"

#include <QObject>
#include <QPointer>
#include <functional>

class DriveSession;
class IncidentExportDialog;
class QAction;
class QMenu;
class QToolButton;
class QWidget;

// The export menu beside the capture button and the export keys: the route of the recording or
// of the whole drive, the in and out marks of an incident clip (keys I and O, or 15 s either
// side of now) and the clip's export. Spans and requests come from the Drive model
// (exportrequests.h); the dialogs do the writing.
class ExportActions : public QObject
{
    Q_OBJECT
public:
    // now gives the drive time playback is at, in ms; -1 when nothing plays.
    ExportActions(QToolButton *button, QWidget *window, const DriveSession *session,
                  std::function<qint64()> now);

    void exportRoute(bool wholeDrive);
    void markIn();
    void markOut();
    void markAroundNow();
    void exportIncident();
    // A recording of another drive opened: marks of the last one mean nothing there.
    void forgetMarks() { marks.clear(); }
    const IncidentMarks &incidentMarks() const { return marks; }
    void retranslate();

signals:
    // A line for the user (a toast).
    void message(const QString &text);

private:
    bool hasRecording() const;

    QWidget *window;
    const DriveSession *session;
    std::function<qint64()> now;
    IncidentMarks marks;
    QMenu *menu = nullptr;
    QAction *clipRoute = nullptr;
    QAction *driveRoute = nullptr;
    QAction *inAction = nullptr;
    QAction *outAction = nullptr;
    QAction *aroundAction = nullptr;
    QAction *incidentAction = nullptr;
    QPointer<IncidentExportDialog> dialog;
};
