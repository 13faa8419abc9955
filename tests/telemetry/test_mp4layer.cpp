// The ISO BMFF reading layer on files written by the real ffmpeg (checked against ffprobe), on
// synthetic files in every sample-table encoding, and on hostile bytes.

#include "bytesource.h"
#include "mp4/mp4atomtree.h"
#include "mp4/mp4file.h"
#include "mp4/mp4v2.h"
#include "mp4_fixtures.h"
#include "clipmaker.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace mp4fx;

namespace {

struct ProbedStream
{
    QString codecType;
    quint32 frames = 0;
    QList<int> packetSizes;
    QList<qint64> packetDts;
};

QList<ProbedStream> ffprobe(const QString &path)
{
    QList<ProbedStream> streams;
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {"-v", "error", "-show_entries", "stream=codec_type,nb_frames", "-of", "csv=p=0", path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return streams;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(',');
        if (f.size() < 2)
            continue;
        ProbedStream s;
        s.codecType = QString::fromLatin1(f[0]);
        s.frames = f[1].toUInt();
        streams.append(s);
    }
    p.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries",
                                        "packet=stream_index,size,dts", "-of", "csv=p=0", path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(',');
        if (f.size() < 3)
            continue;
        const int index = f[0].toInt();
        if (index >= 0 && index < streams.size()) {
            streams[index].packetDts.append(f[1].toLongLong());
            streams[index].packetSizes.append(f[2].toInt());
        }
    }
    return streams;
}

QString codecTypeOf(const QByteArray &handler)
{
    if (handler == "vide")
        return QStringLiteral("video");
    if (handler == "soun")
        return QStringLiteral("audio");
    if (handler == "text" || handler == "sbtl" || handler == "subt")
        return QStringLiteral("subtitle");
    return QStringLiteral("data");
}

TrackPlan textTrack(const QList<QByteArray> &texts, quint32 id = 1)
{
    TrackPlan t;
    t.handler = "text";
    t.sampleEntry = "text";
    t.trackId = id;
    for (const QByteArray &s : texts)
        t.samples.append(textSample(s));
    return t;
}

QList<QByteArray> numberedSamples(int n, int baseSize)
{
    QList<QByteArray> out;
    for (int i = 0; i < n; ++i)
        out.append(QByteArray(baseSize + (i * 7) % 13, char('a' + i % 26)));
    return out;
}

// Reads every sample of every track; checks that what comes back lies inside the file.
int readEverything(Mp4File &file, qint64 fileSize)
{
    int read = 0;
    for (int t = 0; t < file.trackCount(); ++t) {
        const quint32 n = qMin<quint32>(file.track(t).sampleCount, 5000);
        for (quint32 i = 1; i <= n; ++i) {
            Mp4Sample s;
            if (!file.readSample(t, i, &s))
                continue;
            ++read;
            if (s.offset < 0 || s.offset + s.bytes.size() > fileSize)
                return -1;
        }
    }
    return read;
}

} // namespace

class TestMp4Layer : public QObject
{
    Q_OBJECT

private slots:
    void realFilesMatchFfprobe_data();
    void realFilesMatchFfprobe();
    void sampleTableEncodings_data();
    void sampleTableEncodings();
    void timesFollowStts();
    void atomsAndIntegerProperties();
    void libraryStyleCalls();
    void gpmdTracksShowTheirSamples();
    void notMp4FailsToOpen_data();
    void notMp4FailsToOpen();
    void hostileStructures_data();
    void hostileStructures();
    void truncatedAndFlippedFiles();
    void treeCutsBoxesToWhatEnclosesThem_data();
    void treeCutsBoxesToWhatEnclosesThem();
    void fileOverAWalkedTree();
    void listsNearTheTopComeFirst();

private:
    QTemporaryDir m_dir;
};

void TestMp4Layer::realFilesMatchFfprobe_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("mp4") << "mp4";
    QTest::newRow("mov") << "mov";
}

