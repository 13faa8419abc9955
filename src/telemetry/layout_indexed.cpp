// Layouts whose block positions come from an index table at the very end of the file: L entries
// of 8 bytes (block offset, block size; big-endian). Layouts 7 and 8 keep 8 more bytes in front
// of the entries, which we step over.

#include "assistfile.h"
#include "bytesource.h"
#include "layoutcommon.h"
#include "nmea.h"
#include "xorrecord.h"

#include <QDebug>
#include <algorithm>

namespace {

constexpr qint64 indexedBlockSize = 280;      // layout 5 with a gps box length
constexpr qint64 v2BlockTail = 5120;          // layout 7 blocks end in 5 KiB we do not read
constexpr qint64 maskedPrefix = 203;          // layout 8: bytes under the XOR mask
// Layouts 7 and 8 read a block of the size that its table entry states. Telemetry needs a few
// hundred bytes of it; a hostile entry may state 4 GiB.
constexpr qint64 blockReadCap = 16 * 1024;

struct IndexEntry
{
    quint32 offset = 0;
    quint32 size = 0;
};

// Calls visit(entry, index) for each of the L table entries in file order. The table must lie wholly
// inside the file; it is read through a window, so a huge L costs no memory.
template <typename Visit>
bool forEachIndexEntry(ByteSource &src, int L, qint64 leadingBytes, Visit visit)
{
    if (L <= 0)
        return false;
    const qint64 tableBytes = 8 * qint64(L);
    if (tableBytes > src.size() - leadingBytes)
        return false; // a table longer than the file is not a table
    const qint64 first = src.size() - tableBytes;
    WordTableReader table(src, ByteRange{first, src.size()}, 64 * 1024);
    const qint64 entries = std::min<qint64>(L, layout::maxSamples);
    for (qint64 i = 0; i < entries; ++i) {
        IndexEntry e;
        if (!table.u32At(first + 8 * i, &e.offset) || !table.u32At(first + 8 * i + 4, &e.size))
            break;
        visit(e, i);
    }
    return true;
}

AssistInfo gSample(qint32 gx, qint32 gy, qint32 gz, qint32 xOffset)
{
    layout::zeroIfGlitch(&gx, &gy, &gz);
    AssistInfo info;
    info.x = float(gx - xOffset) / 1024.0f;
    info.y = float(gy) / 1024.0f;
    info.z = float(gz) / 1024.0f;
    return info;
}

// "ddmmmmmm" (degrees as written, minutes x 10000) to "dd.fffff" degrees text.
QString maskedCoordinate(const QByteArray &digits, int degreeDigits, bool negative)
{
    const QByteArray degrees = digits.left(degreeDigits);
    const qint64 minutes = leadingInteger(digits.mid(degreeDigits, 6));
    const qint64 fraction = minutes / 60 * 10;
    QString text = QString::fromLatin1(degrees) + QLatin1Char('.')
        + QStringLiteral("%1").arg(fraction, 5, 10, QLatin1Char('0'));
    if (negative)
        text.prepend(QLatin1Char('-'));
    return text;
}

bool digitsOnly(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

int AssistFile::readIndexedBlocks(ByteSource &src, int L)
{
    m_samples.clear();
    bool anySentence = false;
    forEachIndexEntry(src, L, 0, [&](const IndexEntry &e, qint64 i) {
        if (layout::debugOn())
            qDebug() << "offsetInt:" << e.offset << e.size;
        const QByteArray block = layout::readBlockPadded(src, e.offset, indexedBlockSize);
        if (block.isEmpty())
            return;
        AssistInfo info = gSample(layout::le32(block, 124), layout::le32(block, 128),
                                  layout::le32(block, 132), 800);
        info.timeMs = i * 1000;
        const QByteArray sentence = layout::textAt(block, 137);
        layout::applySentence(&info, sentence);
        anySentence = anySentence || layout::looksLikeNmea(sentence);
        m_samples.append(info);
    });
    // Blocks of which not one holds a sentence are not telemetry blocks.
    if (!anySentence)
        m_samples.clear();
    return m_samples.size();
}

int AssistFile::readIndexedBlocksV2(ByteSource &src, int L)
{
    m_samples.clear();
    forEachIndexEntry(src, L, 8, [&](const IndexEntry &e, qint64 i) {
        if (layout::debugOn())
            qDebug() << "offsetInt:" << e.offset << e.size;
        if (e.size <= v2BlockTail)
            return;
        const qint64 wanted = std::min<qint64>(qint64(e.size) - v2BlockTail, blockReadCap);
        QByteArray block = layout::readBlockPadded(src, e.offset, wanted);
        if (block.isEmpty())
            return;
        // Fields that the stated size does not reach read as 0.
        if (block.size() < 106)
            block.append(QByteArray(int(106 - block.size()), '\0'));
        AssistInfo info = gSample(layout::le32(block, 92), layout::le32(block, 96),
                                  layout::le32(block, 100), 0);
        info.timeMs = i * 1000;
        layout::applySentence(&info, layout::textAt(block, 105));
        m_samples.append(info);
    });
    return m_samples.size();
}

int AssistFile::readMaskedBlocks(ByteSource &src, int L)
{
    m_samples.clear();
    forEachIndexEntry(src, L, 8, [&](const IndexEntry &e, qint64 i) {
        if (layout::debugOn())
            qDebug() << "offsetInt:" << e.offset << e.size;
        const qint64 wanted = std::min<qint64>(e.size, blockReadCap);
        QByteArray block = layout::readBlockPadded(src, e.offset, wanted);
        if (block.isEmpty())
            return;
        // From byte 18 on, the masked text is the camera chip's XOR text record, whose stamp is
        // the GPS receiver's date and time.
        xorrecord::Record record;
        const qint64 utcMs =
            xorrecord::read(block.mid(18, xorrecord::kTextBytes), &record) ? record.stampMs : -1;
        const int masked = int(std::min<qint64>(block.size(), maskedPrefix));
        block = xorrecord::unmask(block, 0, masked) + block.mid(masked);
        if (block.size() < 204)
            block.append(QByteArray(int(204 - block.size()), '\0'));

        // "N22321234E114031234": hemisphere, degrees, minutes x 10000, for each axis.
        AssistInfo info;
        info.timeMs = i * 1000;
        const QByteArray position = layout::textAt(block, 56);
        bool latitudeSet = false;
        bool longitudeSet = false;
        if (position.size() >= 8) {
            const char ns = position.at(0);
            if (ns == 'N' || ns == 'S') {
                info.latitude = maskedCoordinate(position.mid(1, 8), 2, ns == 'S');
                latitudeSet = digitsOnly(position.mid(1, 8));
            }
            const char ew = position.size() > 9 ? position.at(9) : '\0';
            if (ew == 'E' || ew == 'W') {
                info.longitude = maskedCoordinate(position.mid(10, 9), 3, ew == 'W');
                longitudeSet = digitsOnly(position.mid(10, 9));
            }
        }
        // The block has no fix flag: both hemisphere letters with their digits are the fix.
        markPosition(&info, latitudeSet && longitudeSet);
        // "+098-012+100": X, Y, Z in 1/100 g, four characters each.
        const QByteArray g = layout::textAt(block, 191);
        info.x = float(leadingDouble(g.mid(0, 4)) / 100.0);
        info.y = float(leadingDouble(g.mid(4, 4)) / 100.0);
        info.z = float(leadingDouble(g.mid(8, 4)) / 100.0);
        info.speed = int32_t(qBound<qint64>(INT32_MIN, leadingInteger(layout::textAt(block, 80)),
                                            INT32_MAX));
        info.course = 0;
        info.setUtc(utcMs, AssistInfo::Clock::Gps);
        m_samples.append(info);
    });
    return m_samples.size();
}
