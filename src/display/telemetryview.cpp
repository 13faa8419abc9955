#include "telemetryview.h"

#include "dashboard.h"
#include "sampletime.h"

namespace TelemetryView {

Timeline timelineFor(const AssistInfoList &samples, bool fromMp4Track)
{
    Timeline timeline;
    timeline.coverMs = qMax<qint64>(1, typicalSampleSpacingMs(samples));
    timeline.leadMs = timeline.coverMs / 4;
    timeline.trackKeys = fromMp4Track && !samples.isEmpty();
    return timeline;
}

double applyDuration(Timeline *timeline, int durationSeconds, int sampleCount)
{
    if (!timeline->trackKeys) {
        timeline->keysPerSecond = 1;
        return qMax(0, durationSeconds);
    }
    const Dashboard::SampleTiming timing =
        Dashboard::sampleTiming(durationSeconds, sampleCount, true);
    if (!timing.rateComputed)
        return timing.axisUpper;
    timeline->keysPerSecond = timing.sparse ? double(sampleCount) / durationSeconds
                                            : double(timing.sampleRate);
    return timing.axisUpper;
}

Series graphSeries(const AssistInfoList &samples, double keysPerSecond, bool onlyRecordedG)
{
    Series series;
    series.keys.reserve(samples.size());
    series.x.reserve(samples.size());
    series.y.reserve(samples.size());
    series.z.reserve(samples.size());
    for (int i = 0; i < samples.size(); ++i) {
        const AssistInfo &sample = samples.at(i);
        if (onlyRecordedG && !sample.hasGSensor)
            continue;
        // A sample without a time has the second of its place, as the loader gives it.
        const qint64 ms = sample.timeMs >= 0 ? sample.timeMs : qint64(i) * 1000;
        series.keys.append(double(ms) / 1000.0 * keysPerSecond);
        series.x.append(sample.x);
        series.y.append(sample.y);
        series.z.append(sample.z);
    }
    return series;
}

Moment momentAt(const AssistInfoList &samples, const Timeline &timeline, qint64 ms)
{
    Moment moment;
    if (samples.isEmpty())
        return moment;
    // The cursor marks the playback time itself, on the samples' key scale.
    moment.cursorKey = double(qMax<qint64>(ms, 0)) / 1000.0 * timeline.keysPerSecond;
    const qint64 probe = ms + timeline.leadMs;
    moment.index = sampleIndexAtTime(samples, probe, timeline.coverMs);
    if (moment.index >= 0) {
        moment.shown = Shown::Sample;
        return moment;
    }
    const qint64 lastEnd = samples.last().timeMs + timeline.coverMs;
    moment.shown = probe >= lastEnd ? Shown::PastEnd : Shown::Gap;
    return moment;
}

bool showsGValues(const AssistInfo &sample, int layoutCode)
{
    return sample.hasGSensor || layoutCode < firstLaterLayoutCode;
}

} // namespace TelemetryView
