// SPDX-License-Identifier: GPL-3.0-or-later
// What a modem says about itself: each inquiry command with the lines it answered and how it
// ended. Bounded, whatever the modem sends.
// Made on the engine's thread; a value, copied to the face with the dialogue's result.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct IdentificationAnswer
{
    enum class Result { Answered, Refused, Silent };

    QString command;
    QStringList lines; // the information lines, bit 7 cleared, control characters kept
    Result result = Result::Silent;
    bool cut = false;  // more came than is kept
    int waitedMs = 0;  // from the sending to the result, or to giving up on one
    qint64 sentMs = 0; // on the engine's timer clock
};

class Identification
{
public:
    // Kept per answer; an AT&V profile listing takes a few kilobytes.
    static constexpr int MaxLines = 200;
    static constexpr int MaxLineLength = 256;

    // `nowMs` on the engine's timer clock.
    void begin(const QString &command, qint64 nowMs);
    void addLine(const QByteArray &line);
    void end(IdentificationAnswer::Result result, qint64 nowMs);
    // The time was up before every inquiry had been asked; `totalMs` is how long it was given.
    void stopAfter(int totalMs) { m_stoppedAfterMs = totalMs; }

    const QList<IdentificationAnswer> &answers() const { return m_answers; }
    // 0 when every inquiry was asked.
    int stoppedAfterMs() const { return m_stoppedAfterMs; }

private:
    QList<IdentificationAnswer> m_answers;
    int m_stoppedAfterMs = 0;
};
