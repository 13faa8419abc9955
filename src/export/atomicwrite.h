#pragma once

#include <QByteArray>
#include <QString>

// Why a whole-file write failed; the message alone is for people, this is for code.
enum class WriteFailure { None, FolderMissing, FolderUnwritable, DiskFull, WriteError };

// Writes data to path through a temporary file in the same folder that replaces path only when
// everything was written: a reader never sees a half-written file, and a failure leaves any old
// file untouched. On failure returns false and, when given, a translated message (context
// "RouteExport") and the kind of failure.
bool writeWholeFile(const QString &path, const QByteArray &data, QString *message = nullptr,
                    WriteFailure *failure = nullptr);
