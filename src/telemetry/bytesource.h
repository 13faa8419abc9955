#pragma once

#include <QByteArray>
#include <QFile> // kept for includers that relied on it
#include <QString>
#include <QtGlobal>

// A half-open range [begin, end) of file offsets: "the bytes of this box". Readers hand these
// down to children so that nothing inside a box can be read from outside it.
struct ByteRange
{
    qint64 begin = 0;
    qint64 end = 0;

    qint64 size() const { return end > begin ? end - begin : 0; }
    bool isEmpty() const { return end <= begin; }
    // True when n bytes starting at pos lie wholly inside the range. Written as subtractions
    // so that large untrusted values cannot overflow.
    bool contains(qint64 pos, qint64 n) const
    {
        return n >= 0 && pos >= begin && pos <= end && n <= end - pos;
    }
    // The part of this range that starts at pos and is at most n bytes long.
    ByteRange sub(qint64 pos, qint64 n) const;
    // The overlap of two ranges (empty when they do not meet).
    ByteRange intersected(const ByteRange &other) const;
};

// Positioned, bounded reads from one file. Every reader of untrusted recordings goes through
// this class: reads never go past the end of the file, short reads report what exists, and a
// process-wide counter tells how many bytes were pulled from files (the telemetry tool and the
// benchmarks print it).
//
// Only regular files are opened: a FIFO, a device or a directory is refused at once (checked on
// the opened descriptor, which is opened without blocking), so a path from an untrusted folder
// can never hang the caller. errorString() says why a source is not open.
//
// A ByteSource may instead be built over bytes in memory (the fuzz target uses that); reads then
// behave the same and count the same.
class ByteSource
{
public:
    explicit ByteSource(const QString &path);
    // In-memory source (copies are cheap: QByteArray is implicitly shared).
    static ByteSource fromBytes(const QByteArray &bytes);
    ByteSource(const ByteSource &) = delete;
    ByteSource &operator=(const ByteSource &) = delete;
    ByteSource(ByteSource &&other) noexcept;
    ~ByteSource();

    bool isOpen() const { return m_open; }
    // Why the file is not open ("not a regular file", the system's message); empty when open.
    QString errorString() const { return m_error; }
    qint64 size() const { return m_size; }
    ByteRange whole() const { return ByteRange{0, m_size}; }

    // Reads up to n bytes at pos into dst; returns the number read (0 past the end or on error,
    // never more than size() - pos).
    qint64 readAt(qint64 pos, char *dst, qint64 n);
    // The bytes at [pos, pos + n) clipped to what exists.
    QByteArray readAt(qint64 pos, qint64 n);
    // Exactly n bytes or false (dst untouched past what was read).
    bool readExact(qint64 pos, char *dst, qint64 n) { return n >= 0 && readAt(pos, dst, n) == n; }

    bool readU8(qint64 pos, quint8 *out);
    bool readU16BE(qint64 pos, quint16 *out);
    bool readU32BE(qint64 pos, quint32 *out);
    bool readU64BE(qint64 pos, quint64 *out);
    bool readU16LE(qint64 pos, quint16 *out);
    bool readU32LE(qint64 pos, quint32 *out);

    static quint64 totalBytesRead();
    static void resetTotalBytesRead();

private:
    ByteSource() = default;
    void openFile();

    QString m_path;
    QString m_error;
    int m_fd = -1;
    QByteArray m_memory;
    bool m_memoryBacked = false;
    bool m_open = false;
    qint64 m_size = 0;
};

// Reads big-endian words of one table (a range of the file) through a small window, so that a
// table of any declared size costs neither memory nor more than one read per window. Words
// outside the range read as missing.
class WordTableReader
{
public:
    WordTableReader(ByteSource &src, const ByteRange &range, qint64 window = 16 * 1024)
        : m_src(src)
        , m_range(range)
        , m_window(window < 8 ? 8 : window)
    {
    }
    bool u32At(qint64 pos, quint32 *out);
    const ByteRange &range() const { return m_range; }

private:
    ByteSource &m_src;
    ByteRange m_range;
    qint64 m_window;
    qint64 m_bufferBegin = -1;
    QByteArray m_buffer;
};

// An ISO BMFF box header as found in the file.
struct BoxHeader
{
    qint64 start = 0;      // offset of the size field
    qint64 size = 0;       // whole box including the header (after size 0/1 resolution)
    qint64 headerSize = 8; // 8, or 16 with a 64-bit size
    quint32 sizeWord = 0;  // the 32-bit size field as stored (0, 1 or the size)
    char type[5] = {0, 0, 0, 0, 0};
    // The stated size ran past what encloses the box (its parent, or the end of a file cut
    // short) and size was cut to it: the box's own bytes end early.
    bool clipped = false;

    qint64 payloadBegin() const { return start + headerSize; }
    qint64 end() const { return start + size; }
    ByteRange payload() const { return ByteRange{start + headerSize, start + size}; }
    bool is(const char *fourcc) const
    {
        return type[0] == fourcc[0] && type[1] == fourcc[1] && type[2] == fourcc[2]
            && type[3] == fourcc[3];
    }
};

// What a box header that states more bytes than its enclosing range holds means.
enum class BoxFit {
    // Not a box: the walk of that list ends there.
    Whole,
    // A box cut short (a recording interrupted while it was written, a child that states more
    // than its parent holds): kept, cut to the range and marked clipped, as long as its type
    // reads as four characters. Trailing bytes that are no box (an index table, a maker's
    // trailer) rarely do, and so never swallow the end of the file.
    Clip,
};

// Reads the box header at pos inside an enclosing range ending at limit. Size 0 means "up to
// limit", size 1 means a 64-bit size follows; sizes 2..7 (and 64-bit sizes below 16) are smaller
// than any header and rejected. A box that does not fit before limit is rejected or clipped, as
// fit says. Returns false when no box starts at pos.
bool readBoxHeader(ByteSource &src, qint64 pos, qint64 limit, BoxHeader *out,
                   BoxFit fit = BoxFit::Whole);
// The same size rules for a header whose start, size word and type are already in h: fills size,
// headerSize and clipped. The 64-bit size is taken from size64Bytes when the caller has read it,
// else from the file. False when the box cannot be.
bool resolveBoxSize(ByteSource &src, qint64 limit, BoxHeader *h, const uchar *size64Bytes,
                    BoxFit fit = BoxFit::Whole);
// Whether four type bytes read as a box type: printable ASCII, or QuickTime's copyright sign
// (0xA9) that starts the types of its text boxes.
bool plausibleBoxType(const char *type);

