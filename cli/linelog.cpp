// SPDX-License-Identifier: GPL-3.0-or-later
#include "linelog.h"

#include "operatortexts.h"

#include <QDate>

#include <cstdio>
#include <utility>

LineLog::LineLog()
{
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer); // late, never early
    m_deadline.setInterval(LongestWaitMs);
    QObject::connect(&m_deadline, &QTimer::timeout, &m_deadline, [this] { flush(); });
}

LineLog::~LineLog()
{
    flush();
}

Outcome LineLog::open(const QString &path)
{
    m_path = path;
    if (const Outcome opened = Transcript::openForAppending(m_file, path); !opened)
        return opened;
    // The transcript's lines carry the time of day only: say which day they belong to.
    const QByteArray start =
        OperatorTexts::TranscriptLogStarted.arg(QDate::currentDate().toString(Qt::ISODate)).toUtf8()
        + '\n';
    ++m_batches;
    if (m_file.write(start) != start.size() || !m_file.flush())
        return Outcome::failure(
            OperatorTexts::TranscriptLogOpenFailed.arg(path, m_file.errorString()));
    return Outcome::success();
}

void LineLog::write(const QString &device, const Transcript::Line &line)
{
    if (m_failed)
        return;
    m_pending += (device + QLatin1String("  ") + Transcript::format(line)).toUtf8();
    m_pending += '\n';
    if (line.direction == Transcript::Direction::Event || m_pending.size() >= BatchBytes)
        flush();
    else if (!m_deadline.isActive())
        m_deadline.start();
}

void LineLog::flush()
{
    m_deadline.stop();
    if (m_pending.isEmpty() || m_failed)
        return;
    const QByteArray batch = std::exchange(m_pending, QByteArray());
    ++m_batches;
    if (m_file.write(batch) == batch.size() && m_file.flush())
        return;
    // Said once; the devices go on without it.
    m_failed = true;
    std::fprintf(
        stderr, "tavoli: %s\n",
        qUtf8Printable(OperatorTexts::TranscriptLogWriteFailed.arg(m_path, m_file.errorString())));
}
