// Readers that find the telemetry through the MP4 box tree: layout 4 (blocks aligned behind the
// frames or 64 KiB behind the chunks of a second track), layout 5 (blocks behind the first NAL
// unit of each second's last frame) and layouts 1/2 (a text track of tab-separated lines).

#include "assistfile.h"
#include "bytesource.h"
#include "layoutcommon.h"
#include "nmea.h"

#include <QDebug>
#include <QVector>
#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 blockSize = 232;      // telemetry block of layouts 4 and 5
constexpr qint64 blockLeadIn = 48;     // the block starts this far past the computed position
constexpr int textSampleCapacity = 640; // text-track sample buffer of layouts 1/2
constexpr int heldLineLimit = 20;       // lines kept while the key record has not arrived
constexpr int heldLineBytes = 512;
// Box headers one walk reads at most, over all the lists it steps through. Recordings have a
// few dozen boxes on the way to a sample table; a file of millions of tiny boxes must not cost
// millions of reads.
constexpr int walkBoxBudget = 4096;

// Walks the box tree from the top. The running total of box sizes is kept for the debug log
// only: bounds come from the enclosing boxes themselves.
class BoxWalk
{
public:
    explicit BoxWalk(ByteSource &src)
        : m_src(src)
    {
    }

    ByteSource &src() { return m_src; }

    // Reads the next box of range at *pos and advances *pos past it.
    bool next(const ByteRange &range, qint64 *pos, BoxHeader *h, int depth, bool counted)
    {
        if (m_budget <= 0 || !readBoxHeader(m_src, *pos, range.end, h))
            return false;
        --m_budget;
        if (counted)
            m_total += quint64(h->size);
        qDebug("%s [0x%08X]%s - Pos:0x%08X", QByteArray(depth * 2, ' ').constData(),
               h->sizeWord, h->type, quint32(m_total));
        *pos = h->end();
        return true;
    }

    bool findMoov(BoxHeader *moov)
    {
        qint64 pos = 0;
        BoxHeader h;
        while (next(m_src.whole(), &pos, &h, 0, true)) {
            if (h.is("mdat"))
                qDebug("mdat data at 0x%llX", static_cast<long long>(h.payloadBegin()));
            if (h.is("moov")) {
                *moov = h;
                return true;
            }
        }
        return false;
    }

    // The n-th (1-based) trak child of moov.
    bool nthTrak(const BoxHeader &moov, int n, BoxHeader *trak)
    {
        qint64 pos = moov.payloadBegin();
        BoxHeader h;
        int seen = 0;
        while (next(moov.payload(), &pos, &h, 1, true)) {
            if (h.is("trak") && ++seen == n) {
                *trak = h;
                return true;
            }
        }
        return false;
    }

    // trak -> mdia (reading mdhd on the way) -> minf -> stbl.
    bool descendToStbl(const BoxHeader &trak, BoxHeader *stbl, quint32 *timeScale,
                       quint32 *duration)
    {
        BoxHeader mdia;
        if (!child(trak, "mdia", 2, &mdia))
            return false;
        qint64 pos = mdia.payloadBegin();
        BoxHeader h;
        bool haveMinf = false;
        while (next(mdia.payload(), &pos, &h, 3, false)) {
            if (h.is("mdhd")) {
                // version/flags, creation and modification time, then time scale and duration
                const ByteRange p = h.payload();
                if (!p.contains(p.begin + 12, 8) || !m_src.readU32BE(p.begin + 12, timeScale)
                    || !m_src.readU32BE(p.begin + 16, duration)) {
                    *timeScale = 0;
                    *duration = 0;
                }
            } else if (h.is("minf")) {
                haveMinf = true;
                break;
            }
        }
        return haveMinf && child(h, "stbl", 4, stbl);
    }

