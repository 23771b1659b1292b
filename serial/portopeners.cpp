// SPDX-License-Identifier: GPL-3.0-or-later
// PortLock::openers(): the processes that have a device open, from /proc as fuser finds them.
#include "portlock.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// /dev/ptmx (or a devpts instance's own ptmx): every master side of a pseudo-terminal.
bool isPtyMaster(const struct stat &status)
{
    return S_ISCHR(status.st_mode) && major(status.st_rdev) == 5 && minor(status.st_rdev) == 2;
}

// N for /dev/pts/N, else -1.
long long ptsIndex(const QString &device)
{
    static const QLatin1String prefix("/dev/pts/");
    if (!device.startsWith(prefix))
        return -1;
    bool ok = false;
    const long long index = device.mid(prefix.size()).toLongLong(&ok);
    return ok && index >= 0 ? index : -1;
}

// The pseudo-terminal a master descriptor serves, from its fdinfo ("tty-index:\tN"); -1 unknown.
long long masterIndex(const QByteArray &process, const char *fd)
{
    QFile info(QString::fromLocal8Bit("/proc/" + process + "/fdinfo/" + fd));
    if (!info.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = info.read(4096).split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith("tty-index:"))
            continue;
        bool ok = false;
        const long long index = line.mid(10).trimmed().toLongLong(&ok);
        return ok ? index : -1;
    }
    return -1;
}

// Kernel threads have no descriptors, though only root may look: they are not "unseen".
// The flags are the ninth field of /proc/<pid>/stat, which anyone may read.
bool isKernelThread(const QByteArray &process)
{
    constexpr qulonglong KernelThreadFlag = 0x00200000; // PF_KTHREAD
    QFile stat(QString::fromLocal8Bit("/proc/" + process + "/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.read(1024);
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 6 && (fields.at(6).toULongLong() & KernelThreadFlag);
}

bool isNumber(const char *name)
{
    if (!*name)
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

// What one process does with the device: opens it, and whether it is the line's far end.
struct Use
{
    bool unreadable = false; // its descriptors may not be looked at
    bool opens = false;
    bool farEnd = false;
};

Use useOf(const QByteArray &process, dev_t device, long long pts)
{
    Use use;
    const QByteArray folder = "/proc/" + process + "/fd";
    DIR *fds = ::opendir(folder.constData());
    if (!fds) {
        // Gone meanwhile (ENOENT) is no loss; another user's process is.
        use.unreadable = (errno == EACCES || errno == EPERM) && !isKernelThread(process);
        return use;
    }
    while (const dirent *entry = ::readdir(fds)) {
        if (!isNumber(entry->d_name))
            continue;
        const QByteArray link = folder + '/' + entry->d_name;
        // Only descriptors of devices are looked at: stat() of a file on a network filesystem
        // that has stopped answering could hang the check.
        char target[64] = {};
        const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
        if (length < 0 && (errno == EACCES || errno == EPERM)) {
            use.unreadable = true; // listed but not shown: processes outside our reach
            continue;
        }
        if (length < 5 || std::string_view(target, 5) != "/dev/")
            continue;
        struct stat status
        {
        };
        if (::stat(link.constData(), &status) != 0 || !S_ISCHR(status.st_mode))
            continue;
        if (status.st_rdev == device)
            use.opens = true;
        else if (pts >= 0 && isPtyMaster(status) && masterIndex(process, entry->d_name) == pts)
            use.farEnd = true;
    }
    ::closedir(fds);
    return use;
}

} // namespace

namespace PortLock {

Openers openers(const QString &device)
{
    Openers found;
    struct stat status
    {
    };
    if (::stat(device.toLocal8Bit().constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return found;
    const long long pts = ptsIndex(device);
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    DIR *processes = ::opendir("/proc");
    if (!processes)
        return found;
    while (const dirent *entry = ::readdir(processes)) {
        if (!isNumber(entry->d_name) || self == entry->d_name)
            continue;
        const QByteArray process(entry->d_name);
        const Use use = useOf(process, status.st_rdev, pts);
        if (use.unreadable)
            ++found.unreadable;
        if (use.opens && !use.farEnd) {
            const qint64 pid = process.toLongLong();
            found.holders << PortHolder{pid, programOf(pid), QString(), true};
        }
    }
    ::closedir(processes);
    return found;
}

} // namespace PortLock