void TestMp4Layer::realFilesMatchFfprobe()
{
    QFETCH(QString, extension);
    const QString srt = m_dir.filePath("subs.srt");
    QVERIFY(writeFile(srt, "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"
                           "2\n00:00:01,500 --> 00:00:02,500\nWorld\n\n"
                           "3\n00:00:03,000 --> 00:00:04,000\nAgain\n"));
    const QString out = m_dir.filePath("clip." + extension);
    QProcess ff;
    ff.setProcessChannelMode(QProcess::MergedChannels);
    ff.start(ffmpegProgram(),
             {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
              "testsrc2=size=160x120:rate=25:duration=5", "-f", "lavfi", "-i",
              "sine=frequency=440:duration=5", "-i", srt, "-map", "0", "-map", "1", "-map", "2",
              "-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-c:a", "aac", "-c:s",
              "mov_text", out});
    QVERIFY(ff.waitForFinished(120000));
    QVERIFY2(ff.exitCode() == 0, ff.readAll().constData());

    const QList<ProbedStream> probed = ffprobe(out);
    QCOMPARE(probed.size(), 3);
    std::unique_ptr<Mp4File> file = Mp4File::open(out);
    QVERIFY(file);
    QCOMPARE(file->trackCount(), probed.size());
    QStringList subtitles;
    for (int t = 0; t < file->trackCount(); ++t) {
        const Mp4TrackInfo &info = file->track(t);
        QCOMPARE(codecTypeOf(info.handlerType), probed[t].codecType);
        QCOMPARE(info.sampleCount, probed[t].frames);
        const bool text = probed[t].codecType == QLatin1String("subtitle");
        // ffmpeg's demuxer drops the empty two-byte samples that end each subtitle cue, so
        // text is matched by decoding time; every other track packet by packet.
        if (!text)
            QCOMPARE(int(info.sampleCount), probed[t].packetSizes.size());
        QMap<qint64, int> ourTextSizes;
        for (quint32 i = 1; i <= info.sampleCount; ++i) {
            Mp4Sample s;
            QVERIFY2(file->readSample(t, i, &s), qPrintable(QString("track %1 sample %2").arg(t).arg(i)));
            if (text) {
                ourTextSizes.insert(qint64(s.startTime), s.bytes.size());
                if (s.bytes.size() > 2)
                    subtitles.append(QString::fromUtf8(s.bytes.mid(2)));
            } else {
                QCOMPARE(s.bytes.size(), probed[t].packetSizes[int(i - 1)]);
            }
        }
        for (int k = 0; text && k < probed[t].packetDts.size(); ++k)
            QCOMPARE(ourTextSizes.value(probed[t].packetDts[k], -1), probed[t].packetSizes[k]);
        Mp4Sample beyond;
        QVERIFY(!file->readSample(t, info.sampleCount + 1, &beyond));
        QVERIFY(!file->readSample(t, 0, &beyond));
    }
    QCOMPARE(subtitles, QStringList({"Hello", "World", "Again"}));
}

void TestMp4Layer::sampleTableEncodings_data()
{
    QTest::addColumn<int>("sizes");
    QTest::addColumn<bool>("co64");
    QTest::addColumn<QVector<quint32>>("perChunk");
    QTest::addColumn<bool>("moovFirst");
    QTest::addColumn<int>("tkhdVersion");
    QTest::newRow("stsz, one per chunk") << int(SizeTable::Stsz) << false << QVector<quint32>{1} << false << 0;
    QTest::newRow("stsz, 3-1-2 chunks") << int(SizeTable::Stsz) << false << QVector<quint32>{3, 1, 2} << false << 0;
    QTest::newRow("co64, 4 per chunk") << int(SizeTable::Stsz) << true << QVector<quint32>{4} << true << 1;
    QTest::newRow("stz2 16-bit") << int(SizeTable::Stz2Bits16) << false << QVector<quint32>{2, 5} << false << 0;
    QTest::newRow("stz2 8-bit") << int(SizeTable::Stz2Bits8) << true << QVector<quint32>{7} << true << 0;
    QTest::newRow("stz2 4-bit") << int(SizeTable::Stz2Bits4) << false << QVector<quint32>{1, 2} << false << 0;
    QTest::newRow("uniform size") << int(SizeTable::Uniform) << false << QVector<quint32>{5, 3} << true << 0;
}

