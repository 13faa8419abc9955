// Writes one seed file per row of the layout table (a few for rows of several codes), recordings
// without telemetry and small hostile shapes into the folder given on the command line, for the
// fuzz targets to start from.

#include "layout_seeds.h"
#include "telemetry_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

using namespace fixtures;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seed_corpus <folder> [bytes]\n"
                             "  with bytes: only the hostile shapes, each about that large\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    if (argc >= 3) {
        const int size = QByteArray(argv[2]).toInt();
        for (const HostileShape &shape : hostileShapes(qBound(4096, size, 256 << 20))) {
            QFile f(dir.filePath(QString::fromLatin1(shape.name).replace(' ', '-')));
            if (!f.open(QIODevice::WriteOnly) || f.write(shape.bytes) != shape.bytes.size())
                return 1;
        }
        return 0;
    }

    QList<QPair<QString, QByteArray>> seeds = fuzzSeeds();
    for (const LayoutSeed &seed : layoutSeeds())
        seeds.append({seed.name, seed.bytes});
    for (const auto &seed : seeds) {
        QFile f(dir.filePath(QStringLiteral("seed-") + seed.first));
        if (!f.open(QIODevice::WriteOnly) || f.write(seed.second) != seed.second.size())
            return 1;
    }
    std::printf("%d seeds written to %s\n", int(seeds.size()), argv[1]);
    return 0;
}
