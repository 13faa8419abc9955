// Readers that find the telemetry through the MP4 box tree: layout 4 (blocks aligned behind the
// frames or 64 KiB behind the chunks of a second track), layout 5 (blocks behind the first NAL
// unit of each second's last frame) and layouts 1/2 (a text track of tab-separated lines).

#include "assistfile.h"
#include "bytesource.h"
#include "layoutcommon.h"
#include "mp4/boxwalkreaders.h"
#include "mp4/mp4atomtree.h"
#include "nmea.h"

#include <QDebug>
#include <QVector>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr qint64 blockSize = 232;      // telemetry block of layouts 4 and 5
constexpr qint64 blockLeadIn = 48;     // the block starts this far past the computed position
constexpr int textSampleCapacity = 640; // text-track sample buffer of layouts 1/2
constexpr int heldLineLimit = 20;       // lines kept while the key record has not arrived
constexpr int heldLineBytes = 512;

// The way from the top of the shared box tree to a track's sample table. These layouts' readers
// see only boxes as long as they say: a box that was clipped (a recording cut short, a child
// stating more than its parent) ends the list it is in, as it always has for these layouts.
class TreeWalk
{
public:
    TreeWalk(ByteSource &src, const Mp4AtomTree &tree)
        : m_src(src)
        , m_tree(tree)
    {
    }

    const BoxHeader &header(int atom) const { return m_tree.header(atom); }

    // The whole children of atom in file order, up to the first that is not whole.
    QVector<int> list(int atom) const
    {
        QVector<int> out;
        for (const int i : m_tree.children(atom)) {
            if (!m_tree.isWhole(i))
                break;
            narrate(i);
            out.append(i);
        }
        return out;
    }

    int child(int parent, const char *type) const
    {
        for (const int i : list(parent)) {
            if (header(i).is(type))
                return i;
        }
        return -1;
    }

    int moov() const
    {
        for (const int i : list(-1)) {
            if (header(i).is("mdat"))
                qDebug("mdat data at 0x%llX", static_cast<long long>(header(i).payloadBegin()));
            if (header(i).is("moov"))
                return i;
        }
        return -1;
    }

    // The n-th (1-based) trak child of moov.
    int nthTrak(int moov, int n) const
    {
        int seen = 0;
        for (const int i : list(moov)) {
            if (header(i).is("trak") && ++seen == n)
                return i;
        }
        return -1;
    }

    // trak -> mdia (reading mdhd on the way) -> minf -> stbl.
    int stblOf(int trak, quint32 *timeScale, quint32 *duration) const
    {
        const int mdia = child(trak, "mdia");
        if (mdia < 0)
            return -1;
        for (const int i : list(mdia)) {
            const BoxHeader &h = header(i);
            if (h.is("mdhd")) {
                // version/flags, creation and modification time, then time scale and duration
                const ByteRange p = h.payload();
                if (!p.contains(p.begin + 12, 8) || !m_src.readU32BE(p.begin + 12, timeScale)
                    || !m_src.readU32BE(p.begin + 16, duration)) {
                    *timeScale = 0;
                    *duration = 0;
                }
            } else if (h.is("minf")) {
                return child(i, "stbl");
            }
        }
        return -1;
    }

    // moov -> the n-th (1-based) trak -> its stbl, with the track's time scale and duration.
    int nthTrackTable(int n, quint32 *timeScale, quint32 *duration) const
    {
        const int moovAtom = moov();
        const int trak = moovAtom >= 0 ? nthTrak(moovAtom, n) : -1;
        return trak >= 0 ? stblOf(trak, timeScale, duration) : -1;
    }

private:
    void narrate(int atom) const
    {
        if (!layout::debugOn())
            return;
        const Mp4Atom &a = m_tree.atoms()[atom];
        qDebug("%s [0x%08X]%s - Pos:0x%08llX", QByteArray(a.depth * 2, ' ').constData(),
               a.header.sizeWord, a.header.type, static_cast<long long>(a.header.start));
    }

    ByteSource &m_src;
    const Mp4AtomTree &m_tree;
};

// Number of entries of a table box (entry count word after version/flags), cut to the words
// that the box really holds from firstEntry on.
qint64 tableEntries(ByteSource &src, const BoxHeader &box, qint64 countOffset, qint64 firstEntry)
{
    const ByteRange p = box.payload();
    quint32 count = 0;
    if (!p.contains(p.begin + countOffset, 4) || !src.readU32BE(p.begin + countOffset, &count))
        return 0;
    const qint64 room = p.size() > firstEntry ? (p.size() - firstEntry) / 4 : 0;
    return std::min<qint64>(count, room);
}

