// Finding freeGPS blocks in MP4/MOV recordings: through the moov `gps ` index, in top-level
// free/skip boxes, or in the gaps between the tracks' chunks inside mdat.

#include "bytesource.h"
#include "freegps.h"
#include "freegps_blocks.h"
#include "freegps_samples.h"
#include "mp4atomtree.h"

#include <QVector>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <queue>
#include <vector>

namespace {

using freegps::BlockFixes;
using freegps::DecodeState;
using freegps::Fix;

const QByteArray kLiteral("freeGPS ");

// Most variants keep everything in the first few hundred bytes of a block, so a block is read
// in one positioned read of this size; multi-record variants then read the rest.
constexpr qint64 kBlockPrefix = 4096;
constexpr qint64 kMaxBlockBytes = 1 << 20;
constexpr int kMaxBlocks = 200000;
constexpr int kMaxFixes = 200000; // more than two days at one a second
constexpr qint64 kMaxChunks = 8 << 20;
// Unreferenced blocks in mdat: at most this much read that is not a block (table windows and
// the first bytes of gaps that hold none), and give up when this many gaps in a row hold none
// before the first block was seen.
constexpr qint64 kScanBudget = 4 << 20;
constexpr int kGapsBeforeGivingUp = 16;
// Cameras write a block every second from the start, so the first one sits within the first
// seconds of mdat; without one there, the chunks (and their tables) are not walked further.
constexpr qint64 kFirstBlockWithin = 32 << 20;
constexpr qint64 kGapProbe = 4096;
// Boundaries probed in an mdat without sample tables: 4 GiB of recording at one a 32 KiB, the
// longest segment a camera writes to FAT32; each probe is a read, so a hostile 40 GB file must
// not cost a million of them.
constexpr qint64 kMaxAlignedProbes = 1 << 17;
// Tracks whose chunks are merged: a recording has a few; each costs three table windows.
constexpr size_t kMaxTracks = 64;

struct BlockRef
{
    qint64 pos = 0;  // B+0
    qint64 len = 0;  // bytes of the block that lie in the file
    QByteArray head; // its first bytes when the search already read them (at most len)
};

struct TopLevel
{
    QVector<ByteRange> mdats;
    QVector<BlockRef> freeBlocks;
    bool ok = false; // the file starts with a box
};

// The block that starts with the literal at B+4 and ends where its box says, clipped to limit.
// In the form `size "free" "freeGPS "` the four bytes before the literal read "free" and the box
// (whose size word sits 4 bytes earlier still) ends the block. read holds the file's bytes from
// readPos on (they must include B-4..B+12 where they exist); its part from B+0 becomes the head.
BlockRef blockAt(qint64 b, qint64 limit, qint64 floor, const QByteArray &read, qint64 readPos)
{
    BlockRef r{b, limit - b, {}};
    const qint64 at = b - readPos;
    if (at < 0 || at > read.size() - 12)
        return r;
    auto word = [&](qint64 pos) { return qFromBigEndian<quint32>(read.constData() + pos); };
    quint32 size = word(at);
    qint64 begin = b;
    if (read.mid(int(at), 4) == "free" && at >= 4 && b - 4 >= floor) {
        size = word(at - 4);
        begin = b - 4;
    }
    if (size >= 12 && size <= limit - begin)
        r.len = begin + size - b;
    r.len = qMin(r.len, kMaxBlockBytes);
    r.head = read.mid(int(at), int(qMin<qint64>(r.len, read.size() - at)));
    return r;
}

// The mdats and the blocks in free/skip boxes among the top-level boxes of the shared tree.
TopLevel topLevel(ByteSource &src, const Mp4AtomTree &tree)
{
    TopLevel t;
    qint64 walked = 0; // where the tree's top level ends
    for (int i : tree.children(-1)) {
        const BoxHeader &h = tree.atoms()[i].header;
        t.ok = true;
        walked = h.end();
        if (h.is("mdat")) {
            t.mdats.append(h.payload());
        } else if ((h.is("free") || h.is("skip")) && h.payload().size() >= 8) {
            // One read gives the box's first bytes: enough to tell and, usually, to decode.
            const QByteArray head = src.readAt(h.start, qMin(h.size, kBlockPrefix + 4));
            const QByteArray lead = head.mid(int(h.headerSize), 8);
            if (lead.startsWith("GPS ") && h.is("free") && h.headerSize == 8)
                t.freeBlocks.append(blockAt(h.start, h.end(), h.start, head, h.start));
            else if (lead == kLiteral)
                t.freeBlocks.append(blockAt(h.payloadBegin() - 4, h.end(), h.start, head, h.start));
        }
    }
    // A recording cut short (power lost) ends in an mdat whose size runs past the end of the
    // file, which the tree does not take as a box: its header is the one thing read here.
    char head[8];
    if (walked < src.size() && src.readExact(walked, head, 8) && QByteArray(head + 4, 4) == "mdat") {
        t.ok = true;
        t.mdats.append(ByteRange{walked + 8, src.size()});
    }
    return t;
}

// Blocks listed by `gps ` children of moov: (offset, size) pairs, big-endian, after 8 bytes.
// Only entries whose bytes carry the literal count.
QVector<BlockRef> indexedBlocks(ByteSource &src, const Mp4AtomTree &tree)
{
    QVector<BlockRef> blocks;
    const int moov = tree.find("moov");
    if (moov < 0)
        return blocks;
    for (int i : tree.children(moov)) {
        const BoxHeader &h = tree.atoms()[i].header;
        if (!h.is("gps ") || h.payload().size() < 8)
            continue;
        WordTableReader table(src, h.payload(), 64 * 1024);
        quint32 count = 0;
        table.u32At(h.payloadBegin() + 4, &count);
        const qint64 fits = (h.payload().size() - 8) / 8;
        const qint64 n = qMin<qint64>(qMin<qint64>(count, fits), kMaxBlocks - blocks.size());
        for (qint64 k = 0; k < n; ++k) {
            quint32 offset = 0, size = 0;
            if (!table.u32At(h.payloadBegin() + 8 + 8 * k, &offset)
                || !table.u32At(h.payloadBegin() + 12 + 8 * k, &size))
                break;
            if (size < 12 || offset >= src.size())
                continue;
            BlockRef r{offset, qMin<qint64>(size, src.size() - offset), {}};
            r.len = qMin(r.len, kMaxBlockBytes);
            blocks.append(r);
        }
    }
    return blocks;
}

// The chunks of one track in table order: offsets from stco/co64, sizes from stsc and
// stsz/stz2, all read through small windows so that only what is walked is read.
class ChunkWalker
{
public:
    ChunkWalker(ByteSource &src, const Mp4AtomTree &tree, int stbl)
        : m_src(src)
    {
        auto table = [&](const char *type, BoxHeader *out) {
            const int i = tree.child(stbl, type);
            if (i >= 0)
                *out = tree.atoms()[i].header;
            return i >= 0;
        };
        BoxHeader co, stsc, sz;
        m_co64 = table("co64", &co);
        if (!m_co64 && !table("stco", &co))
            return;
        if (!table("stsc", &stsc))
            return;
        const bool compact = !table("stsz", &sz);
        if (compact && !table("stz2", &sz))
            return;
        m_co.reset(new WordTableReader(src, co.payload(), kWindow));
        m_stsc.reset(new WordTableReader(src, stsc.payload(), kWindow));
        m_sz.reset(new WordTableReader(src, sz.payload(), kWindow));
        quint32 n = 0, runs = 0, word = 0;
        if (!m_co->u32At(co.payloadBegin() + 4, &n) || !m_stsc->u32At(stsc.payloadBegin() + 4, &runs)
            || !m_sz->u32At(sz.payloadBegin() + 4, &word))
            return;
        m_coBase = co.payloadBegin() + 8;
        m_chunkCount = qMin<qint64>(n, (co.payload().size() - 8) / (m_co64 ? 8 : 4));
        m_stscBase = stsc.payloadBegin() + 8;
        m_runCount = qMin<qint64>(runs, (stsc.payload().size() - 8) / 12);
        quint32 count = 0;
        if (!m_sz->u32At(sz.payloadBegin() + 8, &count))
            return;
        m_szBase = sz.payloadBegin() + 12;
        if (compact) {
            m_bits = int(word & 0xFF);
            if (m_bits != 4 && m_bits != 8 && m_bits != 16)
                return;
            m_sampleCount = qMin<qint64>(count, (sz.payload().size() - 12) * 8 / m_bits);
        } else if (word != 0) {
            m_uniform = word;
            m_sampleCount = count;
        } else {
            m_sampleCount = qMin<qint64>(count, (sz.payload().size() - 12) / 4);
        }
        m_valid = m_runCount > 0;
        loadRun(0);
    }

