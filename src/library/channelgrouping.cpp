#include "channelgrouping.h"

#include "logtext.h"

#include "settingsstore.h"

#include <QDebug>

namespace {

const QString letterA = QStringLiteral("A");
const QString letterB = QStringLiteral("B");
const QString letterC = QStringLiteral("C");
const QString letterF = QStringLiteral("F");
const QString letterR = QStringLiteral("R");
const QString movSuffix = QStringLiteral(".MOV");
const QString mp4Suffix = QStringLiteral(".MP4");

QString replaced(QString text, const QString &from, const QString &to)
{
    return text.replace(from, to, Qt::CaseSensitive);
}

QString removed(QString text, const QString &letter)
{
    return text.remove(letter, Qt::CaseSensitive);
}

// Number of a stem with its letter taken out; unreadable text counts as 0.
int stemNumber(const QString &stem, const QString &letter)
{
    return removed(stem, letter).toInt(nullptr, 10);
}

QString stemOf(const QString &part)
{
    return part.split(QLatin1Char('.')).first();
}

bool hasAorB(const QString &text)
{
    return text.contains(letterA) || text.contains(letterB);
}

// Names of some cameras carry no common time stamp across channels, only consecutive clip
// numbers: an "A" clip pairs with the "B" clip numbered one higher.
bool numberFallbackPartner(const QString &firstName, const QList<FileBean> &library,
                           QString *partner)
{
    const QStringList parts = firstName.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    if (parts.size() != 4)
        return false;
    const QString last = parts.at(3);
    if (!last.contains(movSuffix) && !last.contains(mp4Suffix))
        return false;
    const QString stem = stemOf(last);
    if (!hasAorB(stem))
        return false;

    bool found = false;
    if (stem.contains(letterA)) {
        const int n = stemNumber(stem, letterA);
        for (const FileBean &entry : library) {
            const QStringList entryParts = entry.fileName.split(QLatin1Char('_'), Qt::KeepEmptyParts);
            if (entryParts.size() != 4)
                continue;
            const QString entryLast = entryParts.at(3);
            if (!entryLast.contains(movSuffix) && !entryLast.contains(mp4Suffix))
                continue;
            if (!hasAorB(stemOf(entryLast)))
                continue;
            const int m = recordingNumber(entry.fileName, letterB);
            qDebug() << "resultB:" << m << "," << n;
            if (m != -1 && m - n == 1) {
                *partner = entry.filePath;
                found = true;
                break;
            }
        }
    }
    if (stem.contains(letterB)) {
        const int n = stemNumber(stem, letterB);
        for (const FileBean &entry : library) {
            const QStringList entryParts = entry.fileName.split(QLatin1Char('_'), Qt::KeepEmptyParts);
            if (entryParts.size() != 4)
                continue;
            const QString entryLast = entryParts.at(3);
            if (!entryLast.contains(movSuffix) && !hasAorB(stemOf(entryLast)))
                continue;
            const int m = recordingNumber(entry.fileName, letterA);
            if (m != -1 && n - m == 1) {
                *partner = entry.filePath;
                found = true;
                break;
            }
        }
    }
    return found;
}

// With three cameras but the two-channel mode, each file plays with the next letter in the
// cycle A -> B -> C -> A.
QString dualCyclePartner(const QString &firstName, const QList<FileBean> &library)
{
    QString wanted = firstName;
    if (wanted.contains(letterA))
        wanted = replaced(wanted, letterA, letterB);
    else if (wanted.contains(letterB))
        wanted = replaced(wanted, letterB, letterC);
    else if (wanted.contains(letterC))
        wanted = replaced(wanted, letterC, letterA);
    for (const FileBean &entry : library) {
        if (entry.fileName.contains(wanted))
            return entry.filePath;
    }
    return QString();
}

} // namespace

int recordingNumber(const QString &name, const QString &letter)
{
    const QStringList parts = name.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    if (parts.size() != 4)
        return -1;
    if (!parts.at(3).contains(movSuffix))
        return -1;
    const QString stem = stemOf(parts.at(3));
    if (!hasAorB(stem) || letter.isEmpty() || !stem.contains(letter))
        return -1;
    return stemNumber(stem, letter);
}

ChannelChoice groupChannels(const FileBean &chosen, const QList<FileBean> &library, int playMode)
{
    const QString firstName = chosen.fileName;
    const QString firstPath = chosen.filePath;
    ChannelChoice group;
    group.paths = QStringList{firstPath};

    if (playMode == 0)
        return group;
    if (!firstName.contains(letterA) && !firstName.contains(letterB)
        && !firstName.contains(letterC) && !firstName.contains(letterR)
        && !firstName.contains(letterF))
        return group;

    QString secondName = firstName;
    QString thirdName = firstName;
    if (firstName.contains(letterA)) {
        secondName = replaced(firstName, letterA, letterB);
        thirdName = replaced(firstName, letterA, letterC);
    } else if (firstName.contains(letterB)) {
        secondName = replaced(firstName, letterB, letterA);
        thirdName = replaced(firstName, letterB, letterC);
    } else if (firstName.contains(letterC)) {
        secondName = replaced(firstName, letterC, letterA);
        thirdName = replaced(firstName, letterC, letterB);
    } else if (firstName.contains(letterF)) {
        secondName = replaced(firstName, letterF, letterR);
        thirdName.clear();
    } else {
        secondName = replaced(firstName, letterR, letterF);
        thirdName.clear();
    }

    // A found name becomes the search text, so a later entry only takes over when its name
    // holds the whole name found before (the same file listed again from another folder).
    QString secondPath;
    QString thirdPath;
    for (const FileBean &entry : library) {
        if (entry.fileName.contains(secondName)) {
            secondPath = entry.filePath;
            secondName = entry.fileName;
        }
        if (!thirdName.isEmpty() && entry.fileName.contains(thirdName)) {
            thirdPath = entry.filePath;
            thirdName = entry.fileName;
        }
    }

    // Two-camera recordings never have a third channel, whatever else the name holds.
    if (firstName.contains(letterF) || firstName.contains(letterR) || secondName.contains(letterF)
        || secondName.contains(letterR)) {
        thirdName.clear();
        thirdPath.clear();
    }

    qDebug().noquote() << printableText(QStringLiteral("first name:") + firstName
                                        + QStringLiteral(",second name:") + secondName
                                        + QStringLiteral(",third name:") + thirdName);

    if (!secondPath.isEmpty() && !thirdPath.isEmpty()) {
        group.formIndex = 2;
    } else if (!secondPath.isEmpty()) {
        group.formIndex = 1;
    } else if (!thirdPath.isEmpty()) {
        group.formIndex = 1;
        secondPath = thirdPath;
    } else {
        group.formIndex = numberFallbackPartner(firstName, library, &secondPath) ? 1 : 0;
    }

    if (group.formIndex == 1) {
        group.paths = QStringList{firstPath, secondPath};
    } else if (group.formIndex == 2 && playMode == 1) {
        group.formIndex = 1;
        const QString partner = dualCyclePartner(firstName, library);
        qDebug().noquote() << printableText(QStringLiteral("tmpSelectPath:") + partner + QLatin1Char(',')
                                  + firstPath);
        group.paths = QStringList{firstPath, partner};
    } else if (group.formIndex == 2) {
        group.paths = QStringList{firstPath, secondPath, thirdPath};
    }
    return group;
}

QVariant storedVolume()
{
    const QString volume = SettingsStore().readValue(QStringLiteral("volume"));
    return QVariant(volume.isEmpty() ? QStringLiteral("40") : volume);
}
