// SPDX-License-Identifier: GPL-3.0-or-later
// The words of `tavoli check`: Spanish where they are prose; the status keywords and the
// performance data as the monitoring-plugins conventions write them.
#pragma once

#include <QString>

namespace CheckTexts {

// "MODEM OK - /dev/ttyUSB0: S0=2, S37=6: configurado como se espera"
inline const QString StatusLine = QStringLiteral("MODEM %1 - %2: %3");
inline const QString UsageLine = QStringLiteral("MODEM UNKNOWN - %1 %2");
inline const QString Ok = QStringLiteral("OK");
inline const QString Warning = QStringLiteral("WARNING");
inline const QString Critical = QStringLiteral("CRITICAL");
inline const QString Unknown = QStringLiteral("UNKNOWN");

inline const QString AsExpected = QStringLiteral("%1: configurado como se espera");
inline const QString ReadValue = QStringLiteral("S%1=%2");
// %1 the register (0 or 37), %2 as read, %3 as expected.
inline const QString Differs = QStringLiteral("S%1=%2 y se espera S%1=%3");
inline const QString RingsDiffer =
    QStringLiteral("%1: el modem no contestará las llamadas como se espera");
inline const QString SpeedDiffers = QStringLiteral("%1 (%2 bit/s); S0=%3 como se espera");
inline const QString SpeedUnread =
    QStringLiteral("S37 sin leer (%1 no ha tenido respuesta válida); S0=%2 como se espera");
inline const QString NoReply = QStringLiteral("el modem no contesta a %1");
inline const QString Refused = QStringLiteral("el modem ha rechazado %1");
inline const QString NoNumber = QStringLiteral("el modem no ha contestado a %1 con un número");
inline const QString Interrupted =
    QStringLiteral("interrumpido por %1 antes de leer el modem; se ha cerrado el puerto");

// Usage errors: with --help the whole help.
inline const QString SeeHelp = QStringLiteral("(tavoli --help)");
inline const QString NoRings =
    QStringLiteral("check necesita --rings N: el número de rings que el modem debe tener (S0).");
inline const QString RingsOnlyConfigureOrCheck =
    QStringLiteral("--%1 solo vale con las órdenes configure y check.");
inline const QString NotWithCheck =
    QStringLiteral("--%1 no vale con la orden check: su salida es la de los plugins de "
                   "monitorización.");

// What `tavoli --help` says of the check.
inline const QString CommandHelp =
    QStringLiteral("check: comprobación para Nagios, Icinga o Naemon (solo lee el modem).");
inline const QString RingsHelp =
    QStringLiteral("check: el número de rings que el modem debe tener guardado (S0).");
inline const QString HelpSection = QStringLiteral(
    "\n"
    "Orden check:\n"
    "  tavoli check --device RUTA [--device RUTA ...] --rings N [--speed BAUDIOS]\n"
    "Comprobación para Nagios, Icinga o Naemon, con las convenciones de monitoring-plugins:\n"
    "pregunta a cada modem (S0 y S37, como query), sin cambiar nada y sin retener el puerto\n"
    "más que la pregunta, y escribe una línea de estado por dispositivo, la peor primero; la\n"
    "primera lleva los datos de rendimiento (S0, y S37 con --speed). Estado de salida:\n"
    "  0   OK: S0 es N y, con --speed, S37 es el código de esa velocidad\n"
    "  1   WARNING: S37 es otro, o no se ha podido leer\n"
    "  2   CRITICAL: S0 es otro (el modem no contestará como se espera), o el modem no\n"
    "      contesta, rechaza la pregunta o no da señal CTS/DSR\n"
    "  3   UNKNOWN: el puerto no existe, lo tiene otro programa, se pierde, el servidor de\n"
    "      terminales falla, la orden es incorrecta o se interrumpe\n"
    "Con varios dispositivos, el peor: CRITICAL, luego WARNING, luego UNKNOWN.\n");

} // namespace CheckTexts
