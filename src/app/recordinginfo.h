#pragma once

#include <QString>

// The technical information text shown over the picture (key Shift+I): mpv expands its
// "${...}" properties; the rest is filled in here.
QString recordingInfoText(int displayWidth, int displayHeight, int gpsLength,
                          const QString &layoutName);
