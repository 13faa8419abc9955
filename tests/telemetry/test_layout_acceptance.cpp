// Acceptance of the telemetry tool on recordings assembled here byte by byte, independently of
// the shared fixture writers: every layout code, detection order, and damaged files. Expected
// values are worked out by hand from the byte layouts (see the comment beside each literal) and
// compared with the tool's whole output, so any disagreement in any field shows up.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

namespace {

// ---------------------------------------------------------------- byte helpers

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    b[0] = char(v >> 24);
    b[1] = char(v >> 16);
    b[2] = char(v >> 8);
    b[3] = char(v);
    return b;
}

QByteArray be16(quint16 v)
{
    QByteArray b(2, '\0');
    b[0] = char(v >> 8);
    b[1] = char(v);
    return b;
}

void putLe32(QByteArray &b, int at, qint32 v)
{
    const quint32 u = quint32(v);
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((u >> (8 * i)) & 0xFF);
}

void putLe16(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void putFloat(QByteArray &b, int at, float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    putLe32(b, at, qint32(u));
}

void putBytes(QByteArray &b, int at, const QByteArray &what)
{
    for (int i = 0; i < what.size(); ++i)
        b[at + i] = what[i];
}

QByteArray box(const char *type, const QByteArray &payload)
{
    return be32(quint32(8 + payload.size())) + QByteArray(type, 4) + payload;
}

QByteArray fullBox(const char *type, const QByteArray &payload, quint32 versionFlags = 0)
{
    return box(type, be32(versionFlags) + payload);
}

QByteArray ftyp()
{
    return box("ftyp", QByteArray("isom") + be32(0x200) + QByteArray("isomiso2avc1mp41"));
}

QByteArray mvhd()
{
    QByteArray p;
    p += be32(0) + be32(0) + be32(1000) + be32(3000); // times, time scale, duration
    p += be32(0x00010000) + be16(0x0100) + QByteArray(10, '\0');
    const quint32 matrix[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    for (quint32 m : matrix)
        p += be32(m);
    p += QByteArray(24, '\0') + be32(5);
    return fullBox("mvhd", p);
}

// One track with explicit sample sizes and chunk offsets (perChunk samples in every chunk).
QByteArray trak(quint32 id, const char *handler, const QVector<quint32> &sizes,
                const QVector<quint32> &chunkOffsets, quint32 perChunk, quint32 timeScale,
                quint32 delta)
{
    const quint32 count = quint32(sizes.size());
    QByteArray tkhd = be32(0) + be32(0) + be32(id) + be32(0) + be32(count * delta)
        + QByteArray(8, '\0') + QByteArray(8, '\0');
    const quint32 matrix[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    for (quint32 m : matrix)
        tkhd += be32(m);
    tkhd += be32(0) + be32(0);

    const QByteArray mdhd = fullBox("mdhd", be32(0) + be32(0) + be32(timeScale)
                                                 + be32(count * delta) + be16(0x55C4) + be16(0));
    const QByteArray hdlr = fullBox("hdlr", be32(0) + QByteArray(handler, 4)
                                                 + QByteArray(12, '\0') + QByteArray("h", 2));
    const QByteArray entry = box(qstrcmp(handler, "vide") == 0   ? "avc1"
                                     : qstrcmp(handler, "soun") == 0 ? "mp4a"
                                     : qstrcmp(handler, "text") == 0 ? "tx3g"
                                                                     : "mett",
                                 QByteArray(6, '\0') + be16(1));
    QByteArray stsz = be32(0) + be32(count);
    for (quint32 s : sizes)
        stsz += be32(s);
    QByteArray stco = be32(quint32(chunkOffsets.size()));
    for (quint32 o : chunkOffsets)
        stco += be32(o);
    const QByteArray stbl = box(
        "stbl", fullBox("stsd", be32(1) + entry) + fullBox("stts", be32(1) + be32(count) + be32(delta))
                    + fullBox("stsc", be32(1) + be32(1) + be32(perChunk) + be32(1))
                    + fullBox("stsz", stsz) + fullBox("stco", stco));
    const QByteArray dinf = box("dinf", fullBox("dref", be32(1) + fullBox("url ", {}, 1)));
    const QByteArray minf = box("minf", fullBox("nmhd", {}) + dinf + stbl);
    return box("trak", fullBox("tkhd", tkhd, 7) + box("mdia", mdhd + hdlr + minf));
}

struct Track
{
    const char *handler;
    QList<QByteArray> samples;
    quint32 perChunk;
};

// ftyp, `before`, one mdat holding every track's samples in order, moov (mvhd, the tracks,
// `moovTail`), then `after`.
QByteArray trackFile(const QList<Track> &tracks, const QByteArray &before, const QByteArray &moovTail,
                     const QByteArray &after)
{
    const QByteArray head = ftyp() + before;
    QByteArray data;
    QByteArray traks;
    quint32 id = 1;
    for (const Track &t : tracks) {
        QVector<quint32> sizes;
        QVector<quint32> offsets;
        for (int i = 0; i < t.samples.size(); ++i) {
            if (i % int(t.perChunk) == 0)
                offsets += quint32(head.size() + 8 + data.size());
            sizes += quint32(t.samples[i].size());
            data += t.samples[i];
        }
        traks += trak(id++, t.handler, sizes, offsets, t.perChunk, 1000, 1000);
    }
    return head + box("mdat", data) + box("moov", mvhd() + traks + moovTail) + after;
}

// A udta whose first inner box announces `n` bytes, followed by the text bytes themselves
// (from the inner box's type on).
QByteArray udta(quint32 n, const QByteArray &text)
{
    return box("udta", be32(n) + text);
}

QByteArray udtaText(const QByteArray &text)
{
    return udta(quint32(text.size()), text);
}

// "gps " box: version, length, then the (offset, size) pairs.
QByteArray gpsBox(const QVector<QPair<quint32, quint32>> &entries, qint64 lengthWord = -1)
{
    QByteArray p = be32(1) + be32(lengthWord < 0 ? quint32(entries.size()) : quint32(lengthWord));
    for (const auto &e : entries)
        p += be32(e.first) + be32(e.second);
    return box("gps ", p);
}

// Index table at the very end: an 8-byte box header (the bytes the readers skip) then the
// entries.
QByteArray indexTail(const QVector<QPair<quint32, quint32>> &entries)
{
    QByteArray p;
    for (const auto &e : entries)
        p += be32(e.first) + be32(e.second);
    return box("free", p);
}

// ---------------------------------------------------------------- NMEA sentences used below

// lat 2232.1234 N: 22 deg, (32*10000+1234)*100/60 = 535390 -> "22.535390"
// lon 11403.1234 E: 114 deg, (3*10000+1234)*100/60 = 52056 -> "114.052056"
// speed 54.0 kn * 1.852 = 100.008 -> 100; course 123.4
const QByteArray kRmcA = "$GPRMC,083559.00,A,2232.1234,N,11403.1234,E,54.0,123.4,150923,,,A*6C";
// lat 4717.11437 N: (17*100000+11437)*100/60 = 2852395 -> "47.2852395"
// lon 00833.91522 E: 8 deg, (33*100000+91522)*100/60 = 5652536 -> "8.5652536"
// speed 10.0 * 1.852 = 18.52 -> 18; course 77.52
const QByteArray kRmcB = "$GPRMC,083600.00,A,4717.11437,N,00833.91522,E,10.0,77.52,150923,,,A*00";
// GGA: lat 2232.12345 S: (32*100000+12345)*100/60 = 5353908 -> "-22.5353908"
// lon 11403.12345 W: (3*100000+12345)*100/60 = 520575 -> "-114.0520575"; no speed, no course
const QByteArray kGga = "$GPGGA,083601.00,2232.12345,S,11403.12345,W,1,08,0.9,45.0,M,,M,,*47";
// Empty speed field vanishes: the course token 123.4 becomes the speed (123.4*1.852 = 228.5
// -> 228) and the date 150923 the course (> 360 -> 0). Coordinates as kRmcA.
const QByteArray kRmcNoSpeed = "$GPRMC,083602.00,A,2232.1234,N,11403.1234,E,,123.4,150923,,,A*00";
// GNRMC, lat 3150.7890 S: (50*10000+7890)*100/60 = 846483 -> "-31.846483"
// lon 11712.3456 W: (12*10000+3456)*100/60 = 205760 -> "-117.205760"
// speed 0.5*1.852 = 0.926 -> 0; course 400 -> 0
const QByteArray kRmcSouthWest = "$GNRMC,083603.00,A,3150.7890,S,11712.3456,W,0.5,400,150923";
// Type token is not exactly "$GPRMC": rejected, nothing set.
const QByteArray kRmcBadType = "$GPRMCX,083604.00,A,2232.1234,N,11403.1234,E,54.0,123.4,150923";

// ---------------------------------------------------------------- layout builders

// Layout 4 block: G at 76, check character at 88, shifted sentence from 89 up to a stored
// CR LF, key characters at 216. `key` is the digit sum worked out by hand by the caller.
QByteArray alignedBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence,
                        const QByteArray &key8, int key, bool shiftByKey)
{
    QByteArray b(232, '\0');
    putLe32(b, 76, x);
    putLe32(b, 80, y);
    putLe32(b, 84, z);
    const int shift = shiftByKey ? key : 2 * key;
    b[88] = char(shiftByKey ? 32 + key : 33 + key);
    for (int i = 0; i < sentence.size(); ++i)
        b[89 + i] = char(quint8(sentence[i]) + shift);
    b[89 + sentence.size()] = '\r';
    b[90 + sentence.size()] = '\n';
    putBytes(b, 216, key8);
    return b;
}

// Layout 5 frame-tail block: G at 76, plain sentence at 89.
QByteArray tailBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence)
{
    QByteArray b(232, '\0');
    putLe32(b, 76, x);
    putLe32(b, 80, y);
    putLe32(b, 84, z);
    putBytes(b, 89, sentence + "\r\n");
    return b;
}

QByteArray sizedFill(int n, char c)
{
    return QByteArray(n, c);
}

struct Block
{
    qint32 x, y, z;
    QByteArray sentence;
    QByteArray key8;
    int key;
    bool shiftByKey;
};

// One video track at 30 frames per second, one frame per chunk, three seconds. The last
// frame of every second is large (40000 bytes); its end is rounded up to 32768 and the block
// sits 48 bytes further, then the next second's frames follow.
QByteArray layout4OneTrack(const QList<Block> &blocks, const QByteArray &udtaBox)
{
    const QByteArray head = ftyp();
    const quint32 base = quint32(head.size() + 8);
    QByteArray data;
    QVector<quint32> sizes;
    QVector<quint32> offsets;
    quint32 pos = base;
    for (int s = 0; s < blocks.size(); ++s) {
        for (int f = 0; f < 30; ++f) {
            const quint32 size = f == 29 ? 40000 : 1000 + quint32(f);
            offsets += pos;
            sizes += size;
            data += sizedFill(int(size), char(0x5A));
            pos += size;
        }
        const quint32 rounded = (pos + 0x7FFF) & ~quint32(0x7FFF);
        data += sizedFill(int(rounded - pos + 48), char(0x33));
        const Block &k = blocks[s];
        data += alignedBlock(k.x, k.y, k.z, k.sentence, k.key8, k.key, k.shiftByKey);
        data += sizedFill(100, char(0x44));
        pos = base + quint32(data.size());
    }
    // 30000 ticks per second, 1000 per frame: (90 * 30000) / 90000 = 30 frames per second.
    const QByteArray video = trak(1, "vide", sizes, offsets, 1, 30000, 1000);
    return head + box("mdat", data) + box("moov", mvhd() + video + udtaBox);
}

// One track at `fps` frames per second with 5000-byte frames, one per chunk. The block of
// second s sits 48 bytes past (size of frame fps*s - 1 + offset of chunk 30*s - 1) rounded up
// to 32768: the chunk stride is 30 whatever the frame rate.
QByteArray layout4Stride(int fps, int frames, const QList<Block> &blocks, const QByteArray &udtaBox)
{
    const QByteArray head = ftyp();
    const quint32 base = quint32(head.size() + 8);
    QVector<quint32> sizes;
    QVector<quint32> offsets;
    for (int f = 0; f < frames; ++f) {
        offsets += base + quint32(f) * 5000;
        sizes += 5000 - quint32(f % 7);
    }
    QByteArray data(frames * 5000 + 70000, char(0x5A));
    for (int s = 1; s <= blocks.size(); ++s) {
        const quint32 end = sizes[fps * s - 1] + offsets[30 * s - 1];
        const quint32 at = ((end + 0x7FFF) & ~quint32(0x7FFF)) + 48;
        const Block &k = blocks[s - 1];
        putBytes(data, int(at - base), alignedBlock(k.x, k.y, k.z, k.sentence, k.key8, k.key,
                                                    k.shiftByKey));
    }
    const QByteArray video = trak(1, "vide", sizes, offsets, 1, quint32(fps) * 1000, 1000);
    return head + box("mdat", data) + box("moov", mvhd() + video + udtaBox);
}

// Two tracks; the second one's chunks each have a block 65536 + 48 bytes further on.
QByteArray layout4TwoTracks(const QList<Block> &blocks, const QByteArray &udtaBox)
{
    const QByteArray head = ftyp();
    const quint32 base = quint32(head.size() + 8);
    QByteArray data;
    QVector<quint32> videoSizes;
    QVector<quint32> videoOffsets;
    QVector<quint32> gpsSizes;
    QVector<quint32> gpsOffsets;
    for (const Block &k : blocks) {
        videoOffsets += base + quint32(data.size());
        videoSizes += 3000;
        data += sizedFill(3000, char(0x11));
        gpsOffsets += base + quint32(data.size());
        gpsSizes += 512;
        data += sizedFill(65536 + 48, char(0x22));
        data += alignedBlock(k.x, k.y, k.z, k.sentence, k.key8, k.key, k.shiftByKey);
        data += sizedFill(700, char(0x22));
    }
    const QByteArray t1 = trak(1, "vide", videoSizes, videoOffsets, 1, 1000, 1000);
    const QByteArray t2 = trak(2, "meta", gpsSizes, gpsOffsets, 1, 1000, 1000);
    return head + box("mdat", data) + box("moov", mvhd() + t1 + t2 + udtaBox);
}

// Layout 5 without gps box: video track at 30 frames per second, every frame starts with a
// 4-byte NAL length; the last frame of each second holds the block 48 bytes past its first
// NAL unit. No udta.
QByteArray layout5FrameTail(const QList<Block> &blocks)
{
    const QByteArray head = ftyp();
    const quint32 base = quint32(head.size() + 8);
    QByteArray data;
    QVector<quint32> sizes;
    QVector<quint32> offsets;
    for (int s = 0; s < blocks.size(); ++s) {
        for (int f = 0; f < 30; ++f) {
            offsets += base + quint32(data.size());
            QByteArray frame;
            if (f == 29) {
                const quint32 nal = 150 + quint32(s) * 7;
                frame = be32(nal) + sizedFill(int(nal) + 48, char(0x66));
                const Block &k = blocks[s];
                frame += tailBlock(k.x, k.y, k.z, k.sentence);
                frame += sizedFill(64, char(0x66));
            } else {
                const quint32 nal = 300 + quint32(f) * 3;
                frame = be32(nal) + sizedFill(int(nal) + 600, char(0x77));
            }
            sizes += quint32(frame.size());
            data += frame;
        }
    }
    const QByteArray video = trak(1, "vide", sizes, offsets, 1, 90000, 3000);
    const QByteArray audio = trak(2, "soun", {100}, {base}, 1, 48000, 1024);
    return head + box("mdat", data) + box("moov", mvhd() + video + audio);
}

// Index-table layouts: blocks placed one after another in mdat; returns the file and the
// table entries (offset, size).
QByteArray blocksMdat(const QByteArray &head, const QList<QByteArray> &blocks,
                      QVector<QPair<quint32, quint32>> *entries)
{
    QByteArray data;
    const quint32 base = quint32(head.size() + 8);
    for (const QByteArray &b : blocks) {
        data += sizedFill(333, char(0x5C));
        entries->append({base + quint32(data.size()), quint32(b.size())});
        data += b;
    }
    return box("mdat", data);
}

QByteArray indexedBlock(qint32 x, qint32 y, qint32 z, const QByteArray &sentence)
{
    QByteArray b(280, '\0');
    putLe32(b, 124, x);
    putLe32(b, 128, y);
    putLe32(b, 132, z);
    putBytes(b, 137, sentence);
    return b;
}

QByteArray indexedBlockV2(qint32 x, qint32 y, qint32 z, const QByteArray &sentence, int size)
{
    QByteArray b(size, char(0x71)); // the 5120 bytes past the part that is read stay garbage
    for (int i = 0; i < size - 5120 && i < size; ++i)
        b[i] = '\0';
    putLe32(b, 92, x);
    putLe32(b, 96, y);
    putLe32(b, 100, z);
    if (size - 5120 > 105 + sentence.size())
        putBytes(b, 105, sentence);
    return b;
}

QByteArray maskedBlock(const QByteArray &position, const QByteArray &speed, const QByteArray &g)
{
    QByteArray b(256, '\0');
    putBytes(b, 56, position);
    putBytes(b, 80, speed);
    putBytes(b, 191, g);
    for (int i = 0; i < 203; ++i)
        b[i] = char(quint8(b[i]) ^ 0xAA);
    b[240] = 'q'; // past the masked part
    return b;
}

QByteArray textSample(const QByteArray &bytes)
{
    return be16(quint16(bytes.size())) + bytes;
}

// Text-track line stored shifted by `key`: the first byte is not part of the line.
QByteArray shifted(const QByteArray &line, int key)
{
    QByteArray out = "G";
    for (char c : line)
        out += char(quint8(c) + key);
    return out + "\n";
}

QByteArray trailerFile(const QList<QByteArray> &records, const QByteArray &marker,
                       const QByteArray &lengthHex, const QByteArray &tail8)
{
    QByteArray area;
    for (const QByteArray &r : records) {
        QByteArray rec(132, '\0');
        putBytes(rec, 0, r);
        area += rec;
    }
    const QByteArray video = ftyp() + box("mdat", sizedFill(4000, char(0x10)))
        + box("moov", mvhd());
    return video + area + marker + lengthHex + QByteArray("000000000000") + tail8;
}

// ---------------------------------------------------------------- running the tool

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

ToolRun runTool(const QString &path)
{
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(QStringLiteral(ZEVIDUD_TELEMETRY_TOOL), {path});
    ToolRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.ms = timer.elapsed();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

const QByteArray kColumns = "x,y,z,latitude,longitude,speed,course\n";

} // namespace

class TestLayoutAcceptance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;
    int mCount = 0;

    QString writeFile(const QByteArray &bytes)
    {
        const QString path = mDir.filePath(QStringLiteral("rec%1.MP4").arg(++mCount));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(mDir.isValid()); }

    void wholeRecordings_data();
    void wholeRecordings();
    void detectionOrder_data();
    void detectionOrder();
    void damagedFiles_data();
    void damagedFiles();
    void unreadablePath();
};

