// Finding another program that holds a serial device, by the two conventions programs use:
// a lock file LCK..<name> naming its process, and flock() on the device itself.
//
// QSerialPort alone is not enough: it takes a lock file older than 30 seconds for stale
// even when its process is alive, and it never looks at flock().
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct PortHolder
{
    qint64 pid = 0;   // 0: not known
    QString program;  // from /proc/<pid>/comm; empty when unreadable
    QString lockFile; // the lock file that names it; empty for flock()
};

namespace PortLock {

// The lock file QSerialPort uses for the device: "/dev/" dropped, '/' turned into '_', in
// the first of its lock folders that is readable and either holds the file or is writable.
QString qtLockFilePath(const QString &device);

// Process id recorded in a lock file's contents: Qt's format ("pid\napp\nhost\n"), the
// text one ("%10d ...\n") or the old 4-byte binary one. 0 when there is none. *hostname gets
// the machine of Qt's format (empty for the others).
qint64 pidInLockFile(const QByteArray &contents, QString *hostname = nullptr);

enum class StaleLockFile { Remove, Keep };

// A live process other than this one named by one of the device's lock files. A lock file
// at Qt's place naming a process that has gone is removed (unless `stale` says Keep: a mere
// look at the device changes nothing), so that Qt does not refuse the port because the file
// is recent; files of live holders are never touched.
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

// The holder as the messages show it: "name (proceso N)", or "el proceso N" without a name.
QString describe(const PortHolder &holder);

} // namespace PortLock
