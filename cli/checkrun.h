// SPDX-License-Identifier: GPL-3.0-or-later
// Runs `tavoli check`: the query on every device at once in one event loop, then the status
// lines on stdout and the plugin's exit status (MonitoringCheck says what they are).
#pragma once

#include "commandline.h"

#include <QString>

namespace CheckRun {

// Returns the exit status: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
int run(const CommandLine::Request &request);

// Arguments that make no sense: the UNKNOWN line on stdout, where monitoring systems read it.
int usageError(const QString &message);

} // namespace CheckRun
