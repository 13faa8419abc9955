// zevidud-telemetry: the telemetry of recordings, read with the same detection and readers as
// the player: one recording's table or route on standard output, or many at once (see --help).

#include "bytesource.h"
#include "mp4v2parsefile.h"
#include "telemetryloader.h"
#include "telemetryoutput.h"
#include "drivegrouping.h"
#include "recordingtime.h"
#include "routeexport.h"
#include "telemetrybatch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <memory>

namespace {

void writeOut(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QLoggingCategory::CategoryFilter s_previousFilter = nullptr;

// A filter rather than filter rules: rules are parsed and checked against the configuration
// files, which costs more than reading a recording's telemetry.
void quietDefaultDebug(QLoggingCategory *category)
{
    if (s_previousFilter != nullptr)
        s_previousFilter(category);
    if (qstrcmp(category->categoryName(), "default") == 0)
        category->setEnabled(QtDebugMsg, false);
}

QString tr(const char *text)
{
    return QCoreApplication::translate("ZevidudTelemetry", text);
}

} // namespace

int main(int argc, char *argv[])
{
    // Of the user's locale what this run uses: its character set (file names decode with it)
    // and the system's messages. Loading every category costs a fifth of a millisecond, and
    // numbers go out with a decimal point in any case.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    QCoreApplication::setApplicationName(QStringLiteral("zevidud-telemetry"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Prints the GPS and G-sensor telemetry stored in dashboard-camera recordings.\n\n"
           "One file: its sample table (or route with --gpx/--kml/--csv) on standard output.\n"
           "Several files or a folder (its .mp4 .mov .ts .m4a .mkv files, any case): read in\n"
           "parallel, one line per recording on standard error as each is done (path, layout\n"
           "code and name, samples, positions, or the error). Without -o the sample tables go to\n"
           "standard output, each after a line \"# file PATH\"; with --gpx/--kml/--csv one\n"
           "document with a track per recording. With -o DIR one route file per recording\n"
           "(its name with the format's extension) or, with --merge, one per drive (named\n"
           "after its first clip). Exit status: 0 when everything was read and written, 1 when\n"
           "a recording or an output failed, 2 for wrong usage."));
    parser.addHelpOption();
    const QCommandLineOption gpxOption(QStringLiteral("gpx"),
                                       tr("Write a GPX 1.1 track instead of the sample table."));
    const QCommandLineOption kmlOption(QStringLiteral("kml"),
                                       tr("Write a KML 2.2 track instead of the sample table."));
    const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        tr("Write the route as CSV (RFC 4180) instead of the sample table."));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        tr("Write one route file per recording into DIR (made when missing)."), tr("DIR"));
    const QCommandLineOption mergeOption(
        QStringLiteral("merge"), tr("With -o: one route file per drive, a track of its clips."));
    const QCommandLineOption recursiveOption(QStringLiteral("recursive"),
                                             tr("Take the recordings of subfolders too."));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"), tr("Read N recordings at once (default: one per core)."),
        tr("N"));
    const QCommandLineOption statsOption(
        QStringLiteral("stats"), tr("Report bytes read and time taken on standard error."));
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"),
        tr("Name the layout found, count the samples and positions and give the time taken, on "
           "standard error."));
    const QCommandLineOption dumpOption(
        QStringLiteral("dump"),
        tr("Keep the readers' debug lines (boxes walked, blocks found) on standard error."));
    parser.addOptions({gpxOption, kmlOption, csvOption, outputOption, mergeOption,
                       recursiveOption, jobsOption, statsOption, verboseOption, dumpOption});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 tr("Recordings or folders of recordings to read."),
                                 QStringLiteral("FILE..."));
    // One recording read plainly needs no application object: building one (event
    // dispatcher, library paths, locale again) is a good part of such a run. Anything else
    // (help, a wrong option, a batch with its thread pool) gets one, and the parser's own
    // handling of help and errors.
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QStringList plainOptions{gpxOption.names().first(), kmlOption.names().first(),
                                   csvOption.names().first(), statsOption.names().first(),
                                   verboseOption.names().first(),
                                   dumpOption.names().first()};
    bool plainRun = parser.parse(arguments) && parser.positionalArguments().size() == 1
                    && !QFileInfo(parser.positionalArguments().first()).isDir();
    for (const QString &name : parser.optionNames())
        plainRun = plainRun && plainOptions.contains(name);
    std::unique_ptr<QCoreApplication> app;
    if (!plainRun) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        std::setlocale(LC_NUMERIC, "C"); // the application took the user's locale again
        parser.process(*app);
    }

    const QStringList files = parser.positionalArguments();
    const int formats = int(parser.isSet(gpxOption)) + int(parser.isSet(kmlOption))
                        + int(parser.isSet(csvOption));
    const bool toFolder = parser.isSet(outputOption);
    QString usageError;
    if (files.isEmpty())
        usageError = tr("no recording given");
    else if (formats > 1)
        usageError = tr("--gpx, --kml and --csv exclude each other");
    else if (toFolder && formats == 0)
        usageError = tr("-o needs --gpx, --kml or --csv");
    else if (parser.isSet(mergeOption) && !toFolder)
        usageError = tr("--merge needs -o");
    else if (toFolder && parser.value(outputOption).isEmpty())
        usageError = tr("-o needs a folder");
    if (!usageError.isEmpty()) {
        if (!app)
            app = std::make_unique<QCoreApplication>(argc, argv); // the help text names it
        writeOut(stderr, (QStringLiteral("zevidud-telemetry: ") + usageError
                          + QStringLiteral("\n\n") + parser.helpText())
                             .toLocal8Bit());
        return 2;
    }
    // The readers narrate on the debug log, a hundred lines and more for one recording; only a
    // dump asks for that, scripted use wants clean streams.
    if (!parser.isSet(dumpOption))
        s_previousFilter = QLoggingCategory::installFilter(quietDefaultDebug);

    const RouteFormat format = parser.isSet(kmlOption)   ? RouteFormat::Kml
                               : parser.isSet(csvOption) ? RouteFormat::Csv
                                                         : RouteFormat::Gpx;
    const QString path = files.first();
    if (files.size() > 1 || toFolder || QFileInfo(path).isDir()) {
        QStringList emptyFolders;
        const QStringList recordings =
            collectRecordings(files, parser.isSet(recursiveOption), &emptyFolders);
        for (const QString &folder : emptyFolders)
            writeOut(stderr,
                     tr("zevidud-telemetry: no recordings in %1\n").arg(folder).toLocal8Bit());
        BatchOptions options;
        options.routeWanted = formats > 0;
        options.format = format;
        options.outputDir = parser.value(outputOption);
        options.merge = parser.isSet(mergeOption);
        options.stats = parser.isSet(statsOption);
        options.threads = parser.value(jobsOption).toInt();
        const int status = recordings.isEmpty() ? 1 : runBatch(recordings, options);
        return status == 0 && !emptyFolders.isEmpty() ? 1 : status;
    }

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

    if (parser.isSet(gpxOption)) {
        writeOut(stdout, formatSamplesGpx(QFileInfo(path).fileName(), load.samples));
    } else if (formats > 0) {
        // The camera's clock for points without GPS time comes from the file name only.
        const QDateTime start = recordingTimeFromName(QFileInfo(path).fileName());
        writeOut(stdout, formatRoute(format, {RouteTrack{QFileInfo(path).fileName(), start,
                                                         load.samples}}));
    } else {
        writeOut(stdout, formatSamplesText(load.layoutCode, load.gpsLength, load.samples));
    }
    if (parser.isSet(verboseOption)) {
        const auto positions =
            std::count_if(load.samples.cbegin(), load.samples.cend(),
                          [](const AssistInfo &sample) { return sample.hasPosition; });
        writeOut(stderr, QStringLiteral("# layout %1: %2\n# %3 samples, %4 with a position, "
                                        "read in %5 ms\n")
                             .arg(load.layoutCode)
                             .arg(load.layoutName)
                             .arg(load.samples.size())
                             .arg(qint64(positions))
                             .arg(elapsed)
                             .toUtf8());
    }
    if (parser.isSet(statsOption))
        writeOut(stderr, QStringLiteral("# read %1 of %2 bytes in %3 ms\n")
                             .arg(bytesRead)
                             .arg(fileSize)
                             .arg(elapsed)
                             .toUtf8());
    return 0;
}