void TestMp4Layer::sampleTableEncodings()
{
    QFETCH(int, sizes);
    QFETCH(bool, co64);
    QFETCH(QVector<quint32>, perChunk);
    QFETCH(bool, moovFirst);
    QFETCH(int, tkhdVersion);

    TrackPlan a;
    a.trackId = 7;
    a.sizes = SizeTable(sizes);
    a.co64 = co64;
    a.samplesPerChunk = perChunk;
    a.tkhdVersion = tkhdVersion;
    const int base = a.sizes == SizeTable::Stz2Bits4 ? 2 : 20;
    a.samples = numberedSamples(23, base);
    if (a.sizes == SizeTable::Uniform)
        for (QByteArray &s : a.samples)
            s = s.left(base).leftJustified(base, s.at(0));
    TrackPlan b = textTrack({"one", "two", "three"}, 9);
    FilePlan layout;
    layout.tracks = {a, b};
    layout.moovBeforeMdat = moovFirst;
    const QByteArray bytes = buildMp4(layout);

    std::unique_ptr<Mp4File> file = Mp4File::openBytes(bytes);
    QVERIFY(file);
    QCOMPARE(file->trackCount(), 2);
    QCOMPARE(file->track(0).id, 7u);
    QCOMPARE(file->track(0).handlerType, QByteArray("vide"));
    QCOMPARE(file->track(0).sampleEntryType, QByteArray("mp4v"));
    QCOMPARE(file->track(0).sampleCount, 23u);
    QCOMPARE(file->trackIndexById(9), 1);
    // Forward, then backward: the sequential shortcut and the full sum must agree.
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < a.samples.size(); ++k) {
            const int i = pass == 0 ? k : a.samples.size() - 1 - k;
            Mp4Sample s;
            QVERIFY(file->readSample(0, quint32(i + 1), &s));
            QCOMPARE(s.bytes, a.samples[i]);
            QCOMPARE(s.startTime, quint64(100) * quint64(i));
            QCOMPARE(s.duration, quint64(100));
        }
    }
    Mp4Sample s;
    QVERIFY(file->readSample(1, 3, &s));
    QCOMPARE(s.bytes, textSample("three"));
}

void TestMp4Layer::timesFollowStts()
{
    TrackPlan t = textTrack({"a", "b", "c", "d"});
    t.deltas = {10, 0, 250, 7};
    FilePlan layout;
    layout.tracks = {t};
    std::unique_ptr<Mp4File> file = Mp4File::openBytes(buildMp4(layout));
    QVERIFY(file);
    const quint64 starts[] = {0, 10, 10, 260};
    for (quint32 i = 1; i <= 4; ++i) {
        Mp4Sample s;
        QVERIFY(file->readSample(0, i, &s));
        QCOMPARE(s.startTime, starts[i - 1]);
        QCOMPARE(s.duration, quint64(t.deltas[int(i - 1)]));
    }
}

void TestMp4Layer::atomsAndIntegerProperties()
{
    FilePlan layout;
    layout.tracks = {textTrack({"x"})};
    layout.topBefore = {box("qmdx", "maker")};
    layout.moovExtra = {gpsBox(3, 5),
                      udtaBox("meta", be32(0) + box("hdlr", QByteArray(24, '\0'))
                                          + box("ilst", box("\xa9too", "x")))};
    std::unique_ptr<Mp4File> file = Mp4File::openBytes(buildMp4(layout));
    QVERIFY(file);
    QVERIFY(file->haveAtom("qmdx"));
    QVERIFY(file->haveAtom("moov.gps "));
    QVERIFY(file->haveAtom("moov.trak.mdia.minf.stbl.stsz"));
    QVERIFY(file->haveAtom("moov.udta.meta.ilst"));
    QVERIFY(!file->haveAtom("moov.qmdx"));
    QVERIFY(!file->haveAtom("gps "));
    QVERIFY(!file->haveAtom("moov.gps"));
    QVERIFY(!file->haveAtom("moov.trak[1]"));
    quint64 v = 0;
    QVERIFY(file->integerProperty("moov.gps .version", &v));
    QCOMPARE(v, quint64(3));
    QVERIFY(file->integerProperty("moov.gps .length", &v));
    QCOMPARE(v, quint64(5));
    QVERIFY(!file->integerProperty("moov.gps .size", &v));
    QVERIFY(!file->integerProperty("moov.udta.length", &v));

    // A gps box too short for its length word has no length.
    FilePlan shortGps;
    shortGps.tracks = layout.tracks;
    shortGps.moovExtra = {box("gps ", be32(1) + QByteArray(2, '\0'))};
    file = Mp4File::openBytes(buildMp4(shortGps));
    QVERIFY(file);
    QVERIFY(file->haveAtom("moov.gps "));
    QVERIFY(file->integerProperty("moov.gps .version", &v));
    QVERIFY(!file->integerProperty("moov.gps .length", &v));
}

