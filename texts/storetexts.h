// SPDX-License-Identifier: GPL-3.0-or-later
// What the INI store's failures say, as every face that reads or writes the file words them:
// the window and the command line (a stored list that cannot be read), the editor and the ports
// window (a save that failed).
#pragma once

#include "storeresult.h"

#include <QString>

namespace StoreTexts {

// The INI file is there but could not be read: %1 the file, %2 why (IniRead*).
inline const QString CommandListUnreadable =
    QStringLiteral("No se ha podido leer la lista de comandos de %1: %2");
// The same for the device a port is assigned: %1 the port, %2 the file, %3 why (IniRead*).
inline const QString PortAssignmentUnreadable = QStringLiteral(
    "No se ha podido leer qué dispositivo usa el puerto %1 en %2: %3 No se abre ningún otro en "
    "su lugar.");
inline const QString IniReadLinkBroken =
    QStringLiteral("es un enlace a %1, que no se puede seguir (%2).");
inline const QString IniLinkBroken =
    QStringLiteral("Es un enlace a %1, que no se puede seguir (%2); no se modifica.");
inline const QString IniReadNotFile =
    QStringLiteral("es una carpeta o un dispositivo, no un archivo.");
inline const QString IniReadTooLarge =
    QStringLiteral("ocupa más de %1 bytes y no parece un archivo de configuración.");
inline const QString IniReadError = QStringLiteral("no se puede leer (%1).");
inline const QString IniReadLocked =
    QStringLiteral("otro programa lo está guardando y no ha terminado en %1 segundos.");
inline const QString IniReadBusy = QStringLiteral("otro programa lo está guardando.");
// Why a value could not be written (after the face's lead-in: the editor's, the ports window's).
// The system's own text is the last placeholder; IniCreateFailed names the folder first.
inline const QString IniNoFileName = QStringLiteral("No se ha indicado ningún archivo.");
inline const QString IniNotRegularFile =
    QStringLiteral("No es un archivo normal (es una carpeta o un dispositivo); no se modifica.");
inline const QString IniTooLarge = QStringLiteral(
    "El archivo ocupa más de %1 bytes y no parece un archivo de configuración; no se modifica.");
inline const QString IniReadFailed =
    QStringLiteral("No se puede leer el archivo para conservar su contenido: %1");
inline const QString IniCreateFailed =
    QStringLiteral("No se puede crear el archivo en la carpeta %1: %2");
inline const QString IniChangedMeanwhile =
    QStringLiteral("Otro programa ha guardado otro valor desde que se leyó; no se ha modificado.");
inline const QString IniNotWritable =
    QStringLiteral("No se puede escribir el archivo (%1); no se ha modificado.");
inline const QString IniWriteFailed =
    QStringLiteral("No se puede escribir el archivo (el anterior queda intacto): %1");
// The file was written over in place (its folder takes no new files) and could not be put back.
inline const QString IniWriteFailedInPlace = QStringLiteral(
    "No se puede escribir el archivo, y como su carpeta no admite archivos nuevos se escribía "
    "directamente sobre él: su contenido anterior puede haberse perdido. Resuelva el problema "
    "y vuelva a guardar: %1");
// The one name the store writes beside the file is taken by something it did not create.
inline const QString IniTempNotOurs = QStringLiteral(
    "Junto al archivo hay otro con el nombre que se usa para guardarlo, %1, y no lo ha creado "
    "este programa (es de otro usuario, un enlace o una carpeta). Por seguridad no se ha "
    "modificado nada: bórrelo y vuelva a guardar.");
inline const QString IniWouldBeTooLarge = QStringLiteral(
    "Con este texto el archivo ocuparía %1 bytes, más de los %2 que se pueden leer después; "
    "no se ha modificado. Acorte el texto y vuelva a intentarlo.");
// The lock that keeps two saves apart: %1 seconds waited, %2 the lock file.
inline const QString IniLockTimedOut = QStringLiteral(
    "Otro programa está guardando este mismo archivo y no ha terminado en %1 segundos (lo "
    "indica el archivo de bloqueo %2). No se ha modificado nada: vuelva a guardar dentro de un "
    "momento.");
inline const QString IniLockNotFile = QStringLiteral(
    "En el lugar del archivo de bloqueo %1 hay algo que no es un archivo normal (un enlace, una "
    "carpeta o una tubería) y no lo ha creado este programa. Por seguridad no se ha modificado "
    "nada: bórrelo y vuelva a guardar.");
inline const QString IniLockFailed =
    QStringLiteral("No se puede bloquear el archivo para guardarlo (%1): %2");
// Refusals to write a text that the file would not give back as written. %1: the characters,
// each as IniCharacter says it, joined by ", ".
inline const QString IniCharacter = QStringLiteral("«%1»");
inline const QString IniCharsNotStorable = QStringLiteral(
    "El archivo está en Latin-1, no en UTF-8, y no puede guardar estos caracteres: %1. "
    "No se ha modificado; quítelos del texto, o guarde el archivo como UTF-8 con un editor de "
    "texto, y vuelva a intentarlo.");
inline const QString IniValueNotKept = QStringLiteral(
    "El texto contiene caracteres no válidos y no se leería igual después de guardarlo; el "
    "archivo no se ha modificado. Quite esos caracteres y vuelva a intentarlo.");

// Why the file could not be read, or written, after the face's own lead-in.
QString whyUnreadable(const StoreResult &failure);
QString whyNotSaved(const StoreResult &failure);
// CommandListUnreadable, with the file and why.
QString commandListUnreadable(const StoreResult &failure);
// PortAssignmentUnreadable, with the port, the file and why.
QString portAssignmentUnreadable(int port, const StoreResult &failure);

} // namespace StoreTexts
