// SPDX-License-Identifier: GPL-3.0-or-later
// What the operator reads about a dialogue, made from its facts: the status line's captions, the
// read-back of a query, the boxes' texts. Both faces say these: the window in its labels and
// boxes, the command line as its result lines.
#pragma once

#include "commandlistresult.h"
#include "dialogueresult.h"
#include "dialoguestate.h"

#include <QString>

#include <array>
#include <optional>

namespace DialogueTexts {

// The status line `info`. A doubled "&&" in a label caption shows as one "&".
inline const QString InfoInitialising = QStringLiteral("inicializando...");
inline const QString InfoSendingFactory = QStringLiteral("Enviando AT&&F");
inline const QString InfoSendingStore = QStringLiteral("Enviando AT&&W");
inline const QString InfoIdentifying = QStringLiteral("Identificando el modem...");
inline const QString InfoSendingPrefix = QStringLiteral("Enviando: ");

// The caption `info` takes as `state` is entered; null: it keeps what it shows.
QString infoOnEntering(Dialogue::State state);
// The caption of `info` while `command` is out: its "AT" added for a list entry, a "&" doubled
// so that the label shows it.
QString sendingCaption(const QString &command, bool listEntry = false);

// The query's read-back: the ring count in `answ1`, the speed's name in `answ2`.
inline const QString SpeedOutOfRange = QStringLiteral("++++"); // a code with no name
inline const QString SpeedNoReply = QStringLiteral("XXXX");    // the speed query went unanswered
// The names of the modem's S37 codes, indexed by the code.
inline const std::array<QString, 10> SpeedNames = {QStringLiteral("AUTO"),
                                                   QStringLiteral("300"),
                                                   QStringLiteral("300"),
                                                   QStringLiteral("300"),
                                                   QString(),
                                                   QStringLiteral("1200"),
                                                   QStringLiteral("2400"),
                                                   QStringLiteral("-V23-"),
                                                   QStringLiteral("4800"),
                                                   QStringLiteral("9600")};
QString ringsCaption(qint16 rings);
// The name of `code`, "++++" past the names, "XXXX" for no reply.
QString speedCaption(std::optional<qint16> code);

// How dialogues end.
inline const QString NoCtsDsr =
    QStringLiteral("No hay señal CTS/DRS en la línea: Modem desconectado o apagado");
inline const QString CommandErrorLead =
    QStringLiteral("El modem ha devuelto un código de error con el comando:  ");
inline const QString CommandErrorTail = QStringLiteral("La operación ha fracasado");
inline const QString ConfiguredOk = QStringLiteral("Modem configurado con éxito");
inline const QString UnconfiguredOk = QStringLiteral("Modem desconfigurado con éxito");
inline const QString NoReplyMessage = QStringLiteral("No hay respuesta: Puede ser que...\n"
                                                     "    .... no sea un modem\n"
                                                     "    .... esté averiado\n"
                                                     "    .... no sea compatible Hayes");
// A lost port whose line gave no description of its own.
inline const QString PortLostUnnamed = QStringLiteral(
    "Se ha perdido la comunicación con el puerto serie: el dispositivo se ha desconectado o ha "
    "dejado de responder.\nLa operación ha fracasado");

// How the window tells the end: with a box of this kind, its status line emptied or not.
enum class Box { None, Error, Information, Identification };
Box boxFor(const DialogueResult &result);
bool clearsInfo(const DialogueResult &result);
// The box's text, as the window shows it; empty where there is no box, and for a refused list,
// which the face that built it words (listRefusal).
QString message(const DialogueResult &result);

// Why a list cannot be sent. At the click nothing has gone out; at the list step the modem has
// had its two resets. `hint` is the face's own advice (where the list is changed), or empty.
enum class ListMoment { Click, ListStep };
inline const QString ListEmpty =
    QStringLiteral("La lista de comandos está vacía: no hay ningún comando que enviar al modem.");
inline const QString ListTooLong = QStringLiteral(
    "La lista de comandos tiene %1 comandos y se admiten como máximo %2: no se ha enviado "
    "ninguno.");
inline const QString RingCountInvalid =
    QStringLiteral("El número de rings debe ser un número entero de 0 a 99.");
inline const QString NothingSent = QStringLiteral("No se ha enviado ningún comando al modem.");
inline const QString ListChanged = QStringLiteral(
    "La lista de comandos ha cambiado mientras se configuraba el modem y ya no se puede enviar: "
    "el modem ha recibido dos veces AT&F0E0Q0V0 (ha vuelto a su perfil de fábrica), pero ningún "
    "comando de la lista.");
QString listRefusal(const CommandListResult &list, ListMoment moment, const QString &hint);

// The identification's own words.
inline const QString IdentifyRefused = QStringLiteral("(rechazado por el modem)");
// %1: the seconds waited, to the nearest.
inline const QString IdentifySilent = QStringLiteral("(sin respuesta en %1 s)");
// %1: the seconds the inquiries were given, all together.
inline const QString IdentifyStopped =
    QStringLiteral("(no se ha preguntado más: la identificación ya había durado %1 s)");
inline const QString IdentifyCut = QStringLiteral("(respuesta más larga: el resto no se guarda)");
inline const QString IdentifySuggestion = QStringLiteral(
    "Sugerencia: las respuestas apuntan a un chipset %1; pruebe la lista \"%1\" del editor de "
    "comandos (botón \"AT...\").");

} // namespace DialogueTexts
