// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file's new bytes so that a failure at any point leaves the old file whole.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace AtomicSave {

struct Result
{
    enum Kind {
        Saved,
        TempNotOurs,    // the temporary name holds something not this save's to remove
        NothingWritten, // the temporary file (or, in place, the file) could not be created
        NotWritable,    // the file is there and this process may not write it
        WriteFailed,    // writing failed; the file holds its old bytes, or never existed
        OldBytesLost,   // writing in place failed and the old bytes could not be put back
    } kind = Saved;
    QString system; // the system's reason on failure
};

// Writes `bytes` to the temporary file `path` + `tempSuffix` and renames it over `path`, so
// that the file is always either the old or the new one whole. A folder that takes no new files
// (read-only, holding a writable file) leaves only writing over the file itself; a failure there
// writes `oldBytes` back (null: there was no file).
Result save(const QString &path, const QByteArray &bytes, const QString &tempSuffix,
            const QByteArray *oldBytes);

// Writes every byte to `fd`, going on after a short write: a disk that fills up half-way then
// says why (ENOSPC), where one write only comes back short and Qt calls that "Unknown error".
// 0, or the system's error.
int writeAll(int fd, QByteArrayView bytes);

// The system's reason for an error number, as the messages quote it.
QString systemText(int error);

} // namespace AtomicSave
