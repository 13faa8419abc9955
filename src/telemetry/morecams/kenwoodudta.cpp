// Kenwood DRV-A301W: a top-level "udta" whose payload starts "VIDEO" and 22 'U's and then holds
// one text record a second, each behind FE FE:
//   "20230115103000?20230115103000?N35401234E139451234+0012 45+0012-0034+1000..."
// the camera's clock (written twice, the second copy is of no known use), latitude and longitude
// as ddmm.mmmm times 10^4, the altitude in four signed digits, km/h, then accelerometer triples
// in milli-g. The stamps are the camera clock and may be local time.

#include "geo.h"
#include "morecams.h"
#include "morecommon.h"
#include "mp4/mp4atomtree.h"
#include "realcommon.h"

#include <cmath>
#include <cstring>

using namespace realcams;

namespace {

const char kMark[] = "VIDEOUUUUUUUUUUUUUUUUUUUUUU";
constexpr int kMarkSize = sizeof kMark - 1;

// A cursor over one record; every step either consumes what it matched or fails.
class Record
{
public:
    explicit Record(const QByteArray &text)
        : m_text(text)
    {
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool digits(int n, qint64 *out)
    {
        qint64 v = 0;
        for (int i = 0; i < n; ++i) {
            if (m_pos + i >= m_text.size() || !isDigit(m_text[m_pos + i]))
                return false;
            v = v * 10 + (m_text[m_pos + i] - '0');
        }
        m_pos += n;
        *out = v;
        return true;
    }
    // One or more digits; more than 12 cannot be a value of this layout.
    bool number(qint64 *out)
    {
        int n = 0;
        while (m_pos + n < m_text.size() && isDigit(m_text[m_pos + n]))
            ++n;
        return n > 0 && n <= 12 && digits(n, out);
    }
    bool signedNumber(qint64 *out)
    {
        if (m_pos >= m_text.size() || (m_text[m_pos] != '+' && m_text[m_pos] != '-'))
            return false;
        const bool negative = m_text[m_pos] == '-';
        ++m_pos;
        if (!number(out)) {
            --m_pos;
            return false;
        }
        if (negative)
            *out = -*out;
        return true;
    }
    // One of the letters; which one in *which.
    bool letter(const char *letters, char *which)
    {
        if (m_pos >= m_text.size() || std::strchr(letters, m_text[m_pos]) == nullptr
            || m_text[m_pos] == 0)
            return false;
        *which = m_text[m_pos++];
        return true;
    }
    bool skip()
    {
        if (m_pos >= m_text.size())
            return false;
        ++m_pos;
        return true;
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    const QByteArray &m_text;
    int m_pos = 0;
};

// "YYYYMMDDhhmmss" to ms since 1970, -1 when it is no date.
qint64 stamp(Record &r)
{
    qint64 y, mo, d, h, mi, s;
    if (!r.digits(4, &y) || !r.digits(2, &mo) || !r.digits(2, &d) || !r.digits(2, &h)
        || !r.digits(2, &mi) || !r.digits(2, &s))
        return -1;
    return geo::utcMs(int(y), int(mo), int(d), int(h), int(mi), double(s));
}

// The fields of one record; false when it is not one.
bool parseRecord(const QByteArray &text, AssistInfo *s, qint64 *clockMs)
{
    Record r(text);
    *clockMs = stamp(r);
    qint64 lat = 0, lon = 0;
    char ns = 0, ew = 0;
    if (*clockMs < 0 || !r.skip() || stamp(r) < 0 || !r.skip() || !r.letter("NS", &ns)
        || !r.number(&lat) || !r.letter("EW", &ew) || !r.number(&lon))
        return false;
    const double latDeg = geo::ddmmToDegrees(lat / 1e4), lonDeg = geo::ddmmToDegrees(lon / 1e4);
    if (latDeg < 0.0 || lonDeg < 0.0
        || !setPosition(s, ns == 'S' ? -latDeg : latDeg, ew == 'W' ? -lonDeg : lonDeg))
        return false;
    // The altitude has four digits exactly: the speed's digits follow without a separator.
    char sign = 0;
    qint64 altitude = 0, kmh = 0;
    if (!r.letter("+-", &sign) || !r.digits(4, &altitude) || !r.number(&kmh))
        return true;
    s->speed = int(std::min<qint64>(kmh, 1000));
    double sum[3] = {0, 0, 0};
    int triples = 0;
    for (qint64 a[3]; r.signedNumber(&a[0]) && r.signedNumber(&a[1]) && r.signedNumber(&a[2]);
         ++triples) {
        for (int k = 0; k < 3; ++k)
            sum[k] += a[k] / 1000.0;
    }
    if (triples > 0)
        setGSensor(s, sum[0] / triples, sum[1] / triples, sum[2] / triples);
    return true;
}

AssistInfoList readRecords(const QByteArray &payload)
{
    AssistInfoList samples;
    qint64 first = -1;
    for (int at = payload.indexOf("\xfe\xfe", kMarkSize); at >= 0 && samples.size() < kMaxSamples;
         at = payload.indexOf("\xfe\xfe", at)) {
        at += 2;
        int end = payload.indexOf('\xfe', at);
        if (end < 0)
            end = payload.size();
        if (end == at) {
            at -= 1; // a run of three or more FE: the record starts after the last pair
            continue;
        }
        AssistInfo s = emptySample(0);
        qint64 clock = -1;
        if (parseRecord(QByteArray::fromRawData(payload.constData() + at, end - at), &s, &clock)) {
            if (first < 0)
                first = clock;
            s.timeMs = clock - first;
            s.setUtc(clock, AssistInfo::Clock::Camera);
            appendOrdered(&samples, s);
        }
        at = end;
    }
    deriveCourses(&samples);
    return samples;
}

} // namespace

LayoutResult readKenwoodUdta(ByteSource &src, const ReadContext &ctx)
{
    const Mp4AtomTree &tree = ctx.boxes.of(src);
    for (const int i : tree.children(-1)) {
        const BoxHeader &h = tree.atoms()[i].header;
        if (!h.is("udta") || src.readAt(h.payloadBegin(), kMarkSize) != kMark)
            continue;
        return makeResult(80, readRecords(morecams::boxPayload(src, h)));
    }
    return LayoutResult{};
}
