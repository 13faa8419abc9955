#pragma once

// The chip layouts whose telemetry is found through the MP4 box tree, read over the tree the
// load has walked already (ReadContext::boxes) instead of walking the file again. Defined in
// layout_boxwalk.cpp; AssistFile's readers of the same names walk a tree of their own and call
// these.
//
// Each empties *samples first and fills it with one sample per second in file order;
// *samplesPerSecond receives the video track's frame rate as these layouts compute it (0 until
// the track's stsz and mdhd were found). Returns the number of samples. Only boxes as long as
// they say are looked at: a clipped box ends its list (Mp4AtomTree::isWhole).

#include "assistinfo.h"

class ByteSource;
class Mp4AtomTree;

namespace boxwalk {

// Layout 4: blocks aligned behind each second's frames, or 64 KiB past the chunks of a second
// track.
int readAlignedBlocks(ByteSource &src, const Mp4AtomTree &tree, AssistInfoList *samples,
                      int *samplesPerSecond);
// Layout 5 without a gps box length: blocks behind the first NAL unit of each second's last
// frame.
int readFrameTailBlocks(ByteSource &src, const Mp4AtomTree &tree, AssistInfoList *samples,
                        int *samplesPerSecond);
// Layouts 1 and 2: tab-separated lines in the samples of the third track.
int readTabTextTrack(ByteSource &src, const Mp4AtomTree &tree, AssistInfoList *samples,
                     int *samplesPerSecond);

} // namespace boxwalk
