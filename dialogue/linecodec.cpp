// SPDX-License-Identifier: GPL-3.0-or-later
#include "linecodec.h"

#include <bit>

namespace LineCodec {

// Any length is handled: the 16-bit limit of the line's counts is a property of the modem's
// short commands and replies, not something the codec needs to enforce.
QByteArray ApplyParity(Parity parity, const QByteArray &text)
{
    if (parity != Parity::None && parity != Parity::Odd && parity != Parity::Even)
        return text;

    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = WithParity(parity, text.at(i));
    return out;
}

char WithParity(Parity parity, char byte)
{
    if (parity != Parity::None && parity != Parity::Odd && parity != Parity::Even)
        return byte;
    const unsigned low = static_cast<unsigned char>(byte) & 0x7Fu;
    const bool oddOnes = std::popcount(low) % 2 == 1;
    unsigned code = low;
    if (parity == Parity::Odd && !oddOnes)
        code |= 0x80u;
    else if (parity == Parity::Even && oddOnes)
        code |= 0x80u;
    return static_cast<char>(code);
}

QByteArray StripParity(const QByteArray &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(text.at(i)) & 0x7Fu);
    return out;
}

void StripParity(QByteArray &text, qsizetype from)
{
    char *bytes = text.data();
    for (qsizetype i = from; i < text.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) & 0x7Fu);
}

} // namespace LineCodec
