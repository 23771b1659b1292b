// SPDX-License-Identifier: GPL-3.0-or-later
// flock() with a bound on the wait, for files that other processes save too.
#pragma once

namespace FileLock {

// Takes `operation` (LOCK_EX or LOCK_SH) on the open file `fd`, waiting at most `waitMs` for
// whoever holds it. 0, EWOULDBLOCK when the wait ran out, or the system's error.
//
// The wait is the kernel's own (a blocked flock()), not a loop of tries: a process that saves
// again and again takes the lock back within microseconds, and one that only looked every few
// milliseconds would never get its turn. The blocking call runs on a short-lived helper thread
// so that the caller's wait stays bounded; it is started only when the lock is taken.
int lockWithin(int fd, int operation, int waitMs);

} // namespace FileLock
