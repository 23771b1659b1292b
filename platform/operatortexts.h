// SPDX-License-Identifier: GPL-3.0-or-later
// What the operator reads: window titles, status texts, read-back markers and messages.
// Captions of controls live in the forms; everything the code itself shows is here.
#pragma once

#include <QString>

namespace OperatorTexts {

// Window and message-box titles.
inline const QString AppTitle = QStringLiteral("Tavoli");
inline const QString MainWindowCaption = QStringLiteral("Configuración de Modems");
inline const QString EditorCaption = QStringLiteral("Comandos");

// Status texts for `info`. A doubled "&&" in a label caption shows as one "&".
inline const QString InfoInitialising = QStringLiteral("inicializando...");
inline const QString InfoSendingFactory = QStringLiteral("Enviando AT&&F");
inline const QString InfoSendingStore = QStringLiteral("Enviando AT&&W");
inline const QString InfoIdentifying = QStringLiteral("Identificando el modem...");

// The identification window.
inline const QString IdentifyCaption = QStringLiteral("Identificación del modem");
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
inline const QString InfoSendingPrefix = QStringLiteral("Enviando: ");
inline const QString InfoSendingQuiet = QStringLiteral("Enviando: \"ATQ1\"");
inline const QString InfoResetting = QStringLiteral("Enviando: \"ATZ\"");

// Read-back markers for `answ2`: a speed code with no name, no reply to the speed query.
inline const QString SpeedOutOfRange = QStringLiteral("++++");
inline const QString SpeedNoReply = QStringLiteral("XXXX");

// Messages of the dialogues.
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
inline const QString EmptyCommandList =
    QStringLiteral("La lista de comandos está vacía: no hay ningún comando que enviar al modem.\n"
                   "Añada comandos con el botón \"AT...\" y vuelva a configurar.");
inline const QString CommandListTooLong = QStringLiteral(
    "La lista de comandos tiene %1 comandos y se admiten como máximo %2: no se ha enviado "
    "ninguno.\nAcórtela con el botón \"AT...\" y vuelva a configurar.");
// The INI file is there but could not be read: %1 the file, %2 why (IniRead*).
inline const QString CommandListUnreadable =
    QStringLiteral("No se ha podido leer la lista de comandos de %1: %2");
inline const QString NothingSent = QStringLiteral("No se ha enviado ningún comando al modem.");
inline const QString EditorListUnreadable = QStringLiteral(
    "La ventana no muestra la lista guardada, y no guardará nada sobre ese archivo.");
inline const QString EditorWillNotSave = QStringLiteral(
    "No se ha guardado nada: el archivo no se pudo leer al abrir esta ventana y guardar lo "
    "sobrescribiría. Corrija el archivo y vuelva a abrir la ventana, o cancele.");
inline const QString IniReadNotFile =
    QStringLiteral("es una carpeta o un dispositivo, no un archivo.");
inline const QString IniReadTooLarge =
    QStringLiteral("ocupa más de %1 bytes y no parece un archivo de configuración.");
inline const QString IniReadError = QStringLiteral("no se puede leer (%1).");
inline const QString IniReadLocked =
    QStringLiteral("otro programa lo está guardando y no ha terminado en %1 segundos.");
// Refused before the port is opened, and again where the list is read.
inline const QString RingCountInvalid =
    QStringLiteral("El número de rings debe ser un número entero de 0 a 99.\n"
                   "Corríjalo en la casilla \"Número de rings\" y vuelva a pulsar \"Configurar\".");

// The window started where there is no graphical session.
inline const QString NoGraphicalSession = QStringLiteral(
    "No hay sesión gráfica (ni DISPLAY ni WAYLAND_DISPLAY utilizables): la ventana no puede "
    "abrirse. La línea de órdenes funciona sin ella: tavoli --help.");

// The command line: `tavoli ORDEN --device RUTA ...` (CommandLine, CommandRun).
inline const QString CliDescription = QStringLiteral(
    "Prepara modems compatibles Hayes en puertos serie para que contesten solos las llamadas.\n"
    "Sin argumentos (o solo con --log ARCHIVO) abre la ventana. Con una orden trabaja sin\n"
    "ventana, con uno o varios modems a la vez, y dice en una línea por dispositivo qué ha "
    "pasado.");
inline const QString CliCommandArgument = QStringLiteral("orden");
inline const QString CliCommandHelp = QStringLiteral(
    "query (preguntar al modem), configure (configurar), unconfigure (desconfigurar) o "
    "identify (identificar el modem).");
inline const QString CliDeviceHelp = QStringLiteral(
    "Dispositivo del modem, p. ej. /dev/ttyUSB0, o un modem en un servidor de terminales: "
    "rfc2217://SERVIDOR:PUERTO (Telnet con control del puerto serie) o socket://SERVIDOR:PUERTO "
    "(TCP sin más; IPv6 entre corchetes). Repítalo para trabajar con varios modems a la vez.");
inline const QString CliDeviceValue = QStringLiteral("RUTA");
inline const QString CliPortHelp = QStringLiteral(
    "Puerto 1 a 4 en lugar de --device: el dispositivo que la ventana usa para ese puerto "
    "(TAVOLI_COM<n>, lo asignado en el archivo INI o /dev/ttyS<n-1>), que puede ser una "
    "dirección rfc2217:// o socket://. Repetible.");
inline const QString CliSpeedHelp =
    QStringLiteral("Velocidad: 9600, 4800, 2400 o 1200 (por omisión, 9600).");
inline const QString CliSpeedValue = QStringLiteral("BAUDIOS");
inline const QString CliParityHelp =
    QStringLiteral("Paridad: none, odd o even (por omisión, odd).");
inline const QString CliParityValue = QStringLiteral("PARIDAD");
inline const QString CliStopBitsHelp = QStringLiteral("Bits de parada: 1 o 2 (por omisión, 1).");
inline const QString CliNumberValue = QStringLiteral("N");
inline const QString CliRingsHelp =
    QStringLiteral("configure: número de rings tras los que el modem contesta, de 0 a 99 "
                   "(necesario si la lista lleva S0=#).");
inline const QString CliListHelp = QStringLiteral(
    "configure: lista de comandos (sin \"AT\", separados por \";\") en lugar de la guardada en "
    "el archivo INI de la carpeta actual.");
inline const QString CliListValue = QStringLiteral("LISTA");
inline const QString CliVerifyHelp = QStringLiteral(
    "configure: después de guardar el perfil, lee S0 y S37, los compara con lo pedido y "
    "devuelve el modem a su perfil guardado (ATZ).");
inline const QString CliHelpHelp = QStringLiteral("Muestra esta ayuda.");
inline const QString CliJsonHelp =
    QStringLiteral("Un objeto JSON por dispositivo y línea en lugar del texto.");
inline const QString CliLogHelp = QStringLiteral(
    "Añade al ARCHIVO el registro de la línea: lo enviado, lo recibido y lo ocurrido (con una "
    "orden, cada línea empieza por su dispositivo).");
inline const QString CliHelpTail = QStringLiteral(
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
    "      terminales: no se encuentra, rechaza la conexión, no contesta en 5 s, está\n"
    "      en uso, no acepta RFC 2217 o corta la conexión)\n"
    "  64  la línea de órdenes no es válida\n"
    "Con varios dispositivos, el estado más alto de todos.\n"
    "Interrumpido por una señal (SIGINT, SIGTERM, SIGHUP), termina los diálogos en curso,\n"
    "cierra sus puertos, dice de cada dispositivo sin terminar que se ha interrumpido y sale\n"
    "con 128 más el número de la señal (130 con Ctrl+C, 143 con SIGTERM, 129 con SIGHUP). Si\n"
    "nadie lee ya la salida estándar, hace lo mismo y sale con 141.\n"
    "\n"
    "Ejemplos:\n"
    "  tavoli configure --device /dev/ttyUSB0 --device /dev/ttyUSB1 --rings 2 --verify\n"
    "\n"
    "  tavoli query --port 1 --speed 2400 --parity none --json\n"
    "\n"
    "  tavoli identify --device rfc2217://192.168.1.20:7000   (modem detrás de ser2net)\n");
// Usage errors: each is followed by CliSeeHelp.
inline const QString CliSeeHelp = QStringLiteral("Pruebe \"tavoli --help\" para ver cómo se usa.");
inline const QString CliNoCommand =
    QStringLiteral("Falta la orden: query, configure, unconfigure, identify o check.");
inline const QString CliUnknownCommand = QStringLiteral(
    "Orden desconocida: \"%1\". Las órdenes son query, configure, unconfigure, identify y check.");
inline const QString CliExtraArgument =
    QStringLiteral("Sobra \"%1\": se espera una sola orden, y cada valor detrás de su opción.");
inline const QString CliNoDevice =
    QStringLiteral("Falta el dispositivo: indique al menos un --device RUTA o un --port N.");
inline const QString CliRepeated =
    QStringLiteral("--%1 aparece más de una vez: indíquelo una sola vez.");
inline const QString CliOnlyConfigure = QStringLiteral("--%1 solo vale con la orden configure.");
inline const QString CliBadPort =
    QStringLiteral("--port debe ser un número de 1 a 4 (se ha dado \"%1\").");
inline const QString CliBadSpeed =
    QStringLiteral("--speed debe ser 9600, 4800, 2400 o 1200 (se ha dado \"%1\").");
inline const QString CliBadParity =
    QStringLiteral("--parity debe ser none, odd o even (se ha dado \"%1\").");
inline const QString CliBadStopBits =
    QStringLiteral("--stop-bits debe ser 1 o 2 (se ha dado \"%1\").");
inline const QString CliNoRings =
    QStringLiteral("configure necesita --rings N, porque la lista lleva S0=#: el número de "
                   "rings, de 0 a 99.");
inline const QString CliBadRings =
    QStringLiteral("--rings debe ser un número entero de 0 a 99 (se ha dado \"%1\").");
inline const QString CliSameDevice =
    QStringLiteral("\"%1\" y \"%2\" son el mismo dispositivo (%3): nómbrelo una sola vez.");
// Results, one line per device: "%1: %2" with the device and what happened.
inline const QString CliResultLine = QStringLiteral("%1: %2");
// A query, with the captions of the window's read-back labels; %1 rings, %2 speed.
inline const QString CliQueryResult = QStringLiteral("Número de rings: %1, Fijado a Bauds: %2");
inline const QString CliVerified =
    QStringLiteral("Modem configurado con éxito y comprobado: S0=%1, S37=%2");
inline const QString CliVerifyMismatch = QStringLiteral(
    "La comprobación ha fallado: el modem ha guardado S0=%1 y S37=%2, y se pidió S0=%3 y "
    "S37=%4. Revise la lista de comandos y vuelva a configurar.");
inline const QString CliVerifyNoSpeed =
    QStringLiteral("La comprobación ha fallado: el modem no ha contestado a ATS37? (velocidad).");
inline const QString CliIdentified = QStringLiteral("Modem identificado: %1");
inline const QString CliNotAsked = QStringLiteral("(sin pedir)");
inline const QString CliProgress = QStringLiteral("%1 de %2 terminados");
// %1 the signal's name (SIGINT, SIGTERM...).
inline const QString CliInterrupted =
    QStringLiteral("Interrumpido por %1 antes de terminar: se ha cerrado el puerto. El modem puede "
                   "haber quedado a medio preparar; vuelva a lanzar la orden.");
inline const QString CliOutputGone =
    QStringLiteral("La salida estándar se ha cerrado (nadie lee ya los resultados): se "
                   "interrumpen los dispositivos que quedaban.");

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
inline const QString PortLost = QStringLiteral(
    "Se ha perdido la comunicación con el puerto %1: el dispositivo se ha desconectado "
    "o ha dejado de responder.\nLa operación ha fracasado");

// Which device each port uses and why (the port options' tooltips, the ports window).
inline const QString PortUses = QStringLiteral("%1 (%2)"); // device, one of the three below
inline const QString PortSourceVariable = QStringLiteral("variable %1");
inline const QString PortSourceIni = QStringLiteral("asignado en %1");
inline const QString PortSourceDefault = QStringLiteral("predeterminado");
inline const QString PortNumberInvalid =
    QStringLiteral("El puerto %1 no existe: los puertos van del 1 al 4.");
// %1 port number, %2 the INI file, %3 the reason.
inline const QString PortAssignFailed =
    QStringLiteral("No se ha podido guardar el dispositivo del puerto %1 en %2:\n%3");

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
inline const QString PortsPciCard = QStringLiteral("tarjeta PCI %1:%2");
inline const QString PortsNothingSelected = QStringLiteral(
    "No hay ningún dispositivo seleccionado: seleccione una fila de la lista y vuelva a pulsar "
    "\"Asignar al puerto\".");
inline const QString PortsAddNotAbsolute = QStringLiteral(
    "\"%1\" no es una ruta completa: escriba la ruta del dispositivo desde /, p. ej. /dev/pts/3.");
inline const QString PortsAddMissing = QStringLiteral(
    "No existe %1: compruebe la ruta (un pseudoterminal desaparece cuando se cierra su programa).");
inline const QString PortsAddNotDevice =
    QStringLiteral("%1 no es un dispositivo de caracteres: escriba la ruta de un puerto serie.");

// Saving the command list; %1 is the file, %2 the reason.
inline const QString SaveFailed =
    QStringLiteral("No se ha podido guardar la lista de comandos en %1:\n%2");

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
// The search for programs that have the device (%1) open could not look at %2 processes of
// other users: a program of theirs may hold it unseen.
inline const QString TranscriptHoldersPartial = QStringLiteral(
    "Comprobación parcial de los programas que tienen abierto %1: procesos de otros usuarios "
    "sin examinar: %2");
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

// A lost port whose layer gave no description of its own.
inline const QString PortLostUnnamed = QStringLiteral(
    "Se ha perdido la comunicación con el puerto serie: el dispositivo se ha desconectado o ha "
    "dejado de responder.\nLa operación ha fracasado");

// Reasons the INI store gives when a value cannot be written (shown after SaveFailed).
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
// Refusals to write a text that the file would not give back as written.
inline const QString IniCharsNotStorable = QStringLiteral(
    "El archivo está en Latin-1, no en UTF-8, y no puede guardar estos caracteres: %1. "
    "No se ha modificado; quítelos del texto, o guarde el archivo como UTF-8 con un editor de "
    "texto, y vuelva a intentarlo.");
inline const QString IniValueNotKept = QStringLiteral(
    "El texto contiene caracteres no válidos y no se leería igual después de guardarlo; el "
    "archivo no se ha modificado. Quite esos caracteres y vuelva a intentarlo.");

} // namespace OperatorTexts
