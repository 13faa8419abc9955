#pragma once

#include "assistinfo.h"

#include <QString>

// The technical information text shown over the picture (key Shift+I): mpv expands its
// "${...}" properties; the rest is filled in here. "Gps Item" counts the samples with a fix.
QString recordingInfoText(int displayWidth, int displayHeight, const AssistInfoList &samples,
                          const QString &layoutName);
