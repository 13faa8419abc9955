#include "devicedetect.h"

#include "bytesource.h"
#include "mp4/mp4atomtree.h"

#include <QDebug>
#include <algorithm>
#include <cstring>

namespace {

// Detection looks at this many boxes at the top level and inside "moov", no more: the chips'
// recordings have a handful, and a name found behind hundreds of boxes is no chip's.
constexpr int kMaxLookedAt = 128;
// At most this much of the first box inside "udta" is compared with the chip names.
constexpr quint32 kMaxUdtaText = 64;

// Chip names in the text of the first box inside "udta", first match wins. gpsLength decides
// between the plain Novatek layout and its masked variant.
DeviceType classifyUdtaText(const QByteArray &t, int gpsLength)
{
    if (t.contains("AMBARELLA A7L"))
        return DeviceAmbarellaA7L;
    if (t.contains("NT96650A") || t.contains("NT9665x"))
        return DeviceNovatekAligned;
    // The NT9666 and NT9667XA names sit behind a fixed prefix of that box.
    if (t.mid(8).contains("NT9666"))
        return DeviceNovatekFrameTail;
    if (t.contains("AMBAxV4") || t.contains("AMBARELLA A12"))
        return DeviceAmbarellaTab;
    if (t.mid(16).contains("NT9667XA"))
        return DeviceNovatekIndexed;
    if (t.contains("fmt") && gpsLength != 0)
        return DeviceNovatekMasked;
    return DeviceNovatekAligned;
}

// The first box of type among the first kMaxLookedAt of a list (-1: the top level).
int firstOfType(const Mp4AtomTree &tree, int parent, const char *type)
{
    const QVector<int> list = tree.children(parent);
    for (int k = 0; k < list.size() && k < kMaxLookedAt; ++k) {
        if (tree.header(list.at(k)).is(type))
            return list.at(k);
    }
    return -1;
}

// Steps 1-3: the maker's box and the Novatek gps box, in files that have a moov. Returns true
// when detection is final (the maker's box).
bool detectByBoxes(ByteSource &src, const Mp4AtomTree &tree, DeviceType *result, int *gpsLength)
{
    if (tree.child(-1, "moov") < 0)
        return false;
    if (tree.child(-1, "qmdx") >= 0) {
        *result = DeviceMakerTrack;
        return true;
    }
    // The gps box starts with two big-endian words: a version and the entry count of the
    // index table at the end of the file.
    const int gps = tree.find("moov.gps ");
    quint32 length = 0;
    if (gps >= 0 && tree.payload(gps).contains(tree.payload(gps).begin + 4, 4)
        && src.readU32BE(tree.payload(gps).begin + 4, &length)) {
        *gpsLength = int(length);
        *result = DeviceNovatekIndexed;
    }
    return false;
}

// Step 6: the first "moov" and, among its children, the first "udta".
DeviceType detectByMoovChildren(ByteSource &src, const Mp4AtomTree &tree, DeviceType result,
                                int gpsLength)
{
    const int moov = firstOfType(tree, -1, "moov");
    if (moov < 0)
        return result;
    const QVector<int> children = tree.children(moov);
    for (int k = 0; k < children.size() && k < kMaxLookedAt; ++k) {
        const BoxHeader &child = tree.header(children.at(k));
        if (!child.is("udta")) {
            result = DeviceNovatekFrameTail;
            continue;
        }
        // The first box inside udta: its size word, then its type and the start of its text.
        quint32 n32 = 0;
        if (!src.readU32BE(child.payloadBegin(), &n32) || n32 == 0)
            return result;
        const quint32 n = std::min(n32, kMaxUdtaText);
        const QByteArray text = src.readAt(child.payloadBegin() + 4, n);
        // The text is taken as n bytes from behind the size word, 4 more than the inner box
        // holds. Only the box's own bytes have to be there: a recording whose udta ends the
        // file is still recognised. A box cut short ends detection.
        const quint32 boxBytes = std::min(n32 > 4 ? n32 - 4 : n32, n);
        if (quint32(text.size()) < boxBytes)
            return result;
        return classifyUdtaText(text, gpsLength);
    }
    return result;
}

} // namespace

DeviceType detectDevice(const QString &path, int *gpsLength)
{
    if (gpsLength != nullptr)
        *gpsLength = 0;
    ByteSource src(path);
    if (!src.isOpen()) {
        qDebug() << "sFile:" << path;
        return DeviceUnknown;
    }
    return detectDevice(src, gpsLength, path);
}

DeviceType detectDevice(ByteSource &src, int *gpsLength, const QString &path)
{
    Mp4AtomTree tree;
    tree.walk(src);
    return detectDevice(src, tree, gpsLength, path);
}

DeviceType detectDevice(ByteSource &src, const Mp4AtomTree &tree, int *gpsLength,
                        const QString &path)
{
    int length = 0;
    DeviceType result = DeviceUnknown;
    const bool final = detectByBoxes(src, tree, &result, &length);
    if (gpsLength != nullptr)
        *gpsLength = length;
    if (final)
        return result;

    qDebug() << "sFile:" << path;
    if (!src.isOpen())
        return result;

    // Tail markers win over everything the boxes said.
    char tail[8] = {0};
    if (src.size() >= 8 && src.readAt(src.size() - 8, tail, 8) == 8) {
        if (!std::memcmp(tail, "ICAT6330", 8) || !std::memcmp(tail, "ICAT6350", 8))
            return DeviceIcatTail;
        if (!std::memcmp(tail, "TORVEN53", 8) || !std::memcmp(tail, "TORVEN42", 8))
            return DeviceTorvenTrailer;
    }
    return detectByMoovChildren(src, tree, result, length);
}
