// The incident clip with the real ffmpeg: channels of a span that crosses a clip boundary are
// composed, the overlay is burned in exactly as our ASS script renders alone, ffprobe accepts the
// result, the manifest traces it to its sources, and failures and cancelling leave nothing.
#include "clipmaker.h"
#include "incidentclipjob.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {

constexpr int kClipSeconds = 3;
const QDateTime kRecordingStart(QDate(2026, 12, 7), QTime(8, 0, 0), Qt::UTC);

QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

QJsonObject probe(const QString &file)
{
    return QJsonDocument::fromJson(
               run(QStringLiteral("ffprobe"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                    QStringLiteral("stream=codec_type,codec_name,width,height:format=duration"),
                    QStringLiteral("-of"), QStringLiteral("json"), file}))
        .object();
}

// One frame at `at` seconds as packed RGB, through any filter chain.
QByteArray grabFrame(const QStringList &input, double at, const QString &filter = QString())
{
    QStringList args{QStringLiteral("-v"), QStringLiteral("error")};
    args << input;
    if (!filter.isEmpty())
        args << QStringLiteral("-vf") << filter;
    args << QStringLiteral("-ss") << QString::number(at) << QStringLiteral("-frames:v")
         << QStringLiteral("1") << QStringLiteral("-f") << QStringLiteral("rawvideo")
         << QStringLiteral("-pix_fmt") << QStringLiteral("rgb24") << QStringLiteral("-");
    return run(QStringLiteral("ffmpeg"), args);
}

// Pixels of the overlay (where the script alone painted over plain gray) that the clip shows
// differently; compression blurs glyph edges a little, a different text changes whole glyphs.
struct OverlayMatch
{
    int overlayPixels = 0;
    int mismatched = 0;
};

OverlayMatch compareOverlay(const QByteArray &clip, const QByteArray &scriptAlone)
{
    OverlayMatch m;
    for (int i = 0; i + 2 < scriptAlone.size() && i + 2 < clip.size(); i += 3) {
        int fromGray = 0;
        int fromClip = 0;
        for (int c = 0; c < 3; ++c) {
            fromGray += qAbs(quint8(scriptAlone.at(i + c)) - 128);
            fromClip += qAbs(quint8(scriptAlone.at(i + c)) - quint8(clip.at(i + c)));
        }
        if (fromGray < 60)
            continue;
        ++m.overlayPixels;
        if (fromClip > 150)
            ++m.mismatched;
    }
    return m;
}

QString sha256Of(const QString &file)
{
    return QString::fromLatin1(run(QStringLiteral("sha256sum"), {file}).left(64));
}

bool processRunsWith(const QString &argument)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(argument.toUtf8()))
            return true;
    }
    return false;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestIncidentClip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void scriptHasOneEventPerSecondWithTheSampleOfThatSecond();
    void sideBySideAcrossClipBoundary();
    void gridWithAwkwardNameAndMiles();
    void cancelLeavesNoFileAndNoProcess();
    void failuresAreNamedAndLeaveOldFilesAlone();

private:
    IncidentClipRequest spanRequest(const QString &output) const;
    bool runJob(IncidentClipJob &job, const IncidentClipRequest &request);

    QTemporaryDir m_dir;
    QStringList m_channelNames{"front", "rear", "cabin"};
    AssistInfoList m_samples;
};

void TestIncidentClip::initTestCase()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
    QVERIFY(m_dir.isValid());

    // Two consecutive recordings per channel; the rear camera is wide, so it is letterboxed.
    for (const QString &name : m_channelNames) {
        ClipOptions o;
        o.seconds = kClipSeconds;
        o.audio = false;
        o.width = name == QLatin1String("rear") ? 192 : 160;
        o.height = name == QLatin1String("rear") ? 108 : 120;
        o.fps = 15;
        for (const char *part : {"a", "b"})
            QVERIFY(
                !makeClip(m_dir.path(), QStringLiteral("%1_%2.mp4").arg(name, part), o).isEmpty());
    }
    // Drive time: recording a covers 0..3 s, b 3..6 s; one sample per second, no fix at 3 s.
    for (int i = 0; i <= 2 * kClipSeconds; ++i) {
        AssistInfo s;
        s.timeMs = i * 1000;
        s.speed = 40 + i * 10;
        s.hasPosition = i != 3;
        s.latitudeDeg = -33.85 - i * 0.001;
        s.longitudeDeg = 151.21 + i * 0.001;
        s.x = 0.1f * i;
        s.y = -0.25f;
        s.z = 1.0f;
        m_samples << s;
    }
}

