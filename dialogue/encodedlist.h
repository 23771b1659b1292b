// SPDX-License-Identifier: GPL-3.0-or-later
// A command list as it goes on the line: every entry with its "AT" and carriage return, parity
// applied, encoded once when the list starts into one buffer, so that sending an entry is
// writing a slice of it.
// Lives on its engine's thread.
#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

class EncodedList
{
public:
    EncodedList() = default;
    EncodedList(const QStringList &entries, Parity parity);

    qsizetype size() const { return qsizetype(m_ends.size()); }
    // Entry i as it goes on the line. The bytes are not copied: they live as long as this list.
    QByteArray line(qsizetype i) const;

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_ends; // entry i is [m_ends[i-1], m_ends[i]) of m_bytes
};
