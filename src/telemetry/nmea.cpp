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

namespace nmea {

Fields::Fields(const QByteArray &sentence, Mode mode, End end)
    : m_text(end == AtNul ? cString(sentence) : sentence)
{
    const char *p = m_text.constData();
    const int n = m_text.size();
    int i = 0;
    while (m_count < kMaxFields) {
        if (mode == DropEmpty) {
            while (i < n && p[i] == ',')
                ++i;
            if (i >= n)
                break;
        }
        int j = i;
        while (j < n && p[j] != ',')
            ++j;
        m_spans[m_count++] = Span{i, j - i};
        if (j >= n)
            break;
        i = j + 1;
    }
}

QByteArray Fields::at(int i) const
{
    if (i < 0 || i >= m_count)
        return QByteArray();
    return QByteArray::fromRawData(m_text.constData() + m_spans[i].start, m_spans[i].length);
}

QByteArray Fields::value(int i) const
{
    const QByteArray f = at(i);
    const int star = f.indexOf('*');
    return star < 0 ? f : QByteArray::fromRawData(f.constData(), star);
}

char Fields::first(int i) const
{
    return i >= 0 && i < m_count && m_spans[i].length > 0 ? m_text.at(m_spans[i].start) : '\0';
}

bool Fields::is(int i, const char *word) const
{
    return i >= 0 && i < m_count && m_spans[i].length == int(std::strlen(word))
        && std::memcmp(m_text.constData() + m_spans[i].start, word, size_t(m_spans[i].length))
        == 0;
}

QByteArray sentenceBody(const QByteArray &sentence)
{
    QByteArray s = cString(sentence).trimmed();
    if (s.startsWith('$'))
        s.remove(0, 1);
    return s;
}

namespace {

bool isType(const Fields &f, const char *type)
{
    // Talker (GP, GN, GL, GA, BD, ...) plus the type.
    return f.length(0) == 5 && f.value(0).endsWith(type);
}

bool toDouble(const QByteArray &field, double *out)
{
    if (field.isEmpty())
        return false;
    bool ok = false;
    const double v = field.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// ddmm.mmmm + hemisphere letter; false when either is missing or out of range. "00000.0000" is
// the Greenwich meridian (or the equator), not a missing value: only the status says whether
// there is a fix. A zero has no side, and BlackVue receivers leave its letter empty.
bool coordinate(const QByteArray &value, const QByteArray &hemisphere, double limit, double *out)
{
    double v = 0.0;
    if (!toDouble(value, &v))
        return false;
    if (hemisphere.isEmpty()) {
        if (v != 0.0)
            return false;
        *out = 0.0;
        return true;
    }
    const double deg = geo::hemisphereDdmmToDegrees(std::fabs(v), hemisphere[0]);
    if (!(std::fabs(deg) <= limit))
        return false;
    *out = deg;
    return true;
}

bool coordinates(const Fields &f, int first, Fix *fix)
{
    fix->hasCoordinates = coordinate(f.value(first), f.value(first + 1), 90.0, &fix->latDeg)
        && coordinate(f.value(first + 2), f.value(first + 3), 180.0, &fix->lonDeg);
    return fix->hasCoordinates;
}

} // namespace

bool decodeRmc(const QByteArray &sentence, Fix *out)
{
    // type, time, status, lat, N/S, lon, E/W, knots, course, date
    const Fields f(sentenceBody(sentence), Fields::Positional);
    if (!isType(f, "RMC") || f.size() < 10)
        return false;
    Fix fix;
    fix.dayMs = geo::nmeaTimeOfDayMs(f.value(1));
    fix.dateDays = geo::nmeaDateDays(f.value(9).trimmed());
    const QByteArray status = f.value(2);
    fix.status = status.size() == 1 ? status[0] : (status.isEmpty() ? '\0' : '?');
    fix.valid = coordinates(f, 3, &fix) && fix.status == 'A';
    double v = 0.0;
    if (toDouble(f.value(7), &v) && v >= 0.0)
        fix.speedKmh = v * 1.852; // one knot is 1.852 km/h exactly
    if (toDouble(f.value(8), &v) && v >= 0.0 && v <= 360.0)
        fix.course = v;
    *out = fix;
    return true;
}

bool decodeGga(const QByteArray &sentence, Fix *out)
{
    // type, time, lat, N/S, lon, E/W, quality
    const Fields f(sentenceBody(sentence), Fields::Positional);
    if (!isType(f, "GGA") || f.size() < 7)
        return false;
    Fix fix;
    fix.dayMs = geo::nmeaTimeOfDayMs(f.value(1));
    bool ok = false;
    const int quality = f.value(6).toInt(&ok);
    fix.valid = coordinates(f, 2, &fix) && ok && quality > 0;
    *out = fix;
    return true;
}

} // namespace nmea

bool parseGga(const QByteArray &sentence, QString *longitude, QString *latitude)
{
    const nmea::Fields t(sentence, nmea::Fields::DropEmpty);
    if (t.size() < 6 || !t.is(0, "$GPGGA"))
        return false;
    if (t.length(2) > maxFieldLength || t.length(4) > maxFieldLength)
        return false;
    *latitude = formatCoordinate(t.at(2), t.first(3));
    *longitude = formatCoordinate(t.at(4), t.first(5));
    return true;
}

bool parseRmc(const QByteArray &sentence, QString *longitude, QString *latitude, int32_t *speed,
              double *course)
{
    // type, time, status, lat, N/S, lon, E/W, speed, course, date (date optional)
    const nmea::Fields t(sentence, nmea::Fields::DropEmpty);
    if (t.size() < 9)
        return false;
    if (!t.is(0, "$GPRMC") && !t.is(0, "$GLRMC") && !t.is(0, "$GNRMC"))
        return false;
    if (t.length(3) > maxFieldLength || t.length(5) > maxFieldLength
        || t.length(7) > maxFieldLength || t.length(8) > maxFieldLength)
        return false;
    *latitude = formatCoordinate(t.at(3), t.first(4));
    *longitude = formatCoordinate(t.at(5), t.first(6));
    *speed = toInt32(leadingDouble(t.at(7)) * 1.852);
    double c = leadingDouble(t.at(8));
    if (c > 360.0)
        c = 0.0;
    *course = c;
    return true;
}

bool sentenceHasFix(const QByteArray &sentence)
{
    const nmea::Fields t(sentence, nmea::Fields::DropEmpty);
    if (t.size() < 7)
        return false;
    auto coordinate = [&](int i) {
        const QByteArray f = t.at(i);
        return f.size() > 0 && f.size() <= maxFieldLength && isDigit(f[0]) && f.contains('.');
    };
    auto letter = [&](int i, char a, char b) {
        return t.length(i) == 1 && (t.first(i) == a || t.first(i) == b);
    };
    if (t.is(0, "$GPGGA")) {
        // type, time, lat, N/S, lon, E/W, quality
        return coordinate(2) && letter(3, 'N', 'S') && coordinate(4) && letter(5, 'E', 'W')
            && t.length(6) == 1 && t.first(6) >= '1' && t.first(6) <= '9';
    }
    // type, time, status, lat, N/S, lon, E/W
    if (!t.is(0, "$GPRMC") && !t.is(0, "$GLRMC") && !t.is(0, "$GNRMC"))
        return false;
    return t.is(2, "A") && coordinate(3) && letter(4, 'N', 'S') && coordinate(5)
        && letter(6, 'E', 'W');
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
    // Here empty fields keep their place, or a sentence without a fix would move the date.
    nmea::Fix fix;
    if (!sentence.startsWith('$') || !nmea::decodeRmc(sentence, &fix))
        return -1;
    return fix.utcMs();
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
