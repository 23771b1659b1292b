// SPDX-License-Identifier: GPL-3.0-or-later
#include "batchedlog.h"

#include "operatortexts.h"
#include "transcript.h"

#include <utility>

BatchedLog::BatchedLog(std::function<void(const QString &)> failed)
    : m_failedReport(std::move(failed))
{
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer); // late, never early
    m_deadline.setInterval(LongestWaitMs);
    QObject::connect(&m_deadline, &QTimer::timeout, &m_deadline, [this] { flush(); });
}

BatchedLog::~BatchedLog()
{
    flush();
}

Outcome BatchedLog::open(const QString &path, const QString &firstLine)
{
    m_path = path;
    if (const Outcome opened = Transcript::openForAppending(m_file, path); !opened)
        return opened;
    const QByteArray start = firstLine.toUtf8() + '\n';
    ++m_batches;
    if (m_file.write(start) != start.size() || !m_file.flush()) {
        const QString why = m_file.errorString();
        m_file.close();
        return Outcome::failure(OperatorTexts::TranscriptLogOpenFailed.arg(path, why));
    }
    return Outcome::success();
}

void BatchedLog::append(const QString &line, bool urgent)
{
    if (!isOpen())
        return;
    m_pending += line.toUtf8();
    m_pending += '\n';
    if (urgent || m_pending.size() >= BatchBytes)
        flush();
    else if (!m_deadline.isActive())
        m_deadline.start();
}

void BatchedLog::flush()
{
    m_deadline.stop();
    if (m_pending.isEmpty() || !isOpen())
        return;
    const QByteArray batch = std::exchange(m_pending, QByteArray());
    ++m_batches;
    if (m_file.write(batch) == batch.size() && m_file.flush())
        return;
    m_failed = true;
    const QString message =
        OperatorTexts::TranscriptLogWriteFailed.arg(m_path, m_file.errorString());
    m_file.close();
    if (m_failedReport)
        m_failedReport(message);
}
