// SPDX-License-Identifier: GPL-3.0-or-later
#include "inistore.h"

#include "atomicsave.h"
#include "inilock.h"
#include "initext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <optional>

#include <cerrno>
#include <sys/stat.h>

// The INI file is read whole and, for a new value, rewritten whole: the text model produces the
// bytes, the atomic save writes them.

namespace {

// Anything larger is not this program's INI file (a binary or runaway file): it is read as
// absent and never rewritten, so memory stays bounded and the file is left alone.
constexpr qint64 MaxFileSize = 1024 * 1024;

enum class Load { Loaded, Absent, Failed };
// A reader waits for a save's lock (a glance does not); a save holds it already.
enum class LoadFor { Writing, Reading, Glancing };

// Reads the whole file, at most MaxFileSize bytes. On Failed, *failure says what failed.
Load loadFile(const QString &path, QByteArray *bytes, StoreResult *failure,
              LoadFor purpose = LoadFor::Writing)
{
    using Kind = StoreResult::Kind;
    const auto failed = [&](Kind kind, const QString &system = QString()) {
        *failure = StoreResult::failure(kind, path);
        failure->system = system;
        failure->limit = MaxFileSize;
        return Load::Failed;
    };
    if (path.isEmpty())
        return failed(Kind::NoFileName);
    const QFileInfo info(path);
    if (!info.exists()) {
        // A link that leads nowhere is there all the same: taken for no file, the built-in list
        // would go out in place of the one it was meant to lead to, and a save would put a
        // file of its own where the link was.
        struct stat target
        {
        };
        if (info.isSymLink() && ::stat(QFile::encodeName(path).constData(), &target) != 0) {
            const int error = errno;
            failed(Kind::LinkBroken, AtomicSave::systemText(error));
            failure->path = info.symLinkTarget();
            return Load::Failed;
        }
        return Load::Absent;
    }
    // Directories, FIFOs and devices: opening or reading them could block or never end.
    if (!info.isFile())
        return failed(Kind::NotRegularFile);
    if (info.size() > MaxFileSize)
        return failed(Kind::TooLarge);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return Load::Absent;
        return failed(Kind::ReadFailed, file.errorString());
    }
    // A save holds the lock already; a reader waits for it, so as never to read a file being
    // written over in place.
    IniLock lock;
    if (purpose != LoadFor::Writing) {
        const int waitMs = purpose == LoadFor::Reading ? IniLock::WaitMs : 0;
        const IniLock::Result locked = lock.forReading(path, file.handle(), waitMs);
        if (locked.kind == IniLock::Result::TimedOut) {
            failed(Kind::Locked);
            failure->path = locked.path;
            failure->seconds = waitMs / 1000;
            return Load::Failed;
        }
        if (!locked.ok())
            return failed(Kind::ReadFailed, locked.system);
    }
    // In pieces, not one read of the largest size: that would take a megabyte of memory for
    // every read of a file that is usually a few hundred bytes.
    bytes->clear();
    char piece[16384];
    qint64 got = 0;
    while (bytes->size() <= MaxFileSize && (got = file.read(piece, sizeof piece)) > 0)
        bytes->append(piece, got);
    if (bytes->size() > MaxFileSize) { // grew since the size check
        bytes->clear();
        return failed(Kind::TooLarge);
    }
    if (file.error() != QFileDevice::NoError) {
        bytes->clear();
        return failed(Kind::ReadFailed, file.errorString());
    }
    return Load::Loaded;
}

// Why the save lock could not be had.
StoreResult lockRefusal(const QString &file, const IniLock::Result &locked)
{
    using Kind = StoreResult::Kind;
    StoreResult result = StoreResult::failure(Kind::LockFailed, file);
    result.path = locked.path;
    result.system = locked.system;
    switch (locked.kind) {
    case IniLock::Result::TimedOut:
        result.kind = Kind::Locked;
        result.seconds = IniLock::WaitMs / 1000;
        break;
    case IniLock::Result::NotPlainFile:
        result.kind = Kind::LockNotFile;
        break;
    case IniLock::Result::Taken:
    case IniLock::Result::Failed:
        break;
    }
    return result;
}

} // namespace

using namespace IniFormat;

IniStore::IniStore(const QString &key) : m_key(key)
{}

void IniStore::setFileName(const QString &path)
{
    m_fileName = path;
}

QString IniStore::fileName() const
{
    return m_fileName;
}

void IniStore::setSection(const QString &section)
{
    m_section = section;
}

QString IniStore::section() const
{
    return m_section;
}

QString IniStore::key() const
{
    return m_key;
}

QString IniStore::fallback() const
{
    return m_fallback;
}

void IniStore::setFallback(const QString &text)
{
    m_fallback = text;
}

QString IniStore::value() const
{
    QString text;
    (void)read(&text); // a file that cannot be read gives the fallback, as an absent one
    return text;
}

