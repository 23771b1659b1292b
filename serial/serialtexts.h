// SPDX-License-Identifier: GPL-3.0-or-later
// What the serial port says: why a port cannot be opened or was lost, who holds it, and the
// notes it leaves for the transcript. %1 in a port's message is the port as portName() names it.
#pragma once

#include <QString>

namespace SerialTexts {

// How a message names a port: its number and its device, or the device alone where it was given
// without a number (the command line's --device).
inline QString portName(int number, const QString &device)
{
    return number > 0 ? QStringLiteral("%1 (%2)").arg(number).arg(device) : device;
}
// Serial-port failures; %1 is the port as portName() names it, %2 the system's own text.
inline const QString PortMissing =
    QStringLiteral("El puerto %1 no existe: no hay ningún dispositivo con ese nombre.");
// No permission: %2 is the device's group, which the user may join (usually dialout). Where
// joining it would not help: %2 the device's mode bits in octal, %3 its group.
inline const QString PortNoPermission = QStringLiteral(
    "No hay permiso para abrir el puerto %1: el usuario debe pertenecer al grupo %2.");
inline const QString PortNoPermissionNotGroup = QStringLiteral(
    "No hay permiso para abrir el puerto %1: sus permisos (%2, grupo %3) no dejan leerlo y "
    "escribirlo a este usuario, y entrar en un grupo no lo cambiaría. Pida acceso al "
    "administrador del equipo.");
inline const QString PortBusy =
    QStringLiteral("El puerto %1 está en uso por otro programa o bloqueado.");
inline const QString PortAlreadyOpen = QStringLiteral("El puerto %1 ya está abierto.");
// Another live program holds the port. %2 is PortHolder or PortHolderUnnamed; in PortLockedBy
// %3 is the lock file that names it.
inline const QString PortLockedBy = QStringLiteral(
    "El puerto %1 lo tiene reservado otro programa: %2, según el archivo de bloqueo %3.\n"
    "Cierre ese programa o elija otro puerto.");
inline const QString PortHeldBy =
    QStringLiteral("El puerto %1 lo tiene abierto otro programa: %2.\n"
                   "Cierre ese programa o elija otro puerto.");
inline const QString PortHeldByUnknown =
    QStringLiteral("El puerto %1 lo tiene abierto otro programa.\n"
                   "Cierre ese programa o elija otro puerto.");
// Something other than a plain file (a FIFO, a link) sits where the port's lock file goes, %2.
inline const QString PortLockNotFile = QStringLiteral(
    "El puerto %1 no se abre: en el lugar de su archivo de bloqueo, %2, hay algo que no es "
    "un archivo normal.\nBórrelo (lo ha podido poner otro usuario) o elija otro puerto.");
// A lock file, %2, whose contents name no process: nobody can say whether it is still used.
inline const QString PortLockUnreadable = QStringLiteral(
    "El puerto %1 no se abre: su archivo de bloqueo, %2, no dice qué programa lo tiene.\n"
    "Si ningún programa usa el puerto, borre el archivo; si no, elija otro puerto.");
// A program that opened the port while Tavoli was opening it: %2 as in PortHeldBy.
inline const QString PortOpenedMeanwhile =
    QStringLiteral("El puerto %1 lo ha abierto otro programa mientras Tavoli lo abría: %2.\n"
                   "No se le ha enviado nada. Cierre ese programa o elija otro puerto.");
// A lock file of another machine: %2 the machine named in it, %3 the file.
inline const QString PortLockedByOtherHost = QStringLiteral(
    "El puerto %1 lo tiene reservado el equipo %2, según el archivo de bloqueo %3.\n"
    "Si ese equipo ya no usa el puerto, borre el archivo; si no, elija otro puerto.");
// Joins the holders when several programs have the port open.
inline const QString PortHoldersSeparator = QStringLiteral(", ");
inline const QString PortHolder = QStringLiteral("%1 (proceso %2)"); // program name, process id
inline const QString PortHolderUnnamed = QStringLiteral("el proceso %1");
inline const QString PortOpenFailed = QStringLiteral("No se puede abrir el puerto %1: %2");
inline const QString PortIsOwnTerminal = QStringLiteral(
    "El puerto %1 es el terminal desde el que se ha lanzado este programa, no un puerto serie: "
    "no se le envía nada.");
inline const QString PortLost = QStringLiteral(
    "Se ha perdido la comunicación con el puerto %1: el dispositivo se ha desconectado "
    "o ha dejado de responder.\nLa operación ha fracasado");
inline const QString PortsPciCard = QStringLiteral("tarjeta PCI %1:%2");
inline const QString PortsAddNotAbsolute = QStringLiteral(
    "\"%1\" no es una ruta completa: escriba la ruta del dispositivo desde /, p. ej. /dev/pts/3.");
inline const QString PortsAddMissing = QStringLiteral(
    "No existe %1: compruebe la ruta (un pseudoterminal desaparece cuando se cierra su programa).");
inline const QString PortsAddNotDevice =
    QStringLiteral("%1 no es un dispositivo de caracteres: escriba la ruta de un puerto serie.");
// The search for programs that have the device (%1) open could not look at %2 processes of
// other users: a program of theirs may hold it unseen.
inline const QString TranscriptHoldersPartial = QStringLiteral(
    "Comprobación parcial de los programas que tienen abierto %1: procesos de otros usuarios "
    "sin examinar: %2");

} // namespace SerialTexts
