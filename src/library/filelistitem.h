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
    void saveFileList(const QList<FileBean> &beans) const;
};
