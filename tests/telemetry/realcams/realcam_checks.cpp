#include "realcam_checks.h"

#include "bytesource.h"
#include "geo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    return p.waitForFinished(60000) ? p.readAllStandardOutput().trimmed().toDouble() : 0.0;
}

namespace {

// "2024:05:17 10:20:07", with the fraction and zone ExifTool may add ("...07.5Z", "...07+02:00"),
// as UTC ms; -1 for anything else.
qint64 exiftoolTime(const QByteArray &text)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^(\d{4}):(\d\d):(\d\d) (\d\d):(\d\d):(\d\d(?:\.\d+)?)(Z|([+-])(\d\d):(\d\d))?$)"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(text.trimmed()));
    if (!m.hasMatch())
        return -1;
    auto n = [&](int i) { return m.captured(i).toInt(); };
    qint64 ms = geo::utcMs(n(1), n(2), n(3), n(4), n(5), m.captured(6).toDouble());
    if (ms >= 0 && !m.captured(8).isEmpty())
        ms -= (m.captured(8) == "-" ? -1 : 1) * (n(9) * 60 + n(10)) * 60000LL;
    return ms;
}

} // namespace

QList<EtFix> exiftoolFixes(const QString &path, const QStringList &options)
{
    QProcess p;
    // In UTC, so that a clock ExifTool takes for local time converts to itself.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    p.setProcessEnvironment(env);
    // -a keeps every value of a document (a payload may hold many points); -s -G3 prints one
    // "[DocN] Tag : value" line each.
    p.start(QStringLiteral("exiftool"), options + QStringList{"-n", "-a", "-s", "-G3", "-GPS*", path});
    if (!p.waitForFinished(60000))
        return {};
    // Every value of each document by tag, the documents in file order.
    QList<QByteArray> docs;
    QHash<QByteArray, QHash<QByteArray, QList<QByteArray>>> values;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const int colon = line.indexOf(':');
        const QList<QByteArray> head = line.left(colon).simplified().split(' ');
        QByteArray tag = head.value(1);
        if (colon < 0 || tag.isEmpty())
            continue;
        if (tag.endsWith("Raw")) // -u names the records ExifTool does not know "...Raw"
            tag.chop(3);
        if (!values.contains(head[0]))
            docs.append(head[0]);
        values[head[0]][tag].append(line.mid(colon + 1).trimmed());
    }
    QList<EtFix> out;
    QByteArray lastParent;
    for (const QByteArray &doc : docs) {
        const auto &v = values[doc];
        const QList<QByteArray> &lat = v.value("GPSLatitude");
        // "[Doc1-3]": point 3 of payload "[Doc1]", whose time belongs to its first point.
        const QByteArray parent = doc.left(doc.lastIndexOf('-')) + ']';
        QList<QByteArray> times = v.value("GPSDateTime");
        if (times.isEmpty() && doc.contains('-') && parent != lastParent)
            times = values.value(parent).value("GPSDateTime").mid(0, 1);
        for (int k = 0; k < lat.size() && k < v.value("GPSLongitude").size(); ++k) {
            EtFix f{lat[k].toDouble(), v.value("GPSLongitude")[k].toDouble()};
            for (auto t = v.begin(); t != v.end(); ++t)
                if (t.value().size() == lat.size())
                    f.tags.insert(t.key(), t.value()[k].toDouble());
            f.speed = f.tags.value("GPSSpeed", -1.0);
            // One time per point, or one for the payload: its first point's.
            if (k < times.size() && (k == 0 || times.size() == lat.size()))
                f.utcMs = exiftoolTime(times[k]);
            out.append(f);
        }
        if (doc.contains('-') && !lat.isEmpty())
            lastParent = parent;
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
                .arg(QString::fromLatin1(geo::isoUtc(ours[i].utcMs)),
                    QString::fromLatin1(geo::isoUtc(et[i].utcMs)));
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
