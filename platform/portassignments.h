// SPDX-License-Identifier: GPL-3.0-or-later
// Which device each port number (1 to 4) uses, and why: the variable TAVOLI_COM<n> when set,
// else the device assigned in the INI file (key Port<n> of the program's section), else
// /dev/ttyS<n-1>. The INI file is the one of the working directory of the moment, read afresh
// at every use, as the command list is.
#pragma once

#include "inistore.h"
#include "storeresult.h"

#include <QString>

struct PortChoice
{
    enum class Source { Variable, Assigned, Default };
    QString device;
    Source source = Source::Default;
    QString origin; // the variable's name, the INI file, or empty for the default
};

namespace PortAssignments {

constexpr int PortCount = 4;

QString keyFor(int port);      // "Port1"
QString variableFor(int port); // "TAVOLI_COM1"

// The device the port uses now and where that comes from.
PortChoice choiceFor(int port);
// The device stored for the port; empty when none is.
QString assigned(int port);
// Stores `device` for the port (empty: back to the default). Only the key's line of the file
// changes; the failure has the port, the file and what failed.
StoreResult assign(int port, const QString &device);

} // namespace PortAssignments
