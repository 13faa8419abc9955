#include "telemetryoutput.h"

#include <QXmlStreamWriter>
#include <cmath>
#include <cstdio>

namespace {

const QString kExtensionNamespace = QStringLiteral("https://korvell.example/zevidud/gpx/1");

// printf's %.6g: exact halves round to even (1/1024 gives 0.000976562), as scripts that
// compare against C or Python formatting expect. Needs LC_NUMERIC "C" (main sets it).
QString sixDigits(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return QString::fromLatin1(buf);
}

} // namespace

QByteArray formatSamplesText(int device, int gpsLength, const AssistInfoList &samples)
{
    QByteArray out;
    out.reserve(64 + samples.size() * 64);
    out += QStringLiteral("# device=%1 gpsLength=%2 samples=%3\n")
               .arg(device)
               .arg(gpsLength)
               .arg(samples.size())
               .toUtf8();
    out += "x,y,z,latitude,longitude,speed,course\n";
    for (const AssistInfo &s : samples) {
        const QStringList fields{sixDigits(double(s.x)), sixDigits(double(s.y)),
                                 sixDigits(double(s.z)), s.latitude,
                                 s.longitude,           QString::number(s.speed),
                                 sixDigits(s.course)};
        out += fields.join(QLatin1Char(',')).toUtf8();
        out += '\n';
    }
    return out;
}

bool hasPosition(const AssistInfo &info, double *latitude, double *longitude)
{
    bool latOk = false;
    bool lonOk = false;
    const double lat = info.latitude.toDouble(&latOk);
    const double lon = info.longitude.toDouble(&lonOk);
    if (!latOk || !lonOk || lat == 0.0 || lon == 0.0 || !std::isfinite(lat)
        || !std::isfinite(lon) || std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0)
        return false;
    if (latitude != nullptr)
        *latitude = lat;
    if (longitude != nullptr)
        *longitude = lon;
    return true;
}

QByteArray formatSamplesGpx(const QString &trackName, const AssistInfoList &samples)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeNamespace(kExtensionNamespace, QStringLiteral("zv"));
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("zevidud-telemetry"));
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), trackName);
    xml.writeStartElement(QStringLiteral("trkseg"));
    for (const AssistInfo &s : samples) {
        if (!hasPosition(s))
            continue;
        xml.writeStartElement(QStringLiteral("trkpt"));
        // The coordinate texts go out as the readers wrote them.
        xml.writeAttribute(QStringLiteral("lat"), s.latitude.trimmed());
        xml.writeAttribute(QStringLiteral("lon"), s.longitude.trimmed());
        xml.writeStartElement(QStringLiteral("extensions"));
        xml.writeTextElement(kExtensionNamespace, QStringLiteral("speed"),
                             QString::number(s.speed));
        xml.writeTextElement(kExtensionNamespace, QStringLiteral("course"), sixDigits(s.course));
        xml.writeTextElement(kExtensionNamespace, QStringLiteral("gx"), sixDigits(double(s.x)));
        xml.writeTextElement(kExtensionNamespace, QStringLiteral("gy"), sixDigits(double(s.y)));
        xml.writeTextElement(kExtensionNamespace, QStringLiteral("gz"), sixDigits(double(s.z)));
        xml.writeEndElement(); // extensions
        xml.writeEndElement(); // trkpt
    }
    xml.writeEndElement(); // trkseg
    xml.writeEndElement(); // trk
    xml.writeEndElement(); // gpx
    xml.writeEndDocument();
    return out;
}
