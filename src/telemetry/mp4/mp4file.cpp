#include "mp4file.h"

#include <algorithm>

namespace {

// Integer properties the player asks for: box type, property name, payload offset, width.
struct PropertyField
{
    const char *box;
    const char *name;
    int offset;
    int width;
};

// The gps box of Novatek recordings starts with two big-endian words, a version and the number
// of (offset, size) entries of its table.
const PropertyField kProperties[] = {
    {"gps ", "version", 0, 4},
    {"gps ", "length", 4, 4},
};

} // namespace

Mp4File::Mp4File(std::unique_ptr<ByteSource> owned)
    : m_owned(std::move(owned))
    , m_source(m_owned.get())
{
}

Mp4File::Mp4File(ByteSource *borrowed)
    : m_source(borrowed)
{
}

std::unique_ptr<Mp4File> Mp4File::open(ByteSource &borrowed)
{
    std::unique_ptr<Mp4File> file(new Mp4File(&borrowed));
    if (!file->init())
        return nullptr;
    return file;
}

std::unique_ptr<Mp4File> Mp4File::open(ByteSource &borrowed, const Mp4AtomTree &walked)
{
    std::unique_ptr<Mp4File> file(new Mp4File(&borrowed));
    file->m_tree = walked; // QVector shares the atoms
    if (!borrowed.isOpen() || file->m_tree.isEmpty() || !file->listTracks())
        return nullptr;
    return file;
}

std::unique_ptr<Mp4File> Mp4File::open(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    std::unique_ptr<Mp4File> file(new Mp4File(std::make_unique<ByteSource>(path)));
    if (!file->init())
        return nullptr;
    return file;
}

std::unique_ptr<Mp4File> Mp4File::openBytes(const QByteArray &bytes)
{
    std::unique_ptr<Mp4File> file(
        new Mp4File(std::make_unique<ByteSource>(ByteSource::fromBytes(bytes))));
    if (!file->init())
        return nullptr;
    return file;
}

bool Mp4File::init()
{
    return m_source->isOpen() && m_tree.walk(*m_source) && listTracks();
}

bool Mp4File::listTracks()
{
    const int moov = m_tree.child(-1, "moov");
    if (moov < 0)
        return false;
    for (int i : m_tree.children(moov)) {
        if (m_tree.atoms()[i].header.is("trak") && m_tracks.size() < kMaxTracks)
            m_tracks.append(readTrack(i));
    }
    return true;
}

Mp4File::Track Mp4File::readTrack(int trak)
{
    Track t;
    ByteSource &src = *m_source;
    const auto &atoms = m_tree.atoms();

    const int tkhd = m_tree.child(trak, "tkhd");
    if (tkhd >= 0) {
        const qint64 p = atoms[tkhd].header.payloadBegin();
        quint8 version = 0;
        // Version 1 has 64-bit creation and modification times before the track id.
        if (src.readU8(p, &version) && atoms[tkhd].header.payload().contains(p, 24))
            src.readU32BE(p + (version == 1 ? 20 : 12), &t.info.id);
    }
    const int mdia = m_tree.child(trak, "mdia");
    // child(-1, ...) would search the top-level list: for each track without mdia, all of it.
    const int mdhd = mdia >= 0 ? m_tree.child(mdia, "mdhd") : -1;
    if (mdia >= 0 && mdhd >= 0) {
        const qint64 p = atoms[mdhd].header.payloadBegin();
        quint8 version = 0;
        if (src.readU8(p, &version) && atoms[mdhd].header.payload().contains(p, 24))
            src.readU32BE(p + (version == 1 ? 20 : 12), &t.info.timeScale);
    }
    const int hdlr = mdia >= 0 ? m_tree.child(mdia, "hdlr") : -1;
    if (hdlr >= 0 && atoms[hdlr].header.payload().size() >= 12)
        t.info.handlerType = src.readAt(atoms[hdlr].header.payloadBegin() + 8, 4);

    const int minf = mdia >= 0 ? m_tree.child(mdia, "minf") : -1;
    const int stbl = minf >= 0 ? m_tree.child(minf, "stbl") : -1;
    if (stbl < 0)
        return t;
    for (int i : m_tree.children(stbl)) {
        const BoxHeader &h = atoms[i].header;
        if (t.boxes.note(h))
            continue;
        if (h.is("stsd") && h.payload().size() >= 16)
            t.info.sampleEntryType = src.readAt(h.payloadBegin() + 12, 4);
    }
    t.info.sampleCount = mp4SampleCount(src, t.boxes.stsz);
    return t;
}

bool Mp4File::integerProperty(const QByteArray &name, quint64 *value)
{
    const int dot = name.lastIndexOf('.');
    if (dot <= 0)
        return false;
    const int atom = m_tree.find(name.left(dot));
    if (atom < 0)
        return false;
    const BoxHeader &h = m_tree.atoms()[atom].header;
    const QByteArray property = name.mid(dot + 1);
    for (const PropertyField &f : kProperties) {
        if (!h.is(f.box) || property != f.name)
            continue;
        const qint64 pos = h.payloadBegin() + f.offset;
        if (!h.payload().contains(pos, f.width))
            return false;
        quint32 v = 0;
        if (!m_source->readU32BE(pos, &v))
            return false;
        *value = v;
        return true;
    }
    return false;
}

int Mp4File::trackIndexById(quint32 id) const
{
    if (id == 0)
        return -1;
    for (int i = 0; i < m_tracks.size(); ++i) {
        if (m_tracks[i].info.id == id)
            return i;
    }
    return -1;
}

QByteArray Mp4File::readSampleBytes(qint64 offset, quint32 n)
{
    constexpr qint64 kWindow = 64 * 1024;
    constexpr quint32 kSmallSample = 16 * 1024;
    const bool follows = offset == m_lastSampleEnd;
    m_lastSampleEnd = offset + qint64(n);
    if (m_windowBegin >= 0 && offset >= m_windowBegin
        && qint64(n) <= m_window.size() - (offset - m_windowBegin))
        return m_window.mid(int(offset - m_windowBegin), int(n));
    if (!follows || n > kSmallSample)
        return m_source->readAt(offset, n);
    m_window = m_source->readAt(offset, std::max<qint64>(n, kWindow));
    m_windowBegin = offset;
    return m_window.left(int(n));
}

bool Mp4File::readSample(int trackIndex, quint32 sampleId, Mp4Sample *out, quint32 maxBytes,
                         bool skipLarger)
{
    if (trackIndex < 0 || trackIndex >= m_tracks.size())
        return false;
    Track &t = m_tracks[trackIndex];
    if (sampleId == 0 || sampleId > t.info.sampleCount)
        return false;
    if (!t.table.isLoaded())
        t.table.load(*m_source, t.boxes);
    Mp4SampleTable::Location where;
    if (!t.table.locate(sampleId, m_source->size(), &where) || where.size > kMaxSampleSize)
        return false;
    const quint32 wanted = skipLarger && where.size > maxBytes ? 0 : std::min(where.size, maxBytes);
    QByteArray bytes = wanted > 0 ? readSampleBytes(where.offset, wanted) : QByteArray();
    if (bytes.size() != int(wanted))
        return false;
    out->bytes = bytes;
    out->size = where.size;
    out->startTime = where.startTime;
    out->duration = where.duration;
    out->offset = where.offset;
    return true;
}
