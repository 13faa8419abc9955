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

// RFC 4180: a field holding a comma, a quote or a line break goes in quotes, its quotes doubled.
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
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
                                 sixDigits(double(s.z)), csvField(s.latitude),
                                 csvField(s.longitude), QString::number(s.speed),
                                 sixDigits(s.course)};
        out += fields.join(QLatin1Char(',')).toUtf8();
        out += '\n';
    }
    return out;
}

bool hasPosition(const AssistInfo &info, double *latitude, double *longitude)
{
    const double lat = info.latitudeDeg;
    const double lon = info.longitudeDeg;
    if (!info.hasPosition || !std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.0
        || std::fabs(lon) > 180.0)
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
        // The coordinate texts go out as the readers wrote them when they are the numbers.
        double lat = 0.0;
        double lon = 0.0;
        hasPosition(s, &lat, &lon);
        bool textOk = false;
        s.latitude.trimmed().toDouble(&textOk);
        bool lonTextOk = false;
        s.longitude.trimmed().toDouble(&lonTextOk);
        xml.writeAttribute(QStringLiteral("lat"), textOk ? s.latitude.trimmed()
                                                         : QString::number(lat, 'f', 7));
        xml.writeAttribute(QStringLiteral("lon"), lonTextOk ? s.longitude.trimmed()
                                                            : QString::number(lon, 'f', 7));
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
