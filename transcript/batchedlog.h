// SPDX-License-Identifier: GPL-3.0-or-later
// A log file written in batches, for the transcript's --log (the window's and the command
// line's): a long list makes two lines per command, and a write per line costs more than the
// exchange it records. Lines gather and go out at once when one is urgent (an event: a box, the
// end of a dialogue, the port opened or closed, what someone watching the file waits for), when
// the gathered bytes pass BatchBytes, at the latest LongestWaitMs after the first of them, and
// when the log goes. A write that fails is reported once; nothing more is written. Lines may come
// from any thread; the deadline is kept by the thread the log was made on.
#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTimer>

#include <functional>
#include <mutex>

class BatchedLog
{
public:
    static constexpr int LongestWaitMs = 100;
    // Half a pipe's default capacity: a FIFO whose reader keeps up takes a batch whole.
    static constexpr qsizetype BatchBytes = 32 * 1024;

    // `failed` gets the message for the operator when a write fails, at once and with the log's
    // lock held: it must not write to this log.
    explicit BatchedLog(std::function<void(const QString &message)> failed);
    // Writes what is still gathered.
    ~BatchedLog();
    BatchedLog(const BatchedLog &) = delete;
    BatchedLog &operator=(const BatchedLog &) = delete;

    // Opens `path` for appending and writes `firstLine` at once (which day the lines belong to).
    Outcome open(const QString &path, const QString &firstLine);
    bool isOpen() const { return m_file.isOpen() && !m_failed; }
    // One line, without its line feed.
    void append(const QString &line, bool urgent);
    // Writes what is gathered now.
    void flush();
    // Writes so far, the first line of the file included.
    qsizetype batches() const { return m_batches; }

private:
    void flushLocked();
    void armDeadline();

    std::function<void(const QString &)> m_failedReport;
    QFile m_file;
    QString m_path;
    QByteArray m_pending;
    QTimer m_deadline;
    std::mutex m_lock; // the file and what is gathered
    qsizetype m_batches = 0;
    bool m_failed = false;
};
