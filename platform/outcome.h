// SPDX-License-Identifier: GPL-3.0-or-later
// The one way this program's steps report failure: nothing on success, else what kind of failure
// it is and the text to show the operator, in Spanish. Callers decide by the kind, never by the
// text. [[nodiscard]]: a failure that nobody looks at is a bug.
#pragma once

#include <QString>

class [[nodiscard]] Outcome
{
public:
    // What a failure means to the one who asked; most callers only show the text.
    enum class Fault : quint8 {
        None,
        Failed,          // anything not told apart below
        PortUnavailable, // the port (or the terminal server) cannot be used: missing, refused...
        PortHeld,        // another program has it; `detail` names it when known
        NoSignal,        // opened, but neither CTS nor DSR: no modem on the line
        // A terminal server, told apart by the connection itself, never by its words:
        Unresolved,    // its name does not resolve
        Refused,       // nothing listens on its port
        NoAnswer,      // no connection (or no COM Port agreement) in time
        Dropped,       // it closed the connection (before it was ready, or during a dialogue)
        TurnedAway,    // it closed the connection at once with a notice of its own (another
                       // client has the port, its device would not open...): in the message
        OptionRefused, // it does not take the COM Port Control option (RFC 2217)
        NotTelnet,     // it accepted an rfc2217:// connection but does not speak Telnet
        Stalled,       // it stopped taking what is sent: its receive window stays shut
    };

    Outcome() = default; // success
    static Outcome success() { return Outcome(); }
    static Outcome failure(const QString &message) { return Outcome(Fault::Failed, message, {}); }
    static Outcome failure(Fault fault, const QString &message, const QString &detail = {})
    {
        return Outcome(fault, message, detail);
    }

    bool ok() const { return m_fault == Fault::None; }
    explicit operator bool() const { return ok(); }
    Fault fault() const { return m_fault; }
    // The text to show; empty on success.
    const QString &message() const { return m_message; }
    // PortHeld: the programs (or the other machine) holding the port, as the message names them.
    const QString &detail() const { return m_detail; }

private:
    Outcome(Fault fault, const QString &message, const QString &detail)
        : m_fault(fault), m_message(message), m_detail(detail)
    {}

    Fault m_fault = Fault::None;
    QString m_message;
    QString m_detail;
};
