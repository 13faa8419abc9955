#pragma once

#include "filebean.h"

#include <QList>
#include <QObject>

// The saved library list: the array "files" directly under the settings location (beside the
// "config" group). Stateless; every call opens the location anew.
class FileListItem : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    QList<FileBean> loadFileList() const;
    // Returns an empty text, or why the list could not be written (read-only or full disk).
    QString saveFileList(const QList<FileBean> &beans) const;
};
