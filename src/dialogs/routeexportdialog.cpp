#include "routeexportdialog.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool anySample(const QList<RouteTrack> &tracks, bool withPosition)
{
    for (const RouteTrack &track : tracks)
        for (const AssistInfo &s : track.samples)
            if (!withPosition || s.hasPosition)
                return true;
    return false;
}

} // namespace

RouteExportDialog::RouteExportDialog(const QString &suggestedPath, QWidget *parent)
    : QFileDialog(parent, tr("Export route"))
{
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog on every desktop: it adds the filter's suffix before it asks about
    // replacing a file, which the portal dialogs do not all do.
    setOption(QFileDialog::DontUseNativeDialog);
    const QStringList filters = routeFilters();
    setNameFilters(filters);
    bool known = false;
    const RouteFormat first = routeFormatForFile(suggestedPath, &known);
    const QString filter = filters.at(known ? int(first) : 0);
    selectNameFilter(filter);
    setDefaultSuffix(routeFileSuffix(formatOfFilter(filter)));
    connect(this, &QFileDialog::filterSelected, this,
            [this](const QString &f) { setDefaultSuffix(routeFileSuffix(formatOfFilter(f))); });
    const QFileInfo suggested(suggestedPath);
    if (!suggestedPath.isEmpty()) {
        setDirectory(suggested.absolutePath());
        selectFile(suggested.fileName());
    }
}

QStringList RouteExportDialog::routeFilters()
{
    // In the order of RouteFormat.
    return {tr("GPX 1.1 (*.gpx)"), tr("KML 2.2 (*.kml)"), tr("CSV table (*.csv)")};
}

RouteFormat RouteExportDialog::formatOfFilter(const QString &filter)
{
    const int index = routeFilters().indexOf(filter);
    return index == int(RouteFormat::Kml)   ? RouteFormat::Kml
           : index == int(RouteFormat::Csv) ? RouteFormat::Csv
                                            : RouteFormat::Gpx;
}

QString RouteExportDialog::routePath(const QString &chosen, RouteFormat filterFormat,
                                     RouteFormat *format)
{
    bool known = false;
    const RouteFormat named = routeFormatForFile(chosen, &known);
    if (format != nullptr)
        *format = known ? named : filterFormat;
    return known ? chosen : chosen + QLatin1Char('.') + routeFileSuffix(filterFormat);
}

RouteExportResult RouteExportDialog::saveRoute(const QString &chosen, const QString &filter,
                                               const QList<RouteTrack> &tracks)
{
    RouteExportResult result;
    if (chosen.isEmpty())
        return result;
    RouteFormat format = RouteFormat::Gpx;
    result.path = routePath(chosen, formatOfFilter(filter), &format);
    result.outcome = RouteExportResult::Outcome::Failed;
    if (!anySample(tracks, false)) {
        result.message = tr("There is no telemetry to export.");
        return result;
    }
    if (format != RouteFormat::Csv && !anySample(tracks, true)) {
        result.message = tr("The recording has no GPS positions; only CSV can hold its "
                            "G-sensor values.");
        return result;
    }
    QString error;
    if (!writeRouteFile(result.path, format, tracks, &error)) {
        result.message = error;
        return result;
    }
    result.outcome = RouteExportResult::Outcome::Saved;
    result.message = tr("Route saved as %1").arg(QDir::toNativeSeparators(result.path));
    return result;
}

RouteExportResult RouteExportDialog::exportRoute(QWidget *parent, const QList<RouteTrack> &tracks,
                                                 const QString &suggestedPath)
{
    if (!anySample(tracks, false)) {
        RouteExportResult result;
        result.outcome = RouteExportResult::Outcome::Failed;
        result.message = tr("There is no telemetry to export.");
        return result;
    }
    RouteExportDialog dialog(suggestedPath, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return RouteExportResult();
    return saveRoute(dialog.selectedFiles().first(), dialog.selectedNameFilter(), tracks);
}