void TestMp4Layer::libraryStyleCalls()
{
    TrackPlan video;
    video.samples = numberedSamples(4, 30);
    TrackPlan meta;
    meta.handler = "meta";
    meta.trackId = 3;
    meta.samples = numberedSamples(2, 10);
    FilePlan layout;
    layout.tracks = {video, meta};
    layout.moovExtra = {gpsBox(1, 12)};
    const QString path = m_dir.filePath("calls.mp4");
    QVERIFY(writeFile(path, buildMp4(layout)));

    MP4FileHandle h = MP4Read(path.toUtf8().constData());
    QVERIFY(h != MP4_INVALID_FILE_HANDLE);
    QCOMPARE(MP4GetNumberOfTracks(h), 2u);
    QCOMPARE(MP4GetNumberOfTracks(h, "meta"), 1u);
    QCOMPARE(MP4FindTrackId(h, 0), 1u);
    QCOMPARE(MP4FindTrackId(h, 1), 3u);
    QCOMPARE(MP4FindTrackId(h, 0, "meta"), 3u);
    QCOMPARE(MP4FindTrackId(h, 2), MP4_INVALID_TRACK_ID);
    QCOMPARE(QByteArray(MP4GetTrackType(h, 3)), QByteArray("meta"));
    QVERIFY(MP4GetTrackType(h, 42) == nullptr);
    QCOMPARE(MP4GetTrackNumberOfSamples(h, 1), 4u);
    QVERIFY(MP4HaveAtom(h, "moov.gps "));
    uint64_t length = 0;
    QVERIFY(MP4GetIntegerProperty(h, "moov.gps .length", &length));
    QCOMPARE(length, uint64_t(12));
    QByteArray bytes;
    MP4Timestamp start = 99;
    MP4Duration duration = 0;
    QVERIFY(MP4ReadSample(h, 3, 2, &bytes, &start, &duration));
    QCOMPARE(bytes, meta.samples[1]);
    QCOMPARE(start, MP4Timestamp(100));
    QCOMPARE(duration, MP4Duration(100));
    QVERIFY(!MP4ReadSample(h, 5, 1, &bytes));
    MP4Close(h);
    QVERIFY(MP4Read(m_dir.filePath("missing.mp4").toUtf8().constData()) == nullptr);
    QVERIFY(MP4Read("") == nullptr);
}

void TestMp4Layer::gpmdTracksShowTheirSamples()
{
    TrackPlan t;
    t.handler = "meta";
    t.sampleEntry = "gpmd";
    t.samples = numberedSamples(3, 16);
    FilePlan layout;
    layout.tracks = {t};
    std::unique_ptr<Mp4File> file = Mp4File::openBytes(buildMp4(layout));
    QVERIFY(file);
    QCOMPARE(file->track(0).sampleEntryType, QByteArray("gpmd"));
    QCOMPARE(file->track(0).sampleCount, 3u);
    Mp4Sample s;
    QVERIFY(file->readSample(0, 3, &s));
    QCOMPARE(s.bytes, t.samples[2]);
}

void TestMp4Layer::notMp4FailsToOpen_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("This is a plain text file, not a movie.\n").repeated(20);
    QTest::newRow("zeros") << QByteArray(4096, '\0');
    QTest::newRow("ftyp without moov") << box("ftyp", "isom") + box("mdat", QByteArray(100, 'x'));
    QTest::newRow("binary type") << box("\x01\x02\x03\x04", QByteArray(32, 'm')) + box("moov", {});
    QTest::newRow("first box too large") << be32(5000) + QByteArray("ftyp") + QByteArray(100, 'q');
    QTest::newRow("ts packets") << (QByteArray(1, '\x47') + QByteArray(187, '\xff')).repeated(8);
}

