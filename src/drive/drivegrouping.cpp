#include "drivegrouping.h"

#include "recordingtime.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kThreeCameraLetters = QStringLiteral("ABC");
const QString kTwoCameraLetters = QStringLiteral("FR");

// The letters before a channel letter that still make it one.
bool leadsChannelLetter(QChar c)
{
    return c.isDigit() || c == QLatin1Char('_') || c == QLatin1Char('-')
           || QStringLiteral("NEPMI").contains(c);
}

QString stemOf(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString familyOf(const QString &channel)
{
    if (channel.size() != 1)
        return QString();
    switch (channel.at(0).unicode()) {
    case 'A':
    case 'B':
    case 'C':
        return kThreeCameraLetters;
    case 'F':
    case 'R':
        return kTwoCameraLetters;
    default:
        return QString();
    }
}

struct OpenDrive
{
    int drive;          // index in the result
    qint64 lastStartMs; // start of its last clip
    qint64 endMs;
};

QString fileNameOf(const QString &path)
{
    // Plain text work: building a QFileInfo per entry costs more than the grouping itself.
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

LibraryEntry libraryEntryOf(const QString &path)
{
    const QFileInfo info(path);
    LibraryEntry e;
    e.path = path;
    e.channel = channelOfName(info.fileName());
    e.durationMs = qMax<qint64>(0, recordingDurationMs(path));
    const QDateTime start = recordingStartTime(info.fileName(), info.lastModified(), e.durationMs);
    e.startMs = start.isValid() ? start.toMSecsSinceEpoch() : 0;
    return e;
}

QString channelOfName(const QString &fileName)
{
    const QString stem = stemOf(fileName);
    if (stem.size() < 2)
        return QString();
    const QChar letter = stem.back();
    if (familyOf(QString(letter)).isEmpty())
        return QString();
    return leadsChannelLetter(stem.at(stem.size() - 2)) ? QString(letter) : QString();
}

QString recordingKey(const QString &path)
{
    const QString name = fileNameOf(path);
    if (channelOfName(name).isEmpty())
        return QString();
    const QString stem = stemOf(name);
    return stem.left(stem.size() - 1) + name.mid(stem.size()).toLower();
}

QString namingPattern(const QString &fileName)
{
    const QString stem = stemOf(fileName);
    QString pattern;
    pattern.reserve(stem.size());
    QChar run; // the mark of the run the last character belongs to, null after any other
    for (const QChar c : stem) {
        const QChar mark = c.isDigit()    ? QLatin1Char('#')
                           : c.isLetter() ? QLatin1Char('a')
                                          : QChar();
        if (!mark.isNull() && mark == run)
            continue;
        pattern.append(mark.isNull() ? c : mark);
        run = mark;
    }
    return pattern + fileName.mid(stem.size()).toLower();
}

QList<QList<int>> groupDrives(const QList<LibraryEntry> &entries, qint64 maxGapMs,
                              qint64 maxOverlapMs)
{
    // One camera: its channel and the way it names its files.
    QHash<QString, QList<int>> byCamera;
    for (int i = 0; i < entries.size(); ++i) {
        const LibraryEntry &e = entries.at(i);
        byCamera[e.channel + QLatin1Char('/') + namingPattern(fileNameOf(e.path))].append(i);
    }

    QList<QList<int>> drives;
    for (QList<int> &clips : byCamera) {
        std::stable_sort(clips.begin(), clips.end(), [&](int a, int b) {
            return entries.at(a).startMs < entries.at(b).startMs;
        });
        QList<OpenDrive> open;
        for (int clip : clips) {
            const LibraryEntry &e = entries.at(clip);
            // Drives that ended too long ago can no longer be continued: starts only grow.
            open.erase(std::remove_if(open.begin(), open.end(),
                                      [&](const OpenDrive &d) {
                                          return e.startMs - d.endMs > maxGapMs;
                                      }),
                       open.end());
            int best = -1;
            qint64 bestDistance = 0;
            for (int k = 0; k < open.size(); ++k) {
                const qint64 gap = e.startMs - open.at(k).endMs;
                if (gap < -maxOverlapMs || e.startMs <= open.at(k).lastStartMs)
                    continue;
                const qint64 distance = std::llabs(gap);
                if (best < 0 || distance < bestDistance) {
                    best = k;
                    bestDistance = distance;
                }
            }
            const qint64 endMs = e.startMs + qMax<qint64>(0, e.durationMs);
            if (best < 0) {
                open.append({int(drives.size()), e.startMs, endMs});
                drives.append({clip});
            } else {
                drives[open.at(best).drive].append(clip);
                open[best].lastStartMs = e.startMs;
                open[best].endMs = endMs;
            }
        }
    }
    std::stable_sort(drives.begin(), drives.end(), [&](const QList<int> &a, const QList<int> &b) {
        const LibraryEntry &x = entries.at(a.first());
        const LibraryEntry &y = entries.at(b.first());
        if (x.startMs != y.startMs)
            return x.startMs < y.startMs;
        if (x.channel != y.channel)
            return x.channel < y.channel;
        return a.first() < b.first();
    });
    return drives;
}

int driveOfEntry(const QList<QList<int>> &drives, int entry)
{
    for (int d = 0; d < drives.size(); ++d)
        if (drives.at(d).contains(entry))
            return d;
    return -1;
}

QList<int> partnerEntries(const QList<LibraryEntry> &entries, int entry)
{
    return PartnerFinder(entries).partnersOf(entry);
}

PartnerFinder::PartnerFinder(const QList<LibraryEntry> &entries) : m_entries(entries)
{
    m_byKey.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const LibraryEntry &e = entries.at(i);
        if (familyOf(e.channel).isEmpty())
            continue;
        m_byKey[recordingKey(e.path) + QLatin1Char('/') + e.channel].append(i);
        m_byChannel[e.channel].append(i);
    }
    for (QList<int> &list : m_byChannel)
        std::stable_sort(list.begin(), list.end(), [&](int a, int b) {
            return entries.at(a).startMs < entries.at(b).startMs;
        });
}

QList<int> PartnerFinder::partnersOf(int entry) const
{
    QList<int> partners;
    if (entry < 0 || entry >= m_entries.size())
        return partners;
    const LibraryEntry &self = m_entries.at(entry);
    const QString key = recordingKey(self.path);
    for (const QChar letter : familyOf(self.channel)) {
        const QString channel(letter);
        if (channel == self.channel)
            continue;
        const QList<int> sameKey = m_byKey.value(key + QLatin1Char('/') + channel);
        if (!sameKey.isEmpty()) {
            partners.append(sameKey.first());
            continue;
        }
        // Nearest start of that channel, found around the first one not before self.
        const QList<int> byStart = m_byChannel.value(channel);
        const auto at =
            std::lower_bound(byStart.cbegin(), byStart.cend(), self.startMs,
                             [&](int i, qint64 t) { return m_entries.at(i).startMs < t; });
        int best = -1;
        qint64 bestDistance = 1001;
        const int atIndex = int(at - byStart.cbegin());
        for (int k = atIndex - 1; k <= atIndex; ++k) {
            if (k < 0 || k >= byStart.size())
                continue;
            const qint64 distance = std::llabs(m_entries.at(byStart.at(k)).startMs - self.startMs);
            if (distance < bestDistance) {
                best = byStart.at(k);
                bestDistance = distance;
            }
        }
        if (best >= 0)
            partners.append(best);
    }
    return partners;
}
