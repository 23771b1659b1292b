// SPDX-License-Identifier: GPL-3.0-or-later
// Whether this process holds a device's port open, as its lock file says. A pseudo-terminal that
// has gone may be made again under the same name by another test running at the same time, with
// a lock file of that test's: only the process id in the file tells whose it is.
#pragma once

#include "portlock.h"

#include <QCoreApplication>
#include <QFile>

inline bool lockedByUs(const QString &device)
{
    QFile lock(PortLock::qtLockFilePath(device));
    return lock.open(QIODevice::ReadOnly)
           && lock.readLine().trimmed().toLongLong() == QCoreApplication::applicationPid();
}
