// SPDX-License-Identifier: GPL-3.0-or-later
#include "portlock.h"

#include "serialtexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The lock name QSerialPort gives a device: /dev/ttyUSB0 -> ttyUSB0, /dev/pts/5 -> pts_5.
QString qtLockName(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

// Folders other programs put lock files in (/var/lock is usually a link to /run/lock).
const char *const LockFolders[] = {"/var/lock", "/run/lock"};

// The identity of a file, to tell two paths of one file (through /var/lock -> /run/lock).
struct FileId
{
    dev_t device;
    ino_t inode;
    bool operator==(const FileId &other) const
    {
        return device == other.device && inode == other.inode;
    }
};

// Reads the start of a lock file without ever blocking: not a link, not a FIFO or device.
// Nothing when it is not a plain file or cannot be read.
std::optional<QByteArray> readPlainFile(const QString &path)
{
    const int fd =
        ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status
    {
    };
    std::optional<QByteArray> contents;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        char buffer[256];
        ssize_t n = 0;
        do
            n = ::read(fd, buffer, sizeof buffer);
        while (n < 0 && errno == EINTR);
        if (n >= 0)
            contents = QByteArray(buffer, n);
    }
    ::close(fd);
    return contents;
}

bool isAlive(qint64 pid)
{
    // EPERM: the process exists but belongs to another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// The process holding a flock() on the file (device number, inode), from /proc/locks:
// "1: FLOCK  ADVISORY  WRITE 1234 00:19:5 0 EOF". Waiters ("1: -> FLOCK ...") do not count.
// Nothing when no such lock is listed; 0 when one is but its process is not known.
std::optional<qint64> flockHolderPid(dev_t device, ino_t inode)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = locks.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(1) != "FLOCK")
            continue;
        const QList<QByteArray> id = fields.at(5).split(':');
        if (id.size() != 3)
            continue;
        bool okMajor = false, okMinor = false, okInode = false;
        const uint deviceMajor = id.at(0).toUInt(&okMajor, 16);
        const uint deviceMinor = id.at(1).toUInt(&okMinor, 16);
        const qulonglong number = id.at(2).toULongLong(&okInode, 10);
        if (okMajor && okMinor && okInode && deviceMajor == major(device)
            && deviceMinor == minor(device) && number == qulonglong(inode)) {
            const qint64 pid = fields.at(4).toLongLong();
            return pid > 0 ? pid : 0; // processes outside our view show as 0 or -1
        }
    }
    return std::nullopt;
}

// /proc/locks names the process that took the lock; a child that inherited the descriptor
// keeps holding it after that process has gone.
PortHolder flockHolder(qint64 pid)
{
    PortHolder holder;
    if (pid > 0 && isAlive(pid)) {
        holder.pid = pid;
        holder.program = PortLock::programOf(pid);
    }
    return holder;
}

} // namespace

namespace PortLock {

QString qtLockFilePath(const QString &device)
{
    static const char *const folders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                          "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                          "/var/lock/lockdev", "/run/lock"};
    const QString fileName = QLatin1String("/LCK..") + qtLockName(device);
    for (const char *folder : folders) {
        const QString path = QLatin1String(folder) + fileName;
        const QFileInfo info{QLatin1String(folder)};
        if (info.isReadable() && (QFile::exists(path) || info.isWritable()))
            return path;
    }
    return QString();
}

qint64 pidInLockFile(const QByteArray &contents, QString *hostname)
{
    if (hostname)
        hostname->clear();
    const auto isTextByte = [](char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '\n'; };
    // No process number goes past the kernel's limit (PID_MAX_LIMIT): four bytes of text, read
    // the binary way, would, and such a file names no process, however it is read.
    constexpr qint64 HighestPid = 4194304;
    if (contents.size() == 4 && !std::all_of(contents.begin(), contents.end(), isTextByte)) {
        qint32 pid = 0;
        std::memcpy(&pid, contents.constData(), sizeof pid);
        return pid > 0 && pid <= HighestPid ? pid : 0;
    }

    const QList<QByteArray> lines = contents.split('\n');
    const QByteArray first = lines.value(0).trimmed();
    qsizetype digits = 0;
    while (digits < first.size() && first.at(digits) >= '0' && first.at(digits) <= '9')
        ++digits;
    if (digits == 0 || digits > 10
        || (digits < first.size() && first.at(digits) != ' ' && first.at(digits) != '\t'))
        return 0;
    const qint64 pid = first.left(digits).toLongLong();
    if (pid <= 0 || pid > HighestPid)
        return 0;
    if (hostname && digits == first.size() && lines.size() > 2)
        *hostname = QString::fromUtf8(lines.at(2).trimmed());
    return pid;
}

QStringList deviceNames(const QString &path)
{
    QStringList names;
    const auto add = [&names](const QString &name) {
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    };
    add(path);
    // Each link on the way; a loop ends at the bound.
    QString step = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(step);
        if (!info.isSymLink())
            break;
        step = info.symLinkTarget();
        add(step);
    }
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return names;
    add(device);
    for (const char *folder : {"/dev/serial/by-id", "/dev/serial/by-path"}) {
        const QDir links{QString::fromLatin1(folder)};
        for (const QFileInfo &link : links.entryInfoList(QDir::System | QDir::Files))
            if (link.isSymLink() && link.canonicalFilePath() == device)
                add(link.absoluteFilePath());
    }
    return names;
}

