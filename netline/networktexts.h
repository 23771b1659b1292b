// SPDX-License-Identifier: GPL-3.0-or-later
// What the operator reads about modems reached over the network: malformed addresses, failures
// of the connection (in the style of the serial port's messages, %1 the port as
// SerialTexts::portName() names it with the address) and the transcript's events.
#pragma once

#include <QString>

namespace NetworkTexts {

// A malformed network address; %1 is the address as given.
inline const QString AddressNoHost = QStringLiteral(
    "La dirección \"%1\" no es válida: falta el servidor (p. ej. rfc2217://192.168.1.20:7000).");
inline const QString AddressNoPort =
    QStringLiteral("La dirección \"%1\" no es válida: falta el puerto TCP detrás de \":\" (p. ej. "
                   "socket://servidor:7000).");
inline const QString AddressBadPort = QStringLiteral(
    "La dirección \"%1\" no es válida: el puerto TCP debe ser un número de 1 a 65535 (se ha dado "
    "\"%2\").");
inline const QString AddressBadHost = QStringLiteral(
    "La dirección \"%1\" no es válida: \"%2\" no es un nombre de servidor ni una dirección IP.");
inline const QString AddressBadIpv6 = QStringLiteral(
    "La dirección \"%1\" no es válida: una dirección IPv6 va entre corchetes, p. ej. "
    "rfc2217://[fd00::20]:7000.");
// A server named in a form this program does not know (telnet://HOST:PORT, HOST:PORT); %2 is
// HOST:PORT as given.
inline const QString AddressUnsupported = QStringLiteral(
    "\"%1\" no es un dispositivo ni una dirección que Tavoli conozca. Un modem en un servidor de "
    "terminales se indica con rfc2217://%2 (Telnet con control del puerto serie, RFC 2217) o con "
    "socket://%2 (TCP sin más).");

// Failures of the connection, reported once and with the port closed.
inline const QString NetHostNotFound = QStringLiteral(
    "No se puede abrir el puerto %1: no se encuentra el servidor \"%2\" (el nombre no se "
    "resuelve). Revise la dirección.");
inline const QString NetRefused = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor rechaza la conexión (no hay ningún servicio "
    "en ese puerto TCP).");
inline const QString NetNoAnswer = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor no ha contestado a la conexión en %2 "
    "segundos.");
inline const QString NetComPortRefused = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor no acepta el control del puerto serie por "
    "red (RFC 2217). Use una dirección socket:// si el servidor es un puerto TCP sin más.");
// %2 is what the server said, as it said it (ser2net: "Port already in use", "Device open
// failure: ...").
inline const QString NetTurnedAway = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor ha cerrado la conexión nada más aceptarla y "
    "dice: \"%2\".");
// %2 is NotTelnetData or NotTelnetSilent, %3 the same server as a socket:// address.
inline const QString NetNotTelnet = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor acepta la conexión, pero no habla Telnet ni "
    "RFC 2217 (%2). Si es un puerto TCP sin más, use la dirección %3.");
inline const QString NotTelnetData = QStringLiteral("envía datos que no son Telnet");
// %1: the seconds waited.
inline const QString NotTelnetSilent =
    QStringLiteral("no ha contestado en %1 segundos a la negociación Telnet");
// The server's receive window stays shut: it has stopped reading what it is sent.
inline const QString NetStalledEarly = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor no recibe lo que se le envía (ha dejado de "
    "leer la conexión).");
inline const QString NetStalled = QStringLiteral(
    "Se ha perdido la comunicación con el puerto %1: el servidor ha dejado de recibir lo que se "
    "le envía (no lee la conexión).\nLa operación ha fracasado");
inline const QString NetDroppedEarly = QStringLiteral(
    "No se puede abrir el puerto %1: el servidor ha cerrado la conexión antes de estar "
    "lista.");
inline const QString NetOpenFailed = QStringLiteral("No se puede abrir el puerto %1: %2");
inline const QString NetNotNetwork =
    QStringLiteral("El puerto %1 no es una dirección de red rfc2217:// ni socket://.");
inline const QString NetLost = QStringLiteral(
    "Se ha perdido la comunicación con el puerto %1: el servidor ha cerrado la conexión o "
    "ha dejado de responder.\nLa operación ha fracasado");

// Events of the transcript.
inline const QString NoteConnecting = QStringLiteral("Conectando con %1, puerto TCP %2");
inline const QString NoteConnected = QStringLiteral("Conectado con %1 (%2)");
inline const QString NoteRawReady =
    QStringLiteral("Conexión TCP sin más: los ajustes de la línea son los del servidor");
// %1 the option's name, %2 who uses it (NoteServerSide or NoteOurSide).
inline const QString NoteOptionAccepted = QStringLiteral("Telnet: %1 aceptada para %2");
inline const QString NoteOptionRefused = QStringLiteral("Telnet: %1 rechazada para %2");
inline const QString NoteServerSide = QStringLiteral("el servidor");
inline const QString NoteOurSide = QStringLiteral("Tavoli");
inline const QString NoteUnknownOption = QStringLiteral("opción %1");
inline const QString NoteSettingsAsked =
    QStringLiteral("Pedido al servidor: %1 baudios, %2 bits de datos, paridad %3, %4 de parada, "
                   "DTR y RTS activos, sin control de flujo, buffers vaciados");
inline const QString NoteServerSpeed = QStringLiteral("El servidor fija la velocidad en %1");
inline const QString NoteServerSignature = QStringLiteral("Servidor: %1");
// What the server said before the line was ready (not the modem's: nothing had been sent).
inline const QString NoteServerSaid = QStringLiteral("El servidor dice: %1");
inline const QString NoteModemState = QStringLiteral("Señales del modem: CTS %1, DSR %2");
inline const QString NoteParityNone = QStringLiteral("ninguna");
inline const QString NoteOn = QStringLiteral("sí");
inline const QString NoteOff = QStringLiteral("no");
inline const QString NoteClosed = QStringLiteral("Conexión cerrada");

} // namespace NetworkTexts
