// SPDX-License-Identifier: GPL-3.0-or-later
// Which device each port number (1 to 4) uses, and why: the variable TAVOLI_COM<n> when set,
// else the device assigned in the INI file (key Port<n> of the program's section), else
// /dev/ttyS<n-1>. The INI file is the one of the working directory of the moment, read afresh
// at every use, as the command list is. A file that is there and cannot be read gives no
// device at all: falling back to /dev/ttyS<n-1> then would open another device than the one
// assigned.
#pragma once

#include "inistore.h"
#include "storeresult.h"

#include <QString>

struct PortChoice
{
    enum class Source { Variable, Assigned, Default, Unreadable };
    QString device; // empty when Unreadable
    Source source = Source::Default;
    QString origin;     // the variable's name, the INI file, or empty for the default
    StoreResult unread; // Unreadable: why the INI file could not be read
};

namespace PortAssignments {

constexpr int PortCount = 4;

QString keyFor(int port);      // "Port1"
QString variableFor(int port); // "TAVOLI_COM1"

enum class IniWait : bool {
    ForSave, // a save another program is making is waited for, as long as a save would wait
    No,      // it makes the file Unreadable at once: for what is looked at again and again
};

// The device the port uses now and where that comes from.
PortChoice choiceFor(int port, IniWait wait = IniWait::ForSave);
// Stores `device` for the port (empty: back to the default). Only the key's line of the file
// changes; the failure has the port, the file and what failed.
StoreResult assign(int port, const QString &device);

} // namespace PortAssignments
