// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomicsave.h"

#include "filelock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicSave {

namespace {

// After a failed save: true when the file holds its old bytes. An atomic save never touched
// it; one written in place may have cut it short, so the old bytes are written back.
bool keptOrRestored(const QString &path, const QByteArray &old)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.read(old.size() + 1) == old)
        return true;
    file.close();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(old) == old.size()
           && file.flush();
}

struct Written
{
    enum { Done, NoTempFile, CreateFailed, NotWritable, WriteFailed, TempNotOurs } result = Done;
    QString system; // the system's reason on failure
};

// Errors that say the folder takes no new files (or lets none go): the file is written in place.
bool folderRefuses(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// Takes the file's exclusive lock, waiting for another save of the same file but not for ever.
// 0, or the system's error.
int lockWithin(int fd)
{
    return FileLock::lockWithin(fd, LOCK_EX, 5000);
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// True while `fd` is still the file under `name`: a save that held it may have renamed it into
// place meanwhile, or another may have removed it.
bool stillNamed(int fd, const QByteArray &name, struct stat *opened)
{
    struct stat named
    {
    };
    return ::fstat(fd, opened) == 0 && ::lstat(name.constData(), &named) == 0
           && sameFile(*opened, named);
}

enum class Leftover { Removed, Gone, NotOurs, Failed };

// The temporary name is taken. A plain file of this user (or of the INI file's owner, who may
// write the file anyway) with no other link is a killed save's leftover or a save in progress:
// once its lock is ours, it is removed, never written into. Anything else (another user's file,
// a link, a folder, a FIFO) is refused untouched. Gone: look again.
Leftover removeLeftover(const QByteArray &temp, uid_t iniOwner, int *error)
{
    const auto ours = [iniOwner](const struct stat &s) {
        return S_ISREG(s.st_mode) && s.st_nlink == 1
               && (s.st_uid == ::geteuid() || s.st_uid == iniOwner);
    };
    struct stat seen
    {
    };
    if (::lstat(temp.constData(), &seen) != 0) {
        *error = errno;
        return *error == ENOENT ? Leftover::Gone : Leftover::Failed;
    }
    if (!ours(seen))
        return Leftover::NotOurs;
    // O_NONBLOCK: should a FIFO be swapped in after the look, opening it does not hang.
    const int fd = ::open(temp.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return *error == ENOENT || *error == ELOOP ? Leftover::Gone : Leftover::Failed;
    }
    struct stat opened
    {
    };
    Leftover result = Leftover::Gone; // swapped or renamed since the look: look again
    if (::fstat(fd, &opened) == 0 && sameFile(opened, seen) && ours(opened)) {
        *error = lockWithin(fd);
        if (*error != 0)
            result = Leftover::Failed;
        else if (stillNamed(fd, temp, &opened))
            result = ::unlink(temp.constData()) == 0 ? Leftover::Removed : Leftover::Failed;
        if (result == Leftover::Failed && *error == 0)
            *error = errno;
    }
    ::close(fd);
    return result;
}

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so that the file
// is always either the old or the new one whole. The temporary file has a fixed name, is always
// created afresh (never a file found there: another user could have planted it) and is held
// under an exclusive lock while it is written: a save killed half-way leaves that one file
// behind, and the next save removes it, so leftovers never pile up. It gets the old file's mode,
// and its owner when this process may give it (root), so a save takes the file from no one.
// NoTempFile when the folder takes no new files.
Written writeBeside(const QString &path, const QByteArray &bytes, const QString &tempSuffix)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = QFile::encodeName(path + tempSuffix);
    struct stat old
    {
    };
    const bool exists = ::stat(target.constData(), &old) == 0;
    // A file this process may not write stays as it is, though its folder would let it go.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return {Written::NotWritable, systemText(errno)};
    // Never wider than the old file, even for a moment; a new file as the umask says.
    const mode_t createMode = exists ? old.st_mode & 0777 : 0666;

    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(temp.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode);
        if (fd < 0 && errno == EEXIST) {
            int error = 0;
            switch (removeLeftover(temp, exists ? old.st_uid : ::geteuid(), &error)) {
            case Leftover::Removed:
            case Leftover::Gone:
                continue;
            case Leftover::NotOurs:
                return {Written::TempNotOurs, QString()};
            case Leftover::Failed:
                return {folderRefuses(error) ? Written::NoTempFile : Written::CreateFailed,
                        systemText(error)};
            }
        }
        if (fd < 0) {
            const int error = errno;
            return {folderRefuses(error) ? Written::NoTempFile : Written::CreateFailed,
                    systemText(error)};
        }
        // Between creating and locking it, another save may have taken the file for a leftover
        // and removed it: then the name is tried afresh.
        const int lockError = lockWithin(fd);
        if (lockError != 0) {
            ::close(fd);
            return {Written::CreateFailed, systemText(lockError)};
        }
        struct stat opened
        {
        };
        if (!stillNamed(fd, temp, &opened)) {
            ::close(fd);
            continue;
        }
        const auto fail = [&](int error) {
            ::unlink(temp.constData()); // still this save's: the lock is held
            ::close(fd);
            return Written{Written::WriteFailed, systemText(error)};
        };
        if (const int error = writeAll(fd, bytes))
            return fail(error);
        if (exists) {
            // Owner first: changing it clears the set-id bits that the mode then puts back. Only
            // root can give a file away; another user's save makes the file theirs, as any
            // editor's does, and keeps its group when the user belongs to it.
            const bool root = ::geteuid() == 0;
            if ((opened.st_uid != old.st_uid || opened.st_gid != old.st_gid)
                && ::fchown(fd, root ? old.st_uid : uid_t(-1), old.st_gid) != 0 && root)
                return fail(errno);
            if (::fchmod(fd, old.st_mode & 07777) != 0)
                return fail(errno);
        }
        if (::fsync(fd) != 0)
            return fail(errno);
        if (::rename(temp.constData(), target.constData()) != 0) {
            const int error = errno;
            ::unlink(temp.constData());
            ::close(fd);
            return {folderRefuses(error) ? Written::NoTempFile : Written::WriteFailed,
                    systemText(error)};
        }
        ::close(fd);
        return {};
    }
    return {Written::CreateFailed, systemText(EBUSY)};
}

// Over the file itself, for a folder that takes no new files.
Written writeInPlace(const QString &path, const QByteArray &bytes)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        return {QFileInfo::exists(path) ? Written::NotWritable : Written::CreateFailed,
                systemText(error)};
    }
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    ::close(fd);
    if (error != 0)
        return {Written::WriteFailed, systemText(error)};
    return {};
}

} // namespace

Result save(const QString &path, const QByteArray &bytes, const QString &tempSuffix,
            const QByteArray *oldBytes)
{
    Written written = writeBeside(path, bytes, tempSuffix);
    bool inPlace = false;
    if (written.result == Written::NoTempFile) {
        inPlace = true;
        written = writeInPlace(path, bytes);
    }
    switch (written.result) {
    case Written::Done:
        return {};
    case Written::TempNotOurs:
        return {Result::TempNotOurs, written.system};
    case Written::WriteFailed:
        if (inPlace && oldBytes && !keptOrRestored(path, *oldBytes))
            return {Result::OldBytesLost, written.system};
        return {Result::WriteFailed, written.system};
    case Written::NotWritable:
        return {Result::NotWritable, written.system};
    case Written::NoTempFile:
    case Written::CreateFailed:
        break;
    }
    return {Result::NothingWritten, written.system};
}

int writeAll(int fd, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += n;
    }
    return 0;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace AtomicSave
