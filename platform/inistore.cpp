#include "inistore.h"

#include "operatortexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The file is handled as bytes so that a write can keep every byte it does not mean to
// change; names and values are decoded line by line only to compare and return them.
// QSettings is no use here: it takes ';' for a comment and ',' for a list separator, and it
// rewrites the whole file in its own layout.

namespace {

// Anything larger is not this program's INI file (a binary or runaway file): it is read as
// absent and never rewritten, so memory stays bounded and the file is left alone.
constexpr qint64 MaxFileSize = 1024 * 1024;

const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

struct Line
{
    qsizetype begin = 0;      // first byte of the line
    qsizetype contentEnd = 0; // first byte of its line ending (CR LF, LF or CR), or the file end
    qsizetype end = 0;        // first byte after the line ending
    bool terminated() const { return end > contentEnd; }
};

struct IniText
{
    QByteArray bytes;
    bool latin1 = false; // not valid UTF-8: read as Latin-1 rather than failing
    QList<Line> lines;
    QByteArray lineEnding; // what new lines end with: the file's own first line ending

    QString text(const Line &line) const
    {
        const QByteArray raw = bytes.mid(line.begin, line.contentEnd - line.begin);
        return latin1 ? QString::fromLatin1(raw) : QString::fromUtf8(raw);
    }
};

// The text as bytes of one encoding, or nothing when Latin-1 cannot hold it.
std::optional<QByteArray> encoded(const QString &text, bool latin1)
{
    if (!latin1)
        return text.toUtf8();
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
    }
    return text.toLatin1();
}

