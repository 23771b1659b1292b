// SPDX-License-Identifier: GPL-3.0-or-later
// The words of the line's transcript: its events and its log file's messages.
#pragma once

#include <QString>

namespace TranscriptTexts {

inline const QString TranscriptLogOpenFailed =
    QStringLiteral("No se puede abrir el archivo de registro %1 para añadirle líneas: %2\n"
                   "Indique con --log un archivo de una carpeta en la que se pueda escribir.");
inline const QString TranscriptLogNoReader =
    QStringLiteral("No se puede abrir el archivo de registro %1: es una tubería (FIFO) que nadie "
                   "está leyendo.\nArranque antes el programa que la lee, o indique con --log un "
                   "archivo normal.");
inline const QString TranscriptLogWriteFailed = QStringLiteral(
    "No se puede seguir escribiendo el archivo de registro %1: %2\n"
    "Lo que ocurra a partir de ahora solo queda en la ventana \"Registro de la línea\".");
inline const QString TranscriptLogStarted = QStringLiteral("Registro iniciado el %1");
inline const QString TranscriptPortOpened = QStringLiteral("Puerto abierto: %1, %2, paridad %3");
inline const QString TranscriptPortNotOpened =
    QStringLiteral("No se ha podido abrir el puerto %1 (%2)");
inline const QString TranscriptPortClosed = QStringLiteral("Puerto cerrado");
inline const QString TranscriptParityNone = QStringLiteral("ninguna");
inline const QString TranscriptParityOdd = QStringLiteral("impar (en el bit 7)");
inline const QString TranscriptParityEven = QStringLiteral("par (en el bit 7)");
inline const QString TranscriptTimerStep = QStringLiteral("Paso del temporizador");
inline const QString TranscriptInputDiscarded = QStringLiteral("Entrada sin leer descartada");
// %1: the bytes, as Transcript::visible shows them.
inline const QString TranscriptLateReply =
    QStringLiteral("Respuesta tardía descartada (no es la del comando siguiente): %1");
inline const QString TranscriptState = QStringLiteral("Estado %1: %2");
inline const QString TranscriptStateUnnamed = QStringLiteral("Estado %1");
inline const QString TranscriptStateNames[] = {
    QStringLiteral("sin diálogo"),
    QStringLiteral("preguntar, despertar el modem"),
    QStringLiteral("preguntar, comprobar el modo"),
    QStringLiteral("preguntar, número de rings"),
    QStringLiteral("preguntar, velocidad de la línea"),
    QStringLiteral("configurar, inicializar"),
    QStringLiteral("configurar, comprobar la inicialización"),
    QStringLiteral("configurar, lista de comandos"),
    QStringLiteral("configurar, códigos de resultado desactivados"),
    QStringLiteral("configurar, guardar el perfil"),
    QStringLiteral("desconfigurar, perfil de fábrica"),
    QStringLiteral("desconfigurar, pausa"),
    QStringLiteral("desconfigurar, guardar el perfil"),
    QStringLiteral("identificar, despertar el modem"),
    QStringLiteral("identificar, comprobar el modo"),
    QStringLiteral("identificar, preguntas al modem"),
    QStringLiteral("comprobar, volver al perfil guardado"),
};
inline const QString TranscriptErrorBox = QStringLiteral("Mensaje de error: %1");
inline const QString TranscriptInfoBox = QStringLiteral("Mensaje: %1");
inline const QString TranscriptBoxClosed = QStringLiteral("Mensaje cerrado por el operador");
inline const QString TranscriptIdentificationShown =
    QStringLiteral("Ventana de identificación del modem abierta");

} // namespace TranscriptTexts
