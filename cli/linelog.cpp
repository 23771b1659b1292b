// SPDX-License-Identifier: GPL-3.0-or-later
#include "linelog.h"

#include "textutils.h"
#include "transcripttexts.h"

#include <QDate>

#include <cstdio>

void complain(const QString &message)
{
    for (const QString &line : message.split(QLatin1Char('\n')))
        std::fprintf(stderr, "tavoli: %s\n", qUtf8Printable(TextUtils::ShowControls(line)));
}

LineLog::LineLog() : m_log(&complain) // said once; the devices go on without it
{}

Outcome LineLog::open(const QString &path)
{
    // The transcript's lines carry the time of day only: say which day they belong to.
    return m_log.open(path, TranscriptTexts::TranscriptLogStarted.arg(
                                QDate::currentDate().toString(Qt::ISODate)));
}

void LineLog::write(const QString &device, const Transcript::Line &line)
{
    // One line each, whatever the device's name or an event's text holds.
    m_log.append(TextUtils::ShowControls(device + QLatin1String("  ") + Transcript::format(line)),
                 line.direction == Transcript::Direction::Event);
}
