// What the window asks the exporters for, worked out from a Drive of three recordings by three
// cameras: the route of a clip and of the drive (read back by gpsbabel), the incident span from
// marks or "around now", the pieces of every channel across clip boundaries, and file names.
#include "exportrequests.h"
#include "recordingtime.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 kClipMs = 60000;
const QDateTime kStart(QDate(2026, 12, 7), QTime(8, 0, 0), Qt::UTC);

// Recording r starts (r * 61) s after kStart: the camera loses a second between files.
qint64 startOf(int r)
{
    return kStart.toMSecsSinceEpoch() + r * 61000;
}

QString fileOf(int r, const QString &letter)
{
    return QStringLiteral("/cam/%1_%2.MP4")
        .arg(QDateTime::fromMSecsSinceEpoch(startOf(r), Qt::UTC)
                 .toString(QStringLiteral("yyyyMMdd_HHmmss")),
             letter);
}

// One sample a second; recording r's sample i sits at (i * 1000 + 250) ms, with longitude
// encoding both so a sample can be traced back. Seconds 20 and 21 of every recording have no fix.
AssistInfoList samplesOf(int r)
{
    AssistInfoList list;
    for (int i = 0; i < kClipMs / 1000; ++i) {
        AssistInfo s;
        s.timeMs = i * 1000 + 250;
        s.speed = r * 100 + i;
        s.hasPosition = i != 20 && i != 21;
        s.latitudeDeg = 48.1 + r * 0.01;
        s.longitudeDeg = 11.5 + i * 0.0001;
        list << s;
    }
    return list;
}

Drive threeByThree(const QList<QStringList> &letters = {
                       {"A", "B", "C"}, {"A", "B", "C"}, {"A", "B", "C"}})
{
    QList<DriveRecording> recordings;
    for (int r = 0; r < letters.size(); ++r) {
        DriveRecording rec;
        for (const QString &letter : letters.at(r))
            rec.channels << fileOf(r, letter);
        rec.startMs = startOf(r);
        rec.durationMs = kClipMs;
        recordings << rec;
    }
    Drive drive(recordings);
    for (int r = 0; r < letters.size(); ++r)
        drive.setClipSamples(r, samplesOf(r));
    return drive;
}

int gpsbabelPoints(const QString &file, const char *format)
{
    QProcess babel;
    babel.start(QStringLiteral("gpsbabel"),
                {"-t", "-i", format, "-f", file, "-o", "unicsv", "-F", "-"});
    if (!babel.waitForFinished(60000) || babel.exitCode() != 0)
        return -1;
    const QByteArray out = babel.readAllStandardOutput().trimmed();
    return out.isEmpty() ? 0 : out.count('\n');
}

using Piece = std::tuple<QString, qint64, qint64>;

QList<Piece> piecesOf(const ClipChannel &channel)
{
    QList<Piece> pieces;
    for (const ClipPiece &p : channel.pieces)
        pieces << Piece{p.file, p.fromMs, p.toMs};
    return pieces;
}

} // namespace

class TestExportRequests : public QObject
{
    Q_OBJECT
private slots:
    void routeOfClipAndDrive();
    void driveRouteLoadsInGpsbabelWithEveryPoint();
    void spanAroundNowIsCutAtTheDrive();
    void marksInEitherOrder();
    void spanAcrossBoundaryHasOnePiecePerRecording();
    void channelMissingFromOneRecordingIsLeftOut();
    void requestIsWhatTheJobAccepts();
    void suggestedNamesCarryTheRecordingTime();
};

