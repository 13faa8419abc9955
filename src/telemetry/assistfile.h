#pragma once

#include "assistinfo.h"

#include <QObject>
#include <QString>

class ByteSource;

// Reads the telemetry that a camera hid inside one recording file, without an MP4 library.
// One object serves one load: the caller runs the reader that the device detection chose and
// takes samples(). Every reader empties the list first and appends one sample per second of
// video in file order.
//
// Each reader comes in two forms: by path (opens the file; the box-walk readers return -1 for a
// path shorter than 4 characters or a file that cannot be opened, the tail readers 0) and over an
// open ByteSource (used by the fuzz target and the benchmarks).
class AssistFile : public QObject
{
    Q_OBJECT
public:
    explicit AssistFile(QObject *parent = nullptr);

    // Frame rate of the video track as the box-walk readers compute it (frames per second,
    // truncated); 0 until one of them found the track's stsz and mdhd.
    int samplesPerSecond = 0;

    const AssistInfoList &samples() const { return m_samples; }
    AssistInfoList takeSamples();

    // Box-walk layouts.
    int readAlignedBlocks(const QString &path);   // layout 4
    int readFrameTailBlocks(const QString &path); // layout 5 without a gps box length
    int readTabTextTrack(const QString &path);    // layouts 1 and 2
    // Tail layouts; L is the entry count of the index table (the gps box length).
    int readTrailerRecords(const QString &path);               // layout 9
    int readIndexedBlocks(const QString &path, int L);         // layout 5 with a gps box length
    int readIndexedBlocksV2(const QString &path, int L);       // layout 7
    int readMaskedBlocks(const QString &path, int L);          // layout 8

    int readAlignedBlocks(ByteSource &src);
    int readFrameTailBlocks(ByteSource &src);
    int readTabTextTrack(ByteSource &src);
    int readTrailerRecords(ByteSource &src);
    int readIndexedBlocks(ByteSource &src, int L);
    int readIndexedBlocksV2(ByteSource &src, int L);
    int readMaskedBlocks(ByteSource &src, int L);

    // The one-byte XOR mask over the first 203 bytes of a layout-8 block.
    static constexpr quint8 maskedBlockMask = 0xAA;

private:
    AssistInfoList m_samples;
};
