// SPDX-License-Identifier: GPL-3.0-or-later
// Why QCommandLineParser refused the arguments, found by reading them again with the parser's
// own rules rather than from its English error text, so that the command line can say it in
// Spanish. The rules: "--" ends the options; "--name" takes its value after "=" or as the next
// argument; "-abc" is the short options a, b and c, the first that takes a value taking the
// rest; a lone "-" is no option.
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

namespace OptionErrors {

struct Problem
{
    enum class Kind {
        None,            // nothing found: the parser refused for a reason not known here
        Unknown,         // `options`: each unknown option as written ("--fast", "-x")
        MissingValue,    // `options`: the option whose value is missing at the end
        UnexpectedValue, // `options`: the option given a value it does not take
    } kind = Kind::None;
    QStringList options;
    QString valueName; // MissingValue: what the option's value is called in the help
};

// `arguments` with the program's name first. A missing or unexpected value is reported before
// unknown options, as the parser does.
Problem find(const QStringList &arguments, const QList<QCommandLineOption> &options);

} // namespace OptionErrors