void TestExportRequests::routeOfClipAndDrive()
{
    const Drive drive = threeByThree();
    const QList<RouteTrack> clip = routeTracksForClip(drive, 1);
    QCOMPARE(clip.size(), 1);
    QCOMPARE(clip.first().name, QStringLiteral("20261207_080101_A.MP4"));
    QCOMPARE(clip.first().start, kStart.addSecs(61));
    // Times count from the recording's own start again, not from the drive's.
    const AssistInfoList expected = samplesOf(1);
    QCOMPARE(clip.first().samples.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(clip.first().samples.at(i).timeMs, expected.at(i).timeMs);
        QCOMPARE(clip.first().samples.at(i).speed, expected.at(i).speed);
    }
    QVERIFY(routeTracksForClip(drive, 3).isEmpty());
    QVERIFY(routeTracksForClip(drive, -1).isEmpty());

    // A recording without samples adds no track; the camera's clock of a track comes from its
    // file name, whatever start the drive model has for it.
    QList<DriveRecording> recordings = drive.recordings();
    recordings[0].startMs = 0;
    Drive partial(recordings);
    partial.setClipSamples(0, samplesOf(0));
    partial.setClipSamples(2, samplesOf(2));
    const QList<RouteTrack> tracks = routeTracksForDrive(partial);
    QCOMPARE(tracks.size(), 2);
    QCOMPARE(tracks.at(0).start, kStart);
    QCOMPARE(tracks.at(1).name, QStringLiteral("20261207_080202_A.MP4"));
    QCOMPARE(tracks.at(1).samples.first().speed, 200);
}

void TestExportRequests::driveRouteLoadsInGpsbabelWithEveryPoint()
{
    const Drive drive = threeByThree();
    const QList<RouteTrack> tracks = routeTracksForDrive(drive);
    QCOMPARE(tracks.size(), 3);
    int fixes = 0;
    for (const AssistInfo &s : drive.samples())
        fixes += s.hasPosition ? 1 : 0;
    QCOMPARE(fixes, 3 * 58);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const RouteFormat format : {RouteFormat::Gpx, RouteFormat::Kml}) {
        const QString file = dir.filePath(QStringLiteral("drive.") + routeFileSuffix(format));
        QString message;
        QVERIFY2(writeRouteFile(file, format, tracks, &message), qPrintable(message));
        QCOMPARE(gpsbabelPoints(file, format == RouteFormat::Gpx ? "gpx" : "kml"), fixes);
    }
    // The GPX carries the camera's clock: the last point of the drive is at 08:02:02 + 59.25 s.
    QFile gpx(dir.filePath(QStringLiteral("drive.gpx")));
    QVERIFY(gpx.open(QIODevice::ReadOnly));
    QVERIFY(gpx.readAll().contains("<time>2026-12-07T08:03:01.250Z</time>"));
}

void TestExportRequests::spanAroundNowIsCutAtTheDrive()
{
    const qint64 end = 3 * kClipMs;
    using Span = QPair<qint64, qint64>;
    const auto around = [&](qint64 now, qint64 duration) {
        const IncidentSpan s = incidentSpanAround(now, duration);
        return Span(s.fromMs, s.toMs);
    };
    QCOMPARE(around(90000, end), Span(75000, 105000));
    QCOMPARE(around(4000, end), Span(0, 19000));
    QCOMPARE(around(end - 1000, end), Span(end - 16000, end));
    QCOMPARE(around(end + 5000, end), Span(end - 15000, end));
    QCOMPARE(around(-3000, end), Span(0, 15000));
    QCOMPARE(around(10000, 12000), Span(0, 12000));
    QVERIFY(incidentSpanAround(0, 0).isEmpty());
    QCOMPARE(incidentSpanAround(90000, end).durationMs(), 30000);
}

void TestExportRequests::marksInEitherOrder()
{
    const qint64 end = 3 * kClipMs;
    IncidentMarks marks;
    QVERIFY(marks.span(end).isEmpty());

    marks.setIn(100000);
    marks.setOut(40000); // out before in: the stretch between the two
    IncidentSpan s = marks.span(end);
    QCOMPARE(s.fromMs, 40000);
    QCOMPARE(s.toMs, 100000);
    QCOMPARE(marks.inMs(), 100000); // the marks themselves stay as set

    marks.setOut(100000);
    QVERIFY(marks.span(end).isEmpty());

    // One mark: the usual 30 s from "in" or up to "out", cut to the drive.
    marks.clear();
    marks.setIn(170000);
    s = marks.span(end);
    QCOMPARE(s.fromMs, 170000);
    QCOMPARE(s.toMs, end);
    marks.clear();
    marks.setOut(50000);
    s = marks.span(end);
    QCOMPARE(s.fromMs, 20000);
    QCOMPARE(s.toMs, 50000);
    marks.setOut(10000);
    QCOMPARE(marks.span(end).fromMs, 0);
    QVERIFY(!marks.hasIn());

    // Marks past the end of a drive (set on a longer one) are cut to it.
    marks.setIn(400000);
    marks.setOut(500000);
    QVERIFY(marks.span(end).isEmpty());
    marks.setIn(-20);
    QCOMPARE(marks.inMs(), 0);
}

