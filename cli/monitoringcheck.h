// SPDX-License-Identifier: GPL-3.0-or-later
// `tavoli check`, the monitoring check: from what the query read on each device to the status
// lines and exit status of the monitoring-plugins conventions (Nagios, Icinga, Naemon). Only
// values are compared here; the query itself runs elsewhere (CheckRun).
#pragma once

#include "dialogueresult.h"

#include <QList>
#include <QString>

#include <optional>

namespace MonitoringCheck {

// The plugin's exit statuses.
enum class Status : int { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// What the modem should hold: S0 always, S37 only when the speed was asked for.
struct Expected
{
    int rings = 0;
    std::optional<int> s37;
    qint32 bitRate = 0; // the speed asked, for the words; 0 without one
};

// How one device's query ended.
struct Reading
{
    QString device;
    DialogueResult result;
    QString signalName; // not empty: the check was interrupted by that signal before it ended
};

struct Report
{
    QString text; // every line, each ended by a line feed
    Status status = Status::Ok;
};

// What one reading means for the modem, and its words (no device, no status keyword).
struct Verdict
{
    Status status = Status::Ok;
    QString words;
};
Verdict judge(const Reading &reading, const Expected &expected);

// CRITICAL above WARNING above UNKNOWN above OK: a modem known to be wrong outranks one that
// could not be looked at.
Status worst(Status a, Status b);

// One line per device, the worst first (the line a monitoring system shows); the first line
// carries the performance data of every device.
Report report(const QList<Reading> &readings, const Expected &expected);

// The line for arguments that make no sense, with the status that goes with it.
Report usageError(const QString &message);

} // namespace MonitoringCheck
