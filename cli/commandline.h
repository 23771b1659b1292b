// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: `tavoli query|configure|unconfigure|identify --device RUTA ...` runs the
// window's dialogues without a window, on one or many modems at once; `tavoli check` is the
// query as a monitoring check. Without arguments (or with only the window's own --log) the
// window starts instead.
#pragma once

#include "deviceaddress.h"
#include "dialoguestate.h"
#include "linesettings.h"
#include "storeresult.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace CommandLine {

constexpr int ExitUsage = 64;    // sysexits' EX_USAGE
constexpr int ExitOutputIo = 74; // sysexits' EX_IOERR: the results could not be written

enum class Action { Query, Configure, Unconfigure, Identify, Check };

struct Target
{
    QString device; // the path opened
    int port = 0;   // 1 to 4 when named by --port (messages then name the port); 0 for --device
    DeviceAddress address; // the device, parsed where it was named
    // A port whose device the INI file could not tell (the file is there and cannot be read):
    // why. Its job fails at once, opening nothing; `device` then only names the port.
    StoreResult unread;
};

struct Request
{
    Action action = Action::Query;
    QList<Target> targets;
    LineSettings settings; // --speed, --stop-bits
    Parity parity = Parity::Odd;
    QString rings; // configure, check: 0 to 99 as RingCountValid takes it; null when not given
    bool speedAsked = false;     // --speed given (check: S37 is compared only then)
    std::optional<QString> list; // configure: --list, else the stored list
    bool verify = false;
    bool json = false;
    QString logPath; // empty: no log
};

struct Parsed
{
    enum class Kind { Run, Help, Version, UsageError };
    Kind kind = Kind::UsageError;
    Request request;
    QString text; // the help, the version or what is wrong (without the pointer to --help)
};

// Whether the arguments (program name first) ask for a command, --help or --version rather
// than the window: a word that is not the value of an option, or an option the window does not
// have. Qt's own single-dash options (-style fusion) and --log FILE leave the window as it was.
bool wantsCommand(const QStringList &arguments);

// Needs the application object (the help names the program; --port reads the port map).
// A usage error still names the command in `request.action` when its word was recognised.
Parsed parse(const QStringList &arguments);

QString actionName(Action action); // "query", ...
Dialogue::State firstState(Action action);

} // namespace CommandLine
