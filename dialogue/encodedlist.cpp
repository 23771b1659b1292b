// SPDX-License-Identifier: GPL-3.0-or-later
#include "encodedlist.h"

#include "linecodec.h"
#include "modemprotocol.h"

EncodedList::EncodedList(const QStringList &entries, Parity parity)
{
    m_ends.reserve(std::size_t(entries.size()));
    QByteArray plain;
    for (const QString &entry : entries) {
        // One character, one byte: commands are plain ASCII; anything beyond Latin-1 cannot go
        // down a 7-bit line anyway.
        plain += ModemProtocol::CmdPrefix.toLatin1();
        plain += entry.toLatin1();
        plain += '\r';
        m_ends.push_back(plain.size());
    }
    m_bytes = LineCodec::ApplyParity(parity, plain);
}

QByteArray EncodedList::line(qsizetype i) const
{
    const qsizetype begin = i > 0 ? m_ends[std::size_t(i - 1)] : 0;
    return QByteArray::fromRawData(m_bytes.constData() + begin, m_ends[std::size_t(i)] - begin);
}