    // moov -> the n-th (1-based) trak -> its stbl, with the track's time scale and duration.
    bool nthTrackTable(int n, BoxHeader *stbl, quint32 *timeScale, quint32 *duration)
    {
        BoxHeader moov;
        BoxHeader trak;
        return findMoov(&moov) && nthTrak(moov, n, &trak)
               && descendToStbl(trak, stbl, timeScale, duration);
    }

    bool child(const BoxHeader &parent, const char *type, int depth, BoxHeader *out)
    {
        qint64 pos = parent.payloadBegin();
        while (next(parent.payload(), &pos, out, depth, false)) {
            if (out->is(type))
                return true;
        }
        return false;
    }

private:
    ByteSource &m_src;
    quint64 m_total = 0;
    int m_budget = walkBoxBudget;
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
    m_samples.clear();
    samplesPerSecond = 0;
    BoxWalk walk(src);
    BoxHeader moov;
    if (!walk.findMoov(&moov))
        return 0;

    // With two tracks the telemetry hangs off the second; with one, off the only one.
    BoxHeader first;
    BoxHeader trak;
    int traks = 0;
    bool chosen = false;
    {
        qint64 pos = moov.payloadBegin();
        BoxHeader h;
        while (walk.next(moov.payload(), &pos, &h, 1, true)) {
            if (h.is("trak")) {
                if (++traks == 2) {
                    trak = h;
                    chosen = true;
                    break;
                }
                first = h;
            } else if (traks == 1) {
                break;
            }
        }
        if (!chosen && traks == 1) {
            trak = first;
            chosen = true;
        }
    }
    if (!chosen)
        return 0;
    const bool twoTracks = traks == 2;

    BoxHeader stbl;
    quint32 timeScale = 0;
    quint32 duration = 0;
    if (!walk.descendToStbl(trak, &stbl, &timeScale, &duration))
        return 0;

