// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line says in its own words: its help, its usage errors, its result lines and
// where its operator puts right a list that cannot be sent.
#pragma once

#include "commandlistresult.h"
#include "dialoguetexts.h"
#include "modemprotocol.h"

#include <QString>

#include <optional>

namespace CliTexts {

inline const QString Description = QStringLiteral(
    "Prepara modems compatibles Hayes en puertos serie para que contesten solos las llamadas.\n"
    "Sin argumentos (o solo con --log ARCHIVO) abre la ventana. Con una orden trabaja sin\n"
    "ventana, con uno o varios modems a la vez, y dice en una línea por dispositivo qué ha "
    "pasado.");
inline const QString CommandArgument = QStringLiteral("orden");
inline const QString CommandHelp = QStringLiteral(
    "query (preguntar al modem), configure (configurar), unconfigure (desconfigurar) o "
    "identify (identificar el modem).");
inline const QString DeviceHelp = QStringLiteral(
    "Dispositivo del modem, p. ej. /dev/ttyUSB0, o un modem en un servidor de terminales: "
    "rfc2217://SERVIDOR:PUERTO (Telnet con control del puerto serie) o socket://SERVIDOR:PUERTO "
    "(TCP sin más; IPv6 entre corchetes). Repítalo para trabajar con varios modems a la vez.");
inline const QString DeviceValue = QStringLiteral("RUTA");
inline const QString PortHelp = QStringLiteral(
    "Puerto 1 a 4 en lugar de --device: el dispositivo que la ventana usa para ese puerto "
    "(TAVOLI_COM<n>, lo asignado en el archivo INI o /dev/ttyS<n-1>), que puede ser una "
    "dirección rfc2217:// o socket://. Repetible.");
inline const QString SpeedHelp =
    QStringLiteral("Velocidad: 9600, 4800, 2400 o 1200 (por omisión, 9600).");
inline const QString SpeedValue = QStringLiteral("BAUDIOS");
inline const QString ParityHelp = QStringLiteral("Paridad: none, odd o even (por omisión, odd).");
inline const QString ParityValue = QStringLiteral("PARIDAD");
inline const QString StopBitsHelp = QStringLiteral("Bits de parada: 1 o 2 (por omisión, 1).");
inline const QString NumberValue = QStringLiteral("N");
inline const QString RingsHelp =
    QStringLiteral("configure: número de rings tras los que el modem contesta, de 0 a 99 "
                   "(necesario si la lista lleva S0=#).");
inline const QString ListHelp = QStringLiteral(
    "configure: lista de comandos (sin \"AT\", separados por \";\") en lugar de la guardada en "
    "el archivo INI de la carpeta actual.");
inline const QString ListValue = QStringLiteral("LISTA");
inline const QString VerifyHelp = QStringLiteral(
    "configure: después de guardar el perfil, lo carga (ATZ), lee S0 y S37, los compara con "
    "lo pedido y devuelve el modem a su perfil guardado (ATZ).");
inline const QString HelpHelp = QStringLiteral("Muestra esta ayuda.");
inline const QString JsonHelp =
    QStringLiteral("Un objeto JSON por dispositivo y línea en lugar del texto.");
inline const QString LogHelp = QStringLiteral(
    "Añade al ARCHIVO el registro de la línea: lo enviado, lo recibido y lo ocurrido (con una "
    "orden, cada línea empieza por su dispositivo).");
inline const QString HelpTail = QStringLiteral(
    "Salida: una línea por dispositivo en la salida estándar, en el orden en que terminan. El\n"
    "progreso (qué comando va por cada dispositivo) sale por la salida de errores, solo si es\n"
    "un terminal.\n"
    "\n"
    "Estado de salida:\n"
    "  0   todos los dispositivos lo han hecho bien\n"
    "  1   un modem ha rechazado un comando, la lista de comandos está vacía o la\n"
    "      comprobación (--verify) no coincide\n"
    "  2   un modem no ha contestado\n"
    "  3   un dispositivo no se ha podido abrir o se ha perdido (con un servidor de\n"
    "      terminales: no se encuentra, rechaza la conexión, no contesta en 5 s, la\n"
    "      cierra con un aviso suyo, que se muestra (en uso, no abre su dispositivo...),\n"
    "      no habla Telnet o no acepta RFC 2217, deja de leer o corta la conexión)\n"
    "  64  la línea de órdenes no es válida\n"
    "Con varios dispositivos, el estado más alto de todos.\n"
    "Interrumpido por una señal (SIGINT, SIGTERM, SIGHUP), termina los diálogos en curso,\n"
    "cierra sus puertos, dice de cada dispositivo sin terminar que se ha interrumpido y sale\n"
    "con 128 más el número de la señal (130 con Ctrl+C, 143 con SIGTERM, 129 con SIGHUP). Si\n"
    "nadie lee ya la salida estándar, hace lo mismo y sale con 141 (con 74 si no se puede\n"
    "escribir en ella por otra causa, como un disco lleno).\n"
    "\n"
    "Ejemplos:\n"
    "  tavoli configure --device /dev/ttyUSB0 --device /dev/ttyUSB1 --rings 2 --verify\n"
    "\n"
    "  tavoli query --port 1 --speed 2400 --parity none --json\n"
    "\n"
    "  tavoli identify --device rfc2217://192.168.1.20:7000   (modem detrás de ser2net)\n");
// Usage errors: each is followed by CliSeeHelp.
inline const QString SeeHelp = QStringLiteral("Pruebe \"tavoli --help\" para ver cómo se usa.");
inline const QString NoCommand =
    QStringLiteral("Falta la orden: query, configure, unconfigure, identify o check.");
inline const QString UnknownCommand = QStringLiteral(
    "Orden desconocida: \"%1\". Las órdenes son query, configure, unconfigure, identify y check.");
inline const QString ExtraArgument =
    QStringLiteral("Sobra \"%1\": se espera una sola orden, y cada valor detrás de su opción.");
inline const QString NoDevice =
    QStringLiteral("Falta el dispositivo: indique al menos un --device RUTA o un --port N.");
// What Qt's parser refuses (OptionErrors): %1 the options as written, joined by ", ".
inline const QString UnknownOption = QStringLiteral("Opción desconocida: %1.");
inline const QString UnknownOptions = QStringLiteral("Opciones desconocidas: %1.");
// %1 the option, %2 its value's name in the help.
inline const QString MissingValue = QStringLiteral("Falta el valor de %1: se escribe %1 %2.");
inline const QString UnexpectedValue =
    QStringLiteral("%1 no lleva valor: quite el \"=\" y lo que le sigue.");
// When the parser refused something the above do not name.
inline const QString OptionsInvalid = QStringLiteral("Las opciones no son válidas.");
inline const QString Repeated =
    QStringLiteral("--%1 aparece más de una vez: indíquelo una sola vez.");
inline const QString OnlyConfigure = QStringLiteral("--%1 solo vale con la orden configure.");
// What names a --port whose device the INI file could not tell, in place of the device.
inline const QString UnreadPort = QStringLiteral("puerto %1");
inline const QString BadPort =
    QStringLiteral("--port debe ser un número de 1 a 4 (se ha dado \"%1\").");
inline const QString BadSpeed =
    QStringLiteral("--speed debe ser 9600, 4800, 2400 o 1200 (se ha dado \"%1\").");
inline const QString BadParity =
    QStringLiteral("--parity debe ser none, odd o even (se ha dado \"%1\").");
inline const QString BadStopBits =
    QStringLiteral("--stop-bits debe ser 1 o 2 (se ha dado \"%1\").");
inline const QString NoRings =
    QStringLiteral("configure necesita --rings N, porque la lista lleva S0=#: el número de "
                   "rings, de 0 a 99.");
inline const QString BadRings =
    QStringLiteral("--rings debe ser un número entero de 0 a 99 (se ha dado \"%1\").");
inline const QString SameDevice =
    QStringLiteral("\"%1\" y \"%2\" son el mismo dispositivo (%3): nómbrelo una sola vez.");
// Results, one line per device: "%1: %2" with the device and what happened.
inline const QString ResultLine = QStringLiteral("%1: %2");
// A query, with the captions of the window's read-back labels; %1 rings, %2 speed.
inline const QString QueryResult = QStringLiteral("Número de rings: %1, Fijado a Bauds: %2");
inline const QString Verified =
    QStringLiteral("Modem configurado con éxito y comprobado: S0=%1, S37=%2");
inline const QString VerifyMismatch = QStringLiteral(
    "La comprobación ha fallado: el modem ha guardado S0=%1 y S37=%2, y se pidió S0=%3 y "
    "S37=%4. Revise la lista de comandos y vuelva a configurar.");
inline const QString VerifyNoSpeed =
    QStringLiteral("La comprobación ha fallado: el modem no ha contestado a ATS37? (velocidad).");
inline const QString Identified = QStringLiteral("Modem identificado: %1");
inline const QString NotAsked = QStringLiteral("(sin pedir)");
inline const QString Unanswered = QStringLiteral("sin respuesta");
inline const QString Progress = QStringLiteral("%1 de %2 terminados");
// %1 the signal's name (SIGINT, SIGTERM...).
inline const QString Interrupted =
    QStringLiteral("Interrumpido por %1 antes de terminar: se ha cerrado el puerto. El modem puede "
                   "haber quedado a medio preparar; vuelva a lanzar la orden.");
inline const QString OutputFailed =
    QStringLiteral("No se pueden escribir los resultados en la salida estándar (%1): se "
                   "interrumpen los dispositivos que quedaban.");
inline const QString OutputGone =
    QStringLiteral("La salida estándar se ha cerrado (nadie lee ya los resultados): se "
                   "interrumpen los dispositivos que quedaban.");

inline const QString LogValue = QStringLiteral("ARCHIVO");
// The speed a query read, for QueryResult: the window's name of the S37 code, or what it is.
inline const QString SpeedUnnamed = QStringLiteral("código S37 %1, sin nombre");
inline const QString SpeedUnanswered = QStringLiteral("sin respuesta a ATS37?");
// A reply line without digits where the value should be (%1: the query).
inline const QString NoNumberIn = QStringLiteral("sin número en la respuesta a %1");
inline QString speedRead(std::optional<qint16> code, bool noNumber = false)
{
    if (!code)
        return noNumber ? NoNumberIn.arg(ModemProtocol::CmdQuerySpeed) : SpeedUnanswered;
    const QString name = DialogueTexts::speedCaption(code);
    return *code < 0 || *code > ModemProtocol::HighestS37 || name.isEmpty()
               ? SpeedUnnamed.arg(*code)
               : name;
}
// Where the list of a configuration is put right: the command line has no "AT..." button.
inline const QString ListEmptyHint = QStringLiteral(
    "Indique los comandos con --list o en la clave CmdAT del archivo INI y vuelva a lanzar la "
    "orden.");
inline const QString ListTooLongHint = QStringLiteral(
    "Acórtela (--list o la clave CmdAT del archivo INI) y vuelva a lanzar la orden.");
inline QString listHint(CommandListResult::Problem problem)
{
    using Problem = CommandListResult::Problem;
    switch (problem) {
    case Problem::Empty:
        return ListEmptyHint;
    case Problem::TooLong:
        return ListTooLongHint;
    default:
        return QString();
    }
}

} // namespace CliTexts