IniText parse(QByteArray bytes)
{
    IniText ini;
    ini.bytes = std::move(bytes);
    const qsizetype start = ini.bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString probe = utf8.decode(QByteArrayView(ini.bytes).sliced(start)); // runs the check
    Q_UNUSED(probe);
    ini.latin1 = utf8.hasError();

    // CR LF, LF and a lone CR (old Mac files) each end a line, as Windows reads them.
    const qsizetype size = ini.bytes.size();
    for (qsizetype at = start; at < size;) {
        Line line;
        line.begin = at;
        qsizetype end = at;
        while (end < size && ini.bytes.at(end) != '\n' && ini.bytes.at(end) != '\r')
            ++end;
        line.contentEnd = end;
        if (end < size)
            end += (ini.bytes.at(end) == '\r' && end + 1 < size && ini.bytes.at(end + 1) == '\n')
                       ? 2
                       : 1;
        line.end = end;
        if (ini.lineEnding.isEmpty() && line.terminated())
            ini.lineEnding = ini.bytes.mid(line.contentEnd, line.end - line.contentEnd);
        ini.lines.append(line);
        at = line.end;
    }
    // A new file is written the Windows way, as INI files have always been.
    if (ini.lineEnding.isEmpty())
        ini.lineEnding = "\r\n";
    return ini;
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// The section name of a "[name]" line, or a null string for any other line.
QString sectionName(const QString &trimmed)
{
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    const QString name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return name.isNull() ? QStringLiteral("") : name;
}

struct Place
{
    int keyLine = -1;     // first line holding the key inside the section
    int sectionLine = -1; // header of the section's first occurrence
    int lastKeyLine = -1; // last key line of that first occurrence (-1: none)
};

Place locate(const IniText &ini, const QString &section, const QString &key)
{
    Place place;
    bool inSection = false;
    bool inFirstOccurrence = false;
    for (int i = 0; i < ini.lines.size(); ++i) {
        const QString trimmed = ini.text(ini.lines.at(i)).trimmed();
        if (trimmed.isEmpty() || isComment(trimmed))
            continue;
        const QString name = sectionName(trimmed);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            inFirstOccurrence = inSection && place.sectionLine < 0;
            if (inFirstOccurrence)
                place.sectionLine = i;
            continue;
        }
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (!inSection || equals < 0)
            continue;
        if (inFirstOccurrence)
            place.lastKeyLine = i;
        if (place.keyLine < 0
            && trimmed.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            place.keyLine = i;
    }
    return place;
}

QString valueOfLine(const QString &line)
{
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && value.front() == value.back()
        && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        value = value.mid(1, value.size() - 2);
    return value;
}

// The key's value as value() reads it, or nothing when the key is absent.
std::optional<QString> storedValue(const IniText &ini, const QString &section, const QString &key)
{
    const Place place = locate(ini, section, key);
    if (place.keyLine < 0)
        return std::nullopt;
    return valueOfLine(ini.text(ini.lines.at(place.keyLine)));
}

// A line break cannot live inside an INI value, so CR and LF become spaces.
QString oneLine(const QString &value)
{
    QString line = value;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

// The form of a one-line value on its line: quoted when reading it back would otherwise trim
// its outer blanks or strip quotes that belong to it.
QString storedForm(const QString &line)
{
    QString stored = line;
    const bool looksQuoted =
        stored.size() >= 2 && stored.front() == stored.back()
        && (stored.front() == QLatin1Char('"') || stored.front() == QLatin1Char('\''));
    if (looksQuoted || stored != stored.trimmed())
        stored = QLatin1Char('"') + stored + QLatin1Char('"');
    return stored;
}

enum class Load { Loaded, Absent, Failed };
// The reasons are worded for what the caller meant to do with the file.
enum class LoadFor { Writing, Reading };

// Reads the whole file, at most MaxFileSize bytes. On Failed, *reason says why in Spanish.
Load loadFile(const QString &path, QByteArray *bytes, QString *reason,
              LoadFor purpose = LoadFor::Writing)
{
    const bool reading = purpose == LoadFor::Reading;
    if (path.isEmpty()) {
        *reason = OperatorTexts::IniNoFileName;
        return Load::Failed;
    }
    const QFileInfo info(path);
    if (!info.exists())
        return Load::Absent;
    // Directories, FIFOs and devices: opening or reading them could block or never end.
    if (!info.isFile()) {
        *reason = reading ? OperatorTexts::IniReadNotFile : OperatorTexts::IniNotRegularFile;
        return Load::Failed;
    }
    if (info.size() > MaxFileSize) {
        *reason = (reading ? OperatorTexts::IniReadTooLarge : OperatorTexts::IniTooLarge)
                      .arg(MaxFileSize);
        return Load::Failed;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return Load::Absent;
        *reason = (reading ? OperatorTexts::IniReadError : OperatorTexts::IniReadFailed)
                      .arg(file.errorString());
        return Load::Failed;
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
        *reason = (reading ? OperatorTexts::IniReadTooLarge : OperatorTexts::IniTooLarge)
                      .arg(MaxFileSize);
        return Load::Failed;
    }
    if (file.error() != QFileDevice::NoError) {
        bytes->clear();
        *reason = (reading ? OperatorTexts::IniReadError : OperatorTexts::IniReadFailed)
                      .arg(file.errorString());
        return Load::Failed;
    }
    return Load::Loaded;
}

// The file's bytes with the key set to `stored`, which (with the key and section names when
// they have to be added) is encoded one way; nothing when that encoding cannot hold them.
// Only the key's line changes, or lines are added; every other byte stays.
std::optional<QByteArray> withValue(const IniText &ini, const QString &section, const QString &key,
                                    const QString &stored, bool latin1)
{
    const std::optional<QByteArray> value = encoded(stored, latin1);
    if (!value)
        return std::nullopt;
    const Place place = locate(ini, section, key);
    QByteArray out = ini.bytes;

    if (place.keyLine >= 0) {
        // Keep the key as written, the '=' and the blanks after it; only the value changes.
        const Line &line = ini.lines.at(place.keyLine);
        qsizetype from = ini.bytes.indexOf('=', line.begin) + 1;
        while (from < line.contentEnd && (ini.bytes.at(from) == ' ' || ini.bytes.at(from) == '\t'))
            ++from;
        out.replace(from, line.contentEnd - from, *value);
        return out;
    }
    const std::optional<QByteArray> keyName = encoded(key, latin1);
    const std::optional<QByteArray> sectionName = encoded(section, latin1);
    if (!keyName || !sectionName)
        return std::nullopt;
    const QByteArray keyLine = *keyName + '=' + *value;
    if (place.sectionLine >= 0) {
        const int after = place.lastKeyLine >= 0 ? place.lastKeyLine : place.sectionLine;
        const Line &anchor = ini.lines.at(after);
        if (anchor.terminated())
            out.insert(anchor.end, keyLine + ini.lineEnding);
        else // the anchor ends the file without a line ending: keep it that way
            out.insert(anchor.end, ini.lineEnding + keyLine);
    } else {
        if (!ini.lines.isEmpty() && !ini.lines.constLast().terminated())
            out += ini.lineEnding;
        out += '[' + *sectionName + ']' + ini.lineEnding + keyLine + ini.lineEnding;
    }
    return out;
}

// Why `wanted` cannot be stored so that it reads back the same.
QString refusal(const QString &wanted, bool latin1)
{
    QStringList missing;
    if (latin1) {
        for (const char32_t c : wanted.toUcs4()) {
            const QString shown = QStringLiteral("«%1»").arg(QString::fromUcs4(&c, 1));
            if (c > 0xFF && !missing.contains(shown))
                missing.append(shown);
        }
    }
    return missing.isEmpty()
               ? OperatorTexts::IniValueNotKept
               : OperatorTexts::IniCharsNotStorable.arg(missing.join(QStringLiteral(", ")));
}

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

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

struct Written
{
    enum { Done, NoTempFile, CreateFailed, WriteFailed, TempNotOurs } result = Done;
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
    for (int wait = 0; wait < 500; ++wait) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return errno;
        ::usleep(10000);
    }
    return EWOULDBLOCK;
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
Written writeBeside(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = QFile::encodeName(path + IniTempSuffix);
    struct stat old
    {
    };
    const bool exists = ::stat(target.constData(), &old) == 0;
    // A file this process may not write stays as it is, though its folder would let it go.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return {Written::CreateFailed, systemText(errno)};
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
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return fail(n < 0 ? errno : EIO);
            done += n;
        }
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
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {Written::CreateFailed, file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.flush())
        return {Written::WriteFailed, file.errorString()};
    return {};
}

} // namespace

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
        return Outcome::failure(
            OperatorTexts::IniWouldBeTooLarge.arg(out->size()).arg(MaxFileSize));

    // Written beside the old file and renamed over it: a failure at any point leaves the
    // old file whole. A folder that takes no new files (read-only, holding a writable file)
    // leaves only writing over the file itself; a failure there puts the old bytes back.
    // A link is followed: the file it names is the one written.
    const QFileInfo info(m_fileName);
    const QString target = info.isSymLink() && !info.canonicalFilePath().isEmpty()
                               ? info.canonicalFilePath()
                               : m_fileName;
    Written written = writeBeside(target, *out);
    bool inPlace = false;
    if (written.result == Written::NoTempFile) {
        inPlace = true;
        written = writeInPlace(target, *out);
    }
    if (written.result == Written::Done)
        return Outcome::success();
    if (written.result == Written::TempNotOurs) {
        return Outcome::failure(
            OperatorTexts::IniTempNotOurs.arg(QDir::toNativeSeparators(target + IniTempSuffix)));
    }
    if (written.result != Written::WriteFailed) { // nothing was written
        return Outcome::failure(OperatorTexts::IniCreateFailed.arg(
            QDir::toNativeSeparators(QFileInfo(target).absolutePath()), written.system));
    }
    if (inPlace && load == Load::Loaded && !keptOrRestored(target, ini.bytes))
        return Outcome::failure(OperatorTexts::IniWriteFailedInPlace.arg(written.system));
    return Outcome::failure(OperatorTexts::IniWriteFailed.arg(written.system));
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
