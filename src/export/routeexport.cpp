#include "routeexport.h"

#include "atomicwrite.h"
#include "geo.h"
#include "sampletime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const QString kExtensionNamespace = QStringLiteral("https://korvell.example/zevidud/gpx/1");
const QString kGoogleNamespace = QStringLiteral("http://www.google.com/kml/ext/2.2");

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

// The moment of a sample as GPX, KML and most tools read it: UTC with milliseconds. Empty when
// neither the GPS nor the camera's clock placed it (see withUtc).
QString sampleUtc(const AssistInfo &s)
{
    return s.utcMs >= 0 ? QString::fromLatin1(geo::isoUtc(s.utcMs)) : QString();
}

QString clockName(const AssistInfo &s)
{
    switch (s.utcClock) {
    case AssistInfo::Clock::Gps:
        return QStringLiteral("gps");
    case AssistInfo::Clock::Camera:
        return QStringLiteral("camera");
    case AssistInfo::Clock::None:
        break;
    }
    return QString();
}

// The track's samples, each with the UTC moment the recording gives it: its own GPS time, the
// GPS time of the samples beside it, else the camera's clock from the track's start. Never the
// file's modification time.
RouteTrack withUtc(const RouteTrack &track)
{
    RouteTrack timed = track;
    completeUtc(&timed.samples, track.start.isValid() ? track.start.toMSecsSinceEpoch() : -1);
    return timed;
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
    for (const RouteTrack &untimed : tracks) {
        const RouteTrack track = withUtc(untimed);
        xml.writeStartElement(QStringLiteral("trk"));
        xml.writeTextElement(QStringLiteral("name"), track.name);
        forEachFixedRun(track.samples, [&](int first, int last) {
            xml.writeStartElement(QStringLiteral("trkseg"));
            for (int i = first; i <= last; ++i) {
                const AssistInfo &s = track.samples.at(i);
                xml.writeStartElement(QStringLiteral("trkpt"));
                xml.writeAttribute(QStringLiteral("lat"), degrees(s.latitudeDeg));
                xml.writeAttribute(QStringLiteral("lon"), degrees(s.longitudeDeg));
                const QString utc = sampleUtc(s);
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
    xml.writeNamespace(kGoogleNamespace, QStringLiteral("gx"));
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeStartElement(QStringLiteral("Document"));
    for (const RouteTrack &untimed : tracks) {
        const RouteTrack track = withUtc(untimed);
        xml.writeStartElement(QStringLiteral("Folder"));
        xml.writeTextElement(QStringLiteral("name"), track.name);
        int part = 0;
        forEachFixedRun(track.samples, [&](int first, int last) {
            ++part;
            xml.writeStartElement(QStringLiteral("Placemark"));
            xml.writeTextElement(QStringLiteral("name"),
                                 QStringLiteral("%1 (%2)").arg(track.name).arg(part));
            const bool timed = std::all_of(track.samples.cbegin() + first,
                                           track.samples.cbegin() + last + 1,
                                           [](const AssistInfo &s) { return s.utcMs >= 0; });
            if (timed && first == last) {
                xml.writeStartElement(QStringLiteral("TimeStamp"));
                xml.writeTextElement(QStringLiteral("when"), sampleUtc(track.samples.at(first)));
                xml.writeEndElement();
            }
            if (timed && first != last) {
                // The line with the moment of each of its points, for tools that replay or
                // geotag by time.
                xml.writeStartElement(kGoogleNamespace, QStringLiteral("Track"));
                xml.writeTextElement(QStringLiteral("altitudeMode"), QStringLiteral("clampToGround"));
                for (int i = first; i <= last; ++i)
                    xml.writeTextElement(QStringLiteral("when"), sampleUtc(track.samples.at(i)));
                for (int i = first; i <= last; ++i) {
                    const AssistInfo &s = track.samples.at(i);
                    xml.writeTextElement(kGoogleNamespace, QStringLiteral("coord"),
                                         degrees(s.longitudeDeg) + QLatin1Char(' ')
                                             + degrees(s.latitudeDeg) + QStringLiteral(" 0"));
                }
                xml.writeEndElement(); // gx:Track
            } else {
                QStringList coordinates;
                for (int i = first; i <= last; ++i) {
                    const AssistInfo &s = track.samples.at(i);
                    coordinates << degrees(s.longitudeDeg) + QLatin1Char(',')
                                       + degrees(s.latitudeDeg);
                }
                xml.writeStartElement(first == last ? QStringLiteral("Point")
                                                    : QStringLiteral("LineString"));
                if (first != last)
                    xml.writeTextElement(QStringLiteral("tessellate"), QStringLiteral("1"));
                xml.writeTextElement(QStringLiteral("coordinates"),
                                     coordinates.join(QLatin1Char(' ')));
                xml.writeEndElement(); // LineString or Point
            }
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
            QStringLiteral("gz"),         QStringLiteral("clock")};
}

QByteArray formatRouteCsv(const QList<RouteTrack> &tracks)
{
    const QString eol = QStringLiteral("\r\n");
    QString out = routeCsvHeader().join(QLatin1Char(',')) + eol;
    for (const RouteTrack &untimed : tracks) {
        const RouteTrack track = withUtc(untimed);
        const QString name = csvField(track.name);
        for (const AssistInfo &s : track.samples) {
            const QStringList fields{
                name,
                s.timeMs >= 0 ? QString::number(s.timeMs) : QString(),
                sampleUtc(s),
                usableFix(s) ? degrees(s.latitudeDeg) : QString(),
                usableFix(s) ? degrees(s.longitudeDeg) : QString(),
                QString::number(s.speed),
                QString::number(s.course, 'f', 1),
                s.hasGSensor ? gValue(s.x) : QString(),
                s.hasGSensor ? gValue(s.y) : QString(),
                s.hasGSensor ? gValue(s.z) : QString(),
                clockName(s),
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
