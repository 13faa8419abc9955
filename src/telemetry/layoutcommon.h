#pragma once

// Small pieces shared by the layout readers (not part of the public interface).

#include "assistinfo.h"
#include "bytesource.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QtEndian>
#include <cstring>

namespace layout {

// The readers narrate every box and sample on the debug log; the text is only built when the
// log is on (a hostile table of 100,000 entries must not cost 100,000 formatted lines).
inline bool debugOn()
{
    return QLoggingCategory::defaultCategory()->isDebugEnabled();
}

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

// IEEE floats stored at p, little- or big-endian; the caller has checked that the bytes are there.
inline double f64le(const void *p)
{
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
inline float f32le(const void *p)
{
    const quint32 bits = qFromLittleEndian<quint32>(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
inline float f32be(const void *p)
{
    const quint32 bits = qFromBigEndian<quint32>(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Bytes from offset up to the first NUL (or the end of the block).
inline QByteArray textAt(const QByteArray &block, int offset)
{
    if (offset < 0 || offset >= block.size())
        return QByteArray();
    const int nul = block.indexOf('\0', offset);
    return block.mid(offset, nul < 0 ? -1 : nul - offset);
}

// textAt without the copy: the text as a view of bytes[offset, size), valid while bytes live.
// Not NUL-terminated: copy it before handing constData() to a %s.
inline QByteArray textView(const char *bytes, int size, int offset)
{
    if (offset < 0 || offset >= size)
        return QByteArray();
    const char *text = bytes + offset;
    const void *nul = std::memchr(text, 0, size_t(size - offset));
    return QByteArray::fromRawData(text, nul ? int(static_cast<const char *>(nul) - text)
                                             : size - offset);
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
