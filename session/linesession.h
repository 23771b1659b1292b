// SPDX-License-Identifier: GPL-3.0-or-later
// What a SessionHandle asks of the session it has made: each call runs on the session's own
// thread, posted through inbox(). An interface, so that the window's program can have its
// session made by the lines' module, loaded at the first dialogue (LineAccess), while the
// command line, the tests and the benchmarks make ModemSession directly. Lives on the thread that
// made it.
#pragma once

#include "sessionhandle.h"

class Mailbox;

class LineSession
{
public:
    virtual ~LineSession() = default;
    virtual void start(const SessionStart &start) = 0;
    virtual void giveList(quint64 dialogue, const CommandListResult &list) = 0;
    virtual void stop() = 0;
    virtual Mailbox &inbox() = 0;
};
