#pragma once

#include "bytesource.h"

#include <QByteArray>
#include <QVector>

// One box of an ISO BMFF / QuickTime file as the tree walk found it.
struct Mp4Atom
{
    BoxHeader header;      // header.clipped: the box was cut to its parent or to the file
    int parent = -1;       // index in the tree, -1 for top-level boxes
    int depth = 0;         // 0 for top-level boxes
    qint64 childBegin = 0; // where children start (after a full-box prefix for some containers)
    int firstChild = -1;
    int nextSibling = -1;
};

// The box tree of one file, walked once per load and shared by every reader of it: the one
// place that decides what a box is. Known containers are descended into; every other box is a
// leaf whose payload its user reads on demand.
//
// One rule for a box that states more bytes than what encloses it: it is cut to its parent, or
// to the end of the file, and marked clipped (BoxFit::Clip in bytesource.h). A recording cut
// short keeps its last box and everything whole inside it; a child never reaches past its
// parent. Readers that must only see boxes as they were written ask isWhole().
//
// The walk caps the depth, the boxes in one list and the boxes in all, and reads list by list
// from the top: every list nearer the top is complete before a deeper one starts, so a flood of
// boxes deep inside one box cannot hide moov or the tracks from the readers.
class Mp4AtomTree
{
public:
    static constexpr int kMaxDepth = 12;
    static constexpr int kMaxAtoms = 100000;
    // Boxes in one list (the top level, the children of one box). A recording's lists are short;
    // moov with a million children is an attack.
    static constexpr int kMaxChildren = 8192;

    // Walks the whole file. Returns false when the file does not start with a plausible box;
    // a damaged box further on only ends the list it is in.
    bool walk(ByteSource &src);

    bool isEmpty() const { return m_atoms.isEmpty(); }
    const QVector<Mp4Atom> &atoms() const { return m_atoms; }
    const BoxHeader &header(int atom) const { return m_atoms[atom].header; }
    // The bytes of the box after its header, cut to what exists.
    ByteRange payload(int atom) const { return m_atoms[atom].header.payload(); }
    // The top-level boxes in file order.
    QVector<int> topLevel() const { return children(-1); }
    // Index of the first box along a dotted path of four-character types ("moov.gps ",
    // "moov.trak.mdia"); a "[n]" suffix picks the n-th (0-based) box of that type. -1 if none.
    int find(const QByteArray &dottedPath, int from = -1) const;
    // Direct children of atom (or the top-level boxes for -1), in file order.
    QVector<int> children(int atom) const;
    // First direct child of atom (a top-level box for -1) with the given type, -1 if none.
    int child(int atom, const char *type) const;
    // The box and every box around it are as long as they say: nothing of them was clipped.
    bool isWhole(int atom) const;
    // The file ends inside a box: the recording was cut short.
    bool isCutShort() const { return m_cutShort; }

private:
    void walkList(ByteSource &src, qint64 begin, qint64 end, int parent, int depth);
    bool header(ByteSource &src, qint64 pos, qint64 limit, BoxHeader *out);

    // Headers are read through this window: a list of small boxes costs one read per window,
    // not one per box.
    QByteArray m_window;
    qint64 m_windowBegin = -1;

    QVector<Mp4Atom> m_atoms;
    bool m_cutShort = false;
};
