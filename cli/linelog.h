// SPDX-License-Identifier: GPL-3.0-or-later
// The --log file of the command line, shared by every device: each transcript line with its
// device in front.
//
// Written in batches (BatchedLog), as the window's own log is.
// Lives on the command line's thread, where its devices' sessions run.
#pragma once

#include "batchedlog.h"
#include "outcome.h"
#include "transcript.h"

#include <QString>

// Says `message` on stderr after "tavoli: ", a line of its own for each of its lines, each with
// its control characters made visible, so that no name it quotes can steer the terminal.
void complain(const QString &message);

class LineLog
{
public:
    LineLog();

    Outcome open(const QString &path);
    void write(const QString &device, const Transcript::Line &line);
    // Writes what is gathered now.
    void flush() { m_log.flush(); }
    // Batches written so far, the first line of the file included.
    qsizetype batches() const { return m_log.batches(); }

private:
    BatchedLog m_log;
};
