#include "bytesource.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::atomic<quint64> g_bytesRead{0};
} // namespace

ByteRange ByteRange::sub(qint64 pos, qint64 n) const
{
    ByteRange r;
    r.begin = std::clamp(pos, begin, std::max(begin, end));
    r.end = r.begin;
    if (n > 0)
        r.end = r.begin + std::min(n, end - r.begin);
    return r;
}

ByteRange ByteRange::intersected(const ByteRange &other) const
{
    ByteRange r{std::max(begin, other.begin), std::min(end, other.end)};
    if (r.end < r.begin)
        r.end = r.begin;
    return r;
}

ByteSource::ByteSource(const QString &path)
    : m_path(path)
{
    openFile();
}

void ByteSource::openFile()
{
    m_open = false;
    m_size = 0;
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("no file name");
        return;
    }
    // Without O_NONBLOCK, opening a FIFO waits for a writer: forever on a planted one. The type
    // is checked on the descriptor itself, so the file cannot be swapped after the check.
    const QByteArray native = QFile::encodeName(m_path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = S_ISDIR(st.st_mode) ? QStringLiteral("is a directory")
                                      : QStringLiteral("not a regular file");
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = qint64(st.st_size);
    m_open = true;
    m_error.clear();
}

ByteSource ByteSource::fromBytes(const QByteArray &bytes)
{
    ByteSource s;
    s.m_memory = bytes;
    s.m_memoryBacked = true;
    s.m_open = true;
    s.m_size = bytes.size();
    return s;
}

ByteSource::ByteSource(ByteSource &&other) noexcept
    : m_path(std::move(other.m_path))
    , m_error(std::move(other.m_error))
    , m_fd(other.m_fd)
    , m_memory(std::move(other.m_memory))
    , m_memoryBacked(other.m_memoryBacked)
    , m_open(other.m_open)
    , m_size(other.m_size)
{
    other.m_fd = -1;
    other.m_open = false;
    other.m_size = 0;
}

ByteSource::~ByteSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 ByteSource::readAt(qint64 pos, char *dst, qint64 n)
{
    if (!m_open || dst == nullptr || pos < 0 || n <= 0 || pos >= m_size)
        return 0;
    const qint64 want = std::min(n, m_size - pos);
    qint64 got = 0;
    if (m_memoryBacked) {
        std::memcpy(dst, m_memory.constData() + pos, size_t(want));
        got = want;
    } else {
        // One positioned read: no seek, no buffering, nothing shared between readers.
        while (got < want) {
            const ssize_t r = ::pread(m_fd, dst + got, size_t(want - got), off_t(pos + got));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            got += r;
        }
    }
    g_bytesRead.fetch_add(quint64(got), std::memory_order_relaxed);
    return got;
}

QByteArray ByteSource::readAt(qint64 pos, qint64 n)
{
    if (!m_open || pos < 0 || n <= 0 || pos >= m_size)
        return QByteArray();
    const qint64 want = std::min(n, m_size - pos);
    QByteArray out(int(std::min<qint64>(want, INT_MAX - 1)), Qt::Uninitialized);
    const qint64 got = readAt(pos, out.data(), out.size());
    out.resize(int(got));
    return out;
}

bool ByteSource::readU8(qint64 pos, quint8 *out)
{
    char b = 0;
    if (readAt(pos, &b, 1) != 1)
        return false;
    *out = quint8(b);
    return true;
}

bool ByteSource::readU16BE(qint64 pos, quint16 *out)
{
    uchar b[2];
    if (readAt(pos, reinterpret_cast<char *>(b), 2) != 2)
        return false;
    *out = qFromBigEndian<quint16>(b);
    return true;
}

bool ByteSource::readU32BE(qint64 pos, quint32 *out)
{
    uchar b[4];
    if (readAt(pos, reinterpret_cast<char *>(b), 4) != 4)
        return false;
    *out = qFromBigEndian<quint32>(b);
    return true;
}

bool ByteSource::readU64BE(qint64 pos, quint64 *out)
{
    uchar b[8];
    if (readAt(pos, reinterpret_cast<char *>(b), 8) != 8)
        return false;
    *out = qFromBigEndian<quint64>(b);
    return true;
}

bool ByteSource::readU16LE(qint64 pos, quint16 *out)
{
    uchar b[2];
    if (readAt(pos, reinterpret_cast<char *>(b), 2) != 2)
        return false;
    *out = qFromLittleEndian<quint16>(b);
    return true;
}

bool ByteSource::readU32LE(qint64 pos, quint32 *out)
{
    uchar b[4];
    if (readAt(pos, reinterpret_cast<char *>(b), 4) != 4)
        return false;
    *out = qFromLittleEndian<quint32>(b);
    return true;
}

quint64 ByteSource::totalBytesRead()
{
    return g_bytesRead.load(std::memory_order_relaxed);
}

void ByteSource::resetTotalBytesRead()
{
    g_bytesRead.store(0, std::memory_order_relaxed);
}

bool WordTableReader::u32At(qint64 pos, quint32 *out)
{
    if (!m_range.contains(pos, 4))
        return false;
    if (m_bufferBegin < 0 || pos < m_bufferBegin || m_buffer.size() < 4
        || pos - m_bufferBegin > m_buffer.size() - 4) {
        m_bufferBegin = pos;
        m_buffer = m_src.readAt(pos, std::min(m_window, m_range.end - pos));
        if (m_buffer.size() < 4)
            return false;
    }
    *out = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(m_buffer.constData())
                                   + (pos - m_bufferBegin));
    return true;
}

bool plausibleBoxType(const char *type)
{
    for (int i = 0; i < 4; ++i) {
        const uchar c = uchar(type[i]);
        if ((c < 0x20 || c > 0x7e) && c != 0xa9)
            return false;
    }
    return true;
}

bool resolveBoxSize(ByteSource &src, qint64 limit, BoxHeader *h, const uchar *size64Bytes,
                    BoxFit fit)
{
    const qint64 pos = h->start;
    const qint64 room = limit - pos;
    quint64 stated = 0;
    h->clipped = false;
    if (h->sizeWord == 0) {
        // Runs to the end of whatever encloses it.
        h->headerSize = 8;
        h->size = room;
        return true;
    }
    if (h->sizeWord == 1) {
        if (room < 16)
            return false;
        if (size64Bytes != nullptr)
            stated = qFromBigEndian<quint64>(size64Bytes);
        else if (!src.readU64BE(pos + 8, &stated))
            return false;
        h->headerSize = 16;
        if (stated < 16)
            return false;
    } else if (h->sizeWord < 8) {
        return false;
    } else {
        h->headerSize = 8;
        stated = h->sizeWord;
    }
    if (stated <= quint64(room)) {
        h->size = qint64(stated);
        return true;
    }
    if (fit != BoxFit::Clip || !plausibleBoxType(h->type))
        return false;
    h->size = room;
    h->clipped = true;
    return true;
}

bool readBoxHeader(ByteSource &src, qint64 pos, qint64 limit, BoxHeader *out, BoxFit fit)
{
    limit = std::min(limit, src.size());
    if (pos < 0 || limit < 8 || pos > limit - 8)
        return false;
    uchar head[8];
    if (src.readAt(pos, reinterpret_cast<char *>(head), 8) != 8)
        return false;
    BoxHeader h;
    h.start = pos;
    h.sizeWord = qFromBigEndian<quint32>(head);
    std::memcpy(h.type, head + 4, 4);
    h.type[4] = 0;
    if (!resolveBoxSize(src, limit, &h, nullptr, fit))
        return false;
    *out = h;
    return true;
}