IncidentClipRequest TestIncidentClip::spanRequest(const QString &output) const
{
    // 2.0 s into recording a up to 1.5 s into recording b: 2.5 s across the boundary.
    IncidentClipRequest r;
    for (const QString &name : m_channelNames) {
        ClipChannel channel;
        channel.name = name;
        channel.pieces << ClipPiece{m_dir.filePath(name + QStringLiteral("_a.mp4")), 2000, 3000,
                                    QStringLiteral("novatek")}
                       << ClipPiece{m_dir.filePath(name + QStringLiteral("_b.mp4")), 0, 1500,
                                    QStringLiteral("freegps")};
        r.channels << channel;
    }
    r.samples = m_samples;
    r.recordingStart = kRecordingStart;
    r.spanStartMs = 2000;
    r.spanEndMs = 4500;
    r.outputPath = output;
    r.cellSize = QSize(160, 120);
    r.fps = 15;
    return r;
}

bool TestIncidentClip::runJob(IncidentClipJob &job, const IncidentClipRequest &request)
{
    QSignalSpy finished(&job, &IncidentClipJob::finished);
    if (!job.start(request))
        return false;
    if (!finished.wait(120000))
        return false;
    if (!finished.first().first().toBool())
        qWarning() << job.errorString();
    return finished.first().first().toBool();
}

