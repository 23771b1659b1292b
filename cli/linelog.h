// SPDX-License-Identifier: GPL-3.0-or-later
// The --log file of the command line, shared by every device: each transcript line with its
// device in front.
//
// Lines are gathered and written in batches, since a long list makes two lines per entry and
// per device: a batch goes out at once when an event comes (a box, the end of a dialogue, the
// port opened or closed: what someone watching the file waits for), when the gathered bytes
// pass BatchBytes, at the latest LongestWaitMs after its first line, and when the log goes.
#pragma once

#include "outcome.h"
#include "transcript.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTimer>

class LineLog
{
public:
    static constexpr int LongestWaitMs = 100;
    // Half a pipe's default capacity: a FIFO whose reader keeps up takes a batch whole.
    static constexpr qsizetype BatchBytes = 32 * 1024;

    LineLog();
    // Writes what is still gathered.
    ~LineLog();
    LineLog(const LineLog &) = delete;
    LineLog &operator=(const LineLog &) = delete;

    Outcome open(const QString &path);
    void write(const QString &device, const Transcript::Line &line);
    // Writes what is gathered now.
    void flush();
    // Batches written so far, the first line of the file included.
    qsizetype batches() const { return m_batches; }

private:
    QFile m_file;
    QString m_path;
    QByteArray m_pending;
    QTimer m_deadline;
    qsizetype m_batches = 0;
    bool m_failed = false;
};
