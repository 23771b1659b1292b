#include "portlock.h"

#include "operatortexts.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>
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

// Where the device's lock file may be: Qt's own place first, then the usual folders under
// Qt's name and under the device's last name component (/dev/pts/5 -> LCK..5).
QStringList candidatePaths(const QString &device, const QString &qtPath)
{
    QStringList paths;
    if (!qtPath.isEmpty())
        paths << qtPath;
    const QStringList names = {qtLockName(device), QFileInfo(device).fileName()};
    for (const char *folder : {"/var/lock", "/run/lock"}) {
        for (const QString &name : names) {
            const QString path = QLatin1String(folder) + QLatin1String("/LCK..") + name;
            if (!name.isEmpty() && !paths.contains(path))
                paths << path;
        }
    }
    return paths;
}

bool isAlive(qint64 pid)
{
    // EPERM: the process exists but belongs to another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString programName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
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
        holder.program = programName(pid);
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
    if (contents.size() == 4 && !std::all_of(contents.begin(), contents.end(), isTextByte)) {
        qint32 pid = 0;
        std::memcpy(&pid, contents.constData(), sizeof pid);
        return pid > 0 ? pid : 0;
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
    if (pid <= 0 || pid > std::numeric_limits<qint32>::max())
        return 0;
    if (hostname && digits == first.size() && lines.size() > 2)
        *hostname = QString::fromUtf8(lines.at(2).trimmed());
    return pid;
}

std::optional<PortHolder> lockFileHolder(const QString &device, StaleLockFile stale)
{
    const QString qtPath = qtLockFilePath(device);
    QSet<QString> seen;
    for (const QString &path : candidatePaths(device, qtPath)) {
        const QFileInfo info(path);
        if (!info.isFile()) // nothing there; and never open a FIFO planted as a lock file
            continue;
        const QString canonical = info.canonicalFilePath();
        if (seen.contains(canonical))
            continue;
        seen.insert(canonical);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QString hostname;
        const qint64 pid = pidInLockFile(file.read(256), &hostname);
        file.close();
        // Unreadable, ours (another port object of this program: Qt refuses it as before),
        // or a process of another machine whose life cannot be checked here: Qt decides.
        if (pid == 0 || pid == ::getpid()
            || (!hostname.isEmpty() && hostname != QSysInfo::machineHostName()))
            continue;
        if (isAlive(pid))
            return PortHolder{pid, programName(pid), path};
        if (path == qtPath && stale == StaleLockFile::Remove)
            QFile::remove(path); // Qt would keep refusing a recent file it cannot read
    }
    return std::nullopt;
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
        return OperatorTexts::PortHolderUnnamed.arg(pid);
    return OperatorTexts::PortHolder.arg(holder.program, pid);
}

} // namespace PortLock
