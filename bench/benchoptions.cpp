// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchoptions.h"

#include <QStringList>

namespace {

bool takeInt(const QStringList &args, qsizetype &i, int minimum, int *out, QString *error)
{
    const QString name = args.at(i);
    if (i + 1 >= args.size()) {
        *error = name + QStringLiteral(" needs a value");
        return false;
    }
    bool ok = false;
    const int value = args.at(++i).toInt(&ok);
    if (!ok || value < minimum) {
        *error = QStringLiteral("%1 needs a whole number of at least %2").arg(name).arg(minimum);
        return false;
    }
    *out = value;
    return true;
}

} // namespace

QString BenchOptions::parse(const QStringList &arguments)
{
    QString error;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        bool ok = true;
        if (arg == QLatin1String("--runs"))
            ok = takeInt(arguments, i, 1, &runs, &error);
        else if (arg == QLatin1String("--entries"))
            ok = takeInt(arguments, i, 1, &entries, &error);
        else if (arg == QLatin1String("--pings"))
            ok = takeInt(arguments, i, 100, &pings, &error);
        else if (arg == QLatin1String("--warmup"))
            ok = takeInt(arguments, i, 0, &warmup, &error);
        else if (arg == QLatin1String("--pin"))
            pin = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            help = true;
        else
            return QStringLiteral("unknown option: ") + arg;
        if (!ok)
            return error;
    }
    // CommandIndex is 16 bits wide: longer lists are cut short by the program itself.
    if (entries > 32767)
        return QStringLiteral("--entries: at most 32767");
    return QString();
}

QString BenchOptions::usage(const QString &program)
{
    return QStringLiteral(
               "usage: %1 [--runs N] [--entries N] [--pings N] [--warmup N] [--pin]\n"
               "  --runs N     configurations to time (default 5)\n"
               "  --entries N  entries of the stored command list (default 500)\n"
               "  --pings N    the line's own exchanges (plain client), measured before the\n"
               "               first run and after every run (default 3000)\n"
               "  --warmup N   untimed exchanges before those (default 200)\n"
               "  --pin        keep the window thread on one core and the modem's on another\n"
               "               (default: wherever the kernel puts them)\n"
               "Runs in a temporary working directory against the simulated modem on a\n"
               "pseudo-terminal, on the X server of DISPLAY (xvfb-run provides one), or on the\n"
               "offscreen platform when there is no display (or as QT_QPA_PLATFORM says).\n")
        .arg(program);
}
