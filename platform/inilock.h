// SPDX-License-Identifier: GPL-3.0-or-later
// The lock that keeps two saves of one INI file (two windows, the editor and the ports window,
// two programs) from losing each other's changes: taken before the file is read for a change,
// held until the new file is in place. It is a flock() on a lock file beside the INI file,
// "<file>.lock", which stays there (removing it would let two savers hold two files); in a
// folder that takes no new files, where the file is written over in place, the file itself.
// Readers take it shared, so that they never see a file half written over in place.
// Lives on the thread that takes it.
#pragma once

#include <QString>

class IniLock
{
public:
    // A save or a read waits this long for another save of the same file.
    static constexpr int WaitMs = 5000;
    static inline const QString Suffix = QStringLiteral(".lock");

    struct Result
    {
        enum Kind {
            Taken,
            TimedOut,     // another save held it for the whole wait
            NotPlainFile, // a link, FIFO or folder sits at the lock file's name: left untouched
            Failed,       // the system refused; `system` says why
        } kind = Taken;
        QString path;   // the lock file (or the file itself) concerned
        QString system; // the system's reason for Failed
        bool ok() const { return kind == Taken; }
    };

    IniLock() = default;
    IniLock(const IniLock &) = delete;
    IniLock &operator=(const IniLock &) = delete;
    ~IniLock();

    // Exclusive, for a read-change-write of `file` (a file name with no links on the way).
    // The lock file is created when missing, readable by whoever may read the file.
    Result forSaving(const QString &file);
    // Shared, for reading `file`: on the lock file when there is one, else on `fileFd`, the
    // reader's own descriptor of the file, waiting at most `waitMs`. Never creates anything.
    Result forReading(const QString &file, int fileFd, int waitMs = WaitMs);

private:
    void release();

    int m_fd = -1; // the lock file's; -1 while none is held or the lock is on the reader's file
};
