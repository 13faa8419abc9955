#include "devicedetect.h"

#include "bytesource.h"
#include "mp4/mp4file.h"

#include <QDebug>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The raw walk reads up to this many boxes at the top level and inside "moov".
constexpr int kMaxWalkBoxes = 128;
// At most this much of the first box inside "udta" is compared with the chip names.
constexpr quint32 kMaxUdtaText = 64;

// Box header for the raw walk. Unlike the tree walk of the MP4 layer it accepts a box that runs
// past the end of what encloses it (a recording cut short) and clips it there; sizes 0 and 1
// have their ISO meaning and anything smaller than a header ends the walk, so the walk always
// moves forward.
bool readWalkHeader(ByteSource &src, qint64 pos, qint64 limit, BoxHeader *out)
{
    if (pos < 0 || limit - pos < 8)
        return false;
    uchar head[8];
    if (src.readAt(pos, reinterpret_cast<char *>(head), 8) != 8)
        return false;
    BoxHeader h;
    h.start = pos;
    std::memcpy(h.type, head + 4, 4);
    const quint32 size32 = qFromBigEndian<quint32>(head);
    quint64 size = size32;
    if (size32 == 0) {
        size = quint64(limit - pos);
    } else if (size32 == 1) {
        h.headerSize = 16;
        if (limit - pos < 16 || !src.readU64BE(pos + 8, &size) || size < 16)
            return false;
    } else if (size32 < 8) {
        return false;
    }
    h.size = qint64(std::min<quint64>(size, quint64(limit - pos)));
    *out = h;
    return true;
}

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

// Steps 1-3: what the MP4 layer sees. Returns true when detection is final (the maker's box).
bool detectByBoxes(ByteSource &src, DeviceType *result, int *gpsLength)
{
    std::unique_ptr<Mp4File> mp4 = Mp4File::open(src);
    if (!mp4)
        return false;
    if (mp4->haveAtom("qmdx")) {
        *result = DeviceMakerTrack;
        return true;
    }
    if (mp4->haveAtom("moov.gps ")) {
        quint64 version = 0;
        quint64 length = 0;
        mp4->integerProperty("moov.gps .version", &version);
        if (mp4->integerProperty("moov.gps .length", &length)) {
            *gpsLength = int(quint32(length));
            *result = DeviceNovatekIndexed;
        }
    }
    return false;
}

// Step 6: the raw walk up to the first "moov" and through its children to the first "udta".
DeviceType detectByMoovChildren(ByteSource &src, DeviceType result, int gpsLength)
{
    const qint64 fileEnd = src.size();
    qint64 pos = 0;
    BoxHeader moov;
    bool found = false;
    for (int n = 0; n < kMaxWalkBoxes && readWalkHeader(src, pos, fileEnd, &moov); ++n) {
        if (moov.is("moov")) {
            found = true;
            break;
        }
        pos = moov.end();
    }
    if (!found)
        return result;

    pos = moov.payloadBegin();
    BoxHeader child;
    for (int count = 0; count < kMaxWalkBoxes && readWalkHeader(src, pos, moov.end(), &child); ++count) {
        if (!child.is("udta")) {
            result = DeviceNovatekFrameTail;
            pos = child.end();
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
    int length = 0;
    DeviceType result = DeviceUnknown;
    const bool final = detectByBoxes(src, &result, &length);
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
    return detectByMoovChildren(src, result, length);
}
