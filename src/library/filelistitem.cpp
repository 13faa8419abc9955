#include "filelistitem.h"

#include "settingsstore.h"

#include <QSettings>

namespace {
const QString arrayName = QStringLiteral("files");
const QString nameKey = QStringLiteral("fileName");
const QString pathKey = QStringLiteral("filePath");
const QString dateKey = QStringLiteral("fileDate");
} // namespace

QList<FileBean> FileListItem::loadFileList() const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       SettingsStore::organization, SettingsStore::application);
    QList<FileBean> beans;
    const int size = settings.beginReadArray(arrayName);
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        FileBean bean;
        bean.fileName = settings.value(nameKey).toString();
        bean.filePath = settings.value(pathKey).toString();
        bean.fileDate = settings.value(dateKey).toString();
        beans.append(bean);
    }
    settings.endArray();
    return beans;
}

void FileListItem::saveFileList(const QList<FileBean> &beans) const
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
}
