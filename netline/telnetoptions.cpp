// SPDX-License-Identifier: GPL-3.0-or-later
#include "telnetoptions.h"

using namespace Telnet;

bool TelnetOptions::wantLocal(quint8 option) const
{
    return option == OptBinary || option == OptSuppressGoAhead
           || (m_comPort && option == OptComPort);
}

bool TelnetOptions::wantRemote(quint8 option) const
{
    return option == OptBinary || option == OptSuppressGoAhead;
}

QByteArray TelnetOptions::start()
{
    QByteArray out;
    for (const quint8 option : {OptBinary, OptSuppressGoAhead, OptComPort}) {
        if (wantLocal(option) && !m_local[option].enabled && !m_local[option].asked) {
            m_local[option].asked = true;
            out += Encode::negotiation(WILL, option);
        }
        if (wantRemote(option) && !m_remote[option].enabled && !m_remote[option].asked) {
            m_remote[option].asked = true;
            out += Encode::negotiation(DO, option);
        }
    }
    return out;
}

QByteArray TelnetOptions::handle(const Event &event, bool *changed)
{
    if (changed)
        *changed = false;
    const quint8 option = event.option;
    const auto settle = [changed] {
        if (changed)
            *changed = true;
    };
    switch (event.kind) {
    case Event::Kind::Do:
    case Event::Kind::Will: {
        const bool ours = event.kind == Event::Kind::Do;
        Side &side = ours ? m_local[option] : m_remote[option];
        const bool wanted = ours ? wantLocal(option) : wantRemote(option);
        if (side.enabled)
            return {};
        if (!wanted) {
            if (side.refused)
                return {};
            side.refused = true;
            settle();
            return Encode::negotiation(ours ? WONT : DONT, option);
        }
        side.enabled = true;
        side.refused = false;
        settle();
        if (side.asked) {
            side.asked = false;
            return {};
        }
        return Encode::negotiation(ours ? WILL : DO, option);
    }
    case Event::Kind::Dont:
    case Event::Kind::Wont: {
        const bool ours = event.kind == Event::Kind::Dont;
        Side &side = ours ? m_local[option] : m_remote[option];
        if (side.asked) {
            side.asked = false;
            side.refused = true;
            settle();
            return {};
        }
        if (!side.enabled)
            return {};
        side.enabled = false;
        side.refused = true;
        settle();
        return Encode::negotiation(ours ? WONT : DONT, option);
    }
    case Event::Kind::Subnegotiation:
        break;
    }
    return {};
}
