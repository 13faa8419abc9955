#pragma once

#include "routeexport.h"

#include <QFileDialog>
#include <QList>
#include <QString>
#include <QStringList>

// What became of a route export, for the caller to show (a toast).
struct RouteExportResult
{
    enum class Outcome { Saved, Cancelled, Failed };
    Outcome outcome = Outcome::Cancelled;
    QString path;    // the file written, or the one that could not be
    QString message; // one line for people; empty when the user cancelled
    bool saved() const { return outcome == Outcome::Saved; }
};

// The save dialog of a route: GPX 1.1, KML 2.2 or CSV, the chosen filter giving the format and
// the suffix a name without one gets (the dialog asks before it replaces a file).
class RouteExportDialog : public QFileDialog
{
    Q_OBJECT
public:
    // suggestedPath names the folder and file offered first; its suffix picks the first filter.
    explicit RouteExportDialog(const QString &suggestedPath, QWidget *parent = nullptr);

    // The filters in the order shown: GPX 1.1, KML 2.2, CSV.
    static QStringList routeFilters();
    // The format a filter of routeFilters() stands for (GPX for any other text).
    static RouteFormat formatOfFilter(const QString &filter);
    // The file a chosen name stands for and the format to write it in: a name that already ends
    // in a route suffix (any case) is written in that format, whatever the filter, so a file
    // never holds another format than its name says; any other name gets the filter's suffix.
    static QString routePath(const QString &chosen, RouteFormat filterFormat,
                             RouteFormat *format = nullptr);
    // The part after the dialog: writes tracks (whole or not at all) and says what happened.
    static RouteExportResult saveRoute(const QString &chosen, const QString &filter,
                                       const QList<RouteTrack> &tracks);
    // Asks for the file (modal) and saves. A route without samples is refused before asking.
    static RouteExportResult exportRoute(QWidget *parent, const QList<RouteTrack> &tracks,
                                         const QString &suggestedPath);
};
