// SPDX-License-Identifier: GPL-3.0-or-later
// What a modem says about itself: each inquiry command with the lines it answered and how it
// ended. Bounded, whatever the modem sends.
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
    bool cut = false; // more came than is kept
};

class Identification
{
public:
    // Kept per answer; an AT&V profile listing takes a few kilobytes.
    static constexpr int MaxLines = 200;
    static constexpr int MaxLineLength = 256;

    void begin(const QString &command);
    void addLine(const QByteArray &line);
    void end(IdentificationAnswer::Result result);

    const QList<IdentificationAnswer> &answers() const { return m_answers; }

private:
    QList<IdentificationAnswer> m_answers;
};
