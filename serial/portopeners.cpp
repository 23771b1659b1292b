// SPDX-License-Identifier: GPL-3.0-or-later
// PortLock::openers(): the processes that have a device open, from /proc as fuser finds them.
#include "portlock.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
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

// Reads the start of a file of /proc without Qt: the scan runs on a thread of its own, which
// may still be at work while the program ends. Empty when unreadable.
QByteArray procFile(const QByteArray &path, qsizetype most)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    bytes.resize(most);
    ssize_t n = 0;
    do
        n = ::read(fd, bytes.data(), size_t(most));
    while (n < 0 && errno == EINTR);
    ::close(fd);
    bytes.resize(n > 0 ? n : 0);
    return bytes;
}

// The pseudo-terminal a master descriptor serves, from its fdinfo ("tty-index:\tN"); -1 unknown.
long long masterIndex(const QByteArray &process, const char *fd)
{
    const QList<QByteArray> lines =
        procFile("/proc/" + process + "/fdinfo/" + fd, 4096).split('\n');
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
    const QByteArray line = procFile("/proc/" + process + "/stat", 1024);
    if (line.isEmpty())
        return false;
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

// A device looked for: its number, and N for /dev/pts/N (else -1).
struct Target
{
    dev_t device = 0;
    long long pts = -1;
    bool valid = false; // a character device
};

// What one process does with one device: opens it, and whether it is the line's far end.
struct Use
{
    bool opens = false;
    bool farEnd = false;
};

// What one process does with each of the targets; `unreadable` when its descriptors may not
// be looked at.
QList<Use> usesOf(const QByteArray &process, const QList<Target> &targets, bool *unreadable)
{
    QList<Use> uses(targets.size());
    *unreadable = false;
    const QByteArray folder = "/proc/" + process + "/fd";
    DIR *fds = ::opendir(folder.constData());
    if (!fds) {
        // Gone meanwhile (ENOENT) is no loss; another user's process is.
        *unreadable = (errno == EACCES || errno == EPERM) && !isKernelThread(process);
        return uses;
    }
    // Each descriptor is named relative to the open folder: the kernel does not walk
    // /proc/<pid>/fd again for every one of them.
    const int folderFd = ::dirfd(fds);
    while (const dirent *entry = ::readdir(fds)) {
        if (!isNumber(entry->d_name))
            continue;
        // Only descriptors of devices are looked at: stat() of a file on a network filesystem
        // that has stopped answering could hang the check.
        char target[64] = {};
        const ssize_t length = ::readlinkat(folderFd, entry->d_name, target, sizeof target - 1);
        if (length < 0 && (errno == EACCES || errno == EPERM)) {
            *unreadable = true; // listed but not shown: processes outside our reach
            continue;
        }
        if (length < 5 || std::string_view(target, 5) != "/dev/")
            continue;
        struct stat status
        {
        };
        if (::fstatat(folderFd, entry->d_name, &status, 0) != 0 || !S_ISCHR(status.st_mode))
            continue;
        long long master = -2; // the master's index, read once when needed
        for (qsizetype i = 0; i < targets.size(); ++i) {
            const Target &wanted = targets.at(i);
            if (status.st_rdev == wanted.device) {
                uses[i].opens = true;
            } else if (wanted.pts >= 0 && isPtyMaster(status)) {
                if (master == -2)
                    master = masterIndex(process, entry->d_name);
                uses[i].farEnd = uses[i].farEnd || master == wanted.pts;
            }
        }
    }
    ::closedir(fds);
    return uses;
}

} // namespace

namespace PortLock {

Openers openers(const QString &device)
{
    return openers(QStringList{device}).value(0);
}

QList<Openers> openers(const QStringList &devices)
{
    QList<Openers> found(devices.size());
    QList<Target> targets(devices.size());
    bool any = false;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        struct stat status
        {
        };
        if (::stat(devices.at(i).toLocal8Bit().constData(), &status) != 0
            || !S_ISCHR(status.st_mode))
            continue;
        targets[i] = {status.st_rdev, ptsIndex(devices.at(i)), true};
        any = true;
    }
    DIR *processes = any ? ::opendir("/proc") : nullptr;
    if (!processes)
        return found;
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    while (const dirent *entry = ::readdir(processes)) {
        if (!isNumber(entry->d_name) || self == entry->d_name)
            continue;
        const QByteArray process(entry->d_name);
        bool unreadable = false;
        const QList<Use> uses = usesOf(process, targets, &unreadable);
        for (qsizetype i = 0; i < targets.size(); ++i) {
            if (!targets.at(i).valid)
                continue;
            if (unreadable)
                ++found[i].unreadable;
            if (uses.at(i).opens && !uses.at(i).farEnd) {
                const qint64 pid = process.toLongLong();
                found[i].holders << PortHolder{pid, programOf(pid), QString(), true};
            }
        }
    }
    ::closedir(processes);
    return found;
}

} // namespace PortLock
