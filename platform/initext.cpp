// SPDX-License-Identifier: GPL-3.0-or-later
#include "initext.h"

#include <QStringDecoder>
#include <QStringList>

// The file is handled as bytes so that a write can keep every byte it does not mean to
// change; names and values are decoded line by line only to compare and return them.
// QSettings is no use here: it takes ';' for a comment and ',' for a list separator, and it
// rewrites the whole file in its own layout.

namespace IniFormat {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

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

} // namespace

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

std::optional<QString> storedValue(const IniText &ini, const QString &section, const QString &key)
{
    const Place place = locate(ini, section, key);
    if (place.keyLine < 0)
        return std::nullopt;
    return valueOfLine(ini.text(ini.lines.at(place.keyLine)));
}

QString oneLine(const QString &value)
{
    QString line = value;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

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

QStringList beyondLatin1(const QString &wanted)
{
    QStringList found;
    for (const char32_t c : wanted.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (c > 0xFF && !found.contains(one))
            found.append(one);
    }
    return found;
}

} // namespace IniFormat