void TestLayoutAcceptance::wholeRecordings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("expected");

    // ---- layout 4, one track. Keys: "20230915" -> 2+0+2+3+0+0+9+1+5+5 = 27 (fifth and
    // eighth digits twice); "12345678" -> 1+2+3+4+5+5+6+7+8+8 = 49; "99999999" -> 90.
    {
        const QList<Block> blocks{
            {120, -35, 981, kRmcA, "20230915", 27, true},
            {-500, 250, 1000, kGga, "12345678", 49, false}, // shifted by twice the key
            {20000, 0, 0, kRmcB, "99999999", 90, true},     // out of range: all three zero
        };
        QTest::newRow("layout 4 one track")
            << layout4OneTrack(blocks, udtaText("INFOCARDV NT96650A 2.1"))
            << QByteArray("# device=4 gpsLength=0 samples=3\n" + kColumns
                          + "0.12,-0.035,0.981,22.535390,114.052056,100,123.4\n"
                            "-0.5,0.25,1,-22.5353908,-114.0520575,0,0\n"
                            "0,0,0,47.2852395,8.5652536,18,77.52\n");
    }
    // ---- layout 4, two tracks, chosen by "any other udta text". Keys: "31415926" ->
    // 3+1+4+1+5+5+9+2+6+6 = 42; "00000001" -> 1+1 = 2 (shift 4); "abcdefgh" -> 0.
    {
        const QList<Block> blocks{
            {0, 0, 1000, kRmcB, "31415926", 42, true},
            {-10000, 10000, -1, kRmcSouthWest, "00000001", 2, false}, // limits are in range
            {1, 2, 3, kRmcBadType, "abcdefgh", 0, false},
        };
        QTest::newRow("layout 4 two tracks")
            << layout4TwoTracks(blocks, udtaText("INFOSome other camera"))
            << QByteArray("# device=4 gpsLength=0 samples=3\n" + kColumns
                          + "0,0,1,47.2852395,8.5652536,18,77.52\n"
                            "-10,10,-0.001,-31.846483,-117.205760,0,0\n"
                            "0.001,0.002,0.003,,,0,0\n");
    }
    // ---- layout 4 at 25 frames per second: 120 frames, W = 123 words, N = 123/25 + 1 = 5;
    // seconds 1..4 have their frame (24, 49, 74, 99) and chunk (29, 59, 89, 119).
    {
        const QList<Block> blocks{
            {1, 0, 0, kRmcA, "11111111", 10, true}, // 1*10 = 10
            {2, 0, 0, kRmcB, "11111111", 10, false},
            {3, 0, 0, kRmcSouthWest, "00000000", 0, true},
            {4, 0, 0, kGga, "90000009", 27, true}, // 9 + 9 + 9 = 27
        };
        QTest::newRow("layout 4 one track 25 fps")
            << layout4Stride(25, 120, blocks, udtaText("INFONT9665x"))
            << QByteArray("# device=4 gpsLength=0 samples=4\n" + kColumns
                          + "0.001,0,0,22.535390,114.052056,100,123.4\n"
                            "0.002,0,0,47.2852395,8.5652536,18,77.52\n"
                            "0.003,0,0,-31.846483,-117.205760,0,0\n"
                            "0.004,0,0,-22.5353908,-114.0520575,0,0\n");
    }
    // ---- layout 5 frame tail (no udta, no gps box). stco holds 90 offsets: W = 92 words,
    // N = 92 / 30 = 3; seconds 1..3 have blocks; entries N-1 and N carry the fixed G values
    // 823/150/96 -> (823-800)/1000 = 0.023, 0.15, 0.096. x = (X - 800) / 1000.
    {
        const QList<Block> blocks{
            {1312, -256, 1000, kRmcA, {}, 0, true}, // 0.512, -0.256, 1
            {20000, 1, 1, kGga, {}, 0, true},       // out of range -> 0 -> x = -0.8
            {5, 5, 5, kRmcB, {}, 0, true},          // replaced by the fixed values
        };
        QTest::newRow("layout 5 frame tail")
            << layout5FrameTail(blocks)
            << QByteArray("# device=5 gpsLength=0 samples=3\n" + kColumns
                          + "0.512,-0.256,1,22.535390,114.052056,100,123.4\n"
                            "-0.8,0,0,-22.5353908,-114.0520575,0,0\n"
                            "0.023,0.15,0.096,47.2852395,8.5652536,18,77.52\n");
    }
    // ---- layout 5 with gps box ("NT9666" at byte 10 of the text, "fmt" too): the last
    // 8*L bytes are the table. x = (X - 800) / 1024.
    {
        const QByteArray head = ftyp();
        QVector<QPair<quint32, quint32>> entries;
        const QByteArray mdat = blocksMdat(head,
                                           {indexedBlock(1312, -256, 1024, kRmcB),  // 0.5 -0.25 1
                                            indexedBlock(800, 512, -1024, kRmcNoSpeed), // 0 0.5 -1
                                            indexedBlock(0, 0, 10001, kGga)}, // -> -800/1024
                                           &entries);
        const QByteArray moov =
            box("moov", mvhd() + udtaText("INFOCARDV NT9666 fmt=1") + gpsBox(entries));
        QByteArray table;
        for (const auto &e : entries)
            table += be32(e.first) + be32(e.second);
        QTest::newRow("layout 5 index table")
            << QByteArray(head + mdat + moov + table)
            << QByteArray("# device=5 gpsLength=3 samples=3\n" + kColumns
                          + "0.5,-0.25,1,47.2852395,8.5652536,18,77.52\n"
                            "0,0.5,-1,22.535390,114.052056,228,0\n"
                            "-0.78125,0,0,-22.5353908,-114.0520575,0,0\n");
    }
    // ---- layout 7 by udta text ("NT9667XA" at byte 16). Blocks read size - 5120 bytes; a
    // block of exactly 5120 bytes is skipped. x = X / 1024.
    {
        const QByteArray head = ftyp();
        QVector<QPair<quint32, quint32>> entries;
        const QByteArray mdat =
            blocksMdat(head,
                       {indexedBlockV2(512, -1024, 256, kRmcA, 5120 + 400), // 0.5 -1 0.25
                        indexedBlockV2(1, 1, 1, kRmcB, 5120),               // skipped
                        indexedBlockV2(-10001, 0, 0, kRmcSouthWest, 5120 + 200)}, // zeroed
                       &entries);
        const QByteArray moov = box(
            "moov", mvhd() + udtaText("CAM0123456789ABCNT9667XA") + gpsBox(entries));
        QTest::newRow("layout 7 by text")
            << QByteArray(head + mdat + moov + indexTail(entries))
            << QByteArray("# device=7 gpsLength=3 samples=2\n" + kColumns
                          + "0.5,-1,0.25,22.535390,114.052056,100,123.4\n"
                            "0,0,0,-31.846483,-117.205760,0,0\n");
    }
    // ---- coordinate and sentence edge cases, read through layout-7 blocks:
    //  "2232" (no point) -> "0"; "11403.123" (three decimals) -> empty text;
    //  lower-case 's'/'w' -> positive; a 33-character course token rejects the sentence;
    //  "$GPGGA" with a missing field is rejected; a GGA-like "$GPGGAX" goes to RMC and fails.
    {
        const QByteArray head = ftyp();
        QVector<QPair<quint32, quint32>> entries;
        const QByteArray longCourse(33, '1');
        const QList<QByteArray> sentences{
            "$GPRMC,1,A,2232,N,11403.123,E,1.0,2.0,150923",
            "$GPRMC,1,A,2232.1234,s,11403.1234,w,2.0,360,150923",
            "$GPRMC,1,A,2232.1234,N,11403.1234,E,2.0," + longCourse + ",150923",
            "$GPGGA,1,2232.1234,N,11403.1234",
            "$GPGGAX,1,2232.1234,N,11403.1234,E,1,08",
        };
        QList<QByteArray> blocks;
        for (const QByteArray &sentence : sentences)
            blocks += indexedBlockV2(0, 0, 1024, sentence, 5120 + 300);
        const QByteArray mdat = blocksMdat(head, blocks, &entries);
        const QByteArray moov = box(
            "moov", mvhd() + udtaText("CAM0123456789ABCNT9667XA") + gpsBox(entries));
        // 1.0 kn -> 1.852 -> 1; 2.0 kn -> 3.704 -> 3; course 360 stays
        QTest::newRow("sentence edge cases")
            << QByteArray(head + mdat + moov + indexTail(entries))
            << QByteArray("# device=7 gpsLength=5 samples=5\n" + kColumns
                          + "0,0,1,0,,1,2\n"
                            "0,0,1,22.535390,114.052056,3,360\n"
                            "0,0,1,,,0,0\n"
                            "0,0,1,,,0,0\n"
                            "0,0,1,,,0,0\n");
    }
    // ---- layout 7 by the gps box alone: udta comes first and its first box is empty, so the
    // raw walk leaves the code alone.
    {
        const QByteArray head = ftyp();
        QVector<QPair<quint32, quint32>> entries;
        const QByteArray mdat = blocksMdat(
            head, {indexedBlockV2(0, 0, 1024, kRmcB, 5120 + 300)}, &entries);
        const QByteArray moov = box("moov", udta(0, "    ") + mvhd() + gpsBox(entries));
        QTest::newRow("layout 7 by gps box")
            << QByteArray(head + mdat + moov + indexTail(entries))
            << QByteArray("# device=7 gpsLength=1 samples=1\n" + kColumns
                          + "0,0,1,47.2852395,8.5652536,18,77.52\n");
    }
    // ---- layout 8: other udta text with "fmt" and a gps box. Masked with 0xAA.
    // N22321234: 321234/60 = 5353 -> *10 = 53530 -> "22.53530";
    // E114031234: 31234/60 = 520 -> 5200 -> "114.05200";
    // S22005000: 5000/60 = 83 -> 830 -> "-22.00830"; W114005000 likewise "-114.00830".
    {
        const QByteArray head = ftyp();
        QVector<QPair<quint32, quint32>> entries;
        const QByteArray mdat =
            blocksMdat(head,
                       {maskedBlock("N22321234E114031234", "87", "+098-012+100"),
                        maskedBlock("S22005000W114005000", "0", "-100+000+050"),
                        maskedBlock("N223", "120", "+001+002+003"), // too short: no position
                        maskedBlock("X22321234E114031234", "5", "+000+000+000")},
                       &entries);
        const QByteArray moov =
            box("moov", mvhd() + udtaText("INFODVR fmt 2.0") + gpsBox(entries));
        QTest::newRow("layout 8")
            << QByteArray(head + mdat + moov + indexTail(entries))
            << QByteArray("# device=8 gpsLength=4 samples=4\n" + kColumns
                          + "0.98,-0.12,1,22.53530,114.05200,87,0\n"
                            "-1,0,0.5,-22.00830,-114.00830,0,0\n"
                            "0.01,0.02,0.03,,,120,0\n"
                            "0,0,0,,114.05200,5,0\n");
    }
    // ---- layout 9 trailer. Seven 132-byte records: S = 924, length = 968 = 0x3C8.
    {
        const QList<QByteArray> records{
            // W 118 30 0 -> -118.50000; S 22 15 0 -> -22.25000; X:-00512 -> -0.5
            "001;2023-09-15;08:35:59;X:-00512;Y:+01024;Z:+00256;a;b;c;d;A;W;S;118;30;0;22;15;0;"
            "55;270",
            // E 114 3 50000 -> 114 + 3.5/60 = 114.058333 -> "114.05833";
            // N 22 32 12340 -> 22 + 32.1234/60 = 22.53539
            "002;2023-09-15;08:36:00;X:+00768;Y:-00256;Z:+01024;a;b;c;d;A;E;N;114;3;50000;22;32;"
            "12340;60;90",
            // V: G, speed and course only
            "003;2023-09-15;08:36:01;X:+00000;Y:+00000;Z:+01024;a;b;c;d;V;E;N;114;3;0;22;32;0;0;0",
            // no longitude letter: the previous longitude (114.058333) stays; n 10 0 0
            "004;2023-09-15;08:36:02;X:+00000;Y:+00000;Z:+00000;a;b;c;d;A;;n;1;0;0;10;0;0;12;45",
            "005;too;few;fields", // skipped
            "",                    // empty record: no sample
            // W wins over E, N over S; "Y:00512" loses its first character as the sign
            "007;2023-09-15;08:36:03;X:-01024;Y:00512;Z:+00000;a;b;c;d;A;EW;NS;1;0;0;2;0;0;7;8",
        };
        QTest::newRow("layout 9 trailer")
            << trailerFile(records, "GPS&", "03C8", "TORVEN53")
            << QByteArray("# device=9 gpsLength=0 samples=5\n" + kColumns
                          + "-0.5,1,0.25,-22.25000,-118.50000,55,270\n"
                            "0.75,-0.25,1,22.53539,114.05833,60,90\n"
                            "0,0,1,,,0,0\n"
                            "0,0,0,10.00000,114.05833,12,45\n"
                            "-1,0.5,0,2.00000,-1.00000,7,8\n");
        QTest::newRow("layout 9 trailer TORVEN42 lower-case hex")
            << trailerFile(records.mid(0, 3), "&&&&", "01b8", "TORVEN42") // 3*132+44 = 0x1B8
            << QByteArray("# device=9 gpsLength=0 samples=3\n" + kColumns
                          + "-0.5,1,0.25,-22.25000,-118.50000,55,270\n"
                            "0.75,-0.25,1,22.53539,114.05833,60,90\n"
                            "0,0,1,,,0,0\n");
    }
    // ---- layout 6, meta track read (it is the last track; the text track is ignored).
    // lon E 114 deg 3 min 1800: 114 + 3/60 + 18.00/3600 = 114.055 -> "114.05500"
    // lat S 22 30 0 -> "-22.50000"; lon w 8 33 1234: 8 + 0.55 + 12.34/3600 = 8.5534278
    // -> "-8.55343"; lat n 47 17 5000: 47 + 17/60 + 50/3600 = 47.2972222 -> "47.29722"
    {
        auto meta = [](char status, char lonHem, char latHem, int lonDeg, int lonMin, int lonSec,
                       int latDeg, int latMin, int latSec, float x, float y, float z, int speed) {
            QByteArray r(140, '\0');
            putFloat(r, 108, x);
            putFloat(r, 112, y);
            putFloat(r, 116, z);
            r[120] = status;
            r[121] = lonHem;
            r[122] = latHem;
            r[123] = char(lonDeg);
            r[124] = char(lonMin);
            putLe16(r, 126, quint16(lonSec));
            r[128] = char(latDeg);
            r[129] = char(latMin);
            putLe16(r, 130, quint16(latSec));
            putLe16(r, 132, quint16(speed));
            return r;
        };
        const QList<QByteArray> metaSamples{
            meta('A', 'E', 'S', 114, 3, 1800, 22, 30, 0, 0.5f, -0.25f, 1.0f, 35),
            meta('V', 'E', 'N', 1, 1, 1, 1, 1, 1, 0.125f, 0.0f, -1.0f, 40), // repeats position
            meta('A', 'w', 'n', 8, 33, 1234, 47, 17, 5000, 0, 0, 0, 300),
            meta('A', 'X', 'N', 9, 9, 9, 1, 0, 0, 0, 0, 0, 0), // X: longitude stays -8.5534278
        };
        const QList<Track> tracks{
            {"vide", {QByteArray(500, 'v'), QByteArray(400, 'v')}, 1},
            {"text", {textSample("GPS:" + kRmcA)}, 1},
            {"meta", metaSamples, 2},
        };
        QTest::newRow("layout 6 meta track")
            << trackFile(tracks, box("qmdx", QByteArray(16, 'q')), {}, {})
            << QByteArray("# device=6 gpsLength=0 samples=4\n" + kColumns
                          + "0.5,-0.25,1,-22.50000,114.05500,35,0\n"
                            "0.125,0,-1,-22.50000,114.05500,40,0\n"
                            "0,0,0,47.29722,-8.55343,300,0\n"
                            "0,0,0,1.00000,-8.55343,0,0\n");
    }
    // ---- layout 6, a text sample whose type is not "$GPRMC" scans nothing: all values stay
    // 0 and, the status not being 'V', the sample is kept with "0" coordinates.
    {
        const QList<Track> tracks{
            {"text",
             {textSample("GPS:$GNRMC,083559.000,A,2232.1234,N,11403.1234,E,35.5,90.0,150923"),
              textSample("GPS:$GPRMC,083559.000,A,2232.1234,N,11403.1234,E,1e30,90.0,150923")},
             1},
        };
        QTest::newRow("layout 6 text track other talker")
            << trackFile(tracks, box("qmdx", {}), {}, {})
            << QByteArray("# device=6 gpsLength=0 samples=2\n" + kColumns
                          + "0,0,0,0,0,0,0\n"
                            "0,0,0,22.5354,114.052,2147483647,0\n");
    }
    // ---- layout 6, text track (kind 1). Coordinates as d + (v/100 - d)*100/60 in six
    // significant digits; speed without conversion.
    // 2232.1234 -> 22.535390 -> "22.5354"; 11403.1234 -> 114.052057 -> "114.052"
    // 4717.11437 S -> 47.2852395 -> "-47.2852"; 00833.91522 W -> 8.5652537 -> "-8.56525"
    {
        const QByteArray ok =
            "GPS:$GPRMC,083559.000,A,2232.1234,N,11403.1234,E,35.5,90.0,150923,,,A*00";
        const QByteArray southWest =
            "GPS:$GPRMC,083602.000,A,4717.11437,S,00833.91522,W,10.9,77.52,150923,,,A*00";
        const QList<Track> tracks{
            {"vide", {QByteArray(300, 'v')}, 1},
            {"text",
             {textSample(ok),
              textSample("GPS:$GPRMC,083600.000,V,2232.1234,N,11403.1234,E,1.0,0.0,150923,,,N"),
              textSample("GPS:$GPRMC,1$2"), textSample("no sentence here"),
              textSample(southWest)},
             1},
        };
        QTest::newRow("layout 6 text track")
            << trackFile(tracks, box("qmdx", QByteArray(8, '\0')), {}, {})
            << QByteArray("# device=6 gpsLength=0 samples=2\n" + kColumns
                          + "0,0,0,22.5354,114.052,35,0\n"
                            "0,0,0,-47.2852,-8.56525,10,0\n");
    }
    // ---- layout 6, last track is audio (kind 7): only samples with exactly one '@' count;
    // the earlier text track is not read.
    {
        const QList<Track> tracks{
            {"text", {textSample("GPS:" + kRmcA), textSample("GPS:" + kRmcB)}, 1},
            {"soun",
             {QByteArray("\x21\x10@GPRMC,083559.000,A,2232.1234,N,11403.1234,E,35.5,90.0,"
                         "150923,,,A*00"),
              QByteArray("aa@b@c"), QByteArray(200, '\x01')},
             1},
        };
        QTest::newRow("layout 6 last track audio")
            << trackFile(tracks, box("qmdx", {}), {}, {})
            << QByteArray("# device=6 gpsLength=0 samples=1\n" + kColumns
                          + "0,0,0,22.5354,114.052,35,0\n");
    }
    // ---- layouts 1 and 2: third track holds the lines.
    {
        // Key "20230915" = 27. Lines before the key are held; the first one has its TAB at
        // line position 5 only, so it is held but then used unshifted.
        const QList<QByteArray> samples{
            textSample("G-1000\t2\t3\t" + kRmcNoSpeed),
            textSample(shifted("120\t-35\t981\t" + kRmcA, 27)),
            textSample(shifted("-500\t250\t1000\t" + kGga, 27)), // GGA is not tried: no position
            textSample("K20230915ZZ"),                             // 11 bytes: the key
            textSample(shifted("0\t0\t1000\t" + kRmcB, 27)),
            textSample("G5\t6\t7\t" + kRmcSouthWest),
        };
        const QList<Track> tracks{
            {"vide", {QByteArray(800, 'v')}, 1},
            {"soun", {QByteArray(100, 'a')}, 1},
            {"text", samples, 1},
        };
        QTest::newRow("layout 1 keyed lines")
            << trackFile(tracks, {}, udtaText("INFOAMBAxV4 SDK"), {})
            << QByteArray("# device=1 gpsLength=0 samples=5\n" + kColumns
                          + "-1,0.002,0.003,22.535390,114.052056,228,0\n"
                            "0.12,-0.035,0.981,22.535390,114.052056,100,123.4\n"
                            "-0.5,0.25,1,,,0,0\n"
                            "0,0,1,47.2852395,8.5652536,18,77.52\n"
                            "0.005,0.006,0.007,-31.846483,-117.205760,0,0\n");
    }
    {
        // 22 shifted lines before the key "00000011" (1 + 1 + 1 = 3): the 21st and 22nd
        // are lost. x = 10*i milli-g.
        QList<QByteArray> samples;
        for (int i = 1; i <= 22; ++i)
            samples += textSample(shifted(QByteArray::number(10 * i) + "\t0\t0\t" + kRmcBadType, 3));
        samples += textSample("k00000011..");
        const QList<Track> tracks{
            {"vide", {QByteArray(800, 'v')}, 1},
            {"soun", {QByteArray(100, 'a')}, 1},
            {"text", samples, 1},
        };
        QTest::newRow("layout 1 held lines cap")
            << trackFile(tracks, {}, udtaText("INFOAMBARELLA A12"), {})
            << QByteArray("# device=1 gpsLength=0 samples=20\n" + kColumns
                          + "0.01,0,0,,,0,0\n0.02,0,0,,,0,0\n0.03,0,0,,,0,0\n0.04,0,0,,,0,0\n"
                            "0.05,0,0,,,0,0\n0.06,0,0,,,0,0\n0.07,0,0,,,0,0\n0.08,0,0,,,0,0\n"
                            "0.09,0,0,,,0,0\n0.1,0,0,,,0,0\n0.11,0,0,,,0,0\n0.12,0,0,,,0,0\n"
                            "0.13,0,0,,,0,0\n0.14,0,0,,,0,0\n0.15,0,0,,,0,0\n0.16,0,0,,,0,0\n"
                            "0.17,0,0,,,0,0\n0.18,0,0,,,0,0\n0.19,0,0,,,0,0\n0.2,0,0,,,0,0\n");
    }
    {
        // Once a plain line was seen, an 11-byte record is a line like any other: "20230915ZZ"
        // scans as x = 20230915 milli-g and sets no key, so the shifted line after it is
        // read with key 0 and scans nothing.
        const QList<Track> tracks{
            {"vide", {QByteArray(800, 'v')}, 1},
            {"soun", {QByteArray(100, 'a')}, 1},
            {"text",
             {textSample("G1\t2\t3\t" + kRmcA), textSample("K20230915ZZ"),
              textSample(shifted("4\t5\t6\t" + kRmcA, 27))},
             1},
        };
        QTest::newRow("layout 1 key after plain lines")
            << trackFile(tracks, {}, udtaText("INFOAMBAxV4"), {})
            << QByteArray("# device=1 gpsLength=0 samples=3\n" + kColumns
                          + "0.001,0.002,0.003,22.535390,114.052056,100,123.4\n"
                            "20230.9,0,0,,,0,0\n"
                            "0,0,0,,,0,0\n");
    }
    {
        // Plain lines need no key.
        const QList<Track> tracks{
            {"vide", {QByteArray(800, 'v')}, 1},
            {"soun", {QByteArray(100, 'a')}, 1},
            {"text",
             {textSample("G120\t-35\t981\t" + kRmcA), textSample("G0\t0\t-1000\t" + kGga),
              textSample("G7\t8\t9\t" + kRmcB)},
             1},
        };
        QTest::newRow("layout 2 plain lines")
            << trackFile(tracks, {}, udtaText("INFOAMBARELLA A7L"), {})
            << QByteArray("# device=2 gpsLength=0 samples=3\n" + kColumns
                          + "0.12,-0.035,0.981,22.535390,114.052056,100,123.4\n"
                            "0,0,-1,,,0,0\n"
                            "0.007,0.008,0.009,47.2852395,8.5652536,18,77.52\n");
        // Fewer than three tracks: nothing.
        QTest::newRow("layout 2 two tracks only")
            << trackFile(tracks.mid(0, 2) + QList<Track>{}, {}, udtaText("INFOAMBARELLA A7L"), {})
            << QByteArray("# device=2 gpsLength=0 samples=0\n" + kColumns);
    }
    // ---- layout 3 and 0: no reader.
    QTest::newRow("layout 3 ICAT6350 tail")
        << QByteArray(ftyp() + box("moov", mvhd() + udtaText("INFOAMBARELLA A7L")) + "ICAT6350")
        << QByteArray("# device=3 gpsLength=0 samples=0\n" + kColumns);
    QTest::newRow("layout 0 plain text file")
        << QByteArray("just some text, not a recording\n")
        << QByteArray("# device=0 gpsLength=0 samples=0\n" + kColumns);
    QTest::newRow("layout 0 empty file")
        << QByteArray() << QByteArray("# device=0 gpsLength=0 samples=0\n" + kColumns);
}

