#pragma once

#include <QString>

// One library entry. A plain value: the worker never sends it across threads as a whole (it
// travels as three texts), so it is deliberately not registered with the meta-type system.
struct FileBean
{
    QString fileName; // name with extension, no folder
    QString filePath; // the path exactly as it was handed to the import
    QString fileDate; // creation time, local, "yyyy-MM-dd hh:mm:ss"
};

inline bool operator==(const FileBean &a, const FileBean &b)
{
    return a.fileName == b.fileName && a.filePath == b.filePath && a.fileDate == b.fileDate;
}
inline bool operator!=(const FileBean &a, const FileBean &b)
{
    return !(a == b);
}
