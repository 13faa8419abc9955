#pragma once

#include "filebean.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Which channel form plays a recording and with which files.
struct ChannelChoice
{
    // 0 = one channel, 1 = two channels, 2 = three channels.
    int formIndex = 0;
    // Channel 1 (the chosen file) first; one path per channel of the form. A partner that the
    // two-of-three letter cycle did not find is an empty text here.
    QStringList paths;
};

// Finds the partner files of a recording among the library entries by their channel letters
// ("A"/"B"/"C" for three cameras, "F"/"R" for two), capped by the play mode (0 single, 1 dual,
// 2 three channels; any other value counts as three). Looks only at names, never at the disk.
ChannelChoice groupChannels(const FileBean &chosen, const QList<FileBean> &library, int playMode);

// Clip number of names such as "2020_0101_000010_0006B.MOV" for the given letter (6 here), or -1
// when the name does not have four "_" parts ending in a ".MOV" stem that holds the letter.
int recordingNumber(const QString &name, const QString &letter);

// The stored "volume" preference, "40" when it was never written.
QVariant storedVolume();
