// SPDX-License-Identifier: GPL-3.0-or-later
// Apart from the rest of the command line: the window's program decides with it, before anything
// else, whether to start the window, and links nothing of the lines for it.
#include "commandline.h"

namespace CommandLine {

bool wantsCommand(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--log")) {
            ++i; // its file, whatever it is called
            continue;
        }
        if (a.startsWith(QLatin1String("--log=")))
            continue;
        if (a.startsWith(QLatin1String("--")) || a == QLatin1String("-h")
            || a == QLatin1String("-v"))
            return true;
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            // One of Qt's own (-style fusion, -platform offscreen): its value goes with it.
            if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-')))
                ++i;
            continue;
        }
        return true;
    }
    return false;
}

} // namespace CommandLine
