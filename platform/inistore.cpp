// SPDX-License-Identifier: GPL-3.0-or-later
#include "inistore.h"

#include "atomicsave.h"
#include "inilock.h"
#include "initext.h"
#include "storetexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <optional>

// The INI file is read whole and, for a new value, rewritten whole: the text model produces the
// bytes, the atomic save writes them.

namespace {

// Anything larger is not this program's INI file (a binary or runaway file): it is read as
// absent and never rewritten, so memory stays bounded and the file is left alone.
constexpr qint64 MaxFileSize = 1024 * 1024;

enum class Load { Loaded, Absent, Failed };
// The reasons are worded for what the caller meant to do with the file.
enum class LoadFor { Writing, Reading };

// Reads the whole file, at most MaxFileSize bytes. On Failed, *reason says why in Spanish.
Load loadFile(const QString &path, QByteArray *bytes, QString *reason,
              LoadFor purpose = LoadFor::Writing)
{
    const bool reading = purpose == LoadFor::Reading;
    if (path.isEmpty()) {
        *reason = StoreTexts::IniNoFileName;
        return Load::Failed;
    }
    const QFileInfo info(path);
    if (!info.exists())
        return Load::Absent;
    // Directories, FIFOs and devices: opening or reading them could block or never end.
    if (!info.isFile()) {
        *reason = reading ? StoreTexts::IniReadNotFile : StoreTexts::IniNotRegularFile;
        return Load::Failed;
    }
    if (info.size() > MaxFileSize) {
        *reason =
            (reading ? StoreTexts::IniReadTooLarge : StoreTexts::IniTooLarge).arg(MaxFileSize);
        return Load::Failed;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return Load::Absent;
        *reason = (reading ? StoreTexts::IniReadError : StoreTexts::IniReadFailed)
                      .arg(file.errorString());
        return Load::Failed;
    }
    // A save holds the lock already; a reader waits for it, so as never to read a file being
    // written over in place.
    IniLock lock;
    if (reading) {
        const IniLock::Result locked = lock.forReading(path, file.handle());
        if (!locked.ok()) {
            *reason = locked.kind == IniLock::Result::TimedOut
                          ? StoreTexts::IniReadLocked.arg(IniLock::WaitMs / 1000)
                          : StoreTexts::IniReadError.arg(locked.system);
            return Load::Failed;
        }
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
        *reason =
            (reading ? StoreTexts::IniReadTooLarge : StoreTexts::IniTooLarge).arg(MaxFileSize);
        return Load::Failed;
    }
    if (file.error() != QFileDevice::NoError) {
        bytes->clear();
        *reason = (reading ? StoreTexts::IniReadError : StoreTexts::IniReadFailed)
                      .arg(file.errorString());
        return Load::Failed;
    }
    return Load::Loaded;
}

// Why the save lock could not be had, in Spanish.
QString lockRefusal(const IniLock::Result &locked)
{
    const QString path = QDir::toNativeSeparators(locked.path);
    switch (locked.kind) {
    case IniLock::Result::TimedOut:
        return StoreTexts::IniLockTimedOut.arg(IniLock::WaitMs / 1000).arg(path);
    case IniLock::Result::NotPlainFile:
        return StoreTexts::IniLockNotFile.arg(path);
    case IniLock::Result::Taken:
    case IniLock::Result::Failed:
        break;
    }
    return StoreTexts::IniLockFailed.arg(path, locked.system);
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

Outcome IniStore::read(QString *text) const
{
    *text = m_fallback;
    QByteArray bytes;
    QString reason;
    const Load load = loadFile(m_fileName, &bytes, &reason, LoadFor::Reading);
    if (load == Load::Failed)
        return Outcome::failure(reason);
    if (load == Load::Loaded)
        *text = storedValue(parse(std::move(bytes)), m_section, m_key).value_or(m_fallback);
    return Outcome::success();
}

Outcome IniStore::setValue(const QString &text)
{
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
            return Outcome::failure(lockRefusal(locked));
    }
    QByteArray bytes;
    QString reason;
    const Load load = loadFile(m_fileName, &bytes, &reason);
    if (load == Load::Failed)
        return Outcome::failure(reason);

    // The text goes in the file's own encoding: UTF-8, or Latin-1 for a file that is not valid
    // UTF-8. New bytes can change how the whole file decodes, so the result is read back the
    // way value() reads it: a Latin-1 file whose only other non-ASCII bytes were on the replaced
    // line may need UTF-8 instead, and a text neither gives back is refused, not stored changed.
    const IniText ini = parse(std::move(bytes));
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
    if (!out)
        return Outcome::failure(refusal(wanted, ini.latin1));
    // Reading refuses larger files: what the store writes, it must read back.
    if (out->size() > MaxFileSize)
        return Outcome::failure(StoreTexts::IniWouldBeTooLarge.arg(out->size()).arg(MaxFileSize));

    // Written beside the old file and renamed over it (in place where the folder takes no new
    // files).
    const QByteArray *oldBytes = load == Load::Loaded ? &ini.bytes : nullptr;
    const AtomicSave::Result saved = AtomicSave::save(target, *out, IniTempSuffix, oldBytes);
    switch (saved.kind) {
    case AtomicSave::Result::Saved:
        return Outcome::success();
    case AtomicSave::Result::TempNotOurs:
        return Outcome::failure(
            StoreTexts::IniTempNotOurs.arg(QDir::toNativeSeparators(target + IniTempSuffix)));
    case AtomicSave::Result::NothingWritten:
        return Outcome::failure(StoreTexts::IniCreateFailed.arg(
            QDir::toNativeSeparators(QFileInfo(target).absolutePath()), saved.system));
    case AtomicSave::Result::OldBytesLost:
        return Outcome::failure(StoreTexts::IniWriteFailedInPlace.arg(saved.system));
    case AtomicSave::Result::WriteFailed:
        break;
    }
    return Outcome::failure(StoreTexts::IniWriteFailed.arg(saved.system));
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
