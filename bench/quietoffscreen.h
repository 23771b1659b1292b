// SPDX-License-Identifier: GPL-3.0-or-later
// The offscreen platform warns about size hints for every message box the benchmarks answer;
// it tells nothing there. Installs a message handler that drops that warning and passes on
// everything else.
#pragma once

#include <QString>
#include <QtGlobal>

namespace QuietOffscreen {

inline QtMessageHandler &previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void install()
{
    previousHandler() = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (message.contains(QLatin1String("does not support propagateSizeHints")))
                return;
            if (previousHandler())
                previousHandler()(type, context, message);
        });
}

} // namespace QuietOffscreen
