// SPDX-License-Identifier: GPL-3.0-or-later
// How one dialogue ended, as a value: the window has shown its box by then, the command line
// makes its line, JSON and exit status from it. Nobody needs to read the box's words to know.
#pragma once

#include "commandlistresult.h"
#include "dialoguestate.h"

#include <QString>

#include <optional>

struct DialogueResult
{
    enum class Kind : quint8 {
        Success,         // the dialogue ran to its end (a query may still lack the speed)
        ModemRefused,    // `command` got a refusal
        NoReply,         // `command` went unanswered
        SpeedUnknown,    // the query read the ring count but the speed inquiry went unanswered
        NoSignal,        // the port opened without CTS or DSR: no modem on it
        PortUnavailable, // the port, or the terminal server, could not be used
        PortHeld,        // another program has the port: `holder`
        PortLost,        // the port or the connection went away during the dialogue
        ListRefused,     // the stored list could not be sent: `listProblem`; nothing went out
    };

    Dialogue::State first = Dialogue::Idle; // which dialogue: the state it began in
    Kind kind = Kind::Success;
    QString command;             // the command a refusal or a silence concerns
    std::optional<qint16> rings; // S0 as read by a query
    std::optional<qint16> s37;   // S37 as read by a query
    QString holder;              // PortHeld: the program(s) or the other machine
    CommandListResult::Problem listProblem = CommandListResult::Problem::None;
    QString message; // what the operator was told (the box); empty on success

    bool ok() const { return kind == Kind::Success; }
};
