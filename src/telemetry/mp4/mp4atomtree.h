#pragma once

#include "bytesource.h"

#include <QByteArray>
#include <QVector>

// One box of an ISO BMFF / QuickTime file as the tree walk found it.
struct Mp4Atom
{
    BoxHeader header;
    int parent = -1;      // index in the tree, -1 for top-level boxes
    int depth = 0;        // 0 for top-level boxes
    qint64 childBegin = 0; // where children start (after a full-box prefix for some containers)
    int firstChild = -1;
    int nextSibling = -1;
};

// The box tree of one file, walked once at open. Only known container boxes are descended into;
// every other box is a leaf whose payload is read on demand by its user. The walk caps the depth
// and the number of boxes, requires each child to lie inside its parent and never steps
// backwards, so a hostile size cannot make it loop or allocate beyond those caps.
class Mp4AtomTree
{
public:
    static constexpr int kMaxDepth = 12;
    static constexpr int kMaxAtoms = 100000;
    // Boxes in one list (the top level, the children of one box). A recording's lists are short;
    // moov with a million children is an attack.
    static constexpr int kMaxChildren = 8192;

    // Walks the whole file. Returns false when the file does not start with a plausible box;
    // a damaged box further on only ends the walk of its parent.
    bool walk(ByteSource &src);

    const QVector<Mp4Atom> &atoms() const { return m_atoms; }
    // Index of the first box along a dotted path of four-character types ("moov.gps ",
    // "moov.trak.mdia"); a "[n]" suffix picks the n-th (0-based) box of that type. -1 if none.
    int find(const QByteArray &dottedPath, int from = -1) const;
    // Direct children of atom (or the top-level boxes for -1), in file order.
    QVector<int> children(int atom) const;
    // First direct child of atom with the given type, -1 if none.
    int child(int atom, const char *type) const;

private:
    void walkRange(ByteSource &src, qint64 begin, qint64 end, int parent, int depth);
    bool header(ByteSource &src, qint64 pos, qint64 limit, BoxHeader *out);

    // Headers are read through this window: a list of small boxes costs one read per window,
    // not one per box.
    QByteArray m_window;
    qint64 m_windowBegin = -1;

    QVector<Mp4Atom> m_atoms;
};
