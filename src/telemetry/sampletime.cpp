#include "sampletime.h"

#include <algorithm>
#include <vector>

qint64 typicalSampleSpacingMs(const AssistInfoList &samples)
{
    std::vector<qint64> gaps;
    gaps.reserve(size_t(samples.size()));
    for (int i = 1; i < samples.size(); ++i) {
        const qint64 gap = samples.at(i).timeMs - samples.at(i - 1).timeMs;
        if (samples.at(i - 1).timeMs >= 0 && gap > 0)
            gaps.push_back(gap);
    }
    if (gaps.empty())
        return 1000;
    auto middle = gaps.begin() + std::ptrdiff_t(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    return *middle;
}

int sampleIndexAtTime(const AssistInfoList &samples, qint64 ms, qint64 coverMs)
{
    if (ms < 0 || samples.isEmpty())
        return -1;
    // The last sample whose time is not after ms.
    const auto after = std::upper_bound(samples.cbegin(), samples.cend(), ms,
                                        [](qint64 t, const AssistInfo &s) { return t < s.timeMs; });
    if (after == samples.cbegin())
        return -1;
    const int index = int(after - samples.cbegin()) - 1;
    const qint64 start = samples.at(index).timeMs;
    if (start < 0)
        return -1;
    qint64 end = start + coverMs;
    if (after != samples.cend())
        end = std::min(end, after->timeMs);
    return ms < end ? index : -1;
}

void completeUtc(AssistInfoList *samples, qint64 cameraStartMs)
{
    const auto isGps = [](const AssistInfo &s) {
        return s.utcClock == AssistInfo::Clock::Gps && s.utcMs >= 0 && s.timeMs >= 0;
    };
    // The offset of the first GPS-timed sample serves the samples before it.
    qint64 offset = -1;
    for (const AssistInfo &s : qAsConst(*samples)) {
        if (isGps(s)) {
            offset = s.utcMs - s.timeMs;
            break;
        }
    }
    const bool gps = offset >= 0;
    for (AssistInfo &s : *samples) {
        if (isGps(s))
            offset = s.utcMs - s.timeMs;
        if (s.utcMs >= 0 || s.timeMs < 0)
            continue;
        if (gps)
            s.setUtc(offset + s.timeMs, AssistInfo::Clock::Gps);
        else if (cameraStartMs >= 0)
            s.setUtc(cameraStartMs + s.timeMs, AssistInfo::Clock::Camera);
    }
}