void TestIncidentClip::scriptHasOneEventPerSecondWithTheSampleOfThatSecond()
{
    const QString script = QString::fromUtf8(buildIncidentSubtitles(
        m_samples, kRecordingStart, 2000, 4500, SpeedUnit::KilometresPerHour, QSize(480, 120)));
    QVERIFY(script.contains(QStringLiteral("PlayResX: 480\nPlayResY: 120")));
    QStringList events;
    for (const QString &line : script.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Dialogue:")))
            events << line;
    QCOMPARE(events.size(), 3);
    QVERIFY2(events.at(0).contains(QStringLiteral("0:00:00.00,0:00:01.00")),
             qPrintable(events.at(0)));
    QVERIFY2(events.at(0).contains(QStringLiteral("2026-12-07 08:00:02   60 km/h\\N33.852000 S  "
                                                  "151.212000 E   G +0.20 -0.25 +1.00")),
             qPrintable(events.at(0)));
    QVERIFY2(events.at(1).contains(QStringLiteral("08:00:03   70 km/h\\Nno fix")),
             qPrintable(events.at(1)));
    // The last event ends with the span, half-way through its second.
    QVERIFY2(events.at(2).contains(QStringLiteral("0:00:02.00,0:00:02.50")),
             qPrintable(events.at(2)));

    AssistInfo north = m_samples.at(0);
    north.latitudeDeg = 0.5;
    north.longitudeDeg = -0.25;
    north.speed = 100;
    north.hasGSensor = false;
    QCOMPARE(incidentOverlayText(&north, QDateTime(), SpeedUnit::MilesPerHour),
             QStringLiteral("--   62 mph\n0.500000 N  0.250000 W"));
    QCOMPARE(incidentOverlayText(nullptr, kRecordingStart, SpeedUnit::KilometresPerHour),
             QStringLiteral("2026-12-07 08:00:00   -- km/h\n--"));
}

void TestIncidentClip::sideBySideAcrossClipBoundary()
{
    const QString out = m_dir.filePath(QStringLiteral("out/incident.mp4"));
    QVERIFY(QDir().mkpath(QFileInfo(out).path()));
    IncidentClipJob job;
    QSignalSpy progress(&job, &IncidentClipJob::progressChanged);
    QVERIFY(runJob(job, spanRequest(out)));
    QCOMPARE(job.state(), IncidentClipJob::State::Succeeded);

    const QJsonObject info = probe(out);
    const QJsonArray streams = info.value(QStringLiteral("streams")).toArray();
    QCOMPARE(streams.size(), 1);
    const QJsonObject video = streams.first().toObject();
    QCOMPARE(video.value(QStringLiteral("codec_name")).toString(), QStringLiteral("h264"));
    QCOMPARE(video.value(QStringLiteral("width")).toInt(), 480);
    QCOMPARE(video.value(QStringLiteral("height")).toInt(), 120);
    const double duration = info.value(QStringLiteral("format"))
                                .toObject()
                                .value(QStringLiteral("duration"))
                                .toString()
                                .toDouble();
    QVERIFY2(qAbs(duration - 2.5) <= 2.0 / 15, qPrintable(QString::number(duration)));

    QVERIFY(!progress.isEmpty());
    int last = -1;
    for (const QList<QVariant> &p : progress) {
        QVERIFY(p.first().toInt() >= last);
        last = p.first().toInt();
    }
    QCOMPARE(last, 100);

    // Across the boundary: the front cell (above the overlay) shows recording a at 2.5 s, then
    // recording b at 0.5 s; a frame off would show the neighbouring frame.
    const QString topOfFront = QStringLiteral("crop=160:80:0:0");
    const auto frameDistance = [&](double clipAt, const QString &source, double sourceAt) {
        const QByteArray a = grabFrame({QStringLiteral("-i"), out}, clipAt, topOfFront);
        const QByteArray b =
            grabFrame({QStringLiteral("-i"), m_dir.filePath(source)}, sourceAt, topOfFront);
        if (a.size() != b.size() || a.isEmpty())
            return 1e9;
        double sum = 0;
        for (int i = 0; i < a.size(); ++i)
            sum += qAbs(quint8(a.at(i)) - quint8(b.at(i)));
        return sum / a.size();
    };
    const double frame = 1.0 / 15;
    const double sameA =
        frameDistance(0.5 + frame / 2, QStringLiteral("front_a.mp4"), 2.5 + frame / 2);
    const double nextA =
        frameDistance(0.5 + frame / 2, QStringLiteral("front_a.mp4"), 2.5 + 1.5 * frame);
    const double sameB =
        frameDistance(1.5 + frame / 2, QStringLiteral("front_b.mp4"), 0.5 + frame / 2);
    const double nextB =
        frameDistance(1.5 + frame / 2, QStringLiteral("front_b.mp4"), 0.5 + 1.5 * frame);
    qInfo() << "front cell distance" << sameA << nextA << sameB << nextB;
    QVERIFY(sameA < 5 && sameB < 5);
    QVERIFY(nextA > 1.5 * sameA + 2 && nextB > 1.5 * sameB + 2);
    QCOMPARE(filesIn(QFileInfo(out).path()),
             QStringList({"incident.ass", "incident.gpx", "incident.json", "incident.mp4"}));

    // The manifest traces the clip to the six untouched recordings it was cut from.
    QFile manifestFile(job.manifestPath());
    QVERIFY(manifestFile.open(QIODevice::ReadOnly));
    const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    QCOMPARE(manifest.value(QStringLiteral("version")).toString(), QStringLiteral("9.8.7"));
    QCOMPARE(manifest.value(QStringLiteral("layout")).toString(), QStringLiteral("side-by-side"));
    QCOMPARE(manifest.value(QStringLiteral("route")).toString(), QStringLiteral("incident.gpx"));
    const QJsonObject span = manifest.value(QStringLiteral("span")).toObject();
    QCOMPARE(span.value(QStringLiteral("start")).toString(),
             QStringLiteral("2026-12-07T08:00:02.000Z"));
    QCOMPARE(span.value(QStringLiteral("durationMs")).toInt(), 2500);
    const QJsonArray sources = manifest.value(QStringLiteral("sources")).toArray();
    QCOMPARE(sources.size(), 6);
    for (const QJsonValue &v : sources) {
        const QJsonObject source = v.toObject();
        const QString file = source.value(QStringLiteral("file")).toString();
        QCOMPARE(source.value(QStringLiteral("sha256")).toString(), sha256Of(file));
        QCOMPARE(source.value(QStringLiteral("telemetryLayout")).toString(),
                 file.endsWith(QLatin1String("_a.mp4")) ? QStringLiteral("novatek")
                                                        : QStringLiteral("freegps"));
    }

    // The GPX of the span: the samples at 2 s and 4 s (3 s has no fix, in two segments).
    QFile gpx(job.gpxPath());
    QVERIFY(gpx.open(QIODevice::ReadOnly));
    const QByteArray route = gpx.readAll();
    QCOMPARE(route.count("<trkpt"), 2);
    QCOMPARE(route.count("<trkseg>"), 2);
    QVERIFY(route.contains("<time>2026-12-07T08:00:04.000Z</time>"));

    // The overlay in the clip is what our script paints alone, and not the next second's text.
    const QStringList clip{QStringLiteral("-i"), out};
    const QStringList gray{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("color=gray:size=480x120:rate=15:duration=2.5")};
    const QString filter = QStringLiteral("ass=") + job.subtitlePath();
    const QByteArray shown = grabFrame(clip, 1.5);
    const QByteArray alone = grabFrame(gray, 1.5, filter);
    const QByteArray nextSecond = grabFrame(gray, 2.2, filter);
    QCOMPARE(shown.size(), 480 * 120 * 3);
    QCOMPARE(alone.size(), shown.size());
    const OverlayMatch same = compareOverlay(shown, alone);
    const OverlayMatch other = compareOverlay(shown, nextSecond);
    qInfo() << "overlay pixels" << same.overlayPixels << "mismatched" << same.mismatched
            << "against the next second" << other.mismatched;
    QVERIFY(same.overlayPixels > 1000);
    QVERIFY(same.mismatched * 50 < same.overlayPixels);
    QVERIFY(other.mismatched > 3 * same.mismatched + 20);
}

void TestIncidentClip::gridWithAwkwardNameAndMiles()
{
    // Characters that mean something to ffmpeg's filter graphs, in the folder and the name.
    const QString folder = m_dir.filePath(QStringLiteral("grid, [one]"));
    QVERIFY(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/rear's view: 1;2.mp4");
    IncidentClipRequest request = spanRequest(out);
    request.layout = ClipLayout::Grid;
    request.speedUnit = SpeedUnit::MilesPerHour;
    // Sources named relative to our working folder, while ffmpeg runs in the clip's folder.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    for (ClipPiece &piece : request.channels[0].pieces)
        piece.file = QFileInfo(piece.file).fileName();
    IncidentClipJob job;
    const bool done = runJob(job, request);
    QDir::setCurrent(cwd);
    QVERIFY(done);

    const QJsonObject video =
        probe(out).value(QStringLiteral("streams")).toArray().first().toObject();
    QCOMPARE(video.value(QStringLiteral("width")).toInt(), 320);
    QCOMPARE(video.value(QStringLiteral("height")).toInt(), 240);
    QFile ass(job.subtitlePath());
    QVERIFY(ass.open(QIODevice::ReadOnly));
    QVERIFY(ass.readAll().contains(" 37 mph")); // 60 km/h
    // The fourth cell of a 2x2 grid of three channels is black (above the overlay's lines).
    const QByteArray frame = grabFrame({QStringLiteral("-i"), out}, 0.5);
    QCOMPARE(frame.size(), 320 * 240 * 3);
    int bright = 0;
    for (int y = 125; y < 195; ++y)
        for (int x = 165; x < 315; ++x)
            bright += quint8(frame.at((y * 320 + x) * 3 + 1)) > 40;
    QCOMPARE(bright, 0);
}

void TestIncidentClip::cancelLeavesNoFileAndNoProcess()
{
    const QString folder = m_dir.filePath(QStringLiteral("cancelled"));
    QVERIFY(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/big.mp4");
    IncidentClipRequest request = spanRequest(out);
    // Large cells and a longer span keep ffmpeg busy long enough to be interrupted.
    request.cellSize = QSize(1280, 720);
    request.fps = 30;
    request.channels[0].pieces[1].toMs = 3000;
    request.channels[1].pieces[1].toMs = 3000;
    request.channels[2].pieces[1].toMs = 3000;
    request.spanEndMs = 6000;
    IncidentClipJob job;
    QSignalSpy progress(&job, &IncidentClipJob::progressChanged);
    QSignalSpy finished(&job, &IncidentClipJob::finished);
    QVERIFY(job.start(request));
    QVERIFY(progress.wait(60000));
    QVERIFY2(finished.isEmpty(), "the export ended before it could be cancelled");
    QVERIFY(processRunsWith(out + QStringLiteral(".part")));
    job.cancel();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(job.state(), IncidentClipJob::State::Cancelled);
    QVERIFY(!processRunsWith(out + QStringLiteral(".part")));
    QCOMPARE(filesIn(folder), QStringList());
}

void TestIncidentClip::failuresAreNamedAndLeaveOldFilesAlone()
{
    const QString folder = m_dir.filePath(QStringLiteral("failures"));
    QVERIFY(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/clip.mp4");
    // A route of an earlier export with the same name stays when a new one fails.
    QFile old(folder + QStringLiteral("/clip.gpx"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    {
        IncidentClipRequest noChannels = spanRequest(out);
        noChannels.channels.clear();
        IncidentClipRequest shortChannel = spanRequest(out);
        shortChannel.channels[1].pieces[1].toMs = 1200; // 300 ms short of the span
        IncidentClipRequest backwards = spanRequest(out);
        backwards.spanEndMs = backwards.spanStartMs;
        for (const IncidentClipRequest &request : {noChannels, shortChannel, backwards}) {
            IncidentClipJob job;
            QVERIFY(!job.start(request));
            QCOMPARE(job.error(), IncidentClipJob::Error::InvalidRequest);
        }
    }
    {
        // A vanished recording is named before ffmpeg runs.
        const QString copy = folder + QStringLiteral("/gone.mp4");
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("front_b.mp4")), copy));
        IncidentClipRequest request = spanRequest(out);
        request.channels[0].pieces[1].file = copy;
        QVERIFY(QFile::remove(copy));
        IncidentClipJob job;
        QSignalSpy finished(&job, &IncidentClipJob::finished);
        QVERIFY(!job.start(request));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(job.error(), IncidentClipJob::Error::SourceMissing);
        QVERIFY2(job.errorString().contains(QStringLiteral("gone.mp4")),
                 qPrintable(job.errorString()));
    }
    {
        // An "ffmpeg" in the working folder is never run, even with "." on PATH.
        const QByteArray path = qgetenv("PATH");
        const QString cwd = QDir::currentPath();
        const QString marker = folder + QStringLiteral("/ran");
        QFile fake(folder + QStringLiteral("/ffmpeg"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
        fake.close();
        fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                            | QFileDevice::ExeOwner);
        QDir::setCurrent(folder);
        qputenv("PATH", ".::" + m_dir.filePath(QStringLiteral("no-such-bin")).toUtf8());
        IncidentClipJob job;
        const bool started = job.start(spanRequest(out));
        qputenv("PATH", path);
        QDir::setCurrent(cwd);
        QVERIFY(!started);
        QCOMPARE(job.error(), IncidentClipJob::Error::FfmpegMissing);
        QVERIFY(!QFile::exists(marker));

        // An ffmpeg on PATH that cannot be run at all (not a program) is reported the same way.
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write(QByteArray(64, '\x7f'));
        fake.close();
        qputenv("PATH", folder.toUtf8());
        IncidentClipJob broken;
        QSignalSpy finished(&broken, &IncidentClipJob::finished);
        const bool brokenStarted = broken.start(spanRequest(out));
        qputenv("PATH", path);
        QVERIFY(!brokenStarted || finished.wait(30000));
        QCOMPARE(broken.error(), IncidentClipJob::Error::FfmpegMissing);
        QVERIFY(fake.remove());
    }
    {
        const QString locked = folder + QStringLiteral("/locked");
        QVERIFY(QDir().mkpath(locked));
        const bool mounted =
            geteuid() == 0
            && QProcess::execute(QStringLiteral("mount"),
                                 {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", locked})
                   == 0;
        if (!mounted)
            QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        IncidentClipJob job;
        const bool started = job.start(spanRequest(locked + QStringLiteral("/clip.mp4")));
        const QStringList left = filesIn(locked);
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), locked});
        QVERIFY(!started);
        QCOMPARE(job.error(), IncidentClipJob::Error::FolderUnwritable);
        QVERIFY2(job.errorString().contains(QStringLiteral("Cannot write into the folder")),
                 qPrintable(job.errorString()));
        QCOMPARE(left, QStringList());
    }
    if (geteuid() == 0) {
        // A disk with room for the overlay script but not the clip: ffmpeg fails part-way.
        const QString small = folder + QStringLiteral("/small");
        QVERIFY(QDir().mkpath(small));
        QVERIFY(QProcess::execute(QStringLiteral("mount"),
                                  {"-t", "tmpfs", "-o", "size=8k", "tmpfs", small})
                == 0);
        IncidentClipJob job;
        const bool done = runJob(job, spanRequest(small + QStringLiteral("/clip.mp4")));
        const QStringList left = filesIn(small);
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), small});
        QVERIFY(!done);
        QCOMPARE(job.error(), IncidentClipJob::Error::DiskFull);
        QVERIFY2(job.errorString().contains(QStringLiteral("is full")),
                 qPrintable(job.errorString()));
        QCOMPARE(left, QStringList());
        QVERIFY(QDir(small).removeRecursively());
    }
    QCOMPARE(filesIn(folder), QStringList({"clip.gpx"}));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier"));
}

QTEST_GUILESS_MAIN(TestIncidentClip)
#include "test_incidentclip.moc"
