// SPDX-License-Identifier: GPL-3.0-or-later
// The INI store given any file and any value to write. A write either succeeds, and then the
// value reads back exactly (CR LF, CR and LF each as one blank), only the key's line has
// changed or lines were added, writing the same again changes nothing, and no temporary file
// is left; or it is refused and the file is as it was, byte for byte. A printable ASCII value
// is refused only when the file would outgrow what reading accepts: every encoding holds it.
#include "fuzzcheck.h"

#include "inilock.h"
#include "inistore.h"
#include "storetexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

namespace {

std::unique_ptr<QTemporaryDir> scratch;
QString filePath;

const std::array<QString, 4> Sections = {QStringLiteral("tavoli"), QStringLiteral("Tavoli-bench"),
                                         QStringLiteral(""), QStringLiteral("ñandú")};

std::optional<QByteArray> readFile()
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString decoded(const QByteArray &bytes, int how)
{
    switch (how) {
    case 1:
        return QString::fromLatin1(bytes);
    case 2: // UTF-16 as it comes: lone surrogates included
        return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    default:
        return QString::fromUtf8(bytes);
    }
}

// What the store promises to give back: a line break cannot live in a value.
QString asOneLine(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        out.append(c == u'\r' || c == u'\n' ? QChar(u' ') : c);
    }
    return out;
}

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// Every byte of `before` is still in `after`, but for the value of one line (what follows its
// first "=") or with whole lines added at one place.
bool onlyOneValueOrAddedLines(const QByteArray &before, const QByteArray &after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before.at(prefix) == after.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - prefix - suffix);
    const QByteArray added = after.mid(prefix, after.size() - prefix - suffix);
    if (removed.isEmpty())
        return true; // only added; the readback says what
    if (std::any_of(removed.begin(), removed.end(), isLineBreak)
        || std::any_of(added.begin(), added.end(), isLineBreak))
        return false;
    qsizetype lineStart = prefix;
    while (lineStart > 0 && !isLineBreak(before.at(lineStart - 1)))
        --lineStart;
    return before.mid(lineStart, prefix - lineStart).contains('=');
}

bool printableAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // tmpfs where there is one: the store syncs every file it writes.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    scratch = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tavoli-fuzz-XXXXXX"));
    FUZZ_CHECK(scratch->isValid());
    filePath = scratch->filePath(QStringLiteral("tavoli.INI"));
    std::atexit([] { scratch.reset(); });
    return 0;
}

// First byte: how the value is decoded (bits 0-1), no file at all (bit 2), the section
// (bits 3-4). Then the value's length in bytes, the value, and the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    const QString text = decoded(in.bytes(in.byte()), flags & 3);
    const bool noFile = flags & 4;
    const QByteArray fileBytes = in.rest();

    QFile::remove(filePath);
    if (!noFile) {
        QFile file(filePath);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(fileBytes) == fileBytes.size());
    }
    const std::optional<QByteArray> before = readFile();

    IniStore store(QStringLiteral("CmdAT"));
    store.setFileName(filePath);
    store.setSection(Sections.at((flags >> 3) % Sections.size()));
    store.setFallback(QStringLiteral("(absent)"));

    const StoreResult written = store.setValue(text);
    const std::optional<QByteArray> after = readFile();
    // No temporary file is left behind; the savers' lock file stays beside the file for good.
    QStringList left = QDir(scratch->path()).entryList(QDir::Files | QDir::Hidden);
    left.removeOne(QFileInfo(filePath).fileName() + IniLock::Suffix);
    FUZZ_CHECK(left.size() == (after ? 1 : 0));
    if (!written) {
        FUZZ_CHECK(!StoreTexts::whyNotSaved(written).isEmpty());
        FUZZ_CHECK(after == before);
        // The section, key and line endings a write adds take far fewer than 64 bytes.
        FUZZ_CHECK(!printableAscii(text) || fileBytes.size() + text.size() > 1024 * 1024 - 64);
        return 0;
    }
    FUZZ_CHECK(after.has_value());
    FUZZ_CHECK(store.value() == asOneLine(text));
    if (before)
        FUZZ_CHECK(onlyOneValueOrAddedLines(*before, *after));

    FUZZ_CHECK(store.setValue(text).ok());
    FUZZ_CHECK(readFile() == after);
    return 0;
}
