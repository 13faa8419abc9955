// zevidud-telemetry over a folder of many small recordings against ExifTool extracting the
// positions of the same folder: files per second of each and their ratio.
//
// Usage: bench_tool_batch [COUNT=1000] [ROUNDS=3]. The recordings (a mix of layouts 4, 6, 8 and
// 9, one minute of one block a second each) are written once into a temporary folder; the page
// cache is warm for both programs (a first run of each is not counted).

#include "mp4_fixtures.h"
#include "telemetry_fixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSeconds = 60;
const QByteArray kRmc = "$GPRMC,092750.000,A,2232.1234,N,11403.1234,E,10.0,77.52,230394,,,\r\n";

QByteArray recording(int kind)
{
    using namespace fixtures;
    using namespace mp4fx;
    QList<QByteArray> blocks;
    switch (kind % 4) {
    case 0:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(trailerRecord(512, 0, 1024, 'A', 'E', 'N', 114, 3, s * 100, 22, 30, 0,
                                        40, 90));
        return trailerFile(blocks, "GPS&", 64 << 10).toBytes();
    case 1:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(maskedBlock("N22321234E114031234", "57", "+098-012+100"));
        return indexTableFile({gpsBox(1, kSeconds), udtaBox("info", "fmt")}, blocks, "GPSINDEX");
    case 2: {
        TrackPlan t;
        t.handler = "text";
        for (int s = 0; s < kSeconds; ++s)
            t.samples.append(textSample("GPS:$GPRMC,1,A,2232.1234,S,11403.1234,W,35.5,0,,,"));
        FilePlan layout;
        layout.tracks = {t};
        layout.topBefore = {mp4fx::box("qmdx", "q")};
        return buildMp4(layout);
    }
    default:
        for (int s = 0; s < kSeconds; ++s)
            blocks.append(alignedBlock(500, 20, 980, kRmc, "12345678"));
        return alignedOneTrackFile(blocks).toBytes();
    }
}

struct Timing
{
    double ms = 0;
    int exitCode = -1;
    QByteArray out;
};

Timing run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForFinished(-1);
    Timing r;
    r.ms = double(t.nsecsElapsed()) / 1e6;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    return r;
}

double medianMs(const QString &program, const QStringList &args, int rounds, Timing *last)
{
    *last = run(program, args); // warm-up
    std::vector<double> v;
    for (int i = 0; i < rounds; ++i) {
        *last = run(program, args);
        v.push_back(last->ms);
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir dir;
    // ZEVIDUD_BENCH_KEEP keeps the folder (for profiling the tool on it by hand).
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("ZEVIDUD_BENCH_KEEP"));
    if (!dir.autoRemove())
        std::fprintf(stderr, "recordings kept in %s\n", qPrintable(dir.path()));
    const QString in = dir.filePath(QStringLiteral("clips"));
    QDir().mkpath(in);
    QList<QByteArray> kinds;
    for (int k = 0; k < 4; ++k)
        kinds.append(recording(k));
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        // One-minute clips of one camera: 2024-03-01 from 00:00 on (the seconds tell days apart).
        const QString name = QStringLiteral("20240301_%1%2%3_F.MP4")
                                 .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                                 .arg(i % 60, 2, 10, QLatin1Char('0'))
                                 .arg(i / 1440, 2, 10, QLatin1Char('0'));
        mp4fx::writeFile(QDir(in).filePath(name), kinds.at(i % 4));
        bytes += kinds.at(i % 4).size();
    }
    std::printf("%d recordings, %.1f MB, %d rounds each (median)\n", count, bytes / 1e6, rounds);

    Timing last;
    const double text = medianMs(ZEVIDUD_TELEMETRY_TOOL, {in}, rounds, &last);
    std::printf("zevidud-telemetry DIR:              %8.1f ms  %8.0f files/s  (exit %d)\n", text,
                count * 1e3 / text, last.exitCode);
    const QString out = dir.filePath(QStringLiteral("gpx"));
    const double gpx =
        medianMs(ZEVIDUD_TELEMETRY_TOOL, {"--gpx", "-o", out, in}, rounds, &last);
    std::printf("zevidud-telemetry --gpx -o OUT DIR: %8.1f ms  %8.0f files/s  (exit %d, %d "
                "files)\n",
                gpx, count * 1e3 / gpx, last.exitCode,
                int(QDir(out).entryList(QDir::Files).size()));
    const double one =
        medianMs(ZEVIDUD_TELEMETRY_TOOL, {"--jobs", "1", in}, rounds, &last);
    std::printf("zevidud-telemetry --jobs 1 DIR:     %8.1f ms  %8.0f files/s\n", one,
                count * 1e3 / one);

    const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    if (exiftool.isEmpty()) {
        std::printf("exiftool not found: no comparison\n");
        return 0;
    }
    const double exif = medianMs(exiftool,
                                 {"-q", "-f", "-ee", "-n", "-p", "$GPSLatitude,$GPSLongitude", in},
                                 std::min(rounds, 1), &last);
    std::printf("exiftool -ee -n -p ... DIR:         %8.1f ms  %8.0f files/s  (%d lines, -,- "
                "where it found no position)\n",
                exif,
                count * 1e3 / exif, int(last.out.count('\n')));
    std::printf("ratio exiftool / zevidud-telemetry: %.1f (text), %.1f (--gpx -o)\n", exif / text,
                exif / gpx);
    return 0;
}