    // The next chunk; false at the end of the table or on damage.
    bool next(qint64 *offset, qint64 *size)
    {
        if (!m_valid || m_chunk >= m_chunkCount || m_sample >= m_sampleCount)
            return false;
        while (m_run + 1 < m_runCount && m_chunk + 1 >= m_nextRunFirst)
            loadRun(m_run + 1);
        if (!m_valid)
            return false;
        quint64 off = 0;
        if (m_co64) {
            quint32 hi = 0, lo = 0;
            if (!m_co->u32At(m_coBase + 8 * m_chunk, &hi) || !m_co->u32At(m_coBase + 8 * m_chunk + 4, &lo))
                return false;
            off = quint64(hi) << 32 | lo;
        } else {
            quint32 lo = 0;
            if (!m_co->u32At(m_coBase + 4 * m_chunk, &lo))
                return false;
            off = lo;
        }
        qint64 bytes = 0;
        const qint64 last = qMin<qint64>(m_sample + m_perChunk, m_sampleCount);
        if (m_uniform) {
            bytes = (last - m_sample) * m_uniform;
            m_sample = last;
        } else {
            for (; m_sample < last; ++m_sample) {
                quint32 s = 0;
                if (!sampleSize(m_sample, &s))
                    return false;
                bytes += s;
            }
        }
        ++m_chunk;
        if (off > quint64(m_src.size()))
            return false;
        *offset = qint64(off);
        *size = bytes;
        return true;
    }

private:
    static constexpr qint64 kWindow = 4096;

