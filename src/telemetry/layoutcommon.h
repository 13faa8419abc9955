#pragma once

// Small pieces shared by the layout readers (not part of the public interface).

#include "assistinfo.h"
#include "bytesource.h"

#include <QByteArray>
#include <QtEndian>

namespace layout {

// No reader takes more than this many samples (27 hours at one a second). Tables are cut to
// their box and file already, but a 2 GB box of chunk offsets would still mean half a billion
// positioned reads: a hostile file must not keep the window busy for minutes.
constexpr qint64 maxSamples = 100000;

// n bytes at pos with missing bytes as 0; empty when pos lies at or past the end of the file
// (a block that is not there at all yields no sample).
inline QByteArray readBlockPadded(ByteSource &src, qint64 pos, qint64 n)
{
    if (pos < 0 || pos >= src.size() || n <= 0)
        return QByteArray();
    QByteArray block = src.readAt(pos, n);
    if (block.isEmpty())
        return block;
    if (block.size() < n)
        block.append(QByteArray(int(n - block.size()), '\0'));
    return block;
}

inline qint32 le32(const QByteArray &block, int offset)
{
    if (offset < 0 || offset > block.size() - 4)
        return 0;
    return qFromLittleEndian<qint32>(reinterpret_cast<const uchar *>(block.constData()) + offset);
}

// Bytes from offset up to the first NUL (or the end of the block).
inline QByteArray textAt(const QByteArray &block, int offset)
{
    if (offset < 0 || offset >= block.size())
        return QByteArray();
    const int nul = block.indexOf('\0', offset);
    return block.mid(offset, nul < 0 ? -1 : nul - offset);
}

// A reading beyond ten g on any axis is a sensor glitch: all three axes are dropped together.
inline void zeroIfGlitch(qint32 *x, qint32 *y, qint32 *z)
{
    auto bad = [](qint32 v) { return v < -10000 || v > 10000; };
    if (bad(*x) || bad(*y) || bad(*z))
        *x = *y = *z = 0;
}

// GGA sentences are recognised by their talker/type; everything else is tried as RMC. The
// sample gets a position when the sentence reports a fix.
void applySentence(AssistInfo *info, const QByteArray &sentence);

// Whether text starts like an NMEA 0183 sentence ("$GPRMC,", "$GNGGA,", ...): the mark that a
// block really is a telemetry block.
bool looksLikeNmea(const QByteArray &text);

} // namespace layout
