// SPDX-License-Identifier: GPL-3.0-or-later
// The lines' module itself: its entry, built from the code linked into it.
#include "linesmodule.h"

#include "commandrun.h"

#ifndef TAVOLI_VERSION
#define TAVOLI_VERSION "0"
#endif

extern "C" Q_DECL_EXPORT const LinesModule::Entry *tavoli_lines_entry()
{
    static const LinesModule::Entry entry{TAVOLI_VERSION, &makeModemSession, &DeviceAddress::parse,
                                          &CommandRun::main};
    return &entry;
}