QStringList lockFileCandidates(const QString &path)
{
    QStringList paths;
    const auto add = [&paths](const QString &candidate) {
        if (!paths.contains(candidate))
            paths << candidate;
    };
    const QString device = QFileInfo(path).canonicalFilePath();
    const QString qtPath = qtLockFilePath(device.isEmpty() ? path : device);
    if (!qtPath.isEmpty())
        add(qtPath);
    QStringList folders;
    for (const char *folder : LockFolders)
        folders << QLatin1String(folder);
    if (!qtPath.isEmpty())
        folders << QFileInfo(qtPath).path();
    for (const QString &name : deviceNames(path)) {
        QString whole = name;
        whole.replace(QLatin1Char('/'), QLatin1Char('_'));
        const QString last = QFileInfo(name).fileName();
        for (const QString &scheme : {qtLockName(name), last, whole})
            if (!scheme.isEmpty())
                for (const QString &folder : folders)
                    add(folder + QLatin1String("/LCK..") + scheme);
    }
    return paths;
}

std::optional<LockConflict> lockFileConflict(const QString &path, StaleLockFile stale)
{
    const QStringList candidates = lockFileCandidates(path);
    const QString qtPath = candidates.value(0);
    QList<FileId> seen;
    for (const QString &candidate : candidates) {
        struct stat status
        {
        };
        if (::lstat(candidate.toLocal8Bit().constData(), &status) != 0)
            continue; // nothing there
        const FileId id{status.st_dev, status.st_ino};
        if (seen.contains(id))
            continue;
        seen << id;
        if (!S_ISREG(status.st_mode))
            return LockConflict{LockConflict::Kind::NotRegularFile, {}, candidate, {}};
        const std::optional<QByteArray> contents = readPlainFile(candidate);
        if (!contents)
            continue; // unreadable, or swapped since: QSerialPort decides
        QString hostname;
        const qint64 pid = pidInLockFile(*contents, &hostname);
        // Another machine's process cannot be checked from here, and Qt would take its file
        // for stale after 30 seconds and remove it.
        if (!hostname.isEmpty() && hostname != QSysInfo::machineHostName())
            return LockConflict{LockConflict::Kind::OtherHost, {}, candidate, hostname};
        // Nobody to ask whether it still holds the port: the operator decides, told which file.
        if (pid == 0)
            return LockConflict{LockConflict::Kind::NoProcess, {}, candidate, {}};
        // Ours: another port object of this program, which Qt refuses as before.
        if (pid == ::getpid())
            continue;
        if (isAlive(pid))
            return LockConflict{
                LockConflict::Kind::Holder, {pid, programOf(pid), candidate}, candidate, {}};
        if (candidate == qtPath && stale == StaleLockFile::Remove)
            QFile::remove(candidate); // Qt would keep refusing a recent file it cannot read
    }
    return std::nullopt;
}

std::optional<PortHolder> lockFileHolder(const QString &device, StaleLockFile stale)
{
    const std::optional<LockConflict> conflict = lockFileConflict(device, stale);
    if (conflict && conflict->kind == LockConflict::Kind::Holder)
        return conflict->holder;
    return std::nullopt;
}

QString programOf(qint64 pid)
{
    // Without Qt's file classes: the holder scan calls this on a thread that may outlive them.
    const int fd = ::open(QByteArray("/proc/" + QByteArray::number(pid) + "/comm").constData(),
                          O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QString();
    char name[64];
    ssize_t n = 0;
    do
        n = ::read(fd, name, sizeof name);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    return n > 0 ? QString::fromLocal8Bit(name, n).trimmed() : QString();
}

std::optional<PortHolder> lockDevice(int fd)
{
    if (fd < 0)
        return std::nullopt;
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result == -1 && errno == EINTR);
    // Taken; or a device that does not support such locks, which nobody else can hold either.
    if (result == 0 || errno != EWOULDBLOCK)
        return std::nullopt;

    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0)
        return PortHolder{};
    return flockHolder(flockHolderPid(status.st_dev, status.st_ino).value_or(0));
}

std::optional<PortHolder> flockHolderOf(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(path.toLocal8Bit().constData(), &status) != 0)
        return std::nullopt;
    const std::optional<qint64> pid = flockHolderPid(status.st_dev, status.st_ino);
    if (!pid)
        return std::nullopt;
    return flockHolder(*pid);
}

QString describe(const PortHolder &holder)
{
    const QString pid = QString::number(holder.pid);
    if (holder.program.isEmpty())
        return SerialTexts::PortHolderUnnamed.arg(pid);
    return SerialTexts::PortHolder.arg(holder.program, pid);
}

} // namespace PortLock
