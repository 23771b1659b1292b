// SPDX-License-Identifier: GPL-3.0-or-later
#include "batchedlog.h"

#include "atomicsave.h"
#include "transcript.h"
#include "transcripttexts.h"

#include <QThread>

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
    ++m_batches;
    if (const int error = AtomicSave::writeAll(m_file.handle(), firstLine.toUtf8() + '\n')) {
        m_file.close();
        return Outcome::failure(
            TranscriptTexts::TranscriptLogOpenFailed.arg(path, AtomicSave::systemText(error)));
    }
    return Outcome::success();
}

void BatchedLog::append(const QString &line, bool urgent)
{
    const std::lock_guard lock(m_lock);
    if (!isOpen())
        return;
    const bool first = m_pending.isEmpty();
    m_pending += line.toUtf8();
    m_pending += '\n';
    if (urgent || m_pending.size() >= BatchBytes)
        flushLocked();
    else if (first)
        armDeadline();
}

void BatchedLog::armDeadline()
{
    if (m_deadline.thread() == QThread::currentThread()) {
        if (!m_deadline.isActive())
            m_deadline.start();
        return;
    }
    // A timer is only started on its own thread; one that fires with nothing gathered is idle.
    QMetaObject::invokeMethod(&m_deadline, "start", Qt::QueuedConnection);
}

void BatchedLog::flush()
{
    const std::lock_guard lock(m_lock);
    flushLocked();
}

void BatchedLog::flushLocked()
{
    if (m_deadline.thread() == QThread::currentThread())
        m_deadline.stop();
    if (m_pending.isEmpty() || !isOpen())
        return;
    const QByteArray batch = std::exchange(m_pending, QByteArray());
    ++m_batches;
    // Through the descriptor, not QFile: a disk that fills up writes part of a batch, and only
    // the write after that says why (QFile reports the short write as "Unknown error").
    const int error = AtomicSave::writeAll(m_file.handle(), batch);
    if (error == 0)
        return;
    m_failed = true;
    m_file.close();
    if (m_failedReport)
        m_failedReport(
            TranscriptTexts::TranscriptLogWriteFailed.arg(m_path, AtomicSave::systemText(error)));
}
