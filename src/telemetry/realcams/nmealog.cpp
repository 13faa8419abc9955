#include "nmealog.h"
#include "realcommon.h"

#include <QtEndian>
#include <cstdlib>

namespace realcams {

namespace {

// UTC of an RMC in ms since 1970 (date optional), -1 when it has no time.
qint64 rmcClock(const NmeaFix &f)
{
    if (f.dayMs < 0)
        return -1;
    return (f.dateDays >= 0 ? f.dateDays * 86400000LL : 0) + f.dayMs;
}

} // namespace

AssistInfoList readNmeaLog(const QByteArray &bytes, qint64 clipStartMs)
{
    // Gravity-free 10-bit readings unless any reading is signed; decimal readings carry a constant
    // offset that is removed by the mean.
    bool signedG = false;
    forEachLine(bytes, [&signedG](const QByteArray &line) {
        const int at = line.indexOf("$GSENSOR,");
        signedG = signedG || (at >= 0 && line.indexOf('-', at) > at);
    });
    // Logs of GGA sentences alone give positions without speed.
    const bool ggaOnly = !bytes.contains("RMC,") && bytes.contains("GGA,");
    const QByteArray sentence = ggaOnly ? "GGA" : "RMC";
    AssistInfoList samples;
    qint64 prefixBase = -1, clockBase = -1;
    QVector<int> decimalG;
    double sum[3] = {0, 0, 0};
    forEachLine(bytes, [&](const QByteArray &raw) {
        QByteArray line = raw.trimmed();
        qint64 prefix = -1;
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            bool ok = false;
            prefix = close > 1 ? line.mid(1, close - 1).toLongLong(&ok) : -1;
            if (!ok)
                prefix = -1;
            line = line.mid(close + 1);
        }
        if (line.startsWith("$GSENSOR")) {
            if (samples.isEmpty())
                return;
            const nmea::Fields f(nmea::sentenceBody(line), nmea::Fields::Positional);
            if (f.size() < 4)
                return;
            double v[3];
            bool ok = true;
            for (int a = 0; a < 3 && ok; ++a)
                v[a] = f.value(a + 1).toDouble(&ok);
            if (!ok)
                return;
            if (f.is(0, "GSENSORD")) {
                setGSensor(&samples.last(), v[0], v[1], v[2]);
                if (decimalG.isEmpty() || decimalG.last() != samples.size() - 1)
                    decimalG.append(samples.size() - 1);
                for (int a = 0; a < 3; ++a)
                    sum[a] += v[a];
            } else if (f.is(0, "GSENSOR")) {
                for (double &x : v) {
                    if (!signedG && x >= 512)
                        x -= 1024;
                    x /= 1024.0;
                }
                setGSensor(&samples.last(), v[0], v[1], v[2]);
            }
            return;
        }
        NmeaFix fix;
        if (line.size() < 6 || line.mid(3, 3) != sentence
            || !(ggaOnly ? nmea::decodeGga(line, &fix) : nmea::decodeRmc(line, &fix)))
            return;
        qint64 t = -1;
        if (prefix >= 0) {
            if (prefixBase < 0) {
                const bool fits = clipStartMs >= 0 && prefix >= clipStartMs - 60000
                    && prefix - clipStartMs <= 6 * 3600000LL;
                prefixBase = fits ? clipStartMs : prefix;
            }
            t = prefix - prefixBase;
        } else {
            const qint64 c = rmcClock(fix);
            if (c < 0)
                return;
            if (clockBase < 0)
                clockBase = c;
            t = c - clockBase;
        }
        AssistInfo s = fixSample(fix, t);
        // The RMC's date and time are the receiver's; a line without them still has the
        // camera's stamp in its prefix.
        if (s.utcMs < 0 && prefix >= 0)
            s.setUtc(prefix, AssistInfo::Clock::Camera);
        appendOrdered(&samples, s);
    });
    if (!decimalG.isEmpty()) {
        for (int i : decimalG) {
            AssistInfo &s = samples[i];
            s.x -= float(sum[0] / decimalG.size());
            s.y -= float(sum[1] / decimalG.size());
            s.z -= float(sum[2] / decimalG.size());
        }
    }
    return samples;
}

QVector<GRecord> read3gf(const QByteArray &bytes)
{
    QVector<GRecord> out;
    const uchar *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (int pos = 0; pos <= bytes.size() - 10 && out.size() < kMaxSamples; pos += 10) {
        const quint32 ms = qFromBigEndian<quint32>(p + pos);
        if (ms == 0xFFFFFFFFu)
            break;
        if (!out.isEmpty() && qint64(ms) < out.last().timeMs)
            continue;
        out.append(GRecord{qint64(ms), qFromBigEndian<qint16>(p + pos + 4) / 128.0f,
            qFromBigEndian<qint16>(p + pos + 6) / 128.0f,
            qFromBigEndian<qint16>(p + pos + 8) / 128.0f});
    }
    return out;
}

void joinG(AssistInfoList *samples, const QVector<GRecord> &g)
{
    int j = 0;
    for (AssistInfo &s : *samples) {
        while (j + 1 < g.size() && g[j + 1].timeMs <= s.timeMs)
            ++j;
        int best = -1;
        qint64 bestGap = 501;
        for (int k = j; k <= j + 1 && k < g.size(); ++k) {
            const qint64 gap = std::llabs(g[k].timeMs - s.timeMs);
            if (gap < bestGap) {
                bestGap = gap;
                best = k;
            }
        }
        if (best >= 0)
            setGSensor(&s, g[best].x, g[best].y, g[best].z);
    }
}

AssistInfoList gOnly(const QVector<GRecord> &g)
{
    AssistInfoList samples;
    for (const GRecord &r : g) {
        AssistInfo s = emptySample(r.timeMs);
        setGSensor(&s, r.x, r.y, r.z);
        appendOrdered(&samples, s);
    }
    return samples;
}

} // namespace realcams