    QVector<qint64> positions;
    qint64 pos = stbl.payloadBegin();
    BoxHeader h;
    while (walk.next(stbl.payload(), &pos, &h, 5, false)) {
        if (h.is("stsz")) {
            samplesPerSecond = framesPerSecond(src, h, timeScale, duration);
            if (twoTracks)
                continue;
            // One track: the block of second s sits behind the last frame of that second,
            // rounded up to the next 32 KiB boundary. Frame sizes come from stsz, the frame
            // positions from the chunk offset box that directly follows it (one frame per
            // chunk, 30 chunks a second whatever the frame rate).
            const int fps = samplesPerSecond;
            BoxHeader chunks;
            if (fps <= 0 || !walk.next(stbl.payload(), &pos, &chunks, 5, false))
                break;
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

    bool anySentence = false;
    for (int i = 0; i < positions.size(); ++i) {
        QByteArray block = layout::readBlockPadded(src, positions.at(i) + blockLeadIn, blockSize);
        if (block.isEmpty())
            continue;
        qint32 gx = layout::le32(block, 76);
        qint32 gy = layout::le32(block, 80);
        qint32 gz = layout::le32(block, 84);
        layout::zeroIfGlitch(&gx, &gy, &gz);

        // The text from byte 88 is stored shifted by a key derived from bytes 216..223. Byte 88
        // is a check character: if unshifting it by the key gives a space the shift is the key,
        // otherwise twice the key. The stored CR LF ends the shifted run.
        const int key = scrambleKey(block.constData() + 216);
        const int shift = (int(qint8(block.at(88))) - key == 32) ? key : 2 * key;
        for (int k = 0; k < 128; ++k) {
            if (k <= 126 && block.at(88 + k) == '\r' && block.at(89 + k) == '\n')
                break;
            block[88 + k] = char(uchar(block.at(88 + k)) - uchar(shift & 0xFF));
        }
        const QByteArray sentence = layout::textAt(block, 89);
        qDebug("  key:%d", key);
        qDebug("[%d] dectyped: x:%d, y:%d, z:%d, gps:%s", i, gx, gy, gz, sentence.constData());

        AssistInfo info;
        info.x = float(gx) / 1000.0f;
        info.y = float(gy) / 1000.0f;
        info.z = float(gz) / 1000.0f;
        info.timeMs = qint64(i) * 1000; // entry i is second i + 1's block
        layout::applySentence(&info, sentence);
        anySentence = anySentence || layout::looksLikeNmea(sentence);
        m_samples.append(info);
    }
    // Any file with a udta text walks this way; without one sentence the bytes at the block
    // positions are video, not telemetry, and their "G values" would be invented.
    if (!anySentence)
        m_samples.clear();
    return m_samples.size();
}

int AssistFile::readFrameTailBlocks(ByteSource &src)
{
    m_samples.clear();
    samplesPerSecond = 0;
    BoxWalk walk(src);
    BoxHeader stbl;
    quint32 timeScale = 0;
    quint32 duration = 0;
    if (!walk.nthTrackTable(1, &stbl, &timeScale, &duration))
        return 0;

    qint64 pos = stbl.payloadBegin();
    BoxHeader h;
    BoxHeader stco;
    bool haveTable = false;
    while (walk.next(stbl.payload(), &pos, &h, 5, false)) {
        if (h.is("stsz")) {
            samplesPerSecond = framesPerSecond(src, h, timeScale, duration);
        } else if (h.is("stco")) {
            stco = h;
            haveTable = true;
            break;
        }
    }
    const int fps = samplesPerSecond;
    if (!haveTable || fps <= 0)
        return 0;

    // The chunk of each second's last frame starts with a 4-byte NAL length; the block sits
    // 48 bytes past the end of that first NAL unit.
    const qint64 words = stco.payload().size() / 4;
    const qint64 lastEntry = words / fps; // entries 0..lastEntry
    const qint64 readable = std::min(lastEntry, layout::maxSamples);
    const qint64 chunkCount = tableEntries(src, stco, 4, 8);
    WordTableReader offsets(src, stco.payload());
    bool anySentence = false;
    for (qint64 i = 0; i <= readable; ++i) {
        const qint64 chunk = (i + 1) * fps - 1;
        quint32 chunkOffset = 0;
        quint32 nalLength = 0;
        if (chunk >= chunkCount || !offsets.u32At(stco.payloadBegin() + 8 + 4 * chunk, &chunkOffset))
            break;
        if (!src.readU32BE(chunkOffset, &nalLength))
            continue;
        const qint64 at = qint64(chunkOffset) + qint64(nalLength) + 4 + blockLeadIn;
        const QByteArray block = layout::readBlockPadded(src, at, blockSize);
        if (block.isEmpty())
            continue;
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
        const QByteArray sentence = layout::textAt(block, 89);
        layout::applySentence(&info, sentence);
        anySentence = anySentence || layout::looksLikeNmea(sentence);
        m_samples.append(info);
    }
    // Every moov without a usable udta lands here: no sentence in any block means no blocks.
    if (!anySentence)
        m_samples.clear();
    return m_samples.size();
}

int AssistFile::readTabTextTrack(ByteSource &src)
{
    m_samples.clear();
    samplesPerSecond = 0;
    BoxWalk walk(src);
    BoxHeader stbl;
    quint32 timeScale = 0;
    quint32 duration = 0;
    if (!walk.nthTrackTable(3, &stbl, &timeScale, &duration))
        return 0;
    BoxHeader stco;
    if (!walk.child(stbl, "stco", 5, &stco))
        return 0;
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
        qDebug("#%d, Addr:0x%08X, len:%d, data:%s", int(i), offset, int(length),
               line.constData());

        const bool tab = std::find(buffer + 1, buffer + 6, '\t') != buffer + 6;
        if (tab || plain) {
            plain = true;
            parseTabLine(m_samples, line, key);
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
                parseTabLine(m_samples, earlier, key);
            held.clear();
        } else if (held.size() < heldLineLimit) {
            held.append(line.left(heldLineBytes));
        }
    }
    return m_samples.size();
}
