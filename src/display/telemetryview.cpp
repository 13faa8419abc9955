#include "telemetryview.h"

#include "dashboard.h"
#include "sampletime.h"

namespace TelemetryView {

Timeline timelineFor(const AssistInfoList &samples)
{
    Timeline timeline;
    timeline.coverMs = qMax<qint64>(1, typicalSampleSpacingMs(samples));
    timeline.leadMs = timeline.coverMs / 4;
    return timeline;
}

Series graphSeries(const AssistInfoList &samples, bool onlyRecordedG)
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
        series.keys.append(double(ms) / 1000.0);
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
    moment.cursorKey = double(qMax<qint64>(ms, 0)) / 1000.0;
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
