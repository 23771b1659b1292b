// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window says in its own words: its status line while it connects, its refusal of
// a second action, and where its operator changes a list that cannot be sent.
#pragma once

#include "commandlistresult.h"

#include <QString>

namespace WindowTexts {

// The status line while a terminal server is reached; %1 is the address.
inline const QString InfoConnecting = QStringLiteral("Conectando con %1...");
// A dialogue button pressed while a dialogue runs; %1 is the port as portName() names it.
inline const QString PortAlreadyOpen = QStringLiteral("El puerto %1 ya está abierto.");
inline QString portName(int number, const QString &device)
{
    return number > 0 ? QStringLiteral("%1 (%2)").arg(number).arg(device) : device;
}

// Where the operator puts right a list that cannot be sent.
inline const QString ListEmptyHint =
    QStringLiteral("Añada comandos con el botón \"AT...\" y vuelva a configurar.");
inline const QString ListTooLongHint =
    QStringLiteral("Acórtela con el botón \"AT...\" y vuelva a configurar.");
inline const QString RingCountHint =
    QStringLiteral("Corríjalo en la casilla \"Número de rings\" y vuelva a pulsar \"Configurar\".");
inline QString listHint(CommandListResult::Problem problem)
{
    using Problem = CommandListResult::Problem;
    switch (problem) {
    case Problem::Empty:
        return ListEmptyHint;
    case Problem::TooLong:
        return ListTooLongHint;
    case Problem::RingCountInvalid:
        return RingCountHint;
    default:
        return QString();
    }
}

} // namespace WindowTexts
