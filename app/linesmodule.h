// SPDX-License-Identifier: GPL-3.0-or-later
// The lines' module (tavoli-lines.so, installed beside the program's private files): the session,
// the local ports, the terminal servers and the command line, with Qt Serial Port and Qt Network,
// which the window does not load until its first dialogue needs them. The program finds one entry
// in it; the module carries its own copy of the lower layers and shows nothing else.
#pragma once

#include "lineaccess.h"

#include <QStringList>

namespace LinesModule {

struct Entry
{
    const char *version; // the program's version it was built with: another is refused
    LineAccess::MakeSession makeSession;
    LineAccess::ParseAddress parseAddress;
    int (*runCommands)(const QStringList &arguments); // CommandRun::main
};

// The module's one exported symbol, a function returning its Entry.
inline constexpr char EntryName[] = "tavoli_lines_entry";
using EntryFunction = const Entry *(*)();

// The program's side, from any thread: the module is loaded once, at the first call that needs
// it. For the window: ready() loads it.
LineAccess access();
// The command mode, on a QCoreApplication; when the module cannot be loaded, says so on stderr
// and returns ExitUnavailable.
int runCommands(const QStringList &arguments);
constexpr int ExitUnavailable = 69; // sysexits' EX_UNAVAILABLE

} // namespace LinesModule