void TestExportRequests::spanAcrossBoundaryHasOnePiecePerRecording()
{
    const Drive drive = threeByThree();
    const QStringList layouts{"novatek", "freegps", "gpmf"};
    // 50 s into recording 0 up to 20 s into recording 1.
    IncidentClipRequest r =
        incidentRequestFor(drive, 50000, 80000, ClipLayout::Grid, SpeedUnit::MilesPerHour,
                           QStringLiteral("/out/x.mp4"), layouts);
    QCOMPARE(r.layout, ClipLayout::Grid);
    QCOMPARE(r.speedUnit, SpeedUnit::MilesPerHour);
    QCOMPARE(r.outputPath, QStringLiteral("/out/x.mp4"));
    QCOMPARE(r.spanStartMs, 50000);
    QCOMPARE(r.spanEndMs, 80000);
    QCOMPARE(r.channels.size(), 3);
    const QStringList letters{"A", "B", "C"};
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(r.channels.at(c).name, letters.at(c));
        QCOMPARE(piecesOf(r.channels.at(c)),
                 QList<Piece>({Piece{fileOf(0, letters.at(c)), 50000, 60000},
                               Piece{fileOf(1, letters.at(c)), 0, 20000}}));
        // Only the recording's own channel was read for telemetry.
        QCOMPARE(r.channels.at(c).pieces.at(0).telemetryLayout,
                 c == 0 ? QStringLiteral("novatek") : QString());
        QCOMPARE(r.channels.at(c).pieces.at(1).telemetryLayout,
                 c == 0 ? QStringLiteral("freegps") : QString());
    }
    // Samples in drive time: the one still showing at 50 s (49.25 s), then 50.25 ... 79.25 s.
    QCOMPARE(r.samples.size(), 31);
    QCOMPARE(r.samples.first().timeMs, 49250);
    QCOMPARE(r.samples.last().timeMs, 79250);
    QCOMPARE(r.samples.last().speed, 100 + 19);
    // The overlay's clock at the span's start is the camera's.
    QCOMPARE(r.recordingStart.addMSecs(r.spanStartMs), kStart.addSecs(50));

    // Over all three recordings, cut to the drive at both ends.
    r = incidentRequestFor(drive, -5000, 10 * kClipMs, ClipLayout::SideBySide,
                           SpeedUnit::KilometresPerHour, QStringLiteral("/out/y.mp4"));
    QCOMPARE(r.spanStartMs, 0);
    QCOMPARE(r.spanEndMs, 3 * kClipMs);
    QCOMPARE(piecesOf(r.channels.at(1)),
             QList<Piece>({Piece{fileOf(0, "B"), 0, kClipMs}, Piece{fileOf(1, "B"), 0, kClipMs},
                           Piece{fileOf(2, "B"), 0, kClipMs}}));
    QCOMPARE(r.samples.size(), 180);
    QCOMPARE(r.recordingStart, kStart);

    // A span ending exactly on a boundary does not touch the next recording; one starting there
    // does not touch the previous one.
    r = incidentRequestFor(drive, 30000, 60000, ClipLayout::SideBySide,
                           SpeedUnit::KilometresPerHour, QString());
    QCOMPARE(piecesOf(r.channels.at(2)), QList<Piece>({Piece{fileOf(0, "C"), 30000, 60000}}));
    r = incidentRequestFor(drive, 120000, 125000, ClipLayout::SideBySide,
                           SpeedUnit::KilometresPerHour, QString());
    QCOMPARE(piecesOf(r.channels.at(0)), QList<Piece>({Piece{fileOf(2, "A"), 0, 5000}}));
    QCOMPARE(r.recordingStart.addMSecs(r.spanStartMs), kStart.addSecs(122));

    // Nothing to export.
    for (const auto &span :
         {qMakePair(70000, 70000), qMakePair(90000, 20000), qMakePair(500000, 600000)}) {
        r = incidentRequestFor(drive, span.first, span.second, ClipLayout::Grid,
                               SpeedUnit::KilometresPerHour, QString());
        QVERIFY(r.channels.isEmpty());
        QVERIFY(r.samples.isEmpty());
    }
}