// Frames per second from the sample count of stsz and the mdhd time scale and duration; the
// product wraps at 32 bits as the cameras' own firmware computes it. A sample count larger than
// the box can hold is cut to the sizes really present.
int framesPerSecond(ByteSource &src, const BoxHeader &stsz, quint32 timeScale, quint32 duration)
{
    if (duration == 0)
        return 0;
    const quint32 count = quint32(tableEntries(src, stsz, 8, 12));
    const quint32 fps = quint32(count * timeScale) / duration;
    return int(std::min<quint32>(fps, 0x7FFFFFFF));
}

// The block at pos with missing bytes as 0, as layout::readBlockPadded gives it, into a buffer
// of the caller; false when no byte of it is there.
bool readBlock(ByteSource &src, qint64 pos, char (&out)[blockSize])
{
    if (pos < 0 || pos >= src.size())
        return false;
    std::memset(out, 0, sizeof out);
    return src.readAt(pos, out, blockSize) > 0;
}

} // namespace

namespace layout {

void applySentence(AssistInfo *info, const QByteArray &sentence)
{
    bool parsed = false;
    if (sentence.startsWith("$GPGGA"))
        parsed = parseGga(sentence, &info->longitude, &info->latitude);
    else
        parsed = parseRmc(sentence, &info->longitude, &info->latitude, &info->speed, &info->course);
    markPosition(info, parsed && sentenceHasFix(sentence));
    // The receiver's own date and time, where the sentence is an RMC with both.
    info->setUtc(rmcUtcMs(sentence), AssistInfo::Clock::Gps);
}

bool looksLikeNmea(const QByteArray &text)
{
    // "$" + talker and sentence type (five capitals) + ","
    if (text.size() < 7 || text.at(0) != '$' || text.at(6) != ',')
        return false;
    for (int i = 1; i <= 5; ++i) {
        if (text.at(i) < 'A' || text.at(i) > 'Z')
            return false;
    }
    return true;
}

} // namespace layout

int AssistFile::readAlignedBlocks(ByteSource &src)
{
    Mp4AtomTree tree;
    tree.walk(src);
    return boxwalk::readAlignedBlocks(src, tree, &m_samples, &samplesPerSecond);
}

int AssistFile::readFrameTailBlocks(ByteSource &src)
{
    Mp4AtomTree tree;
    tree.walk(src);
    return boxwalk::readFrameTailBlocks(src, tree, &m_samples, &samplesPerSecond);
}

int AssistFile::readTabTextTrack(ByteSource &src)
{
    Mp4AtomTree tree;
    tree.walk(src);
    return boxwalk::readTabTextTrack(src, tree, &m_samples, &samplesPerSecond);
}

