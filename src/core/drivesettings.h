#pragma once

#include "settingsstore.h"

#include <QString>

// Preferences of drives, events and the map, each read with its default where the settings file
// has no value yet (files written by earlier versions have none), so they are never written just
// to hold a default.
namespace DriveSettings {

extern const char continueKey[];       // "continueNextClip": "0" off, anything else on
extern const char eventThresholdKey[]; // "eventThreshold": g, as text
extern const char tileSourceKey[];     // "tileSource": a tile folder or MBTiles file, empty online

constexpr double defaultEventThresholdG = 0.35;
constexpr double minEventThresholdG = 0.05;
constexpr double maxEventThresholdG = 4.0;

// Whether playback goes on with the next clip of the drive at the end of a recording.
bool continueWithNextClip(const SettingsStore &store);
// The G-vector change that marks an event; an unreadable value gives the default, one out of
// range the nearest end of the range.
double eventThresholdG(const SettingsStore &store);
QString tileSource(const SettingsStore &store);

} // namespace DriveSettings
