// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's --help, laid out here rather than by QCommandLineParser, whose headings
// ("Usage:", "Options:", "Arguments:") stay English wherever Qt's Spanish catalogue is missing:
// the commands' help is Spanish whatever is installed. Pure text, any thread.
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

namespace HelpText {

// The version option's line, which QCommandLineParser::addVersionOption() words in English.
inline const QString VersionHelp = QStringLiteral("Muestra la información de versión.");

struct Argument
{
    QString name;
    QString description;
};

// "Uso: PROGRAM [opciones] SYNTAX", the description, then "Opciones:" and "Argumentos:" with
// names in one column and descriptions wrapped beside them within 79 columns, then the tail.
// Options hidden from help are left out.
QString render(const QString &program, const QString &syntax, const QString &description,
               const QList<QCommandLineOption> &options, const QList<Argument> &arguments,
               const QString &tail);

} // namespace HelpText