int boxwalk::readAlignedBlocks(ByteSource &src, const Mp4AtomTree &tree, AssistInfoList *samples,
                               int *samplesPerSecond)
{
    AssistInfoList &out = *samples;
    out.clear();
    *samplesPerSecond = 0;
    const TreeWalk walk(src, tree);
    const int moov = walk.moov();
    if (moov < 0)
        return 0;

    // With two tracks the telemetry hangs off the second; with one, off the only one.
    int first = -1;
    int trak = -1;
    int traks = 0;
    for (const int i : walk.list(moov)) {
        if (walk.header(i).is("trak")) {
            if (++traks == 2) {
                trak = i;
                break;
            }
            first = i;
        } else if (traks == 1) {
            break;
        }
    }
    if (traks == 1)
        trak = first;
    if (trak < 0)
        return 0;
    const bool twoTracks = traks == 2;

    quint32 timeScale = 0;
    quint32 duration = 0;
    const int stbl = walk.stblOf(trak, &timeScale, &duration);
    if (stbl < 0)
        return 0;

    QVector<qint64> positions;
    const QVector<int> tables = walk.list(stbl);
    for (int k = 0; k < tables.size(); ++k) {
        const BoxHeader &h = walk.header(tables.at(k));
        if (h.is("stsz")) {
            *samplesPerSecond = framesPerSecond(src, h, timeScale, duration);
            if (twoTracks)
                continue;
            // One track: the block of second s sits behind the last frame of that second,
            // rounded up to the next 32 KiB boundary. Frame sizes come from stsz, the frame
            // positions from the chunk offset box that directly follows it (one frame per
            // chunk, 30 chunks a second whatever the frame rate).
            const int fps = *samplesPerSecond;
            if (fps <= 0 || k + 1 >= tables.size())
                break;
            const BoxHeader &chunks = walk.header(tables.at(k + 1));
            const qint64 words = h.payload().size() / 4;
            const qint64 seconds = std::min(words / fps + 1, layout::maxSamples);
            const qint64 frames = tableEntries(src, h, 8, 12);
            const qint64 chunkCount = tableEntries(src, chunks, 4, 8);
            WordTableReader sizes(src, h.payload());
            WordTableReader offsets(src, chunks.payload());
            for (qint64 s = 1; s <= seconds; ++s) {
                const qint64 frame = s * fps - 1;
                const qint64 chunk = 30 * s - 1;
                if (frame >= frames || chunk >= chunkCount)
                    break;
                quint32 frameSize = 0;
                quint32 chunkOffset = 0;
                if (!sizes.u32At(h.payloadBegin() + 12 + 4 * frame, &frameSize)
                    || !offsets.u32At(chunks.payloadBegin() + 8 + 4 * chunk, &chunkOffset))
                    break;
                positions.append((qint64(frameSize) + chunkOffset + 0x7FFF) & ~qint64(0x7FFF));
            }
            break;
        }
        if (h.is("stco") && twoTracks) {
            // Two tracks: one block per chunk of the second track, 64 KiB past its offset.
            const qint64 count = std::min(tableEntries(src, h, 4, 8), layout::maxSamples);
            WordTableReader offsets(src, h.payload());
            for (qint64 i = 0; i < count; ++i) {
                quint32 offset = 0;
                if (!offsets.u32At(h.payloadBegin() + 8 + 4 * i, &offset))
                    break;
                positions.append(qint64(offset) + 0x10000);
            }
            break;
        }
    }

    // The text from byte 88 is stored shifted by a key derived from bytes 216..223. Byte 88 is
    // a check character: if unshifting it by the key gives a space the shift is the key,
    // otherwise twice the key. The stored CR LF ends the shifted run. Returns the key.
    auto unshift = [](char *block) {
        const int key = scrambleKey(block + 216);
        const int shift = (int(qint8(block[88])) - key == 32) ? key : 2 * key;
        char *text = block + 88; // 88 + 128 bytes fit in the block
        for (int k = 0; k < 128; ++k) {
            if (k <= 126 && text[k] == '\r' && text[k + 1] == '\n')
                break;
            text[k] = char(uchar(text[k]) - uchar(shift & 0xFF));
        }
        return key;
    };
    auto addSample = [&](int i, const char *bytes, int key) {
        const QByteArray block = QByteArray::fromRawData(bytes, int(blockSize));
        qint32 gx = layout::le32(block, 76);
        qint32 gy = layout::le32(block, 80);
        qint32 gz = layout::le32(block, 84);
        layout::zeroIfGlitch(&gx, &gy, &gz);
        const QByteArray sentence = layout::textView(bytes, int(blockSize), 89);
        if (layout::debugOn()) {
            qDebug("  key:%d", key);
            qDebug("[%d] dectyped: x:%d, y:%d, z:%d, gps:%s", i, gx, gy, gz,
                   QByteArray(sentence.constData(), sentence.size()).constData());
        }
        AssistInfo info;
        info.x = float(gx) / 1000.0f;
        info.y = float(gy) / 1000.0f;
        info.z = float(gz) / 1000.0f;
        info.timeMs = qint64(i) * 1000; // entry i is second i + 1's block
        layout::applySentence(&info, sentence);
        out.append(info);
    };

    // A video with a udta text has its "blocks" checked here one per second; they become
    // samples only once one holds a sentence, so the blocks before that one wait (as positions,
    // read again then) instead of being parsed for nothing. The debug log narrates every block
    // in order, so with it on each block is parsed as it comes.
    const bool narrate = layout::debugOn();
    QVector<int> waiting;
    bool anySentence = false;
    for (int i = 0; i < positions.size(); ++i) {
        char block[blockSize];
        if (!readBlock(src, positions.at(i) + blockLeadIn, block))
            continue;
        const int key = unshift(block);
        // The first seven text bytes decide (a NUL among them fails the test as well).
        const bool sentence = layout::looksLikeNmea(QByteArray::fromRawData(block + 89, 7));
        if (!anySentence && !sentence && !narrate) {
            waiting.append(i);
            continue;
        }
        if (!anySentence) {
            for (const int w : qAsConst(waiting)) {
                char earlier[blockSize];
                if (readBlock(src, positions.at(w) + blockLeadIn, earlier)) {
                    const int earlierKey = unshift(earlier);
                    addSample(w, earlier, earlierKey);
                }
            }
            waiting.clear();
        }
        anySentence = anySentence || sentence;
        addSample(i, block, key);
    }
    // Any file with a udta text walks this way; without one sentence the bytes at the block
    // positions are video, not telemetry, and their "G values" would be invented.
    if (!anySentence)
        out.clear();
    return out.size();
}

