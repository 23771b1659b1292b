// SPDX-License-Identifier: GPL-3.0-or-later
#include "inilock.h"

#include "atomicsave.h"
#include "filelock.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool folderRefuses(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// What sits at the lock file's name, opened without following a link and without blocking on
// a FIFO (another user may have put either there), and refused unless it is a plain file.
struct Opened
{
    int fd = -1;
    int error = 0;         // when fd < 0
    bool notPlain = false; // something other than a plain file is there
};

// `mode` 0: as the umask says; else exactly that (the INI file's own).
Opened openPlain(const QByteArray &path, bool create, mode_t mode)
{
    constexpr int Flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd = ::open(path.constData(), Flags);
        if (fd < 0 && errno == ENOENT && create) {
            fd = ::open(path.constData(), Flags | O_CREAT | O_EXCL, mode ? mode : 0666);
            if (fd < 0 && errno == EEXIST)
                continue; // another save made it meanwhile
            if (fd >= 0 && mode)
                ::fchmod(fd, mode); // whatever the umask: usable by whoever may use the file
        }
        if (fd < 0) {
            // ELOOP: a link; ENXIO: a socket.
            const int error = errno;
            return {-1, error, error == ELOOP || error == ENXIO};
        }
        struct stat status
        {
        };
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            const int error = errno;
            ::close(fd);
            return {-1, error, true};
        }
        return {fd, 0, false};
    }
    return {-1, EBUSY, false};
}

// True while `fd` is still the file at `path`: a lock on a file someone removed guards nothing.
bool stillNamed(int fd, const QByteArray &path)
{
    struct stat opened
    {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0
           && sameFile(opened, named);
}

IniLock::Result failure(IniLock::Result::Kind kind, const QString &path, int error = 0)
{
    return {kind, path, error ? AtomicSave::systemText(error) : QString()};
}

} // namespace

IniLock::~IniLock()
{
    release();
}

void IniLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

IniLock::Result IniLock::forSaving(const QString &file)
{
    release();
    const QString lockPath = file + Suffix;
    const QByteArray lockName = QFile::encodeName(lockPath);
    const QByteArray fileName = QFile::encodeName(file);
    struct stat old
    {
    };
    const mode_t mode = ::stat(fileName.constData(), &old) == 0 ? old.st_mode & 0666 : 0;

    for (int attempt = 0; attempt < 10; ++attempt) {
        Opened lock = openPlain(lockName, true, mode);
        QString held = lockPath;
        if (lock.fd < 0 && !lock.notPlain
            && (folderRefuses(lock.error) || lock.error == ENOENT || lock.error == ENOTDIR)) {
            // No lock file can be made here, so the file is written over in place: the file
            // itself is the lock, as for the readers. Missing, there is nothing to guard (and
            // the save says why the folder takes no file).
            held = file;
            lock = openPlain(fileName, false, 0);
            if (lock.fd < 0 && (lock.error == ENOENT || lock.error == ENOTDIR))
                return {};
        }
        if (lock.notPlain)
            return failure(Result::NotPlainFile, held);
        if (lock.fd < 0)
            return failure(Result::Failed, held, lock.error);
        const int error = FileLock::lockWithin(lock.fd, LOCK_EX, WaitMs);
        if (error != 0) {
            ::close(lock.fd);
            return failure(error == EWOULDBLOCK ? Result::TimedOut : Result::Failed, held, error);
        }
        if (!stillNamed(lock.fd, QFile::encodeName(held))) {
            ::close(lock.fd); // removed or replaced while we waited: the new one is the lock
            continue;
        }
        m_fd = lock.fd;
        return {};
    }
    return failure(Result::Failed, lockPath, EBUSY);
}

IniLock::Result IniLock::forReading(const QString &file, int fileFd, int waitMs)
{
    release();
    const QString lockPath = file + Suffix;
    const Opened lock = openPlain(QFile::encodeName(lockPath), false, 0);
    // Without a lock file of its own, saves lock the file itself (see forSaving()).
    const int fd = lock.fd >= 0 ? lock.fd : fileFd;
    const int error = FileLock::lockWithin(fd, LOCK_SH, waitMs);
    if (lock.fd >= 0 && error == 0)
        m_fd = lock.fd;
    else if (lock.fd >= 0)
        ::close(lock.fd);
    if (error != 0)
        return failure(error == EWOULDBLOCK ? Result::TimedOut : Result::Failed,
                       lock.fd >= 0 ? lockPath : file, error);
    return {};
}