    void loadRun(qint64 run)
    {
        quint32 first = 0, per = 0, nextFirst = 0;
        if (!m_stsc->u32At(m_stscBase + 12 * run, &first) || !m_stsc->u32At(m_stscBase + 12 * run + 4, &per)
            || first < 1) {
            m_valid = false;
            return;
        }
        m_run = run;
        m_perChunk = per;
        m_nextRunFirst = m_chunkCount + 1;
        if (run + 1 < m_runCount && m_stsc->u32At(m_stscBase + 12 * (run + 1), &nextFirst))
            m_nextRunFirst = nextFirst;
    }

    bool sampleSize(qint64 i, quint32 *out)
    {
        quint32 w = 0;
        switch (m_bits) {
        case 32:
            return m_sz->u32At(m_szBase + 4 * i, out);
        case 16:
            if (!m_sz->u32At(m_szBase + ((2 * i) & ~qint64(3)), &w))
                return false;
            *out = (i & 1) ? (w & 0xFFFF) : (w >> 16);
            return true;
        case 8:
            if (!m_sz->u32At(m_szBase + (i & ~qint64(3)), &w))
                return false;
            *out = (w >> (24 - 8 * (i & 3))) & 0xFF;
            return true;
        default: // 4 bits, high nibble first
            if (!m_sz->u32At(m_szBase + ((i / 2) & ~qint64(3)), &w))
                return false;
            *out = (w >> (28 - 4 * (i & 7))) & 0xF;
            return true;
        }
    }

