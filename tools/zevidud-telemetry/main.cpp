// zevidud-telemetry: the telemetry of one recording on standard output, read with the same
// detection and readers as the player.

#include "bytesource.h"
#include "mp4v2parsefile.h"
#include "telemetryloader.h"
#include "telemetryoutput.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <clocale>
#include <cstdio>

namespace {

void writeOut(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString tr(const char *text)
{
    return QCoreApplication::translate("ZevidudTelemetry", text);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // QCoreApplication adopts the user's locale; numbers go out with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("zevidud-telemetry"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Prints the GPS and G-sensor telemetry stored in a dashboard-camera recording."));
    parser.addHelpOption();
    const QCommandLineOption gpxOption(QStringLiteral("gpx"),
                                       tr("Write a GPX 1.1 track instead of the sample table."));
    const QCommandLineOption statsOption(
        QStringLiteral("stats"), tr("Report bytes read and time taken on standard error."));
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"),
        tr("Name the layout found and keep the readers' debug lines on standard error."));
    parser.addOption(gpxOption);
    parser.addOption(statsOption);
    parser.addOption(verboseOption);
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("The recording to read."));
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        writeOut(stderr, parser.helpText().toLocal8Bit());
        return 2;
    }
    // The readers narrate on the debug log; scripted use wants clean streams.
    if (!parser.isSet(verboseOption))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    const QString path = files.first();
    QElapsedTimer timer;
    timer.start();
    // Only regular files: a FIFO or a device is refused here without waiting on it.
    ByteSource src(path);
    if (!src.isOpen()) {
        writeOut(stderr, (tr("zevidud-telemetry: cannot open %1: %2").arg(path, src.errorString())
                          + '\n')
                             .toLocal8Bit());
        return 1;
    }
    const qint64 fileSize = src.size();

    const quint64 bytesBefore = ByteSource::totalBytesRead();
    mp4v2ParseFile mp4Reader;
    const TelemetryLoad load = loadTelemetry(src, &mp4Reader, path);
    const qint64 elapsed = timer.elapsed();
    const quint64 bytesRead = ByteSource::totalBytesRead() - bytesBefore;

    if (parser.isSet(gpxOption))
        writeOut(stdout, formatSamplesGpx(QFileInfo(path).fileName(), load.samples));
    else
        writeOut(stdout, formatSamplesText(load.layoutCode, load.gpsLength, load.samples));
    if (parser.isSet(verboseOption))
        writeOut(stderr, QStringLiteral("# layout %1: %2\n")
                             .arg(load.layoutCode)
                             .arg(load.layoutName)
                             .toUtf8());
    if (parser.isSet(statsOption))
        writeOut(stderr, QStringLiteral("# read %1 of %2 bytes in %3 ms\n")
                             .arg(bytesRead)
                             .arg(fileSize)
                             .arg(elapsed)
                             .toUtf8());
    return 0;
}
