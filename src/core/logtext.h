#pragma once

#include <QString>

// Text from a recording or a file name, made safe for the console log: control characters
// (which could move the cursor, clear the terminal or fake log lines) are written as \xNN.
inline QString printableText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029
            || u == 0x202e)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u == '\\')
            out += QLatin1String("\\\\");
        else
            out += c;
    }
    return out;
}
