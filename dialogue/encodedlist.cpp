// SPDX-License-Identifier: GPL-3.0-or-later
#include "encodedlist.h"

#include "linecodec.h"
#include "modemprotocol.h"

EncodedList::EncodedList(const QStringList &entries, Parity parity)
{
    const QByteArray prefix = ModemProtocol::CmdPrefix.toLatin1();
    qsizetype total = 0;
    for (const QString &entry : entries)
        total += prefix.size() + entry.size() + 1;
    m_bytes.resize(total);
    m_ends.reserve(std::size_t(entries.size()));
    char *out = m_bytes.data();
    const auto put = [&](char c) { *out++ = LineCodec::WithParity(parity, c); };
    for (const QString &entry : entries) {
        for (const char c : prefix)
            put(c);
        // One character, one byte, as QString::toLatin1() makes it: commands are plain ASCII;
        // anything beyond Latin-1 cannot go down a 7-bit line anyway, and a character whose
        // seven bits are a carriage return (U+008D) would end the command in the middle.
        for (const QChar c : entry) {
            const char16_t u = c.unicode();
            put(u > 0xFF || (u & 0x7F) == '\r' ? '?' : char(u));
        }
        put('\r');
        m_ends.push_back(out - m_bytes.constData());
    }
}

QByteArray EncodedList::line(qsizetype i) const
{
    const qsizetype begin = i > 0 ? m_ends[std::size_t(i - 1)] : 0;
    return QByteArray::fromRawData(m_bytes.constData() + begin, m_ends[std::size_t(i)] - begin);
}