void TestMp4Layer::notMp4FailsToOpen()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!Mp4File::openBytes(bytes));
    const QString path = m_dir.filePath("notmp4.bin");
    QVERIFY(writeFile(path, bytes));
    QVERIFY(!Mp4File::open(path));
    QVERIFY(MP4Read(path.toUtf8().constData()) == MP4_INVALID_FILE_HANDLE);
    QVERIFY(!Mp4File::open(m_dir.path())); // a directory
}

void TestMp4Layer::hostileStructures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tracks");
    QTest::addColumn<quint32>("maxSamples");

    // 3000 nested containers: the walk stops descending at its depth cap.
    QByteArray nested = box("free", "x");
    for (int i = 0; i < 3000; ++i)
        nested = box(i % 2 ? "udta" : "meta", nested);
    QTest::newRow("deep nesting") << box("ftyp", "isom") + box("moov", nested) << 0 << 0u;

    // 300000 empty boxes: the atom cap bounds the walk.
    QTest::newRow("box flood") << box("ftyp", "isom") + box("moov", {})
            + QByteArray("\0\0\0\x08" "free", 8).repeated(300000)
                               << 0 << 0u;

    auto stblFile = [](const QByteArray &stbl) {
        const QByteArray trak = box("trak", fullBox("tkhd", 0, 0, QByteArray(12, '\0') + be32(1) + QByteArray(68, '\0'))
                                                + box("mdia", box("minf", box("stbl", stbl))));
        return box("ftyp", "isom") + box("mdat", QByteArray(256, 'd')) + box("moov", trak);
    };
    QTest::newRow("stsz count beyond its table")
        << stblFile(fullBox("stsz", 0, 0, be32(0) + be32(0xffffffff) + be32(4) + be32(4))
                    + fullBox("stco", 0, 0, be32(1) + be32(24))
                    + fullBox("stsc", 0, 0, be32(1) + be32(1) + be32(0xffffffff) + be32(1)))
        << 1 << 2u;
    QTest::newRow("uniform size, 4 billion samples")
        << stblFile(fullBox("stsz", 0, 0, be32(16) + be32(0xffffffff))
                    + fullBox("stco", 0, 0, be32(0x40000000) + be32(16))
                    + fullBox("stsc", 0, 0, be32(1) + be32(1) + be32(0xffffffff) + be32(1))
                    + fullBox("stts", 0, 0, be32(1) + be32(0xffffffff) + be32(0xffffffff)))
        << 1 << 100u;
    QTest::newRow("chunk offsets past the end")
        << stblFile(fullBox("stsz", 0, 0, be32(0) + be32(2) + be32(4) + be32(0xfffffff0))
                    + fullBox("co64", 0, 0, be32(2) + be64(0xffffffffffffff00ull) + be64(8))
                    + fullBox("stsc", 0, 0, be32(1) + be32(1) + be32(1) + be32(1)))
        << 1 << 2u;
    QTest::newRow("stsc runs out of order")
        << stblFile(fullBox("stsz", 0, 0, be32(0) + be32(3) + be32(4) + be32(4) + be32(4))
                    + fullBox("stco", 0, 0, be32(3) + be32(24) + be32(40) + be32(60))
                    + fullBox("stsc", 0, 0, be32(3) + be32(2) + be32(1) + be32(1) + be32(1) + be32(9)
                                                + be32(1) + be32(3) + be32(5) + be32(1)))
        << 1 << 3u;
    QTest::newRow("stz2 with bad field size")
        << stblFile(fullBox("stz2", 0, 0, QByteArray(3, '\0') + char(7) + be32(100) + QByteArray(100, 'z')))
        << 1 << 0u;
    // The trak is cut to its parent: listed, with nothing to read.
    QTest::newRow("child larger than parent")
        << box("ftyp", "isom") + be32(40) + QByteArray("moov") + be32(1000) + QByteArray("trak")
               + QByteArray(24, '\0')
        << 1 << 0u;
    QTest::newRow("64-bit size smaller than header")
        << box("ftyp", "isom") + box("moov", {}) + be32(1) + QByteArray("mdat") + be64(3)
        << 0 << 0u;
}