void TestExportRequests::channelMissingFromOneRecordingIsLeftOut()
{
    // The middle camera wrote nothing during recording 1: C must not take B's place.
    const Drive drive = threeByThree({{"A", "B", "C"}, {"A", "C"}, {"A", "B", "C"}});
    IncidentClipRequest r = incidentRequestFor(drive, 50000, 70000, ClipLayout::Grid,
                                               SpeedUnit::KilometresPerHour, QString());
    QCOMPARE(r.channels.size(), 2);
    QCOMPARE(r.channels.at(0).name, QStringLiteral("A"));
    QCOMPARE(piecesOf(r.channels.at(1)),
             QList<Piece>({Piece{fileOf(0, "C"), 50000, 60000}, Piece{fileOf(1, "C"), 0, 10000}}));
    // Inside recording 2 alone all three are there again.
    r = incidentRequestFor(drive, 130000, 140000, ClipLayout::Grid, SpeedUnit::KilometresPerHour,
                           QString());
    QCOMPARE(r.channels.size(), 3);
}

void TestExportRequests::requestIsWhatTheJobAccepts()
{
    // The job checks a request before it looks for files: a well-formed request of files that
    // are not there fails on the first missing file, an empty one as malformed.
    const Drive drive = threeByThree();
    IncidentClipJob job;
    QVERIFY(!job.start(incidentRequestFor(drive, 50000, 80000, ClipLayout::SideBySide,
                                          SpeedUnit::KilometresPerHour,
                                          QDir::temp().filePath(QStringLiteral("never.mp4")))));
    QCOMPARE(job.error(), IncidentClipJob::Error::SourceMissing);
    QVERIFY2(job.errorString().contains(QStringLiteral("20261207_080000_A.MP4")),
             qPrintable(job.errorString()));
    IncidentClipJob empty;
    QVERIFY(!empty.start(incidentRequestFor(drive, 50000, 50000, ClipLayout::SideBySide,
                                            SpeedUnit::KilometresPerHour,
                                            QDir::temp().filePath(QStringLiteral("never.mp4")))));
    QCOMPARE(empty.error(), IncidentClipJob::Error::InvalidRequest);
}

void TestExportRequests::suggestedNamesCarryTheRecordingTime()
{
    const Drive drive = threeByThree();
    QCOMPARE(suggestedRouteFileName(drive, 1, RouteFormat::Gpx),
             QStringLiteral("route_20261207_080101.gpx"));
    QCOMPARE(suggestedRouteFileName(drive, -1, RouteFormat::Kml),
             QStringLiteral("drive_20261207_080000.kml"));
    QCOMPARE(suggestedRouteFileName(drive, 2, RouteFormat::Csv),
             QStringLiteral("route_20261207_080202.csv"));
    // 10 s into recording 1 is the camera's 08:01:11 (drive time 70 s).
    const QString incident = suggestedIncidentFileName(drive, 70000);
    QCOMPARE(incident, QStringLiteral("incident_20261207_080111.mp4"));
    // A clip added to the library later is placed at the moment it shows.
    QCOMPARE(recordingTimeFromName(incident), kStart.addSecs(71));

    QList<DriveRecording> unknown = drive.recordings();
    for (DriveRecording &r : unknown)
        r.startMs = 0;
    const Drive untimed(unknown);
    QCOMPARE(suggestedRouteFileName(untimed, 0, RouteFormat::Gpx),
             QStringLiteral("20261207_080000_A_route.gpx"));
    QCOMPARE(suggestedRouteFileName(untimed, -1, RouteFormat::Csv),
             QStringLiteral("20261207_080000_A_drive.csv"));
    QCOMPARE(suggestedIncidentFileName(untimed, 70000),
             QStringLiteral("20261207_080101_A_incident_10s.mp4"));
    QCOMPARE(suggestedIncidentFileName(Drive(), 0), QStringLiteral("incident.mp4"));
    QCOMPARE(suggestedRouteFileName(Drive(), -1, RouteFormat::Gpx), QStringLiteral("drive.gpx"));
}

QTEST_GUILESS_MAIN(TestExportRequests)
#include "test_exportrequests.moc"