int boxwalk::readFrameTailBlocks(ByteSource &src, const Mp4AtomTree &tree,
                                 AssistInfoList *samples, int *samplesPerSecond)
{
    AssistInfoList &out = *samples;
    out.clear();
    *samplesPerSecond = 0;
    const TreeWalk walk(src, tree);
    quint32 timeScale = 0;
    quint32 duration = 0;
    const int stbl = walk.nthTrackTable(1, &timeScale, &duration);
    if (stbl < 0)
        return 0;

    int stcoAtom = -1;
    for (const int i : walk.list(stbl)) {
        const BoxHeader &h = walk.header(i);
        if (h.is("stsz")) {
            *samplesPerSecond = framesPerSecond(src, h, timeScale, duration);
        } else if (h.is("stco")) {
            stcoAtom = i;
            break;
        }
    }
    const int fps = *samplesPerSecond;
    if (stcoAtom < 0 || fps <= 0)
        return 0;
    const BoxHeader &stco = walk.header(stcoAtom);

    // The chunk of each second's last frame starts with a 4-byte NAL length; the block sits
    // 48 bytes past the end of that first NAL unit.
    const qint64 words = stco.payload().size() / 4;
    const qint64 lastEntry = words / fps; // entries 0..lastEntry
    const qint64 readable = std::min(lastEntry, layout::maxSamples);
    const qint64 chunkCount = tableEntries(src, stco, 4, 8);
    WordTableReader offsets(src, stco.payload());

    // A block as a sample; entry i is second i's block.
    auto addSample = [&](qint64 i, const QByteArray &block) {
        qint32 gx = layout::le32(block, 76);
        qint32 gy = layout::le32(block, 80);
        qint32 gz = layout::le32(block, 84);
        layout::zeroIfGlitch(&gx, &gy, &gz);
        if (i >= lastEntry - 1) {
            // The firmware writes a fixed reading into the final two blocks.
            gx = 823;
            gy = 150;
            gz = 96;
        }
        AssistInfo info;
        info.x = float(gx - 800) / 1000.0f;
        info.y = float(gy) / 1000.0f;
        info.z = float(gz) / 1000.0f;
        info.timeMs = i * 1000;
        layout::applySentence(&info, layout::textView(block.constData(), block.size(), 89));
        out.append(info);
    };

    // Every MP4 without a usable udta text is tried this way, and an ordinary 30-minute video
    // has 1800 such "blocks". Until one block holds a sentence, only the seven bytes that decide
    // that are looked at: one small read at the chunk fetches the NAL length together with them
    // whenever the first NAL unit is short (the cameras write a small one there). Blocks seen
    // before the first sentence are read whole afterwards; from then on one larger read at the
    // chunk usually holds the whole block.
    constexpr qint64 probeWindow = 256;
    constexpr qint64 blockWindow = 512;
    constexpr qint64 markAt = 89;   // the sentence starts here inside the block
    constexpr qint64 markBytes = 7; // "$GPRMC," decides
    struct Pending
    {
        qint64 second;
        qint64 at;
    };
    std::vector<Pending> pending;
    bool anySentence = false;
    for (qint64 i = 0; i <= readable; ++i) {
        const qint64 chunk = (i + 1) * fps - 1;
        quint32 chunkOffset = 0;
        if (chunk >= chunkCount || !offsets.u32At(stco.payloadBegin() + 8 + 4 * chunk, &chunkOffset))
            break;
        char head[blockWindow];
        const qint64 got = src.readAt(chunkOffset, head, anySentence ? blockWindow : probeWindow);
        if (got < 4)
            continue;
        const quint32 nalLength = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(head));
        const qint64 at = qint64(chunkOffset) + qint64(nalLength) + 4 + blockLeadIn;
        if (at >= src.size())
            continue;
        const qint64 inHead = at - qint64(chunkOffset);
        if (!anySentence) {
            char mark[markBytes] = {0};
            if (markBytes <= got - (inHead + markAt))
                std::memcpy(mark, head + inHead + markAt, size_t(markBytes));
            else
                src.readAt(at + markAt, mark, markBytes); // missing bytes stay NUL
            if (!layout::looksLikeNmea(QByteArray::fromRawData(mark, int(markBytes)))) {
                pending.push_back(Pending{i, at});
                continue;
            }
            anySentence = true;
            for (const Pending &p : pending) {
                const QByteArray block = layout::readBlockPadded(src, p.at, blockSize);
                if (!block.isEmpty())
                    addSample(p.second, block);
            }
            pending = std::vector<Pending>();
        }
        if (blockSize <= got - inHead) {
            addSample(i, QByteArray::fromRawData(head + inHead, int(blockSize)));
        } else {
            const QByteArray block = layout::readBlockPadded(src, at, blockSize);
            if (!block.isEmpty())
                addSample(i, block);
        }
    }
    // Every moov without a usable udta lands here: no sentence in any block means no blocks.
    if (!anySentence)
        out.clear();
    return out.size();
}