    ByteSource &m_src;
    std::unique_ptr<WordTableReader> m_co, m_stsc, m_sz;
    bool m_valid = false;
    bool m_co64 = false;
    qint64 m_coBase = 0, m_stscBase = 0, m_szBase = 0;
    qint64 m_chunkCount = 0, m_runCount = 0, m_sampleCount = 0;
    int m_bits = 32;
    quint32 m_uniform = 0;
    qint64 m_chunk = 0, m_sample = 0, m_run = 0, m_perChunk = 0, m_nextRunFirst = 0;
};

// The sample tables of every track of moov (trak/mdia/minf/stbl), from the shared tree.
std::vector<std::unique_ptr<ChunkWalker>> trackWalkers(ByteSource &src, const Mp4AtomTree &tree)
{
    std::vector<std::unique_ptr<ChunkWalker>> walkers;
    const int moov = tree.find("moov");
    if (moov < 0)
        return walkers;
    for (int trak : tree.children(moov)) {
        if (walkers.size() >= kMaxTracks)
            break;
        if (!tree.atoms()[trak].header.is("trak"))
            continue;
        const int stbl = tree.find("mdia.minf.stbl", trak);
        if (stbl >= 0)
            walkers.emplace_back(new ChunkWalker(src, tree, stbl));
    }
    return walkers;
}

// Without sample tables (no moov: a recording cut short) the gaps are unknown. Cameras put their
// blocks on 32 KiB boundaries of the file, so only those are probed, 12 bytes each.
QVector<BlockRef> scanAligned(ByteSource &src, const TopLevel &top)
{
    constexpr qint64 kAlign = 0x8000;
    QVector<BlockRef> blocks;
    qint64 probes = 0;
    for (const ByteRange &mdat : top.mdats) {
        for (qint64 pos = (mdat.begin + kAlign - 1) / kAlign * kAlign; mdat.end - pos >= 12;
             pos += kAlign) {
            if (blocks.isEmpty() && pos - mdat.begin > kFirstBlockWithin)
                return blocks;
            if (blocks.size() >= kMaxBlocks || ++probes > kMaxAlignedProbes)
                return blocks;
            char head[12];
            if (!src.readExact(pos, head, 12) || QByteArray(head + 4, 8) != kLiteral)
                continue;
            const quint32 size = qFromBigEndian<quint32>(head);
            BlockRef r{pos, qMin(mdat.end - pos, kMaxBlockBytes), {}};
            if (size >= 12 && size < r.len)
                r.len = size;
            blocks.append(r);
        }
    }
    return blocks;
}

// Looks for blocks in the gaps that the tracks' chunks leave inside each mdat, in file order.
// Reads the tables through small windows and only the first bytes of each gap.
QVector<BlockRef> scanMdatGaps(ByteSource &src, const Mp4AtomTree &tree, const TopLevel &top)
{
    QVector<BlockRef> blocks;
    auto walkers = trackWalkers(src, tree);
    if (walkers.empty())
        return scanAligned(src, top);
    // The tracks' chunks merged in offset order.
    struct Head { qint64 offset; qint64 size; size_t track; };
    auto later = [](const Head &a, const Head &b) { return a.offset > b.offset; };
    std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
    auto pull = [&](size_t track) {
        qint64 off = 0, size = 0;
        if (walkers[track]->next(&off, &size))
            heads.push(Head{off, size, track});
    };
    for (size_t i = 0; i < walkers.size(); ++i)
        pull(i);

    const quint64 startBytes = ByteSource::totalBytesRead();
    qint64 blockBytes = 0;
    int emptyGaps = 0;
    qint64 chunks = 0;
    auto overBudget = [&]() {
        return qint64(ByteSource::totalBytesRead() - startBytes) - blockBytes > kScanBudget;
    };
    // Reads the first bytes of one gap and takes the blocks it holds; false to stop scanning.
    auto probeGap = [&](qint64 begin, qint64 end) {
        if (end - begin < 12)
            return true;
        if (overBudget() || blocks.size() >= kMaxBlocks)
            return false;
        bool found = false;
        qint64 pos = begin;
        for (int i = 0; i < 64 && end - pos >= 12; ++i) {
            const QByteArray probe = src.readAt(pos, qMin(end - pos, kGapProbe));
            const int hit = probe.indexOf(kLiteral);
            if (hit < 4)
                break;
            const BlockRef r = blockAt(pos + hit - 4, end, begin, probe, pos);
            blocks.append(r);
            blockBytes += r.head.size();
            found = true;
            pos = r.pos + qMax<qint64>(r.len, 12);
        }
        emptyGaps = found ? 0 : emptyGaps + 1;
        return !(blocks.isEmpty() && emptyGaps >= kGapsBeforeGivingUp);
    };

    for (const ByteRange &mdat : top.mdats) {
        qint64 cursor = mdat.begin;
        bool go = true;
        while (go && !heads.empty() && heads.top().offset < mdat.end && ++chunks < kMaxChunks) {
            if (blocks.isEmpty() && (cursor - mdat.begin > kFirstBlockWithin || overBudget()))
                return blocks;
            const Head h = heads.top();
            heads.pop();
            pull(h.track);
            if (h.offset + h.size <= mdat.begin)
                continue;
            if (h.offset > cursor)
                go = probeGap(cursor, h.offset);
            cursor = qMax(cursor, h.offset + h.size);
        }
        if (go && cursor < mdat.end)
            go = probeGap(cursor, mdat.end);
        if (!go)
            break;
    }
    return blocks;
}

// Reads and decodes the blocks in file order; one positioned read each, a second only for the
// multi-record variants.
QVector<BlockFixes> decodeBlocks(ByteSource &src, QVector<BlockRef> refs, int *firstCode)
{
    std::sort(refs.begin(), refs.end(), [](const BlockRef &a, const BlockRef &b) { return a.pos < b.pos; });
    QVector<BlockFixes> decoded;
    DecodeState state;
    qint64 previousEnd = -1;
    int previousCode = 0;
    auto sameFix = [](const Fix &a, const Fix &b) {
        return a.hasPosition == b.hasPosition && a.latitude == b.latitude && a.longitude == b.longitude
            && a.speedKmh == b.speedKmh && a.course == b.course;
    };
    int fixCount = 0;
    for (BlockRef r : refs) {
        if (fixCount >= kMaxFixes)
            break;
        if (r.pos < previousEnd) // listed twice, or overlapping a block already taken
            continue;
        const qint64 want = qMin(r.len, kBlockPrefix);
        QByteArray bytes = r.head.size() >= want ? r.head : src.readAt(r.pos, want);
        // A block's own size word may be smaller than what its index entry says (trimmed files);
        // in the "free" + "freeGPS " form the word before the literal is no size.
        if (bytes.size() >= 4) {
            const qint64 own = qFromBigEndian<quint32>(bytes.constData());
            if (own >= 12 && own < r.len) {
                r.len = own;
                bytes.truncate(int(qMin<qint64>(own, bytes.size())));
            }
        }
        previousEnd = r.pos + qMax<qint64>(r.len, 1);
        BlockFixes fixes;
        DecodeState tried = state;
        const bool whole = bytes.size() >= r.len;
        int code = freegps::decodeBlock(bytes, whole, &tried, &fixes);
        if (code == freegps::kNeedWholeBlock) {
            fixes.clear();
            tried = state;
            bytes = src.readAt(r.pos, r.len);
            code = freegps::decodeBlock(bytes, true, &tried, &fixes);
        }
        state = tried;
        if (code > 0 && !fixes.isEmpty() && *firstCode == 0)
            *firstCode = code;
        // 70mai cameras write a block per video frame with the same fix for a second; without a
        // clock only a change of fix marks the next second.
        const bool repeat = code == kFreeGps70mai && previousCode == code
            && fixes.size() == 1 && decoded.last().size() == 1 && sameFix(fixes[0], decoded.last()[0]);
        previousCode = code;
        if (!repeat) {
            fixCount += fixes.size();
            decoded.append(fixes);
        }
    }
    return decoded;
}

} // namespace

LayoutResult readFreeGpsMp4(ByteSource &src, const ReadContext &ctx)
{
    LayoutResult result;
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    const TopLevel top = topLevel(src, tree);
    if (!top.ok)
        return result;
    QVector<BlockRef> refs = indexedBlocks(src, tree);
    refs += top.freeBlocks;
    int firstCode = 0;
    QVector<BlockFixes> decoded = decodeBlocks(src, refs, &firstCode);
    if (firstCode == 0) {
        // No block validated through the index or the free boxes: the index may be empty or
        // wrong, or the firmware writes none. Look between the chunks.
        const QVector<BlockRef> scanned = scanMdatGaps(src, tree, top);
        refs += scanned;
        if (!scanned.isEmpty())
            decoded = decodeBlocks(src, refs, &firstCode);
    }
    const bool marked = !refs.isEmpty();
    if (firstCode == 0) {
        result.status = marked ? ReadStatus::Damaged : ReadStatus::None;
        return result;
    }
    result.samples = freegps::buildSamples(decoded);
    result.status = result.samples.isEmpty() ? ReadStatus::Damaged : ReadStatus::Found;
    result.code = firstCode;
    result.name = freegps::variantName(firstCode);
    return result;
}