StoreResult IniStore::read(QString *text) const
{
    return readFor(text, true);
}

StoreResult IniStore::glance(QString *text) const
{
    return readFor(text, false);
}

StoreResult IniStore::readFor(QString *text, bool waitForSave) const
{
    *text = m_fallback;
    QByteArray bytes;
    StoreResult failure;
    const Load load =
        loadFile(m_fileName, &bytes, &failure, waitForSave ? LoadFor::Reading : LoadFor::Glancing);
    if (load == Load::Failed)
        return failure;
    if (load == Load::Loaded)
        *text = storedValue(parse(std::move(bytes)), m_section, m_key).value_or(m_fallback);
    return {};
}

StoreResult IniStore::setValue(const QString &text)
{
    return write(text, nullptr);
}

StoreResult IniStore::setValueIfUnchanged(const QString &text, const QString &readBefore)
{
    return write(text, &readBefore);
}

StoreResult IniStore::write(const QString &text, const QString *readBefore)
{
    using Kind = StoreResult::Kind;
    // A link is followed: the file it names is the one written, and locked.
    const QFileInfo info(m_fileName);
    const QString target = info.isSymLink() && !info.canonicalFilePath().isEmpty()
                               ? info.canonicalFilePath()
                               : m_fileName;
    // Held from the read to the rename, so that a save made meanwhile is not lost.
    IniLock lock;
    if (!target.isEmpty()) {
        const IniLock::Result locked = lock.forSaving(target);
        if (!locked.ok())
            return lockRefusal(m_fileName, locked);
    }
    QByteArray bytes;
    StoreResult failure;
    const Load load = loadFile(m_fileName, &bytes, &failure);
    if (load == Load::Failed)
        return failure;

    // The text goes in the file's own encoding: UTF-8, or Latin-1 for a file that is not valid
    // UTF-8. New bytes can change how the whole file decodes, so the result is read back the
    // way value() reads it: a Latin-1 file whose only other non-ASCII bytes were on the replaced
    // line may need UTF-8 instead, and a text neither gives back is refused, not stored changed.
    const IniText ini = parse(std::move(bytes));
    if (readBefore && storedValue(ini, m_section, m_key).value_or(m_fallback) != *readBefore)
        return StoreResult::failure(Kind::ChangedMeanwhile, m_fileName);
    const QString wanted = oneLine(text);
    const QList<bool> encodings = ini.latin1 ? QList<bool>{true, false} : QList<bool>{false};
    std::optional<QByteArray> out;
    for (const bool latin1 : encodings) {
        std::optional<QByteArray> candidate =
            withValue(ini, m_section, m_key, storedForm(wanted), latin1);
        if (candidate && storedValue(parse(*candidate), m_section, m_key) == wanted) {
            out = std::move(candidate);
            break;
        }
    }
    if (!out) {
        StoreResult refused = StoreResult::failure(Kind::ValueNotKept, m_fileName);
        if (ini.latin1)
            refused.characters = beyondLatin1(wanted);
        if (!refused.characters.isEmpty())
            refused.kind = Kind::CharsNotStorable;
        return refused;
    }
    // Reading refuses larger files: what the store writes, it must read back.
    if (out->size() > MaxFileSize) {
        StoreResult refused = StoreResult::failure(Kind::WouldBeTooLarge, m_fileName);
        refused.size = out->size();
        refused.limit = MaxFileSize;
        return refused;
    }

    // Written beside the old file and renamed over it (in place where the folder takes no new
    // files).
    const QByteArray *oldBytes = load == Load::Loaded ? &ini.bytes : nullptr;
    const AtomicSave::Result saved = AtomicSave::save(target, *out, IniTempSuffix, oldBytes);
    StoreResult result = StoreResult::failure(Kind::WriteFailed, m_fileName);
    result.system = saved.system;
    switch (saved.kind) {
    case AtomicSave::Result::Saved:
        return {};
    case AtomicSave::Result::TempNotOurs:
        result.kind = Kind::TempNotOurs;
        result.path = target + IniTempSuffix;
        break;
    case AtomicSave::Result::NothingWritten:
        result.kind = Kind::CreateFailed;
        result.path = QFileInfo(target).absolutePath();
        break;
    case AtomicSave::Result::NotWritable:
        result.kind = Kind::NotWritable;
        break;
    case AtomicSave::Result::OldBytesLost:
        result.kind = Kind::OldBytesLost;
        break;
    case AtomicSave::Result::WriteFailed:
        break;
    }
    return result;
}

QString SettingsFilePath()
{
    return QDir::currentPath() + QLatin1Char('/') + ExecutableBaseName() + SettingsFileSuffix;
}

QString ExecutableBaseName()
{
    // applicationFilePath() needs the application object; without it the kernel still knows.
    const QString path = QCoreApplication::instance()
                             ? QCoreApplication::applicationFilePath()
                             : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QFileInfo(path).completeBaseName();
}
