// SPDX-License-Identifier: GPL-3.0-or-later
#include "identification.h"

void Identification::begin(const QString &command)
{
    IdentificationAnswer answer;
    answer.command = command;
    m_answers.append(answer);
}

void Identification::addLine(const QByteArray &line)
{
    if (m_answers.isEmpty())
        return;
    IdentificationAnswer &answer = m_answers.last();
    if (answer.lines.size() >= MaxLines || line.size() > MaxLineLength) {
        answer.cut = true;
        if (answer.lines.size() >= MaxLines)
            return;
    }
    // Bytes arrive with bit 7 cleared, so Latin-1 is exact.
    answer.lines.append(QString::fromLatin1(line.left(MaxLineLength)));
}

void Identification::end(IdentificationAnswer::Result result)
{
    if (!m_answers.isEmpty())
        m_answers.last().result = result;
}
