#pragma once

// Turns the fixes of the blocks of one recording, in file order, into timed samples.

#include "assistinfo.h"
#include "freegps_blocks.h"

#include <QVector>

namespace freegps {

// The fixes one block (or one TS packet) gave, in the order the block stores them.
using BlockFixes = QVector<Fix>;

// Times come from the blocks' own clocks relative to the first fix that has one; a fix without a
// clock, or whose clock runs backwards or jumps by more than ten minutes, takes its place from the
// block order instead (block n at n seconds, several fixes of one block spread over its second).
// The result is in time order with timeMs >= 0; exact repeats of the previous fix are dropped.
// A fix with a clock gives its sample that moment as utcMs: Clock::Gps for the receiver's date
// and time, Clock::Camera where the variant stores the camera's own clock; -1 without a clock.
AssistInfoList buildSamples(const QVector<BlockFixes> &blocks);

} // namespace freegps
