// SPDX-License-Identifier: GPL-3.0-or-later
// How a read or a write of the INI file went: done, or what failed with the data needed to say
// so (the file, the system's own reason, the sizes...). No words here: each face that reads or
// writes the file words the failure for what it was doing (texts/storetexts.h).
// [[nodiscard]]: a failed save that nobody looks at loses the operator's work.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct [[nodiscard]] StoreResult
{
    enum class Kind : quint8 {
        Done,
        NoFileName,       // the store was given no file
        NotRegularFile,   // a folder, a device or a FIFO: never opened for reading or writing
        LinkBroken,       // a link to `path`, which cannot be reached: `system`
        TooLarge,         // larger than `limit` bytes: not a settings file, left alone
        ReadFailed,       // the system refused to read it: `system`
        Locked,           // another save held `path`, the lock file, for `seconds`
        LockNotFile,      // a link, FIFO or folder sits at `path`, the lock file's name
        LockFailed,       // the lock `path` could not be taken: `system`
        TempNotOurs,      // `path`, the one temporary name, holds something this save did not make
        CreateFailed,     // no new file could be made in the folder `path`: `system`
        NotWritable,      // the file is there and may not be written by this user: `system`
        WriteFailed,      // writing failed and the old file is whole: `system`
        OldBytesLost,     // writing over the file in place failed and it could not be put back
        WouldBeTooLarge,  // with the new value the file would hold `size` bytes, over `limit`
        CharsNotStorable, // a Latin-1 file cannot hold `characters`
        ValueNotKept,     // the value would not read back as written (invalid characters)
        NoSuchPort,       // a port assignment for `port`, which is not 1 to 4
        ChangedMeanwhile, // the value is no longer what the writer read: nothing written
    };

    Kind kind = Kind::Done;
    QString file;   // the INI file as the store was told it
    QString path;   // what else is concerned: the lock file, the temporary file or the folder
    QString system; // the system's own reason
    qint64 size = 0;
    qint64 limit = 0;
    int seconds = 0;
    QStringList characters; // each character a Latin-1 file cannot hold, once, in text order
    int port = 0;

    bool ok() const { return kind == Kind::Done; }
    explicit operator bool() const { return ok(); }

    static StoreResult failure(Kind kind, const QString &file)
    {
        StoreResult result;
        result.kind = kind;
        result.file = file;
        return result;
    }
};
