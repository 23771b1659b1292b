// SPDX-License-Identifier: GPL-3.0-or-later
#include "optionerrors.h"

#include <QHash>

namespace OptionErrors {

Problem find(const QStringList &arguments, const QList<QCommandLineOption> &options)
{
    QHash<QString, const QCommandLineOption *> named;
    for (const QCommandLineOption &option : options) {
        for (const QString &name : option.names())
            named.insert(name, &option);
    }
    QStringList unknown;
    Problem value;
    const auto takesValue = [&](const QString &name) {
        return !named.value(name)->valueName().isEmpty();
    };
    // The value of a known option `name`, written as `written`: after "=", or the next argument.
    const auto checkValue = [&](const QString &name, const QString &written, qsizetype &i) {
        const qsizetype assign = written.indexOf(QLatin1Char('='));
        if (value.kind != Problem::Kind::None)
            return;
        if (takesValue(name) && assign < 0) {
            if (++i == arguments.size())
                value = {Problem::Kind::MissingValue, {written}, named.value(name)->valueName()};
        } else if (!takesValue(name) && assign >= 0) {
            value = {Problem::Kind::UnexpectedValue, {written.left(assign)}, QString()};
        }
    };

    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1String("--"))) {
            const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
            if (named.contains(name))
                checkValue(name, argument, i);
            else
                unknown << QLatin1String("--") + name;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-')) || argument.size() == 1)
            continue;
        // Short options run together; the last known one checks its value as a long one would.
        QString last;
        bool valueInside = false;
        for (qsizetype pos = 1; pos < argument.size(); ++pos) {
            const QString name = argument.mid(pos, 1);
            if (!named.contains(name)) {
                unknown << QLatin1Char('-') + name;
                continue;
            }
            last = name;
            const bool assigned =
                pos + 1 < argument.size() && argument.at(pos + 1) == QLatin1Char('=');
            if (takesValue(name)) {
                valueInside = pos + 1 < argument.size();
                break;
            }
            if (assigned)
                break;
        }
        if (!last.isEmpty() && !valueInside)
            checkValue(last, argument, i);
    }
    if (value.kind != Problem::Kind::None)
        return value;
    if (!unknown.isEmpty())
        return {Problem::Kind::Unknown, unknown, QString()};
    return {};
}

} // namespace OptionErrors
