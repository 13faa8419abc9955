// libFuzzer target: arbitrary bytes as a recording through the MP4 reading layer, the MP4
// track reader, device detection and the whole telemetry load.

#include "bytesource.h"
#include "devicedetect.h"
#include "mp4/mp4file.h"
#include "mp4/mp4v2parsefile.h"
#include "telemetryloader.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The readers log every sample; that is noise here and slows the fuzzer down.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    ByteSource detectSource = ByteSource::fromBytes(bytes);
    int gpsLength = 0;
    const DeviceType device = detectDevice(detectSource, &gpsLength);
    if (int(device) < 0 || int(device) > 9)
        std::abort();

    if (std::unique_ptr<Mp4File> file = Mp4File::openBytes(bytes)) {
        file->haveAtom("moov.gps ");
        file->haveAtom("moov.trak[1].mdia.hdlr");
        quint64 v = 0;
        file->integerProperty("moov.gps .length", &v);
        for (int t = 0; t < file->trackCount(); ++t) {
            const quint32 n = file->track(t).sampleCount;
            for (quint32 i = 1; i <= n && i <= 256; ++i) {
                Mp4Sample s;
                if (file->readSample(t, i, &s)
                    && (s.offset < 0 || s.offset + s.bytes.size() > qint64(size)))
                    std::abort(); // a sample from outside the file
            }
            Mp4Sample s;
            file->readSample(t, n, &s); // the far end, out of order
        }
        // The loader reads a maker track with this reader itself, from the same bytes: a second
        // read would double the cost of the slowest inputs (a sample for every byte) for nothing.
        if (device != DeviceMakerTrack) {
            mp4v2ParseFile reader;
            reader.parseOpenFile(file.get());
        }
    }

    ByteSource loadSource = ByteSource::fromBytes(bytes);
    mp4v2ParseFile reader;
    const TelemetryLoad load = loadTelemetry(loadSource, &reader);
    if (load.device != device || load.gpsLength != gpsLength)
        std::abort(); // detection must not depend on anything but the bytes
    // Whatever reader gave them, samples leave the loader timed and in time order, and a
    // position is always a place on the globe.
    for (int i = 0; i < load.samples.size(); ++i) {
        const AssistInfo &s = load.samples.at(i);
        if (s.timeMs < 0 || (i > 0 && s.timeMs < load.samples.at(i - 1).timeMs))
            std::abort();
        if (s.hasPosition && !(qAbs(s.latitudeDeg) <= 90.0 && qAbs(s.longitudeDeg) <= 180.0))
            std::abort();
    }
    if (load.layoutCode < 0 || (load.layoutCode < 10 && load.layoutCode != int(load.device)))
        std::abort();
    return 0;
}
