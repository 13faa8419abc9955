#include "routeexport.h"

#include "atomicwrite.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <cmath>
#include <functional>

namespace {

const QString kExtensionNamespace = QStringLiteral("https://korvell.example/zevidud/gpx/1");

// Seven decimals of a degree are about a centimetre: more than any camera's fix is worth, and
// short enough that a long drive stays small.
QString degrees(double v)
{
    return QString::number(v, 'f', 7);
}

QString gValue(float v)
{
    return QString::number(double(v), 'f', 3);
}

// Time of day of a sample, UTC with milliseconds, as GPX and most tools read it.
QString sampleUtc(const RouteTrack &track, const AssistInfo &s)
{
    if (!track.start.isValid() || s.timeMs < 0)
        return QString();
    return track.start.addMSecs(s.timeMs).toUTC().toString(
        QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

// A fix that can be written: a reader's bad arithmetic must not put "nan" into a GPX file.
bool usableFix(const AssistInfo &s)
{
    return s.hasPosition && std::isfinite(s.latitudeDeg) && std::isfinite(s.longitudeDeg)
           && std::fabs(s.latitudeDeg) <= 90.0 && std::fabs(s.longitudeDeg) <= 180.0;
}

// Calls visit(first, last) for every run of consecutive samples that all have a usable fix.
void forEachFixedRun(const AssistInfoList &samples, const std::function<void(int, int)> &visit)
{
    int first = -1;
    for (int i = 0; i <= samples.size(); ++i) {
        const bool fixed = i < samples.size() && usableFix(samples.at(i));
        if (fixed && first < 0)
            first = i;
        if (!fixed && first >= 0) {
            visit(first, i - 1);
            first = -1;
        }
    }
}

} // namespace

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString routeFileSuffix(RouteFormat format)
{
    switch (format) {
    case RouteFormat::Kml:
        return QStringLiteral("kml");
    case RouteFormat::Csv:
        return QStringLiteral("csv");
    case RouteFormat::Gpx:
        break;
    }
    return QStringLiteral("gpx");
}

RouteFormat routeFormatForFile(const QString &fileName, bool *ok)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (ok != nullptr)
        *ok = suffix == QLatin1String("gpx") || suffix == QLatin1String("kml")
              || suffix == QLatin1String("csv");
    if (suffix == QLatin1String("kml"))
        return RouteFormat::Kml;
    if (suffix == QLatin1String("csv"))
        return RouteFormat::Csv;
    return RouteFormat::Gpx;
}

QByteArray formatRouteGpx(const QList<RouteTrack> &tracks, const QString &creator)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeNamespace(kExtensionNamespace, QStringLiteral("zv"));
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), creator);
    for (const RouteTrack &track : tracks) {
        xml.writeStartElement(QStringLiteral("trk"));
        xml.writeTextElement(QStringLiteral("name"), track.name);
        forEachFixedRun(track.samples, [&](int first, int last) {
            xml.writeStartElement(QStringLiteral("trkseg"));
            for (int i = first; i <= last; ++i) {
                const AssistInfo &s = track.samples.at(i);
                xml.writeStartElement(QStringLiteral("trkpt"));
                xml.writeAttribute(QStringLiteral("lat"), degrees(s.latitudeDeg));
                xml.writeAttribute(QStringLiteral("lon"), degrees(s.longitudeDeg));
                const QString utc = sampleUtc(track, s);
                if (!utc.isEmpty())
                    xml.writeTextElement(QStringLiteral("time"), utc);
                xml.writeStartElement(QStringLiteral("extensions"));
                xml.writeTextElement(kExtensionNamespace, QStringLiteral("speed"),
                                     QString::number(s.speed));
                xml.writeTextElement(kExtensionNamespace, QStringLiteral("course"),
                                     QString::number(s.course, 'f', 1));
                if (s.hasGSensor) {
                    xml.writeTextElement(kExtensionNamespace, QStringLiteral("gx"), gValue(s.x));
                    xml.writeTextElement(kExtensionNamespace, QStringLiteral("gy"), gValue(s.y));
                    xml.writeTextElement(kExtensionNamespace, QStringLiteral("gz"), gValue(s.z));
                }
                xml.writeEndElement(); // extensions
                xml.writeEndElement(); // trkpt
            }
            xml.writeEndElement(); // trkseg
        });
        xml.writeEndElement(); // trk
    }
    xml.writeEndElement(); // gpx
    xml.writeEndDocument();
    return out;
}

