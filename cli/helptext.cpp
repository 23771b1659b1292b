// SPDX-License-Identifier: GPL-3.0-or-later
#include "helptext.h"

#include <QStringList>

#include <algorithm>

namespace HelpText {

namespace {

constexpr qsizetype LineWidth = 79;
constexpr qsizetype Indent = 2;
constexpr qsizetype MaxNameWidth = 50; // longer names get a line of their own

QString optionNames(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QStringLiteral(" <%1>").arg(option.valueName());
    return text;
}

// One entry: the name in its column, the description's words filled into the lines beside it.
// A word longer than the room goes on a line by itself rather than being cut.
QString entry(const QString &name, qsizetype nameWidth, const QString &description)
{
    const QString column = QString(Indent + nameWidth + 1, u' ');
    const qsizetype room = LineWidth - column.size();
    QStringList lines;
    QString line;
    for (const QString &word : description.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > room) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    lines << line;

    QString text = QString(Indent, u' ') + name;
    if (name.size() > nameWidth)
        text += u'\n' + column;
    else
        text += QString(nameWidth + 1 - name.size(), u' ');
    return text + lines.join(u'\n' + column) + u'\n';
}

} // namespace

QString render(const QString &program, const QString &syntax, const QString &description,
               const QList<QCommandLineOption> &options, const QList<Argument> &arguments,
               const QString &tail)
{
    QStringList names;
    QStringList descriptions;
    for (const QCommandLineOption &option : options) {
        if (option.flags().testFlag(QCommandLineOption::HiddenFromHelp))
            continue;
        names << optionNames(option);
        descriptions << option.description();
    }
    qsizetype width = 0;
    for (const QString &name : names)
        width = std::max(width, name.size());
    for (const Argument &argument : arguments)
        width = std::max(width, argument.name.size());
    width = std::min(width + 1, MaxNameWidth);

    QString text = QStringLiteral("Uso: %1 [opciones] %2\n\n").arg(program, syntax);
    if (!description.isEmpty())
        text += description + QStringLiteral("\n\n");
    if (!names.isEmpty()) {
        text += QStringLiteral("Opciones:\n");
        for (qsizetype i = 0; i < names.size(); ++i)
            text += entry(names.at(i), width, descriptions.at(i));
    }
    if (!arguments.isEmpty()) {
        text += QStringLiteral("\nArgumentos:\n");
        for (const Argument &argument : arguments)
            text += entry(argument.name, width, argument.description);
    }
    return tail.isEmpty() ? text : text + u'\n' + tail;
}

} // namespace HelpText
