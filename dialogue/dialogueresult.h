// SPDX-License-Identifier: GPL-3.0-or-later
// How one dialogue ended, as a value: what happened and the numbers, commands and the line's own
// description concerned. Each face words it its own way (the window's box, the command line's
// line and JSON); nobody needs to read a text to know what happened.
#pragma once

#include "commandlistresult.h"
#include "dialoguestate.h"
#include "identification.h"
#include "outcome.h"

#include <QString>

#include <optional>

struct DialogueResult
{
    enum class Kind : quint8 {
        Success,         // the dialogue ran to its end
        ModemRefused,    // `command` got a refusal
        NoReply,         // `command` went unanswered
        SpeedUnknown,    // the query read the ring count but the speed inquiry went unanswered
        NoSignal,        // the port opened without CTS or DSR: no modem on it
        PortUnavailable, // the port, or the terminal server, could not be used: `description`
        PortHeld,        // another program has the port: `holder`
        PortLost,        // the port or the connection went away during the dialogue
        ListRefused,     // the list could not be sent: `listProblem`; no entry went out
        Stopped,         // stopped by its face before it ended (at `command`, if any)
    };
    // Why a register has no value, or has one outside what the program knows.
    // OutOfRange keeps the value read; NoNumber: the reply's line had no digits.
    enum class Reason : quint8 { None, NoReply, OutOfRange, NotRead, NoNumber };

    Dialogue::State first = Dialogue::Idle; // which dialogue: the state it began in
    Kind kind = Kind::Success;
    QString command;             // the command a refusal, a silence or a stop concerns
    std::optional<qint16> rings; // S0 as a query read it; with OutOfRange, past 0 to 255
    Reason ringsReason = Reason::NotRead;
    std::optional<qint16> s37; // S37 as a query read it; with OutOfRange, past 0 to 9
    Reason s37Reason = Reason::NotRead;
    // The line's own kind of failure (a terminal server's: unresolved, refused...) and its own
    // description of it (the serial port's or the network line's words, or the system's).
    Outcome::Fault lineFault = Outcome::Fault::None;
    QString description;
    QString holder; // PortHeld: the program(s) or the other machine
    CommandListResult::Problem listProblem = CommandListResult::Problem::None;
    Identification identification; // what the modem said about itself (identification)

    bool ok() const { return kind == Kind::Success; }
};
