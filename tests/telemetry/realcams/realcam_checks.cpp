#include "realcam_checks.h"

#include "bytesource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDateTime>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace rcfx {

bool haveTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

double exiftoolVersion()
{
    QProcess p;
    p.start(QStringLiteral("exiftool"), {"-ver"});
    if (!p.waitForFinished(60000))
        return 0.0;
    return p.readAllStandardOutput().trimmed().toDouble();
}

namespace {

// "2025:01:01 10:15:00", with fraction and zone as ExifTool may add them, as UTC ms.
qint64 exiftoolTime(const QByteArray &text)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})(\\.\\d+)?"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(text.trimmed()));
    if (!m.hasMatch())
        return -1;
    const QDateTime t(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
        QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()), Qt::UTC);
    return t.isValid() ? t.toMSecsSinceEpoch() : -1;
}

} // namespace

QList<EtFix> exiftoolFixes(const QString &path)
{
    QList<EtFix> out;
    QProcess p;
    // -a keeps every value of a document (GPMF holds 18 points per payload); -s -G3 prints one
    // "[DocN] Tag : value" line each, in file order.
    p.start(QStringLiteral("exiftool"),
        {"-ee", "-n", "-a", "-s", "-G3", "-GPSLatitude", "-GPSLongitude", "-GPSSpeed",
            "-GPSDateTime", path});
    if (!p.waitForFinished(60000))
        return out;
    QList<double> lat, lon, speed;
    QList<QByteArray> docs;
    QHash<QByteArray, qint64> times;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QList<QByteArray> head = line.left(colon).simplified().split(' ');
        const QByteArray doc = head.value(0), tag = head.value(1);
        const QByteArray value = line.mid(colon + 1);
        const double v = value.trimmed().toDouble();
        if (tag == "GPSLatitude") {
            lat.append(v);
            docs.append(doc);
        } else if (tag == "GPSLongitude") {
            lon.append(v);
        } else if (tag == "GPSSpeed") {
            speed.append(v);
        } else if (tag == "GPSDateTime" && !times.contains(doc)) {
            times.insert(doc, exiftoolTime(value));
        }
    }
    QByteArray lastParent;
    for (int i = 0; i < lat.size() && i < lon.size(); ++i) {
        EtFix f{lat[i], lon[i], lat.size() == speed.size() ? speed[i] : -1.0};
        // "[Doc1-3]": point 3 of payload "[Doc1]".
        const QByteArray doc = docs[i];
        const QByteArray parent = doc.left(doc.lastIndexOf('-')) + ']';
        if (times.contains(doc))
            f.utcMs = times.value(doc);
        else if (doc.contains('-') && parent != lastParent && times.contains(parent))
            f.utcMs = times.value(parent);
        if (doc.contains('-'))
            lastParent = parent;
        out.append(f);
    }
    return out;
}

QString utcDisagreement(const QList<EtFix> &et, const AssistInfoList &ours, bool expectSome)
{
    int compared = 0;
    for (int i = 0; i < et.size() && i < ours.size(); ++i) {
        if (et[i].utcMs < 0)
            continue;
        ++compared;
        if (ours[i].utcMs < 0 || ours[i].utcMs / 1000 != et[i].utcMs / 1000)
            return QStringLiteral("fix %1: ours %2, ExifTool %3")
                .arg(i)
                .arg(ours[i].utcMs)
                .arg(et[i].utcMs);
    }
    if (expectSome && compared == 0)
        return QStringLiteral("ExifTool gave no GPSDateTime");
    return QString();
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

ReadContext contextFor(const QString &path)
{
    ReadContext ctx;
    ctx.path = path;
    return ctx;
}

LayoutResult readFile(LayoutReadFn fn, const QString &path)
{
    ByteSource src(path);
    return fn(src, contextFor(path));
}

} // namespace rcfx
