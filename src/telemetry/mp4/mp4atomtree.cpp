#include "mp4atomtree.h"

#include <QList>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

// Boxes whose payload is a list of boxes: the track structure every reader walks (moov, trak,
// mdia, minf, stbl, edts, dinf, tref), the user data and metadata the detection and the
// metadata readers look into (udta, meta, TomTom's TTMD), and fragments (mvex, moof, traf,
// mfra). Everything else is a leaf to the walk.
bool isContainer(const BoxHeader &h)
{
    static const char *const kContainers[] = {"moov", "trak", "mdia", "minf", "stbl", "udta",
                                              "edts", "dinf", "mvex", "moof", "traf", "mfra",
                                              "tref", "meta", "TTMD"};
    for (const char *c : kContainers) {
        if (h.is(c))
            return true;
    }
    return false;
}

// ISO "meta" is a full box (4 bytes of version and flags before its children); QuickTime's
// "meta" starts with its children directly. QuickTime's first child is always "hdlr". The probe
// stays inside the box.
qint64 metaChildBegin(ByteSource &src, const BoxHeader &h)
{
    char probe[8];
    if (h.payload().contains(h.payloadBegin(), 8) && src.readAt(h.payloadBegin(), probe, 8) == 8
        && std::memcmp(probe + 4, "hdlr", 4) == 0)
        return h.payloadBegin();
    return h.payloadBegin() + 4;
}

} // namespace

// readBoxHeader's rules (BoxFit::Clip) over the window.
bool Mp4AtomTree::header(ByteSource &src, qint64 pos, qint64 limit, BoxHeader *out)
{
    constexpr qint64 kWindow = 4096;
    limit = std::min(limit, src.size());
    if (pos < 0 || limit < 8 || pos > limit - 8)
        return false;
    const qint64 want = std::min<qint64>(16, limit - pos);
    if (m_windowBegin < 0 || pos < m_windowBegin
        || want > m_window.size() - (pos - m_windowBegin)) {
        m_windowBegin = pos;
        m_window = src.readAt(pos, std::min(kWindow, limit - pos));
        if (m_window.size() < 8)
            return false;
    }
    const uchar *head = reinterpret_cast<const uchar *>(m_window.constData()) + (pos - m_windowBegin);
    const qint64 have = m_window.size() - (pos - m_windowBegin);
    BoxHeader h;
    h.start = pos;
    h.sizeWord = qFromBigEndian<quint32>(head);
    std::memcpy(h.type, head + 4, 4);
    h.type[4] = 0;
    if (!resolveBoxSize(src, limit, &h, have >= 16 ? head + 8 : nullptr, BoxFit::Clip))
        return false;
    *out = h;
    return true;
}

bool Mp4AtomTree::walk(ByteSource &src)
{
    m_atoms.clear();
    m_window.clear();
    m_windowBegin = -1;
    m_cutShort = false;
    if (!src.isOpen())
        return false;
    BoxHeader first;
    if (!readBoxHeader(src, 0, src.size(), &first, BoxFit::Clip) || !plausibleBoxType(first.type))
        return false;
    walkList(src, 0, src.size(), -1, 0);
    // List by list: the boxes of depth d are all listed before any list of depth d + 1 is read,
    // so the atom cap can only cut the deepest lists.
    for (int i = 0; i < m_atoms.size() && m_atoms.size() < kMaxAtoms; ++i) {
        const Mp4Atom &a = m_atoms[i];
        if (!isContainer(a.header) || a.depth + 1 >= kMaxDepth)
            continue;
        const BoxHeader h = a.header;
        const int depth = a.depth;
        const qint64 childBegin = h.is("meta") ? metaChildBegin(src, h) : h.payloadBegin();
        m_atoms[i].childBegin = childBegin;
        if (childBegin < h.end())
            walkList(src, childBegin, h.end(), i, depth + 1);
    }
    // At the top level only the end of the file can clip a box.
    for (int i = m_atoms.isEmpty() ? -1 : 0; i >= 0; i = m_atoms[i].nextSibling)
        m_cutShort = m_cutShort || m_atoms[i].header.clipped;
    return !m_atoms.isEmpty();
}

void Mp4AtomTree::walkList(ByteSource &src, qint64 begin, qint64 end, int parent, int depth)
{
    qint64 pos = begin;
    int previous = -1;
    BoxHeader h;
    // Every accepted box is at least 8 bytes long and lies inside [pos, end), so pos strictly
    // grows and the loop ends; a clipped box reaches end and is the last of its list.
    int listed = 0;
    while (m_atoms.size() < kMaxAtoms && listed++ < kMaxChildren && header(src, pos, end, &h)) {
        Mp4Atom atom;
        atom.header = h;
        atom.parent = parent;
        atom.depth = depth;
        atom.childBegin = h.payloadBegin();
        const int index = m_atoms.size();
        m_atoms.append(atom);
        if (previous >= 0)
            m_atoms[previous].nextSibling = index;
        else if (parent >= 0)
            m_atoms[parent].firstChild = index;
        previous = index;
        pos = h.end();
    }
}

bool Mp4AtomTree::isWhole(int atom) const
{
    for (int i = atom; i >= 0 && i < m_atoms.size(); i = m_atoms[i].parent) {
        if (m_atoms[i].header.clipped)
            return false;
    }
    return atom >= 0 && atom < m_atoms.size();
}

QVector<int> Mp4AtomTree::children(int atom) const
{
    QVector<int> out;
    int i = -1;
    if (atom < 0) {
        i = m_atoms.isEmpty() ? -1 : 0;
    } else if (atom < m_atoms.size()) {
        i = m_atoms[atom].firstChild;
    }
    for (; i >= 0; i = m_atoms[i].nextSibling)
        out.append(i);
    return out;
}

int Mp4AtomTree::child(int atom, const char *type) const
{
    int i = -1;
    if (atom < 0)
        i = m_atoms.isEmpty() ? -1 : 0;
    else if (atom < m_atoms.size())
        i = m_atoms[atom].firstChild;
    for (; i >= 0; i = m_atoms[i].nextSibling) {
        if (m_atoms[i].header.is(type))
            return i;
    }
    return -1;
}

int Mp4AtomTree::find(const QByteArray &dottedPath, int from) const
{
    if (dottedPath.isEmpty())
        return -1;
    int current = from;
    for (const QByteArray &part : dottedPath.split('.')) {
        QByteArray type = part;
        int wanted = 0;
        const int bracket = part.indexOf('[');
        if (bracket >= 0) {
            if (!part.endsWith(']'))
                return -1;
            bool ok = false;
            wanted = part.mid(bracket + 1, part.size() - bracket - 2).toInt(&ok);
            if (!ok || wanted < 0)
                return -1;
            type = part.left(bracket);
        }
        if (type.size() != 4)
            return -1;
        int i = -1;
        if (current < 0)
            i = m_atoms.isEmpty() ? -1 : 0;
        else
            i = m_atoms[current].firstChild;
        int seen = 0;
        int match = -1;
        for (; i >= 0; i = m_atoms[i].nextSibling) {
            if (m_atoms[i].header.is(type.constData()) && seen++ == wanted) {
                match = i;
                break;
            }
        }
        if (match < 0)
            return -1;
        current = match;
    }
    return current;
}
