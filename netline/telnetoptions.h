// SPDX-License-Identifier: GPL-3.0-or-later
// Which Telnet options are on, and the replies that keep both ends agreed without a loop: an
// option is asked for once, a request already in force is not answered again, and an option this
// line does not want is refused once (DO -> WONT, WILL -> DONT); a server that insists is ignored.
// We offer BINARY, SUPPRESS-GO-AHEAD and, on an RFC 2217 line, COM-PORT-OPTION, and ask the
// server for BINARY and SUPPRESS-GO-AHEAD.
// Lives on its line's thread.
#pragma once

#include "telnetcodec.h"

#include <QByteArray>

#include <array>

class TelnetOptions
{
public:
    explicit TelnetOptions(bool comPort) : m_comPort(comPort) {}

    // What the client sends first.
    QByteArray start();
    // The reply to a negotiation event (empty when none is due); `changed` tells whether the
    // event settled an option either way (for the transcript).
    QByteArray handle(const Telnet::Event &event, bool *changed = nullptr);

    // Ours (WILL/DO from the server): enabled, or refused by the server after we asked.
    bool localEnabled(quint8 option) const { return m_local[option].enabled; }
    bool localRefused(quint8 option) const { return m_local[option].refused; }
    bool remoteEnabled(quint8 option) const { return m_remote[option].enabled; }
    bool remoteRefused(quint8 option) const { return m_remote[option].refused; }

private:
    struct Side
    {
        bool enabled = false;
        bool asked = false;   // our request is on its way
        bool refused = false; // the other end said no, or we refused it once
    };
    bool wantLocal(quint8 option) const;
    bool wantRemote(quint8 option) const;

    bool m_comPort;
    std::array<Side, 256> m_local{};
    std::array<Side, 256> m_remote{};
};
