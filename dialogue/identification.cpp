// SPDX-License-Identifier: GPL-3.0-or-later
#include "identification.h"

void Identification::begin(const QString &command, qint64 nowMs)
{
    IdentificationAnswer answer;
    answer.command = command;
    answer.sentMs = nowMs;
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

void Identification::end(IdentificationAnswer::Result result, qint64 nowMs)
{
    if (m_answers.isEmpty())
        return;
    IdentificationAnswer &answer = m_answers.last();
    answer.result = result;
    answer.waitedMs = int(nowMs - answer.sentMs);
}
