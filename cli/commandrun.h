// SPDX-License-Identifier: GPL-3.0-or-later
// Runs what the command line asks: every device at once in the one event loop, a result line
// per device on stdout as each one finishes, progress on stderr while it is a terminal.
#pragma once

#include "commandline.h"
#include "devicejob.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace CommandRun {

// The whole command mode, on a QCoreApplication: parse, then run. Returns the exit status.
int main(const QStringList &arguments);

// Runs the request to the end and returns the highest exit status of its devices; each
// device's result also goes to `results` when given.
int run(const CommandLine::Request &request, QList<JobResult> *results = nullptr);

// A result as printed: "device: what happened" on one line...
QString textLine(const JobResult &result);
// ...or one JSON object.
QByteArray jsonLine(const JobResult &result, const CommandLine::Request &request);

} // namespace CommandRun