void TestLayoutAcceptance::wholeRecordings()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, expected);
    const QString path = writeFile(file);
    QVERIFY(!path.isEmpty());
    const ToolRun r = runTool(path);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), QString::fromUtf8(expected));
}

void TestLayoutAcceptance::detectionOrder_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("header"); // "# device=D gpsLength=G"

    const QByteArray head = ftyp() + box("mdat", QByteArray(2000, '\x01'));
    const QByteArray track = trak(1, "vide", {1000}, {quint32(ftyp().size() + 8)}, 1, 1000, 1000);
    const QByteArray gps = gpsBox({{100, 6000}, {200, 6000}});
    auto moovFile = [&](const QByteArray &children, const QByteArray &tail = {}) {
        return QByteArray(head + box("moov", children) + tail);
    };
    auto row = [](const char *name, const QByteArray &file, const char *header) {
        QTest::newRow(name) << file << QByteArray(header);
    };

    // udta text variants (T = bytes from the inner box's type on)
    row("A7L", moovFile(mvhd() + udtaText("INFOAMBARELLA A7L")), "# device=2 gpsLength=0");
    row("A12", moovFile(mvhd() + udtaText("INFOAMBARELLA A12")), "# device=1 gpsLength=0");
    row("AMBAxV4", moovFile(mvhd() + udtaText("INFOAMBAxV4")), "# device=1 gpsLength=0");
    row("NT96650A", moovFile(mvhd() + udtaText("INFONT96650A")), "# device=4 gpsLength=0");
    row("NT9665x", moovFile(mvhd() + udtaText("INFONT9665x")), "# device=4 gpsLength=0");
    row("NT9666 at byte 8", moovFile(mvhd() + udtaText("INFO1234NT9666")),
        "# device=5 gpsLength=0");
    row("NT9666 at byte 7", moovFile(mvhd() + udtaText("INFO123NT9666")),
        "# device=4 gpsLength=0");
    row("NT9667XA at byte 16", moovFile(mvhd() + udtaText("INFO123456789012NT9667XA")),
        "# device=7 gpsLength=0");
    row("NT9667XA at byte 15", moovFile(mvhd() + udtaText("INFO12345678901NT9667XA")),
        "# device=4 gpsLength=0");
    row("other text", moovFile(mvhd() + udtaText("INFOHELLO")), "# device=4 gpsLength=0");
    row("fmt without gps box", moovFile(mvhd() + udtaText("INFOfmt")), "# device=4 gpsLength=0");
    row("fmt with gps box", moovFile(mvhd() + udtaText("INFOfmt") + gps),
        "# device=8 gpsLength=2");
    row("fmt with gps box before udta", moovFile(mvhd() + gps + udtaText("INFO fmt ")),
        "# device=8 gpsLength=2");
    // "fmt" turns only the fall-back 4 into 8, not a 4 named by its chip
    row("NT96650A fmt with gps box stays 4",
        moovFile(mvhd() + udtaText("INFONT96650A fmt") + gps), "# device=4 gpsLength=2");
    // first match wins
    row("A7L before NT96650A", moovFile(mvhd() + udtaText("INFONT96650A AMBARELLA A7L")),
        "# device=2 gpsLength=0");
    row("NT9665x before AMBAxV4", moovFile(mvhd() + udtaText("INFOAMBAxV4 NT9665x")),
        "# device=4 gpsLength=0");
    row("NT9666 before AMBAxV4", moovFile(mvhd() + udtaText("INFO1234NT9666 AMBAxV4")),
        "# device=5 gpsLength=0");
    row("A12 before NT9667XA", moovFile(mvhd() + udtaText("INFOAMBARELLA A12 NT9667XA")),
        "# device=1 gpsLength=0");
    row("NT9666 before NT9667XA", moovFile(mvhd() + udtaText("INFO1234NT9666 123NT9667XA")),
        "# device=5 gpsLength=0");
    // only 64 bytes of the text are looked at: the name ends at byte 64, or one past it
    row("name within 64 bytes",
        moovFile(mvhd() + udta(100, "INFO" + QByteArray(47, '.') + "AMBARELLA A7L"
                                        + QByteArray(36, '.'))),
        "# device=2 gpsLength=0");
    row("name past 64 bytes",
        moovFile(mvhd() + udta(100, "INFO" + QByteArray(48, '.') + "AMBARELLA A7L"
                                        + QByteArray(35, '.'))),
        "# device=4 gpsLength=0");
    // only n bytes are read when n is small
    row("name past the inner length", moovFile(mvhd() + udta(10, "INFOAMBARELLA A7L")),
        "# device=4 gpsLength=0");
    // moov children before udta
    row("moov without udta", moovFile(mvhd() + track), "# device=5 gpsLength=0");
    row("empty udta box after children", moovFile(mvhd() + track + udta(0, "INFOAMBAxV4")),
        "# device=5 gpsLength=0");
    row("empty udta box first", moovFile(udta(0, "INFOAMBAxV4") + mvhd()),
        "# device=0 gpsLength=0");
    row("empty udta box first with gps", moovFile(udta(0, "INFO") + mvhd() + gps),
        "# device=7 gpsLength=2");
    // The inner box of udta states its true size (8 + text), so n bytes from its type reach 4
    // bytes past the end of the file: still recognised.
    row("udta ending the file",
        QByteArray(head + box("moov", mvhd() + track + udta(8 + 13, "INFOAMBARELLA A7L")).left(
                              int(head.size() + 8 + mvhd().size() + track.size() + 8 + 4 + 17))),
        "# device=2 gpsLength=0");
    row("udta cut inside its text",
        QByteArray(head + box("moov", mvhd() + track + udta(8 + 13, "INFOAMBARELLA A7L")))
            .left(int(head.size() + 8 + mvhd().size() + track.size() + 8 + 4 + 10)),
        "# device=5 gpsLength=0");
    row("only the first udta counts",
        moovFile(mvhd() + udtaText("INFOHELLO") + udtaText("INFOAMBARELLA A7L")),
        "# device=4 gpsLength=0");
    row("gps box without udta", moovFile(mvhd() + gps), "# device=5 gpsLength=2");
    row("NT9666 fmt with gps box", moovFile(mvhd() + udtaText("INFO1234NT9666 fmt") + gps),
        "# device=5 gpsLength=2");
    row("NT9666 in first 8 bytes, fmt, gps box",
        moovFile(mvhd() + udtaText("INFNT9666 fmt") + gps), "# device=8 gpsLength=2");
    row("A7L with gps box", moovFile(mvhd() + gps + udtaText("INFOAMBARELLA A7L")),
        "# device=2 gpsLength=2");
    row("no moov", QByteArray(head + box("free", QByteArray(64, '\0'))), "# device=0 gpsLength=0");
    // tails and the maker's box
    row("qmdx beats ICAT6330",
        QByteArray(ftyp() + box("qmdx", QByteArray(8, 'x')) + box("moov", mvhd() + track)
                   + "ICAT6330"),
        "# device=6 gpsLength=0");
    row("qmdx beats TORVEN53 and gps",
        QByteArray(ftyp() + box("qmdx", {}) + box("moov", mvhd() + gps) + "TORVEN53"),
        "# device=6 gpsLength=0");
    row("ICAT6330 beats gps box", moovFile(mvhd() + gps, "ICAT6330"), "# device=3 gpsLength=2");
    row("TORVEN42 beats gps box", moovFile(mvhd() + gps, "TORVEN42"), "# device=9 gpsLength=2");
    row("TORVEN53 beats udta", moovFile(mvhd() + udtaText("INFOAMBARELLA A7L"), "TORVEN53"),
        "# device=9 gpsLength=0");
    row("ICAT6330 on raw bytes", QByteArray(QByteArray(300, '\x07') + "ICAT6330"),
        "# device=3 gpsLength=0");
    row("tail marker not at the very end",
        QByteArray(QByteArray(300, '\x07') + "ICAT6330\n"), "# device=0 gpsLength=0");
    // box sizes 0, 1 and 2..7 at the top level
    row("64-bit box before moov",
        QByteArray(ftyp() + be32(1) + "free" + be32(0) + be32(40) + QByteArray(24, '\0')
                   + box("moov", mvhd() + udtaText("INFOAMBARELLA A7L"))),
        "# device=2 gpsLength=0");
    row("size 0 box swallows the rest",
        QByteArray(ftyp() + be32(0) + "free" + QByteArray(16, '\0')
                   + box("moov", mvhd() + udtaText("INFOAMBARELLA A7L"))),
        "# device=0 gpsLength=0");
    row("size 4 box ends the walk",
        QByteArray(ftyp() + be32(4) + "free" + QByteArray(16, '\0')
                   + box("moov", mvhd() + udtaText("INFOAMBARELLA A7L"))),
        "# device=0 gpsLength=0");
    // walk limits: a few boxes are fine, hundreds are not looked through
    QByteArray fewFree;
    for (int i = 0; i < 10; ++i)
        fewFree += box("free", {});
    QByteArray manyFree;
    for (int i = 0; i < 200; ++i)
        manyFree += box("free", {});
    row("moov after 10 boxes",
        QByteArray(ftyp() + fewFree + box("moov", mvhd() + udtaText("INFOAMBARELLA A7L"))),
        "# device=2 gpsLength=0");
    row("moov after 200 boxes",
        QByteArray(ftyp() + manyFree + box("moov", mvhd() + udtaText("INFOAMBARELLA A7L"))),
        "# device=0 gpsLength=0");
    row("udta after 200 moov children",
        moovFile(mvhd() + manyFree + udtaText("INFOAMBARELLA A7L")), "# device=5 gpsLength=0");
    row("udta after 10 moov children", moovFile(mvhd() + fewFree + udtaText("INFOAMBARELLA A7L")),
        "# device=2 gpsLength=0");
}

