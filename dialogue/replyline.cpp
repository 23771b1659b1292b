#include "replyline.h"

#include <limits>

namespace ReplyLine {

bool isExactlyZero(const QByteArray &line)
{
    return line.size() == 1 && line.at(0) == '0';
}

bool endsInZero(const QByteArray &line)
{
    return !line.isEmpty() && line.back() == '0';
}

qint16 leadingNumber(const QByteArray &line)
{
    constexpr qint32 highest = std::numeric_limits<qint16>::max();
    constexpr qint32 lowest = std::numeric_limits<qint16>::min();

    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && (line.at(i) == ' ' || line.at(i) == '\t' || line.at(i) == '\n'))
        ++i;

    bool negative = false;
    if (i < n && (line.at(i) == '-' || line.at(i) == '+')) {
        negative = line.at(i) == '-';
        ++i;
    }

    // Accumulate the magnitude, held just past the 16-bit range however many digits follow.
    qint32 magnitude = 0;
    for (; i < n && line.at(i) >= '0' && line.at(i) <= '9'; ++i) {
        magnitude = magnitude * 10 + (line.at(i) - '0');
        if (magnitude > highest + 1)
            magnitude = highest + 1;
    }

    const qint32 value = negative ? -magnitude : magnitude;
    return static_cast<qint16>(qBound(lowest, value, highest));
}

qsizetype findVerboseOk(const QByteArray &text, qsizetype from)
{
    return text.indexOf(QByteArrayView("OK\r"), from);
}

} // namespace ReplyLine
