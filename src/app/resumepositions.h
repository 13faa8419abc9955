#pragma once

#include <QString>

// Where each recording was left, so it can be offered when the recording is opened again.
// Kept in the settings store (group "positions", one entry per recording under a hash of its
// path), the most recent maxEntries only.
namespace ResumePositions {

constexpr int maxEntries = 500;
// Positions this close to either end are not worth offering: the start is where playback
// begins anyway, and the end means the recording was watched.
constexpr int marginSeconds = 10;

// Remembers seconds for path (a duration of 0 means unknown); a position within the margins
// forgets the entry instead.
void store(const QString &path, int seconds, int durationSeconds);

// The remembered position of path, or 0 when there is none.
int load(const QString &path);

} // namespace ResumePositions
