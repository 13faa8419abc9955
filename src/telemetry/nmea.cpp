#include "nmea.h"

#include <QList>
#include <cmath>
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

// Longest prefix of text (after white space) that reads as a decimal number.
QByteArray numberPrefix(const QByteArray &text, bool allowFraction)
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
        return QByteArray();
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
    return text.mid(start, i - start);
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

// The sentences are split the way strtok splits them: at commas, with empty fields dropped so
// that later fields move up. Cameras rely on that when a fix is missing.
QList<QByteArray> tokens(const QByteArray &sentence, int maxTokens)
{
    QList<QByteArray> out;
    int i = 0;
    const int n = sentence.size();
    while (i < n && out.size() < maxTokens) {
        while (i < n && sentence.at(i) == ',')
            ++i;
        if (i >= n)
            break;
        int j = i;
        while (j < n && sentence.at(j) != ',')
            ++j;
        out.append(sentence.mid(i, j - i));
        i = j;
    }
    return out;
}

// Text up to the first NUL: sentences come from fixed-size binary blocks.
QByteArray cString(const QByteArray &text)
{
    const int nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

constexpr int maxFieldLength = 32;

} // namespace

double leadingDouble(const QByteArray &text)
{
    const QByteArray prefix = numberPrefix(text, true);
    if (prefix.isEmpty())
        return 0.0;
    bool ok = false;
    const double v = prefix.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
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
    const QByteArray coordinate = cString(coordinateIn);
    const int dot = coordinate.indexOf('.');
    if (dot < 0)
        return QStringLiteral("0");
    const qint64 whole = saturate(leadingDouble(coordinate.left(dot)));
    const int tailLength = coordinate.size() - dot; // the point included
    const double decimals = tailLength >= 3 ? leadingDouble(coordinate.mid(dot + 1)) : 0.0;
    const qint64 degrees = whole / 100;
    const qint64 minutes = whole % 100;
    const bool negative = hemisphere == 'S' || hemisphere == 'W';
    qint64 fraction = 0;
    const char *format = nullptr;
    if (tailLength == 5) {
        fraction = saturate(std::floor(double(minutes) * 10000.0 + decimals)) * 100 / 60;
        format = negative ? "-%lld.%06lld" : "%lld.%06lld";
    } else if (tailLength == 6) {
        fraction = saturate(std::floor(double(minutes) * 100000.0 + decimals)) * 100 / 60;
        format = negative ? "-%lld.%07lld" : "%lld.%07lld";
    } else {
        return QString();
    }
    return QString::asprintf(format, static_cast<long long>(degrees),
                             static_cast<long long>(fraction));
}

bool parseGga(const QByteArray &sentenceIn, QString *longitude, QString *latitude)
{
    const QList<QByteArray> t = tokens(cString(sentenceIn), 6);
    if (t.size() < 6 || t.at(0) != "$GPGGA")
        return false;
    const QByteArray &lat = t.at(2);
    const QByteArray &lon = t.at(4);
    if (lat.size() > maxFieldLength || lon.size() > maxFieldLength)
        return false;
    *latitude = formatCoordinate(lat, t.at(3).at(0));
    *longitude = formatCoordinate(lon, t.at(5).at(0));
    return true;
}

bool parseRmc(const QByteArray &sentenceIn, QString *longitude, QString *latitude, int32_t *speed,
              double *course)
{
    // type, time, status, lat, N/S, lon, E/W, speed, course, date (date optional)
    const QList<QByteArray> t = tokens(cString(sentenceIn), 10);
    if (t.size() < 9)
        return false;
    const QByteArray &type = t.at(0);
    if (type != "$GPRMC" && type != "$GLRMC" && type != "$GNRMC")
        return false;
    const QByteArray &lat = t.at(3);
    const QByteArray &lon = t.at(5);
    const QByteArray &knots = t.at(7);
    const QByteArray &cog = t.at(8);
    if (lat.size() > maxFieldLength || lon.size() > maxFieldLength
        || knots.size() > maxFieldLength || cog.size() > maxFieldLength)
        return false;
    *latitude = formatCoordinate(lat, t.at(4).at(0));
    *longitude = formatCoordinate(lon, t.at(6).at(0));
    // One knot is 1.852 km/h exactly.
    *speed = toInt32(leadingDouble(knots) * 1.852);
    double c = leadingDouble(cog);
    if (c > 360.0)
        c = 0.0;
    *course = c;
    return true;
}

bool sentenceHasFix(const QByteArray &sentenceIn)
{
    const QByteArray sentence = cString(sentenceIn);
    const QList<QByteArray> t = tokens(sentence, 8);
    auto coordinate = [](const QByteArray &f) {
        return !f.isEmpty() && f.size() <= maxFieldLength && f.contains('.')
            && isDigit(f.at(0));
    };
    auto letter = [](const QByteArray &f, char a, char b) {
        return f.size() == 1 && (f.at(0) == a || f.at(0) == b);
    };
    if (sentence.startsWith("$GPGGA")) {
        // type, time, lat, N/S, lon, E/W, quality
        return t.size() >= 7 && t.at(0) == "$GPGGA" && coordinate(t.at(2))
            && letter(t.at(3), 'N', 'S') && coordinate(t.at(4)) && letter(t.at(5), 'E', 'W')
            && t.at(6).size() == 1 && t.at(6).at(0) >= '1' && t.at(6).at(0) <= '9';
    }
    // type, time, status, lat, N/S, lon, E/W
    if (t.size() < 7)
        return false;
    const QByteArray &type = t.at(0);
    if (type != "$GPRMC" && type != "$GLRMC" && type != "$GNRMC")
        return false;
    return t.at(2) == "A" && coordinate(t.at(3)) && letter(t.at(4), 'N', 'S')
        && coordinate(t.at(5)) && letter(t.at(6), 'E', 'W');
}

void markPosition(AssistInfo *info, bool fix)
{
    info->hasPosition = false;
    if (!fix)
        return;
    bool latOk = false;
    bool lonOk = false;
    const double lat = info->latitude.toDouble(&latOk);
    const double lon = info->longitude.toDouble(&lonOk);
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
    }
    samples.append(info);
    return samples.size();
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
