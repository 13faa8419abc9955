// How long a drive of 240 one-minute recordings takes to be ready after its first recording
// opens, cold and from the loader's cache, and the longest the event loop of the opening thread
// waits meanwhile (a 1 ms timer measures the gaps between its ticks).
//
//   bench_drive_loading [clips]
#include "drivesession.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTime>
#include <QtEndian>
#include <QTimer>
#include <cstdio>

namespace {

const QByteArray kRmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";

struct Run
{
    double readyMs = 0;
    double longestStallMs = 0;
};

Run openAndWait(DriveSession &session, const QString &path, const QStringList &library)
{
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = qMax(longest, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    clock.start();
    const TelemetryLoad load = loadTelemetry(path, nullptr);
    session.open({path}, 60000, load.samples, library);
    sinceTick.start();
    ticker.start();
    while (!session.isComplete())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return {clock.nsecsElapsed() / 1e6, longest};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int clips = argc > 1 ? QByteArray(argv[1]).toInt() : 240;
    QTemporaryDir dir;
    QList<QByteArray> blocks;
    for (int s = 0; s < 60; ++s)
        blocks.append(fixtures::frameTailBlock(100 * (s % 7), 0, 0, kRmc));
    // The fixture's movie header holds no length; a camera's says one minute, and the drive
    // takes each recording's length from it.
    QByteArray file = fixtures::frameTailFile(blocks).toBytes();
    const int mvhd = file.indexOf("mvhd");
    if (mvhd < 0)
        return 1;
    qToBigEndian<quint32>(1000, file.data() + mvhd + 4 + 12);  // time scale
    qToBigEndian<quint32>(60000, file.data() + mvhd + 4 + 16); // duration
    QStringList library;
    for (int i = 0; i < clips; ++i) {
        const QString name = QStringLiteral("20240101_%1_%2A.MP4")
                                 .arg(QTime(8, 0).addSecs(60 * i).toString("HHmmss"))
                                 .arg(i + 1, 4, 10, QLatin1Char('0'));
        library << dir.filePath(name);
        QFile out(library.last());
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return 1;
    }
    if (loadTelemetry(library.first(), nullptr).samples.size() != 60)
        return std::fprintf(stderr, "the recordings carry no telemetry\n"), 1;
    DriveSession session;
    const Run cold = openAndWait(session, library.first(), library);
    if (session.drive().recordingCount() != clips)
        return std::fprintf(stderr, "drive of %d, not %d\n", session.drive().recordingCount(), clips), 1;
    // Another recording, then the first again: every file of the drive is in the cache now.
    openAndWait(session, dir.filePath("elsewhere.MP4"), {});
    const Run warm = openAndWait(session, library.first(), library);
    std::printf("drive of %d recordings, %d samples\n", clips, int(session.drive().samples().size()));
    std::printf("cold: ready after %.1f ms, longest event-loop wait %.1f ms\n", cold.readyMs,
                cold.longestStallMs);
    std::printf("warm: ready after %.1f ms, longest event-loop wait %.1f ms\n", warm.readyMs,
                warm.longestStallMs);
    return 0;
}
