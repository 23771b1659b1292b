// SPDX-License-Identifier: GPL-3.0-or-later
#include "textutils.h"

#include <algorithm>
#include <limits>

namespace TextUtils {

void IncrementIndex(qint16 &index)
{
    if (index < std::numeric_limits<qint16>::max())
        ++index;
}

void ReplaceAll(const QString &search, const QString &replacement, QString &target)
{
    // QString::replace with an empty search text would insert the replacement between every
    // character; the callers expect "nothing to find, nothing to change".
    if (search.isEmpty())
        return;
    target.replace(search, replacement, Qt::CaseSensitive);
}

QString NumberText(qint16 value)
{
    return QString::number(value);
}

QString TakeToken(QString &text, const QString &separator)
{
    const qsizetype at = separator.isEmpty() ? -1 : text.indexOf(separator);
    if (at < 0) {
        QString whole = text;
        text.clear();
        return whole;
    }
    QString token = text.left(at);
    text.remove(0, at + separator.size());
    return token;
}

QString LabelText(const QString &caption)
{
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&')) {
            shown.append(caption.at(i));
        } else if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&')) {
            shown.append(QLatin1Char('&'));
            ++i;
        }
        // A lone "&" marks the access key and is not shown.
    }
    return shown;
}

QString ShowControls(const QString &text)
{
    const auto control = [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
    };
    if (std::none_of(text.begin(), text.end(), control))
        return text;
    QString shown;
    shown.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (control(c))
            shown +=
                QLatin1String("<x")
                + QString::number(c.unicode(), 16).rightJustified(2, QLatin1Char('0')).toUpper()
                + QLatin1Char('>');
        else
            shown += c;
    }
    return shown;
}

} // namespace TextUtils