void TestLayoutAcceptance::detectionOrder()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, header);
    const QString path = writeFile(file);
    QVERIFY(!path.isEmpty());
    const ToolRun r = runTool(path);
    QCOMPARE(r.exitCode, 0);
    const QByteArray first = r.out.left(r.out.indexOf('\n'));
    QVERIFY2(first.startsWith(header + " samples="), first.constData());
}

void TestLayoutAcceptance::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("expected"); // whole output, or a first-line prefix

    const QList<QByteArray> oneRecord{
        "001;2023-09-15;08:35:59;X:-00512;Y:+01024;Z:+00256;a;b;c;d;A;W;S;118;30;0;22;15;0;55;270"};
    // 132 + 44 = 176 = 0xB0
    QTest::newRow("trailer without &")
        << trailerFile(oneRecord, "GPSX", "00B0", "TORVEN53")
        << QByteArray("# device=9 gpsLength=0 samples=0\n" + kColumns);
    QTest::newRow("trailer length 44")
        << trailerFile(oneRecord, "&GPS", "002C", "TORVEN53")
        << QByteArray("# device=9 gpsLength=0 samples=0\n" + kColumns);
    QTest::newRow("trailer area not whole records")
        << trailerFile(oneRecord, "&GPS", "00B1", "TORVEN53")
        << QByteArray("# device=9 gpsLength=0 samples=0\n" + kColumns);
    QTest::newRow("trailer length not hex")
        << trailerFile(oneRecord, "&GPS", "ZZZZ", "TORVEN53")
        << QByteArray("# device=9 gpsLength=0 samples=0\n" + kColumns);
    QTest::newRow("trailer longer than the file")
        // 400 records claimed: 400*132 + 44 = 52844 = 0xCE6C
        << QByteArray(QByteArray(40, 'r') + "&&&&CE6C" + QByteArray(12, '0') + "TORVEN53")
        << QByteArray("# device=9 gpsLength=0 samples=0\n");
    QTest::newRow("only a tail marker") << QByteArray("TORVEN53")
                                        << QByteArray("# device=9 gpsLength=0 samples=0\n");

    // Index tables pointing past the end, huge counts.
    {
        const QByteArray head = ftyp();
        QVector<QPair<quint32, quint32>> entries{{0x7FFFFFF0u, 6000}, {0xFFFFFFF0u, 0xFFFFFFFFu}};
        QVector<QPair<quint32, quint32>> good;
        const QByteArray mdat = blocksMdat(head, {indexedBlockV2(512, 0, 0, kRmcA, 5120 + 300)},
                                           &good);
        entries.insert(1, good.first());
        const QByteArray moov =
            box("moov", mvhd() + udtaText("CAM0123456789ABCNT9667XA") + gpsBox(entries));
        QTest::newRow("layout 7 offsets past the end")
            << QByteArray(head + mdat + moov + indexTail(entries))
            << QByteArray("# device=7 gpsLength=3 samples=1\n" + kColumns
                          + "0.5,0,0,22.535390,114.052056,100,123.4\n");
    }
    {
        const QByteArray moov = box("moov", mvhd() + udtaText("CAM0123456789ABCNT9667XA")
                                                + gpsBox({{10, 6000}}, 0x10000000));
        QTest::newRow("gps length far beyond the file")
            << QByteArray(ftyp() + moov) << QByteArray("# device=7 gpsLength=268435456 samples=0\n");
    }
    {
        const QByteArray moov = box("moov", mvhd() + box("gps ", be32(1)));
        QTest::newRow("gps box too short for a length")
            << QByteArray(ftyp() + moov) << QByteArray("# device=5 gpsLength=0 ");
    }
    // Box walks with bad sizes and counts.
    {
        QByteArray stco = fullBox("stco", be32(0xFFFFFFFFu) + be32(0x7FFFFFFFu));
        const QByteArray stbl = box("stbl", fullBox("stsz", be32(0) + be32(0xFFFFFFFFu)) + stco);
        const QByteArray t = box("trak", box("mdia", fullBox("mdhd", QByteArray(20, '\0'))
                                                          + box("minf", stbl)));
        QTest::newRow("frame tail with huge counts")
            << QByteArray(ftyp() + box("moov", mvhd() + t))
            << QByteArray("# device=5 gpsLength=0 samples=0\n");
        QTest::newRow("text track with huge counts")
            << QByteArray(ftyp() + box("moov", t + t + t + udtaText("INFOAMBARELLA A7L")))
            << QByteArray("# device=2 gpsLength=0 samples=0\n");
        QTest::newRow("aligned blocks with huge counts")
            << QByteArray(ftyp() + box("moov", t + udtaText("INFOHELLO")))
            << QByteArray("# device=4 gpsLength=0 samples=0\n");
    }
    {
        // moov children of size 0, 1 (with a short 64-bit size) and 3.
        QTest::newRow("moov child of size 1 with small 64-bit size")
            << QByteArray(ftyp() + box("moov", be32(1) + QByteArray("trak") + be32(0) + be32(4)))
            << QByteArray("# device=");
        QTest::newRow("moov child of size 3")
            << QByteArray(ftyp() + box("moov", be32(3) + QByteArray("trak") + QByteArray(40, '\0')))
            << QByteArray("# device=");
        QTest::newRow("qmdx file with broken track")
            << QByteArray(ftyp() + box("qmdx", {})
                          + box("moov", mvhd() + box("trak", be32(0) + QByteArray("mdia"))))
            << QByteArray("# device=6 gpsLength=0 samples=0\n");
    }
    // Truncated recordings: the layout-4 one-track file cut inside its moov still opens.
    {
        const QList<Block> blocks{{120, -35, 981, kRmcA, "20230915", 27, true}};
        const QByteArray whole = layout4OneTrack(blocks, udtaText("INFONT96650A"));
        QTest::newRow("layout 4 cut in moov")
            << whole.left(whole.size() - 200) << QByteArray("# device=5 gpsLength=0 ");
    }
}

void TestLayoutAcceptance::damagedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, expected);
    const QString path = writeFile(file);
    QVERIFY(!path.isEmpty());
    const ToolRun r = runTool(path);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.ms < 10000, QByteArray::number(r.ms).constData());
    QVERIFY2(r.out.startsWith(expected), r.out.left(300).constData());
}

void TestLayoutAcceptance::unreadablePath()
{
    const ToolRun missing = runTool(mDir.filePath(QStringLiteral("no-such-file.MP4")));
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.out.isEmpty());
    QVERIFY(!missing.err.trimmed().isEmpty());
}

QTEST_GUILESS_MAIN(TestLayoutAcceptance)
#include "test_layout_acceptance.moc"