QByteArray formatRouteKml(const QList<RouteTrack> &tracks)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeStartElement(QStringLiteral("Document"));
    for (const RouteTrack &track : tracks) {
        xml.writeStartElement(QStringLiteral("Folder"));
        xml.writeTextElement(QStringLiteral("name"), track.name);
        int part = 0;
        forEachFixedRun(track.samples, [&](int first, int last) {
            ++part;
            xml.writeStartElement(QStringLiteral("Placemark"));
            xml.writeTextElement(QStringLiteral("name"),
                                 QStringLiteral("%1 (%2)").arg(track.name).arg(part));
            const QString begin = sampleUtc(track, track.samples.at(first));
            if (!begin.isEmpty()) {
                xml.writeStartElement(QStringLiteral("TimeSpan"));
                xml.writeTextElement(QStringLiteral("begin"), begin);
                xml.writeTextElement(QStringLiteral("end"),
                                     sampleUtc(track, track.samples.at(last)));
                xml.writeEndElement();
            }
            QStringList coordinates;
            for (int i = first; i <= last; ++i) {
                const AssistInfo &s = track.samples.at(i);
                coordinates << degrees(s.longitudeDeg) + QLatin1Char(',') + degrees(s.latitudeDeg);
            }
            xml.writeStartElement(first == last ? QStringLiteral("Point")
                                                : QStringLiteral("LineString"));
            if (first != last)
                xml.writeTextElement(QStringLiteral("tessellate"), QStringLiteral("1"));
            xml.writeTextElement(QStringLiteral("coordinates"), coordinates.join(QLatin1Char(' ')));
            xml.writeEndElement(); // LineString or Point
            xml.writeEndElement(); // Placemark
        });
        xml.writeEndElement(); // Folder
    }
    xml.writeEndElement(); // Document
    xml.writeEndElement(); // kml
    xml.writeEndDocument();
    return out;
}

QStringList routeCsvHeader()
{
    return {QStringLiteral("track"),      QStringLiteral("time_ms"),   QStringLiteral("utc"),
            QStringLiteral("latitude"),   QStringLiteral("longitude"), QStringLiteral("speed_kmh"),
            QStringLiteral("course_deg"), QStringLiteral("gx"),        QStringLiteral("gy"),
            QStringLiteral("gz")};
}

QByteArray formatRouteCsv(const QList<RouteTrack> &tracks)
{
    const QString eol = QStringLiteral("\r\n");
    QString out = routeCsvHeader().join(QLatin1Char(',')) + eol;
    for (const RouteTrack &track : tracks) {
        const QString name = csvField(track.name);
        for (const AssistInfo &s : track.samples) {
            const QStringList fields{
                name,
                s.timeMs >= 0 ? QString::number(s.timeMs) : QString(),
                sampleUtc(track, s),
                usableFix(s) ? degrees(s.latitudeDeg) : QString(),
                usableFix(s) ? degrees(s.longitudeDeg) : QString(),
                QString::number(s.speed),
                QString::number(s.course, 'f', 1),
                s.hasGSensor ? gValue(s.x) : QString(),
                s.hasGSensor ? gValue(s.y) : QString(),
                s.hasGSensor ? gValue(s.z) : QString(),
            };
            out += fields.join(QLatin1Char(',')) + eol;
        }
    }
    return out.toUtf8();
}

QByteArray formatRoute(RouteFormat format, const QList<RouteTrack> &tracks)
{
    switch (format) {
    case RouteFormat::Kml:
        return formatRouteKml(tracks);
    case RouteFormat::Csv:
        return formatRouteCsv(tracks);
    case RouteFormat::Gpx:
        break;
    }
    const QString version = QCoreApplication::applicationVersion();
    return formatRouteGpx(tracks, version.isEmpty()
                                      ? QStringLiteral("KORVELL ZEVIDUD PLAYER")
                                      : QStringLiteral("KORVELL ZEVIDUD PLAYER %1").arg(version));
}

bool writeRouteFile(const QString &path, RouteFormat format, const QList<RouteTrack> &tracks,
                    QString *errorMessage)
{
    return writeWholeFile(path, formatRoute(format, tracks), errorMessage);
}
