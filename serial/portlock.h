// SPDX-License-Identifier: GPL-3.0-or-later
// Finding another program that holds a serial device, by the conventions programs use: a lock
// file LCK..<name> naming its process, and flock() on the device itself; and, for programs that
// use neither, the processes that simply have the device open (see openers()).
//
// QSerialPort alone is not enough: it takes a lock file older than 30 seconds for stale
// even when its process is alive, and it never looks at flock().
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct PortHolder
{
    qint64 pid = 0;        // 0: not known
    QString program;       // from /proc/<pid>/comm; empty when unreadable
    QString lockFile;      // the lock file that names it; empty for flock()
    bool openOnly = false; // found only by having the device open (no lock of any kind)
};

namespace PortLock {

// The lock file QSerialPort uses for the device: "/dev/" dropped, '/' turned into '_', in
// the first of its lock folders that is readable and either holds the file or is writable.
QString qtLockFilePath(const QString &device);

// Process id recorded in a lock file's contents: Qt's format ("pid\napp\nhost\n"), the
// text one ("%10d ...\n") or the old 4-byte binary one. 0 when there is none. *hostname gets
// the machine of Qt's format (empty for the others).
qint64 pidInLockFile(const QByteArray &contents, QString *hostname = nullptr);

// Every name the device at `path` goes by: the path as given, each link on the way to the
// device, the device itself, and the links of /dev/serial/by-id and by-path that point at it.
QStringList deviceNames(const QString &path);

// The lock files another program may have written for those names: in the usual lock folders
// and Qt's, each name as Qt writes it (/dev/ dropped, '/' as '_'), by its last component alone,
// and as the whole path with '/' as '_' (/tmp/x/modem -> LCK.._tmp_x_modem). Qt's own first.
QStringList lockFileCandidates(const QString &path);

enum class StaleLockFile { Remove, Keep };

// Why the lock files forbid the port.
struct LockConflict
{
    enum class Kind {
        Holder,         // a live process other than this one is named; `holder` says which
        NotRegularFile, // something other than a plain file (a FIFO, a link) sits at `path`
        NoProcess,      // a plain file at `path` whose contents name no process
        OtherHost,      // the file names a process of the machine `host`
    };
    Kind kind = Kind::Holder;
    PortHolder holder;
    QString path;
    QString host;
};

// The first of the device's lock files (lockFileCandidates()) that forbids the port. Only plain
// files are ever opened: a FIFO planted by another user would block the reader for ever. A file
// naming a local process that has gone is removed when it is at Qt's place (unless `stale` says
// Keep), so that Qt does not refuse the port because the file is recent. A live holder's file
// (another user's process counts, though kill() may not signal it), one that names no process
// (empty, garbage: perhaps being written), and another machine's whatever its age, are never
// touched.
std::optional<LockConflict> lockFileConflict(const QString &path,
                                             StaleLockFile stale = StaleLockFile::Remove);

// A live process other than this one named by one of the device's lock files, as
// lockFileConflict() finds it; the other conflicts are not holders and give nothing here.
std::optional<PortHolder> lockFileHolder(const QString &device,
                                         StaleLockFile stale = StaleLockFile::Remove);

// Takes flock(LOCK_EX | LOCK_NB) on an open device. When another open of the device holds
// it, returns that holder (pid 0 when /proc/locks does not say); the lock is then not taken.
// The lock goes with the descriptor: closing it releases the device.
std::optional<PortHolder> lockDevice(int fd);

// Who holds a flock() on the device at `path` (symbolic links followed), from /proc/locks and
// without opening it: opening a serial device can drop DTR and disturb a modem in use. Any
// process, this one included; pid 0 when /proc/locks does not say or the process has gone.
std::optional<PortHolder> flockHolderOf(const QString &path);

// The processes other than this one that have the device open, found as fuser finds them: a
// descriptor in /proc/<pid>/fd on the same character device. A process that also holds the
// master side of the same pseudo-terminal (/proc/<pid>/fdinfo says "tty-index: N" for
// /dev/pts/N) is the far end of the line, a software modem such as tavoli-modem, and not a
// competitor: it is left out. `unreadable` counts the processes whose descriptors could not be
// looked at (other users' when not root): the check was partial.
struct Openers
{
    QList<PortHolder> holders;
    int unreadable = 0;
};
Openers openers(const QString &device);
// The same for several devices in one pass over /proc, in the order given (HolderScan).
QList<Openers> openers(const QStringList &devices);

// The program name of a process (/proc/<pid>/comm); empty when unreadable.
QString programOf(qint64 pid);

// The holder as the messages show it: "name (proceso N)", or "el proceso N" without a name.
QString describe(const PortHolder &holder);

} // namespace PortLock
