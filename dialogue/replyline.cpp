// SPDX-License-Identifier: GPL-3.0-or-later
#include "replyline.h"

#include "modemprotocol.h"

#include <limits>

namespace ReplyLine {

namespace {

// Replies arrive as bytes with bit 7 cleared: plain ASCII, so Latin-1 is exact.
const QByteArray &numericOk()
{
    static const QByteArray text = ModemProtocol::ReplyOk.toLatin1();
    return text;
}

const QByteArray &verboseOk()
{
    static const QByteArray text = ModemProtocol::ReplyOkVerbose.toLatin1();
    return text;
}

} // namespace

QByteArray withoutLeadingLineFeeds(const QByteArray &line)
{
    qsizetype i = 0;
    while (i < line.size() && line.at(i) == '\n')
        ++i;
    return i == 0 ? line : line.mid(i);
}

bool isExactlyZero(const QByteArray &line)
{
    return line == numericOk();
}

bool isRefusal(const QByteArray &line)
{
    static const QByteArray numeric = ModemProtocol::ReplyErrorNumeric.toLatin1();
    static const QByteArray verbose = ModemProtocol::ReplyErrorVerbose.toLatin1();
    return line == numeric || line == verbose;
}

bool endsInZero(const QByteArray &line)
{
    return !line.isEmpty() && line.back() == numericOk().back();
}

bool hasLeadingNumber(const QByteArray &line)
{
    qsizetype i = 0;
    while (i < line.size() && (line.at(i) == ' ' || line.at(i) == '\t' || line.at(i) == '\n'))
        ++i;
    if (i < line.size() && (line.at(i) == '-' || line.at(i) == '+'))
        ++i;
    return i < line.size() && line.at(i) >= '0' && line.at(i) <= '9';
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
    return text.indexOf(verboseOk(), from);
}

} // namespace ReplyLine
