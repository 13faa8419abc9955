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

// A change of 0.2 g from one sample to the next: what a car halting from a firm stop (2 m/s^2) or
// a pothole gives in one-a-second telemetry, and above what ordinary driving does. In the demo
// drive (zevidud-make-demo, 3 minutes of city driving) 90 % of the changes stay under 0.13 g and
// none reaches 0.3 g: 0.35 g marked nothing there, 0.2 g marks the two hardest bumps and the
// halt at a red light, 0.15 g ten moments (every bump, one each 18 s, which would bury the hard
// ones in an hour's drive). Recordings of steady values, as the fixture writers make them, get
// no mark. A value the user stored is kept: only files without one read this.
constexpr double defaultEventThresholdG = 0.2;
constexpr double minEventThresholdG = 0.05;
constexpr double maxEventThresholdG = 4.0;

// Whether playback goes on with the next clip of the drive at the end of a recording.
bool continueWithNextClip(const SettingsStore &store);
// The G-vector change that marks an event; an unreadable value gives the default, one out of
// range the nearest end of the range.
double eventThresholdG(const SettingsStore &store);
QString tileSource(const SettingsStore &store);

} // namespace DriveSettings
