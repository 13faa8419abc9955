#include "telemetryoutput.h"

#include "geo.h"
#include "recordingtime.h"
#include "sampletime.h"

#include "routeexport.h"

#include <QXmlStreamWriter>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

const QString kExtensionNamespace = QStringLiteral("https://korvell.example/zevidud/gpx/1");

// printf's %.6g in the "C" locale: exact halves round to even (1/1024 gives 0.000976562), as
// scripts that compare against C or Python formatting expect. std::to_chars is specified to
// give exactly that, in a third of printf's time and whatever the locale.
int sixDigits(double v, char *buf, int size)
{
    return int(std::to_chars(buf, buf + size, v, std::chars_format::general, 6).ptr - buf);
}

QString sixDigits(double v)
{
    char buf[32];
    return QString::fromLatin1(buf, sixDigits(v, buf, sizeof buf));
}

} // namespace

QByteArray formatSamplesText(int device, int gpsLength, const AssistInfoList &samples)
{
    // Straight into one byte buffer: a table of thousands of lines is printed by a tool whose
    // whole run should cost little more than starting a process.
    char line[192];
    int n = std::snprintf(line, sizeof line, "# device=%d gpsLength=%d samples=%d\n", device,
                          gpsLength, int(samples.size()));
    QByteArray out;
    out.reserve(64 + samples.size() * 64);
    out.append(line, n);
    out += "x,y,z,latitude,longitude,speed,course\n";
    for (const AssistInfo &s : samples) {
        char *p = line;
        char *const end = line + sizeof line;
        p += sixDigits(double(s.x), p, int(end - p));
        *p++ = ',';
        p += sixDigits(double(s.y), p, int(end - p));
        *p++ = ',';
        p += sixDigits(double(s.z), p, int(end - p));
        *p++ = ',';
        out.append(line, int(p - line));
        out += csvField(s.latitude).toUtf8();
        out += ',';
        out += csvField(s.longitude).toUtf8();
        p = line;
        *p++ = ',';
        p = std::to_chars(p, end, int(s.speed)).ptr;
        *p++ = ',';
        p += sixDigits(s.course, p, int(end - p));
        *p++ = '\n';
        out.append(line, int(p - line));
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
    // Points without GPS time take the camera's clock from the file name, never the file's time.
    AssistInfoList timed = samples;
    const QDateTime nameStart = recordingTimeFromName(trackName);
    completeUtc(&timed, nameStart.isValid() ? nameStart.toMSecsSinceEpoch() : -1);
    for (const AssistInfo &s : qAsConst(timed)) {
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
        if (s.utcMs >= 0)
            xml.writeTextElement(QStringLiteral("time"), QString::fromLatin1(geo::isoUtc(s.utcMs)));
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
