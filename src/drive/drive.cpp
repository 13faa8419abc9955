#include "drive.h"

#include "sampletime.h"

#include <algorithm>

AssistInfoList timedSamples(const AssistInfoList &samples)
{
    const bool anyTimed = std::any_of(samples.cbegin(), samples.cend(),
                                      [](const AssistInfo &s) { return s.timeMs >= 0; });
    AssistInfoList timed;
    timed.reserve(samples.size());
    for (int i = 0; i < samples.size(); ++i) {
        AssistInfo s = samples.at(i);
        if (!anyTimed)
            s.timeMs = qint64(i) * 1000;
        if (s.timeMs >= 0)
            timed.append(s);
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const AssistInfo &a, const AssistInfo &b) { return a.timeMs < b.timeMs; });
    return timed;
}

Drive::Drive(const QList<DriveRecording> &recordings) : m_recordings(recordings)
{
    qint64 offset = 0;
    m_offsets.reserve(m_recordings.size());
    for (DriveRecording &r : m_recordings) {
        r.durationMs = qMax<qint64>(0, r.durationMs);
        r.offsetMs = offset;
        m_offsets.append(offset);
        offset += r.durationMs;
    }
    for (int i = 0; i < m_recordings.size(); ++i)
        m_clipSamples.append(AssistInfoList());
    m_clipLoaded.fill(false, m_recordings.size());
}

Drive Drive::fromEntries(const QList<LibraryEntry> &entries, const QList<int> &drive)
{
    const PartnerFinder partners(entries);
    QList<DriveRecording> recordings;
    for (int entry : drive) {
        if (entry < 0 || entry >= entries.size())
            continue;
        const LibraryEntry &e = entries.at(entry);
        DriveRecording r;
        r.channels.append(e.path);
        for (int partner : partners.partnersOf(entry))
            r.channels.append(entries.at(partner).path);
        r.startMs = e.startMs;
        r.durationMs = e.durationMs;
        recordings.append(r);
    }
    return Drive(recordings);
}

qint64 Drive::durationMs() const
{
    return m_recordings.isEmpty() ? 0 : m_offsets.last() + m_recordings.last().durationMs;
}

QStringList Drive::recordingPaths() const
{
    QStringList paths;
    for (const DriveRecording &r : m_recordings)
        paths.append(r.path());
    return paths;
}

int Drive::indexOfPath(const QString &path) const
{
    for (int i = 0; i < m_recordings.size(); ++i)
        if (m_recordings.at(i).channels.contains(path))
            return i;
    return -1;
}

ClipPosition Drive::driveToClip(qint64 driveMs) const
{
    ClipPosition pos;
    if (m_recordings.isEmpty())
        return pos;
    const qint64 total = durationMs();
    if (driveMs >= total) {
        pos.clip = m_recordings.size() - 1;
        pos.clipMs = m_recordings.last().durationMs;
        return pos;
    }
    driveMs = qMax<qint64>(0, driveMs);
    // The last recording starting at or before driveMs; of recordings without length that
    // share an offset, the one after them, which holds the moment.
    const auto after = std::upper_bound(m_offsets.cbegin(), m_offsets.cend(), driveMs);
    pos.clip = int(after - m_offsets.cbegin()) - 1;
    pos.clipMs = driveMs - m_offsets.at(pos.clip);
    return pos;
}

qint64 Drive::clipToDrive(int clip, qint64 clipMs) const
{
    if (m_recordings.isEmpty())
        return 0;
    clip = qBound(0, clip, m_recordings.size() - 1);
    return m_offsets.at(clip) + qBound<qint64>(0, clipMs, m_recordings.at(clip).durationMs);
}

qint64 Drive::wallClockMs(qint64 driveMs) const
{
    const ClipPosition pos = driveToClip(driveMs);
    return pos.clip < 0 ? 0 : m_recordings.at(pos.clip).startMs + pos.clipMs;
}

int Drive::nextRecording(int clip) const
{
    return clip >= 0 && clip + 1 < m_recordings.size() ? clip + 1 : -1;
}

int Drive::previousRecording(int clip) const
{
    return clip > 0 && clip < m_recordings.size() ? clip - 1 : -1;
}

void Drive::setClipSamples(int clip, const AssistInfoList &samples)
{
    if (clip < 0 || clip >= m_recordings.size())
        return;
    const qint64 duration = m_recordings.at(clip).durationMs;
    AssistInfoList kept;
    for (const AssistInfo &s : timedSamples(samples)) {
        if (s.timeMs < duration)
            kept.append(s);
    }
    m_clipSamples[clip] = kept;
    m_clipLoaded[clip] = true;
    m_samplesDirty = true;
}

Drive Drive::part(int first, int count) const
{
    first = qBound(0, first, m_recordings.size());
    count = qBound(0, count, m_recordings.size() - first);
    Drive piece(m_recordings.mid(first, count));
    for (int i = 0; i < count; ++i) {
        piece.m_clipSamples[i] = m_clipSamples.at(first + i);
        piece.m_clipLoaded[i] = m_clipLoaded.at(first + i);
    }
    piece.m_samplesDirty = true;
    return piece;
}

bool Drive::hasClipSamples(int clip) const
{
    return clip >= 0 && clip < m_clipLoaded.size() && m_clipLoaded.at(clip);
}

void Drive::rebuildSamples() const
{
    if (!m_samplesDirty)
        return;
    m_samples.clear();
    m_sampleClips.clear();
    // Recordings follow each other and each list is in time order within [0, duration), so
    // appending them in order keeps the whole list in time order.
    for (int clip = 0; clip < m_clipSamples.size(); ++clip) {
        for (AssistInfo s : m_clipSamples.at(clip)) {
            s.timeMs += m_offsets.at(clip);
            m_samples.append(s);
            m_sampleClips.append(clip);
        }
    }
    m_coverMs = sampleCoverMs(typicalSampleSpacingMs(m_samples));
    m_samplesDirty = false;
}

const AssistInfoList &Drive::samples() const
{
    rebuildSamples();
    return m_samples;
}

const QVector<int> &Drive::sampleClips() const
{
    rebuildSamples();
    return m_sampleClips;
}

int Drive::sampleIndexAt(qint64 driveMs) const
{
    rebuildSamples();
    return sampleIndexAtTime(m_samples, driveMs, m_coverMs);
}
