// SPDX-License-Identifier: GPL-3.0-or-later
// The look for processes that have a device open (PortLock::openers()) reads every descriptor
// of every process: seconds on a machine with thousands of them. So it runs on a thread of its
// own, never the caller's, and answers later through the caller's event loop. One pass over
// /proc answers every device asked for while it was pending: lines opened together (the
// command line's devices, two windows) do not queue behind one another. A request made while a
// pass is under way waits for the next one, which sees what was opened since.
//
// Lives on the thread that made it, where its answers come; the scanning thread only reads /proc
// and hands the answers over through the scan's mailbox.
#pragma once

#include "mailbox.h"
#include "portlock.h"

#include <QString>

#include <functional>

class HolderScan
{
public:
    using Answer = std::function<void(const PortLock::Openers &)>;

    HolderScan() = default;
    HolderScan(const HolderScan &) = delete;
    HolderScan &operator=(const HolderScan &) = delete;
    ~HolderScan() { cancel(); }

    // Looks for the processes other than this one that have `device` open. `answer` runs on
    // this scan's thread, from its event loop, unless cancel() comes first or the scan goes. A
    // request still unanswered is replaced.
    void ask(const QString &device, Answer answer);
    void cancel();
    bool isAsking() const { return m_ticket != 0; }

    // Passes over /proc made so far by every scan of the program.
    static quint64 passes();

private:
    Mailbox m_inbox;
    quint64 m_ticket = 0; // the request unanswered, 0 when none
};
