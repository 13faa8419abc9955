#include "realcam_checks.h"

#include "bytesource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace rcfx {

bool haveTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

QList<EtFix> exiftoolFixes(const QString &path)
{
    QList<EtFix> out;
    QProcess p;
    // -a keeps every value of a document (GPMF holds 18 points per payload); -s -G3 prints one
    // "[DocN] Tag : value" line each, in file order.
    p.start(QStringLiteral("exiftool"),
        {"-ee", "-n", "-a", "-s", "-G3", "-GPSLatitude", "-GPSLongitude", "-GPSSpeed", path});
    if (!p.waitForFinished(60000))
        return out;
    QList<double> lat, lon, speed;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray tag = line.left(colon).simplified().split(' ').value(1);
        const double v = line.mid(colon + 1).trimmed().toDouble();
        if (tag == "GPSLatitude")
            lat.append(v);
        else if (tag == "GPSLongitude")
            lon.append(v);
        else if (tag == "GPSSpeed")
            speed.append(v);
    }
    for (int i = 0; i < lat.size() && i < lon.size(); ++i)
        out.append(EtFix{lat[i], lon[i], lat.size() == speed.size() ? speed[i] : -1.0});
    return out;
}

QList<ProbedTrack> ffprobeTracks(const QString &path)
{
    QList<ProbedTrack> out;
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
        {"-v", "error", "-show_entries", "stream=codec_type,codec_tag_string,nb_frames", "-of",
            "json", path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return out;
    const QJsonArray streams
        = QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("streams").toArray();
    for (const QJsonValue &v : streams) {
        const QJsonObject s = v.toObject();
        ProbedTrack t;
        t.codecType = s.value("codec_type").toString();
        t.codecTag = s.value("codec_tag_string").toString();
        t.frames = s.value("nb_frames").toString().toUInt();
        out.append(t);
    }
    return out;
}

LayoutResult readFile(LayoutReadFn fn, const QString &path)
{
    ByteSource src(path);
    ReadContext ctx;
    ctx.path = path;
    return fn(src, ctx);
}

} // namespace rcfx
