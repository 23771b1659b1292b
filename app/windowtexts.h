// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window says in its own words: its status line while it connects, its refusal of
// a second action, and where its operator changes a list that cannot be sent.
#pragma once

#include "commandlistresult.h"
#include "portassignments.h"
#include "storetexts.h"

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
// The lines' module of the installation is missing or broken (the window's box and the command
// line's stderr): %1 is one of the four reasons below, each naming the module's file as %1.
inline const QString LinesUnavailable =
    QStringLiteral("No se pueden usar los puertos: falta una parte de Tavoli o no es de esta "
                   "versión (%1). Vuelva a instalar Tavoli.");
inline const QString LinesModuleMissing = QStringLiteral("no se encuentra %1");
// %2 the system's own reason.
inline const QString LinesModuleUnloadable = QStringLiteral("%1 no se puede cargar: %2");
inline const QString LinesModuleForeign = QStringLiteral("%1 no es un módulo de Tavoli");
// %2 the module's version, %3 the program's.
inline const QString LinesModuleOtherVersion =
    QStringLiteral("%1 es de la versión %2 y el programa de la %3");

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

// Captions, the main window's and its extra windows'.
inline const QString MainWindowCaption = QStringLiteral("Configuración de Modems");
// The identification window.
inline const QString IdentifyCaption = QStringLiteral("Identificación del modem");
// The window started where there is no graphical session.
inline const QString NoGraphicalSession = QStringLiteral(
    "No hay sesión gráfica (ni DISPLAY ni WAYLAND_DISPLAY utilizables): la ventana no puede "
    "abrirse. La línea de órdenes funciona sin ella: tavoli --help.");
// Which device each port uses and why (the port options' tooltips, the ports window).
inline const QString PortUses = QStringLiteral("%1 (%2)"); // device, one of the four below
inline const QString PortSourceVariable = QStringLiteral("variable %1");
inline const QString PortSourceIni = QStringLiteral("asignado en %1");
inline const QString PortSourceDefault = QStringLiteral("predeterminado");
// %1 the INI file, %2 why (StoreTexts::whyUnreadable).
inline const QString PortSourceUnreadable = QStringLiteral("no se ha podido leer %1: %2");
// The ports window ("Puertos...").
inline const QString PortsMenuEntry = QStringLiteral("Puertos...");
inline const QString PortsCaption = QStringLiteral("Puertos serie");
inline const QString PortsDevicesTitle = QStringLiteral("Dispositivos serie de este equipo");
inline const QString PortsDeviceColumns =
    QStringLiteral("Dispositivo|Puerto|En uso por|Nombre estable (by-id)|Descripción|Fabricante|"
                   "USB (VID:PID)|Número de serie");
inline const QString PortsTypedLabel = QStringLiteral(
    "Otro dispositivo (un pseudoterminal, p. ej. /dev/pts/3, o rfc2217://SERVIDOR:PUERTO):");
inline const QString PortsAdd = QStringLiteral("Añadir");
inline const QString PortsAssignmentsTitle = QStringLiteral("Dispositivo de cada puerto");
inline const QString PortsAssignmentColumns = QStringLiteral("Puerto|Dispositivo|Origen");
inline const QString PortsPortChoice = QStringLiteral("Puerto %1");
inline const QString PortsAssign = QStringLiteral("Asignar al puerto");
inline const QString PortsClear = QStringLiteral("Quitar");
inline const QString PortsHint = QStringLiteral(
    "Seleccione un dispositivo de la lista, elija el puerto y pulse \"Asignar al puerto\". "
    "\"Quitar\" devuelve el puerto a su dispositivo predeterminado. Si la variable "
    "TAVOLI_COM<n> está definida, manda sobre lo asignado aquí. Un modem en un servidor de "
    "terminales (p. ej. ser2net) se escribe arriba como rfc2217://SERVIDOR:PUERTO (Telnet con "
    "control del puerto serie) o socket://SERVIDOR:PUERTO (TCP sin más), se añade y se asigna "
    "como cualquier otro dispositivo.");
inline const QString PortsTerminalServer = QStringLiteral("Modem en un servidor de terminales");
inline const QString PortsFree = QStringLiteral("libre");
inline const QString PortsHeldByLockFile = QStringLiteral("%1, según el archivo de bloqueo %2");
inline const QString PortsHeldByFlock = QStringLiteral("%1, con flock()");
inline const QString PortsHeldOpen = QStringLiteral("%1, con el dispositivo abierto");
inline const QString PortsHeldByUnknown = QStringLiteral("un proceso desconocido, con flock()");
inline const QString PortsMissing = QStringLiteral("%1 (no encontrado)");
inline const QString PortNumberInvalid =
    QStringLiteral("El puerto %1 no existe: los puertos van del 1 al 4.");
// %1 port number, %2 the INI file, %3 why (StoreTexts::whyNotSaved).
inline const QString PortAssignFailed =
    QStringLiteral("No se ha podido guardar el dispositivo del puerto %1 en %2:\n%3");
inline const QString PortsNothingSelected = QStringLiteral(
    "No hay ningún dispositivo seleccionado: seleccione una fila de la lista y vuelva a pulsar "
    "\"Asignar al puerto\".");
// The line's transcript ("Registro de la línea"): its window, its log file and what it records.
inline const QString TranscriptCaption = QStringLiteral("Registro de la línea");
inline const QString TranscriptSave = QStringLiteral("Guardar...");
inline const QString TranscriptCopy = QStringLiteral("Copiar");
inline const QString TranscriptClear = QStringLiteral("Borrar");
inline const QString TranscriptSaveTitle = QStringLiteral("Guardar el registro de la línea");
inline const QString TranscriptSaveName = QStringLiteral("registro-tavoli.txt");
inline const QString TranscriptSaveFilter = QStringLiteral("Texto (*.txt);;Todos los archivos (*)");
inline const QString TranscriptSaveFailed = QStringLiteral(
    "No se ha podido guardar el registro en %1:\n%2\nElija otra carpeta u otro nombre y vuelva a "
    "intentarlo.");
inline const QString TranscriptLogOption =
    QStringLiteral("Añade cada línea del registro de la línea al ARCHIVO en cuanto ocurre.");
inline const QString TranscriptLogValue = QStringLiteral("ARCHIVO");

// "variable TAVOLI_COM1", "asignado en /home/ana/tavoli.INI" or "predeterminado".
inline QString portSource(const PortChoice &choice)
{
    switch (choice.source) {
    case PortChoice::Source::Variable:
        return PortSourceVariable.arg(choice.origin);
    case PortChoice::Source::Assigned:
        return PortSourceIni.arg(choice.origin);
    case PortChoice::Source::Unreadable:
        return PortSourceUnreadable.arg(choice.origin, StoreTexts::whyUnreadable(choice.unread));
    case PortChoice::Source::Default:
        break;
    }
    return PortSourceDefault;
}
// "/dev/ttyUSB0 (variable TAVOLI_COM1)", as the port options show it.
inline QString portUses(const PortChoice &choice)
{
    if (choice.source == PortChoice::Source::Unreadable)
        return portSource(choice);
    return PortUses.arg(choice.device, portSource(choice));
}

} // namespace WindowTexts
