#include "filelistitem.h"

#include "settingsstore.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace {
const QString arrayName = QStringLiteral("files");
const QString nameKey = QStringLiteral("fileName");
const QString pathKey = QStringLiteral("filePath");
const QString dateKey = QStringLiteral("fileDate");

// Array entries are stored as groups "1".."size". The ones present, as indices in order; names
// that are not plain positive decimals ("01", "+3", "x") are no entries of the array.
QList<int> presentIndices(const QStringList &groups, int size)
{
    QList<int> indices;
    for (const QString &group : groups) {
        bool ok = false;
        const int index = group.toInt(&ok, 10);
        if (ok && index >= 1 && index <= size && QString::number(index) == group)
            indices.append(index);
    }
    std::sort(indices.begin(), indices.end());
    return indices;
}

// A stored text; anything else (a list, a number written by another program, a damaged
// @Variant) reads as text where Qt can convert it and as empty text otherwise.
QString textValue(const QVariant &value)
{
    if (value.canConvert<QString>() && value.type() != QVariant::StringList
        && value.type() != QVariant::List)
        return value.toString();
    return QString();
}

} // namespace

QList<FileBean> FileListItem::loadFileList() const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       SettingsStore::organization, SettingsStore::application);
    // The stored size is only a claim: a damaged file may say 2147483647 and hold two entries.
    // Only the entries that are present are read, in index order, and never past the claim.
    // A size that is no count at all (text, negative) claims nothing: the entries present are
    // read.
    settings.beginGroup(arrayName);
    bool sizeOk = false;
    int size = settings.value(QStringLiteral("size")).toInt(&sizeOk);
    if (!sizeOk || size < 0)
        size = INT_MAX;
    const QList<int> indices = presentIndices(settings.childGroups(), size);
    QList<FileBean> beans;
    beans.reserve(indices.size());
    for (const int index : indices) {
        settings.beginGroup(QString::number(index));
        FileBean bean;
        bean.fileName = textValue(settings.value(nameKey));
        bean.filePath = textValue(settings.value(pathKey));
        bean.fileDate = textValue(settings.value(dateKey));
        settings.endGroup();
        // An entry without a path names no file: nothing to show or to open.
        if (!bean.filePath.isEmpty())
            beans.append(bean);
    }
    settings.endGroup();
    return beans;
}

QString FileListItem::saveFileList(const QList<FileBean> &beans) const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       SettingsStore::organization, SettingsStore::application);
    // No preset size: the count written is the number of elements set, zero for an empty list.
    settings.beginWriteArray(arrayName);
    for (int i = 0; i < beans.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(nameKey, beans.at(i).fileName);
        settings.setValue(pathKey, beans.at(i).filePath);
        settings.setValue(dateKey, beans.at(i).fileDate);
    }
    settings.endArray();
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return QString();
    case QSettings::AccessError:
        return QStringLiteral("cannot write %1").arg(settings.fileName());
    default:
        return QStringLiteral("%1 is damaged").arg(settings.fileName());
    }
}