int boxwalk::readTabTextTrack(ByteSource &src, const Mp4AtomTree &tree, AssistInfoList *samples,
                              int *samplesPerSecond)
{
    AssistInfoList &out = *samples;
    out.clear();
    *samplesPerSecond = 0;
    const TreeWalk walk(src, tree);
    quint32 timeScale = 0;
    quint32 duration = 0;
    const int stbl = walk.nthTrackTable(3, &timeScale, &duration);
    const int stcoAtom = stbl >= 0 ? walk.child(stbl, "stco") : -1;
    if (stcoAtom < 0)
        return 0;
    const BoxHeader &stco = walk.header(stcoAtom);
    const qint64 count = std::min(tableEntries(src, stco, 4, 8), layout::maxSamples);
    qDebug(" founded %d indexs!", int(count));

    WordTableReader offsets(src, stco.payload());
    int key = 0;
    bool plain = false;
    QList<QByteArray> held;
    for (qint64 i = 0; i < count; ++i) {
        quint32 offset = 0;
        if (!offsets.u32At(stco.payloadBegin() + 8 + 4 * i, &offset))
            break;
        // One read for the length and the text it can hold.
        char record[2 + textSampleCapacity];
        const qint64 got = src.readAt(offset, record, sizeof record);
        if (got < 2)
            continue;
        const quint16 length = qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(record));
        char buffer[textSampleCapacity + 1];
        std::memset(buffer, 0, sizeof buffer);
        std::memcpy(buffer, record + 2,
                    size_t(std::min<qint64>(std::min<qint64>(length, textSampleCapacity), got - 2)));
        buffer[0] = ' '; // the first text byte is not part of the line
        const QByteArray line(buffer + 1); // up to the first NUL
        if (layout::debugOn())
            qDebug("#%d, Addr:0x%08X, len:%d, data:%s", int(i), offset, int(length),
               line.constData());

        const bool tab = std::find(buffer + 1, buffer + 6, '\t') != buffer + 6;
        if (tab || plain) {
            plain = true;
            parseTabLine(out, line, key);
        } else if (length == 11) {
            // The key record: its eight characters add to the key, and every line that
            // arrived before it can now be read.
            key += scrambleKey(buffer + 1);
            plain = true;
            qDebug("    Founded key: %s, %d, 0x%08X,0x%08X,0x%08X,0x%08X,0x%08X,0x%08X,0x%08X,"
                   "0x%08X",
                   line.constData(), key, uint(uchar(buffer[1])), uint(uchar(buffer[2])),
                   uint(uchar(buffer[3])), uint(uchar(buffer[4])), uint(uchar(buffer[5])),
                   uint(uchar(buffer[6])), uint(uchar(buffer[7])), uint(uchar(buffer[8])));
            for (const QByteArray &earlier : qAsConst(held))
                parseTabLine(out, earlier, key);
            held.clear();
        } else if (held.size() < heldLineLimit) {
            held.append(line.left(heldLineBytes));
        }
    }
    return out.size();
}