void TestMp4Layer::hostileStructures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, tracks);
    QFETCH(quint32, maxSamples);
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<Mp4File> file = Mp4File::openBytes(bytes);
    if (tracks > 0 || file) {
        QVERIFY(file);
        QCOMPARE(file->trackCount(), tracks);
        QVERIFY(file->tree().atoms().size() <= Mp4AtomTree::kMaxAtoms);
        for (const Mp4Atom &a : file->tree().atoms())
            QVERIFY(a.depth < Mp4AtomTree::kMaxDepth);
        for (int t = 0; t < file->trackCount(); ++t)
            QVERIFY2(file->track(t).sampleCount <= maxSamples,
                     qPrintable(QString::number(file->track(t).sampleCount)));
        QVERIFY(readEverything(*file, bytes.size()) >= 0);
        // Far-away sample numbers are refused without walking up to them.
        Mp4Sample s;
        for (int t = 0; t < file->trackCount(); ++t)
            QVERIFY(!file->readSample(t, 0xfffffff0u, &s) || file->track(t).sampleCount >= 0xfffffff0u);
    }
    QVERIFY(timer.elapsed() < 20000);
}

void TestMp4Layer::truncatedAndFlippedFiles()
{
    TrackPlan a;
    a.samples = numberedSamples(12, 9);
    a.samplesPerChunk = {2, 3};
    TrackPlan b = textTrack({"GPS:$GPRMC,1,A,1,N,1,E,1,,,", "b"}, 2);
    b.sizes = SizeTable::Stz2Bits8;
    b.co64 = true;
    FilePlan layout;
    layout.tracks = {a, b};
    layout.moovExtra = {gpsBox(1, 2), udtaBox("info", "NT96650A")};
    layout.topBefore = {box("qmdx", "q")};
    const QByteArray good = buildMp4(layout);

    int opened = 0;
    for (int cut = 0; cut <= good.size(); ++cut) {
        const QByteArray part = good.left(cut);
        std::unique_ptr<Mp4File> file = Mp4File::openBytes(part);
        if (!file)
            continue;
        ++opened;
        QVERIFY(readEverything(*file, part.size()) >= 0);
    }
    QVERIFY(opened > 0);
    QVERIFY(Mp4File::openBytes(good));

    QRandomGenerator rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bad = good;
        const int flips = 1 + int(rng.bounded(6));
        for (int k = 0; k < flips; ++k)
            bad[int(rng.bounded(quint32(bad.size())))] = char(rng.bounded(256));
        std::unique_ptr<Mp4File> file = Mp4File::openBytes(bad);
        if (file)
            QVERIFY(readEverything(*file, bad.size()) >= 0);
    }
}

void TestMp4Layer::treeCutsBoxesToWhatEnclosesThem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("path");    // the box looked at
    QTest::addColumn<qint64>("end");         // where the tree lets it end
    QTest::addColumn<bool>("whole");         // it and its parents as long as they say
    QTest::addColumn<bool>("cutShort");      // the file ends inside a box
    QTest::addColumn<QByteArray>("lastTop"); // the last top-level box

    FilePlan layout;
    layout.tracks = {textTrack({"one", "two"})};
    layout.moovExtra = {udtaBox("info", QByteArray(40, 'u'))};
    const QByteArray good = buildMp4(layout); // moov last, udta last in moov
    const QByteArray cut = good.left(good.size() - 10);
    const int trakEnd = good.indexOf("udta") - 4;
    QTest::newRow("whole file") << good << QByteArray("moov.udta") << qint64(good.size()) << true
                                << false << QByteArray("moov");
    QTest::newRow("cut inside udta") << cut << QByteArray("moov.udta") << qint64(cut.size())
                                     << false << true << QByteArray("moov");
    QTest::newRow("cut file: the track inside the cut moov")
        << cut << QByteArray("moov.trak") << qint64(trakEnd) << false << true
        << QByteArray("moov");
    QTest::newRow("child states more than its parent")
        << box("ftyp", "isom") + be32(40) + "moov" + be32(1000) + "trak" + QByteArray(24, '\0')
        << QByteArray("moov.trak") << qint64(12 + 40) << false << false << QByteArray("moov");
    // A maker's trailer behind moov ("gps0" and a little-endian length) is no box.
    QTest::newRow("trailing bytes that are no box")
        << good + "gps0" + QByteArray("\x10\0\0\0", 4) + QByteArray(16, 'g')
        << QByteArray("moov") << qint64(good.size()) << true << false << QByteArray("moov");
    QTest::newRow("64-bit mdat cut short")
        << box("ftyp", "isom") + be32(1) + "mdat" + be64(quint64(1) << 40) + QByteArray(100, 'd')
        << QByteArray("mdat") << qint64(12 + 116) << false << true << QByteArray("mdat");
}

