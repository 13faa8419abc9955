#include "nmea.h"

#include "geo.h"

#include <QList>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

struct Span
{
    int start = 0;
    int length = 0;
};

// Longest prefix of text (after white space) that reads as a decimal number, as a span of text.
Span numberSpan(const QByteArray &text, bool allowFraction)
{
    int i = 0;
    const int n = text.size();
    while (i < n && isSpace(text.at(i)))
        ++i;
    const int start = i;
    if (i < n && (text.at(i) == '+' || text.at(i) == '-'))
        ++i;
    int digits = 0;
    while (i < n && isDigit(text.at(i))) {
        ++i;
        ++digits;
    }
    if (allowFraction && i < n && text.at(i) == '.') {
        int j = i + 1;
        int frac = 0;
        while (j < n && isDigit(text.at(j))) {
            ++j;
            ++frac;
        }
        if (digits + frac > 0) {
            i = j;
            digits += frac;
        }
    }
    if (digits == 0)
        return Span();
    if (allowFraction && i < n && (text.at(i) == 'e' || text.at(i) == 'E')) {
        int j = i + 1;
        if (j < n && (text.at(j) == '+' || text.at(j) == '-'))
            ++j;
        int expDigits = 0;
        while (j < n && isDigit(text.at(j))) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return Span{start, i - start};
}

QByteArray numberPrefix(const QByteArray &text, bool allowFraction)
{
    const Span s = numberSpan(text, allowFraction);
    return text.mid(s.start, s.length);
}

qint64 saturate(double v)
{
    if (std::isnan(v))
        return 0;
    constexpr double lim = 9.0e15;
    if (v > lim)
        return qint64(lim);
    if (v < -lim)
        return -qint64(lim);
    return qint64(v);
}

int32_t toInt32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (v <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

// Text up to the first NUL: sentences come from fixed-size binary blocks.
QByteArray cString(const QByteArray &text)
{
    const int nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

constexpr int maxFieldLength = 32;

// The sentences are split the way strtok splits them: at commas, with empty fields dropped so
// that later fields move up (cameras rely on that when a fix is missing). Fields are spans of
// the text up to its first NUL, so nothing is copied.
int fieldSpans(const QByteArray &sentence, Span *out, int maxFields)
{
    const char *p = sentence.constData();
    const int n = sentence.size();
    int count = 0;
    for (int i = 0; i < n && p[i] != '\0' && count < maxFields;) {
        while (i < n && p[i] == ',')
            ++i;
        if (i >= n || p[i] == '\0')
            break;
        int j = i;
        while (j < n && p[j] != ',' && p[j] != '\0')
            ++j;
        out[count++] = Span{i, j - i};
        i = j;
    }
    return count;
}

// A field as a QByteArray over the sentence's own bytes (valid while the sentence lives).
QByteArray view(const QByteArray &text, const Span &f)
{
    return QByteArray::fromRawData(text.constData() + f.start, f.length);
}

bool fieldIs(const QByteArray &text, const Span &f, const char *word)
{
    return f.length == int(std::strlen(word))
        && std::memcmp(text.constData() + f.start, word, size_t(f.length)) == 0;
}

// "%lld.%0*lld" for non-negative numbers, as printf writes it, without printf.
QString fixedPoint(bool negative, qint64 whole, qint64 fraction, int width)
{
    char text[64];
    char *p = text;
    if (negative)
        *p++ = '-';
    p = std::to_chars(p, text + 24, whole).ptr;
    *p++ = '.';
    char digits[24];
    char *end = std::to_chars(digits, digits + sizeof digits, fraction).ptr;
    for (int pad = width - int(end - digits); pad > 0; --pad)
        *p++ = '0';
    std::memcpy(p, digits, size_t(end - digits));
    p += end - digits;
    return QString::fromLatin1(text, int(p - text));
}

} // namespace

namespace {

// "-123.4567" and the like with at most 15 digits: the digits as an integer and one division by
// a power of ten are both exact or correctly rounded, so the result is the correctly rounded
// value that from_chars gives, at a fraction of the cost. Anything else answers false.
bool simpleDecimal(const char *begin, const char *end, double *out)
{
    static const double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                    1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = begin < end && *begin == '-';
    const char *p = negative ? begin + 1 : begin;
    qint64 mantissa = 0;
    int digits = 0;
    int fraction = -1; // digits after the point; -1 while no point was seen
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (++digits > 15)
                return false;
            mantissa = mantissa * 10 + (*p - '0');
            if (fraction >= 0)
                ++fraction;
        } else if (*p == '.' && fraction < 0 && digits > 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    if (digits == 0 || fraction == 0)
        return false;
    const double v = fraction > 0 ? double(mantissa) / powers[fraction] : double(mantissa);
    *out = negative ? -v : v;
    return true;
}

} // namespace

double leadingDouble(const QByteArray &text)
{
    const Span s = numberSpan(text, true);
    if (s.length == 0)
        return 0.0;
    double quick = 0.0;
    if (simpleDecimal(text.constData() + s.start, text.constData() + s.start + s.length, &quick))
        return quick;
    // Correctly rounded and locale-free, like QByteArray::toDouble, without copying the digits.
    const char *begin = text.constData() + s.start;
    const char *end = begin + s.length;
    if (*begin == '+')
        ++begin;
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(begin, end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end)
        return 0.0;
    return std::isfinite(v) ? v : 0.0;
}

qint64 leadingInteger(const QByteArray &text)
{
    const QByteArray prefix = numberPrefix(text, false);
    if (prefix.isEmpty())
        return 0;
    bool ok = false;
    const qlonglong v = prefix.toLongLong(&ok);
    if (ok)
        return v;
    return prefix.startsWith('-') ? std::numeric_limits<qint64>::min()
                                  : std::numeric_limits<qint64>::max();
}

QString formatCoordinate(const QByteArray &coordinateIn, char hemisphere)
{
    const int nul = coordinateIn.indexOf('\0');
    const QByteArray coordinate = QByteArray::fromRawData(
        coordinateIn.constData(), nul < 0 ? coordinateIn.size() : nul);
    const int dot = coordinate.indexOf('.');
    if (dot < 0)
        return QStringLiteral("0");
    const qint64 whole =
        saturate(leadingDouble(QByteArray::fromRawData(coordinate.constData(), dot)));
    const int tailLength = coordinate.size() - dot; // the point included
    const double decimals = tailLength >= 3
        ? leadingDouble(QByteArray::fromRawData(coordinate.constData() + dot + 1,
                                                coordinate.size() - dot - 1))
        : 0.0;
    const qint64 degrees = whole / 100;
    const qint64 minutes = whole % 100;
    const bool negative = hemisphere == 'S' || hemisphere == 'W';
    qint64 fraction = 0;
    const char *format = nullptr;
    int width = 0;
    if (tailLength == 5) {
        fraction = saturate(std::floor(double(minutes) * 10000.0 + decimals)) * 100 / 60;
        format = negative ? "-%lld.%06lld" : "%lld.%06lld";
        width = 6;
    } else if (tailLength == 6) {
        fraction = saturate(std::floor(double(minutes) * 100000.0 + decimals)) * 100 / 60;
        format = negative ? "-%lld.%07lld" : "%lld.%07lld";
        width = 7;
    } else {
        return QString();
    }
    if (degrees >= 0 && fraction >= 0)
        return fixedPoint(negative, degrees, fraction, width);
    // Signs inside the numbers: printf's own placement of them and of the zero padding.
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<long long>(degrees),
                  static_cast<long long>(fraction));
    return QString::fromLatin1(text);
}

bool parseGga(const QByteArray &sentenceIn, QString *longitude, QString *latitude)
{
    Span t[6];
    if (fieldSpans(sentenceIn, t, 6) < 6 || !fieldIs(sentenceIn, t[0], "$GPGGA"))
        return false;
    const Span &lat = t[2];
    const Span &lon = t[4];
    if (lat.length > maxFieldLength || lon.length > maxFieldLength)
        return false;
    const char *p = sentenceIn.constData();
    *latitude = formatCoordinate(view(sentenceIn, lat), p[t[3].start]);
    *longitude = formatCoordinate(view(sentenceIn, lon), p[t[5].start]);
    return true;
}

bool parseRmc(const QByteArray &sentenceIn, QString *longitude, QString *latitude, int32_t *speed,
              double *course)
{
    // type, time, status, lat, N/S, lon, E/W, speed, course, date (date optional)
    Span t[10];
    const int count = fieldSpans(sentenceIn, t, 10);
    if (count < 9)
        return false;
    if (!fieldIs(sentenceIn, t[0], "$GPRMC") && !fieldIs(sentenceIn, t[0], "$GLRMC")
        && !fieldIs(sentenceIn, t[0], "$GNRMC"))
        return false;
    const Span &lat = t[3];
    const Span &lon = t[5];
    const Span &knots = t[7];
    const Span &cog = t[8];
    if (lat.length > maxFieldLength || lon.length > maxFieldLength
        || knots.length > maxFieldLength || cog.length > maxFieldLength)
        return false;
    const char *p = sentenceIn.constData();
    *latitude = formatCoordinate(view(sentenceIn, lat), p[t[4].start]);
    *longitude = formatCoordinate(view(sentenceIn, lon), p[t[6].start]);
    // One knot is 1.852 km/h exactly.
    *speed = toInt32(leadingDouble(view(sentenceIn, knots)) * 1.852);
    double c = leadingDouble(view(sentenceIn, cog));
    if (c > 360.0)
        c = 0.0;
    *course = c;
    return true;
}

bool sentenceHasFix(const QByteArray &sentence)
{
    // The first seven fields, split as tokens() splits (empty fields dropped), without copies.
    const char *p = sentence.constData();
    const int n = sentence.size();
    Span t[7];
    int count = 0;
    for (int i = 0; i < n && p[i] != '\0' && count < 7;) {
        while (i < n && p[i] == ',')
            ++i;
        if (i >= n || p[i] == '\0')
            break;
        int j = i;
        while (j < n && p[j] != ',' && p[j] != '\0')
            ++j;
        t[count++] = Span{i, j - i};
        i = j;
    }
    if (count < 7)
        return false;
    auto is = [&](const Span &f, const char *text) {
        return f.length == int(std::strlen(text)) && std::memcmp(p + f.start, text, size_t(f.length)) == 0;
    };
    auto coordinate = [&](const Span &f) {
        return f.length > 0 && f.length <= maxFieldLength && isDigit(p[f.start])
            && std::memchr(p + f.start, '.', size_t(f.length)) != nullptr;
    };
    auto letter = [&](const Span &f, char a, char b) {
        return f.length == 1 && (p[f.start] == a || p[f.start] == b);
    };
    if (is(t[0], "$GPGGA")) {
        // type, time, lat, N/S, lon, E/W, quality
        return coordinate(t[2]) && letter(t[3], 'N', 'S') && coordinate(t[4])
            && letter(t[5], 'E', 'W') && t[6].length == 1 && p[t[6].start] >= '1'
            && p[t[6].start] <= '9';
    }
    // type, time, status, lat, N/S, lon, E/W
    if (!is(t[0], "$GPRMC") && !is(t[0], "$GLRMC") && !is(t[0], "$GNRMC"))
        return false;
    return is(t[2], "A") && coordinate(t[3]) && letter(t[4], 'N', 'S') && coordinate(t[5])
        && letter(t[6], 'E', 'W');
}

namespace {

// QString::toDouble for the texts formatCoordinate writes ("-22.535390", "0"): both conversions
// round correctly, so the value is the same; from_chars skips Qt's UTF-16 detour. Any other text
// (blanks, exponents, signs inside) goes to QString::toDouble itself.
double decimalText(const QString &text, bool *ok)
{
    constexpr int maxChars = 40;
    const int n = text.size();
    char ascii[maxChars];
    bool plain = n > 0 && n <= maxChars;
    int digits = 0;
    int point = -1;
    for (int i = 0; plain && i < n; ++i) {
        const ushort c = text.at(i).unicode();
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.' && point < 0 && digits > 0)
            point = i;
        else if (!(c == '-' && i == 0))
            plain = false;
        ascii[i] = char(c);
    }
    plain = plain && digits > 0 && point != n - 1;
    if (plain) {
        double v = 0.0;
        if (simpleDecimal(ascii, ascii + n, &v)) {
            *ok = true;
            return v;
        }
        const std::from_chars_result r = std::from_chars(ascii, ascii + n, v);
        if (r.ec == std::errc() && r.ptr == ascii + n) {
            *ok = true;
            return v;
        }
    }
    return text.toDouble(ok);
}

} // namespace

void markPosition(AssistInfo *info, bool fix)
{
    info->hasPosition = false;
    if (!fix)
        return;
    bool latOk = false;
    bool lonOk = false;
    const double lat = decimalText(info->latitude, &latOk);
    const double lon = decimalText(info->longitude, &lonOk);
    if (!latOk || !lonOk || !std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.0
        || std::fabs(lon) > 180.0)
        return;
    info->hasPosition = true;
    info->latitudeDeg = lat;
    info->longitudeDeg = lon;
}

int parseTabLine(AssistInfoList &samples, const QByteArray &lineIn, int key)
{
    QByteArray line = cString(lineIn);
    bool tabNearStart = false;
    for (int i = 1; i <= 5 && i < line.size(); ++i) {
        if (line.at(i) == '\t') {
            tabNearStart = true;
            break;
        }
    }
    if (!tabNearStart) {
        const char shift = char(key & 0xFF);
        for (int i = 0; i < line.size(); ++i) {
            if (line.at(i) == '\n' || line.at(i) == '\r')
                break;
            line[i] = char(uchar(line.at(i)) - uchar(shift));
        }
        line = cString(line); // unshifting may have produced a NUL
    }

    // "%d\t%d\t%d\t%s": a white-space directive in a scan format matches any run of white
    // space, %d skips leading white space itself, %s stops at white space (1023 at most).
    qint64 values[3] = {0, 0, 0};
    QByteArray sentence;
    int pos = 0;
    const int n = line.size();
    bool ok = true;
    for (int f = 0; f < 3 && ok; ++f) {
        while (pos < n && isSpace(line.at(pos)))
            ++pos;
        int end = pos;
        if (end < n && (line.at(end) == '+' || line.at(end) == '-'))
            ++end;
        const int digitsStart = end;
        while (end < n && isDigit(line.at(end)))
            ++end;
        if (end == digitsStart) {
            ok = false;
            break;
        }
        values[f] = std::clamp<qint64>(leadingInteger(line.mid(pos, end - pos)),
                                       std::numeric_limits<int>::min(),
                                       std::numeric_limits<int>::max());
        pos = end;
    }
    if (ok) {
        while (pos < n && isSpace(line.at(pos)))
            ++pos;
        int end = pos;
        while (end < n && !isSpace(line.at(end)) && end - pos < 1023)
            ++end;
        sentence = line.mid(pos, end - pos);
    }

    AssistInfo info;
    info.x = float(values[0]) / 1000.0f;
    info.y = float(values[1]) / 1000.0f;
    info.z = float(values[2]) / 1000.0f;
    if (!sentence.isEmpty()) {
        const bool parsed =
            parseRmc(sentence, &info.longitude, &info.latitude, &info.speed, &info.course);
        markPosition(&info, parsed && sentenceHasFix(sentence));
        info.setUtc(rmcUtcMs(sentence), AssistInfo::Clock::Gps);
    }
    samples.append(info);
    return samples.size();
}

qint64 rmcUtcMs(const QByteArray &sentence)
{
    // $xxRMC,hhmmss.sss,status,lat,N,lon,E,speed,course,ddmmyy,...: here empty fields keep
    // their place, or a sentence without a fix would move the date.
    const QByteArray text = cString(sentence);
    int starts[11];
    int count = 0;
    for (int i = 0; i <= text.size() && count < 11; ++i) {
        if (i == 0 || text.at(i - 1) == ',')
            starts[count++] = i;
    }
    if (count < 10 || !text.startsWith('$') || text.mid(3, 4) != "RMC,")
        return -1;
    const auto field = [&](int k) {
        const int end = k + 1 < count ? starts[k + 1] - 1 : text.size();
        const QByteArray f = text.mid(starts[k], end - starts[k]);
        const int star = f.indexOf('*'); // the checksum, when the date ends the sentence
        return star < 0 ? f : f.left(star);
    };
    return geo::nmeaUtcMs(field(9).trimmed(), field(1));
}

int scrambleKey(const char *chars, int available)
{
    if (chars == nullptr)
        return 0;
    auto digit = [&](int i) { return i < available && isDigit(chars[i]) ? chars[i] - '0' : 0; };
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += digit(i);
    return sum + digit(4) + digit(7);
}
