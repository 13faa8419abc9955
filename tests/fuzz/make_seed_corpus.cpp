// Writes one seed file per raw telemetry layout (and a few variants) into the folder given on
// the command line, for the fuzz targets to start from.

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

    const QByteArray rmc = "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57";
    const QByteArray gga = "$GPGGA,123519,4807.0381,N,01131.0002,E,1,08,0.9,545.4,M,46.9,M,,*47";
    QList<QByteArray> aligned, keyedAligned, tail, idx, idx2, masked, records, lines, shifted;
    for (int i = 0; i < 3; ++i) {
        aligned << alignedBlock(i * 100, -i, 1000, i % 2 ? gga : rmc, "12345678");
        keyedAligned << alignedBlock(i, i, i, rmc, "98765432", false);
        tail << frameTailBlock(900, i, 1000, i % 2 ? gga : rmc);
        idx << indexedBlock(800 + i, i, 1024, rmc);
        idx2 << indexedBlockV2(i, i, 1024, gga);
        masked << maskedBlock("N22321234E114031234", "42", "+098-012+100");
        records << trailerRecord(-512, 3, 1024, 'A', 'W', 'S', 118, 30, 0, 22, 15, 0, 50, 90);
        lines << tabLine(120, -35, 981, rmc);
        shifted << shiftedLine(tabLine(1, 2, 3, rmc), 10);
    }
    shifted << tabKeyRecord("00000005");

    // The index-table readers take their count from byte 0: the seeds carry it there.
    auto withCount = [](QByteArray b, int L) {
        b[0] = char(L);
        return b;
    };
    QByteArray ts(188 * 8, '\xff');
    for (int i = 0; i < 8; ++i)
        ts.replace(188 * i, 4, QByteArray::fromHex("47410010"));
    QList<QPair<QString, QByteArray>> seeds = {
        // Recordings without telemetry, with and without a udta text, and a transport stream.
        {"plain", plainRecordingFile(3, 3000).toBytes()},
        {"plain-udta", plainRecordingFile(3, 3000, "infoLavf58.76.100").toBytes()},
        {"ts", ts},
        {"aligned1", alignedOneTrackFile(aligned).toBytes()},
        {"aligned1-twicekey", alignedOneTrackFile(keyedAligned).toBytes()},
        {"aligned2", alignedTwoTrackFile(aligned).toBytes()},
        {"frametail", frameTailFile(tail).toBytes()},
        {"tabtext", tabTextTrackFile(lines).toBytes()},
        {"tabtext-keyed", tabTextTrackFile(shifted).toBytes()},
        {"trailer", trailerFile(records, "GPS&", 64).toBytes()},
        {"indexed", withCount(indexedFile(idx, IndexKind::Indexed).toBytes(), 3)},
        {"indexed-v2", withCount(indexedFile(idx2, IndexKind::IndexedV2).toBytes(), 3)},
        {"masked", withCount(indexedFile(masked, IndexKind::Masked).toBytes(), 3)},
    };
    // Small versions of the shapes that attack the bounds (floods of boxes, huge counts).
    for (const HostileShape &shape : hostileShapes(64 * 1024))
        seeds.append({QString::fromLatin1(shape.name).replace(' ', '-'), shape.bytes});
    for (const auto &seed : seeds) {
        QFile f(dir.filePath(QStringLiteral("seed-") + seed.first));
        if (!f.open(QIODevice::WriteOnly) || f.write(seed.second) != seed.second.size())
            return 1;
    }
    std::printf("%d seeds written to %s\n", int(seeds.size()), argv[1]);
    return 0;
}
