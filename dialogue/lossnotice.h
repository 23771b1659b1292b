// SPDX-License-Identifier: GPL-3.0-or-later
// How a line that goes away (a device unplugged, a connection dropped) tells its dialogue: once
// per open, and from the event loop, never from inside the call stack of the port or socket that
// found out. A notice still on its way when the line has been opened again belongs to the earlier
// open and is dropped: it must not end the new dialogue.
// Lives on its line's thread.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <utility>

class LossNotice
{
public:
    // A new open: nothing reported for it yet.
    void opened()
    {
        ++m_openCount;
        m_reported = false;
    }
    // True the first time for this open (the caller reports), false after.
    bool claim() { return !std::exchange(m_reported, true); }
    // Runs `tell` from the event loop, unless the line has been opened again meanwhile; `context`
    // owns this notice and the signal `tell` emits.
    template <class Tell>
    void deliver(QObject *context, Tell tell)
    {
        QMetaObject::invokeMethod(
            context,
            [this, openCount = m_openCount, tell = std::move(tell)] {
                if (openCount == m_openCount)
                    tell();
            },
            Qt::QueuedConnection);
    }

private:
    quint32 m_openCount = 0;
    bool m_reported = false;
};
