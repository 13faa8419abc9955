#include "assistfile.h"

#include "bytesource.h"

namespace {

// Box-walk readers refuse paths too short to name a recording.
template <typename Reader>
int openAndRead(const QString &path, bool refuseShortPath, Reader read)
{
    if (refuseShortPath && path.size() < 4)
        return -1;
    ByteSource src(path);
    if (!src.isOpen())
        return refuseShortPath ? -1 : 0;
    return read(src);
}

} // namespace

AssistFile::AssistFile(QObject *parent)
    : QObject(parent)
{
}

AssistInfoList AssistFile::takeSamples()
{
    AssistInfoList out;
    out.swap(m_samples);
    return out;
}

int AssistFile::readAlignedBlocks(const QString &path)
{
    m_samples.clear();
    return openAndRead(path, true, [this](ByteSource &s) { return readAlignedBlocks(s); });
}

int AssistFile::readFrameTailBlocks(const QString &path)
{
    m_samples.clear();
    return openAndRead(path, true, [this](ByteSource &s) { return readFrameTailBlocks(s); });
}

int AssistFile::readTabTextTrack(const QString &path)
{
    m_samples.clear();
    return openAndRead(path, true, [this](ByteSource &s) { return readTabTextTrack(s); });
}

int AssistFile::readTrailerRecords(const QString &path)
{
    m_samples.clear();
    return openAndRead(path, false, [this](ByteSource &s) { return readTrailerRecords(s); });
}

int AssistFile::readIndexedBlocks(const QString &path, int L)
{
    m_samples.clear();
    return openAndRead(path, false, [this, L](ByteSource &s) { return readIndexedBlocks(s, L); });
}

int AssistFile::readIndexedBlocksV2(const QString &path, int L)
{
    m_samples.clear();
    return openAndRead(path, false,
                       [this, L](ByteSource &s) { return readIndexedBlocksV2(s, L); });
}

int AssistFile::readMaskedBlocks(const QString &path, int L)
{
    m_samples.clear();
    return openAndRead(path, false, [this, L](ByteSource &s) { return readMaskedBlocks(s, L); });
}