void TestMp4Layer::treeCutsBoxesToWhatEnclosesThem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, path);
    ByteSource src = ByteSource::fromBytes(bytes);
    Mp4AtomTree tree;
    QVERIFY(tree.walk(src));
    const int atom = tree.find(path);
    QVERIFY(atom >= 0);
    QTEST(tree.header(atom).end(), "end");
    QTEST(tree.isWhole(atom), "whole");
    QTEST(tree.isCutShort(), "cutShort");
    QTEST(QByteArray(tree.header(tree.topLevel().last()).type), "lastTop");
    // A child never leaves its parent; nothing leaves the file.
    for (const Mp4Atom &a : tree.atoms()) {
        QVERIFY(a.header.start >= 0 && a.header.end() <= bytes.size());
        if (a.parent >= 0) {
            QVERIFY(a.header.start >= tree.atoms()[a.parent].childBegin);
            QVERIFY(a.header.end() <= tree.header(a.parent).end());
        }
    }
}

void TestMp4Layer::fileOverAWalkedTree()
{
    TrackPlan text = textTrack({"one", "two", "three"}, 2);
    TrackPlan video;
    video.samples = numberedSamples(5, 40);
    FilePlan layout;
    layout.tracks = {video, text};
    layout.moovExtra = {udtaBox("info", QByteArray(64, 'u'))};
    const QByteArray good = buildMp4(layout);
    // Interrupted while the camera wrote udta: the tracks in front of the cut are all there.
    const QByteArray cut = good.left(good.size() - 20);
    ByteSource src = ByteSource::fromBytes(cut);
    Mp4AtomTree tree;
    QVERIFY(tree.walk(src));
    QVERIFY(tree.isCutShort());

    quint64 before = ByteSource::totalBytesRead();
    std::unique_ptr<Mp4File> shared = Mp4File::open(src, tree);
    const quint64 sharedRead = ByteSource::totalBytesRead() - before;
    before = ByteSource::totalBytesRead();
    std::unique_ptr<Mp4File> own = Mp4File::open(src);
    const quint64 ownRead = ByteSource::totalBytesRead() - before;
    QVERIFY(shared && own);
    QVERIFY2(sharedRead < ownRead, qPrintable(QString("%1 %2").arg(sharedRead).arg(ownRead)));
    QCOMPARE(shared->trackCount(), 2);
    for (int t = 0; t < 2; ++t) {
        const QList<QByteArray> &expected = layout.tracks[t].samples;
        QCOMPARE(int(shared->track(t).sampleCount), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            Mp4Sample a;
            QVERIFY(shared->readSample(t, quint32(i + 1), &a));
            QCOMPARE(a.bytes, expected[i]);
        }
    }
    // A tree of nothing (the walk of a file that is no MP4) opens nothing.
    QVERIFY(!Mp4File::open(src, Mp4AtomTree()));
}

void TestMp4Layer::listsNearTheTopComeFirst()
{
    // A fragment box in front of moov holding more boxes than the walk takes in all: moov's
    // tracks are still listed, because every list nearer the top is read first.
    const QByteArray fragment = box("traf", QByteArray("\0\0\0\x08" "free", 8).repeated(13));
    const QByteArray moof = box("moof", fragment.repeated(Mp4AtomTree::kMaxChildren));
    FilePlan layout;
    layout.tracks = {textTrack({"x"})};
    layout.topBefore = {moof};
    const QByteArray bytes = buildMp4(layout);
    ByteSource src = ByteSource::fromBytes(bytes);
    Mp4AtomTree tree;
    QVERIFY(tree.walk(src));
    QCOMPARE(tree.atoms().size(), Mp4AtomTree::kMaxAtoms);
    QVERIFY(tree.find("moov.trak") >= 0);
    QCOMPARE(tree.children(tree.find("moof")).size(), Mp4AtomTree::kMaxChildren);
}

QTEST_GUILESS_MAIN(TestMp4Layer)
#include "test_mp4layer.moc"
