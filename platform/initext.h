// SPDX-License-Identifier: GPL-3.0-or-later
// The INI file's text as bytes: reading a key's value and producing the bytes with a value set
// (Windows INI rules). Pure functions: no file is opened here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace IniFormat {

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

    // A UTF-8 byte order mark at the start of a line (two files joined, say) is no part of it,
    // whichever way the file decodes: UTF-8 decoding drops it, so Latin-1 drops it too, and
    // a write whose new bytes change the file's encoding still finds the same sections.
    QString text(const Line &line) const
    {
        QByteArrayView raw = QByteArrayView(bytes).sliced(line.begin, line.contentEnd - line.begin);
        if (!latin1)
            return QString::fromUtf8(raw);
        if (raw.startsWith("\xEF\xBB\xBF"))
            raw = raw.sliced(3);
        return QString::fromLatin1(raw);
    }
};

IniText parse(QByteArray bytes);

// The key's value as IniStore::value() reads it, or nothing when the key is absent.
std::optional<QString> storedValue(const IniText &ini, const QString &section, const QString &key);

// A line break cannot live inside an INI value, so CR and LF become spaces.
QString oneLine(const QString &value);

// The form of a one-line value on its line: quoted when reading it back would otherwise trim
// its outer blanks or strip quotes that belong to it.
QString storedForm(const QString &line);

// The file's bytes with the key set to `stored`, which (with the key and section names when
// they have to be added) is encoded one way; nothing when that encoding cannot hold them.
// Only the key's line changes, or lines are added; every other byte stays.
std::optional<QByteArray> withValue(const IniText &ini, const QString &section, const QString &key,
                                    const QString &stored, bool latin1);

// The characters of `wanted` that a Latin-1 file cannot hold, each once, in the text's order.
QStringList beyondLatin1(const QString &wanted);

} // namespace IniFormat
