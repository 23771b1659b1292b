// SPDX-License-Identifier: GPL-3.0-or-later
#include "telnetcodec.h"

namespace Telnet {

void Decoder::feed(QByteArrayView bytes, QByteArray &data, QList<Event> &events)
{
    const auto keep = [this](char c) {
        if (m_sub.payload.size() < PayloadLimit)
            m_sub.payload.append(c);
        else
            m_sub.truncated = true;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const quint8 b = quint8(c);
        switch (m_state) {
        case State::Data: {
            // The data up to the next IAC (nearly always all of it) goes in one piece.
            const QByteArrayView rest = bytes.sliced(i);
            const qsizetype iac = rest.indexOf(char(IAC));
            data.append(rest.first(iac < 0 ? rest.size() : iac));
            if (iac < 0)
                return;
            i += iac;
            m_state = State::Command;
            break;
        }
        case State::Command:
            m_state = State::Data;
            if (b == IAC) {
                data.append(c);
            } else if (b >= WILL) {
                m_verb = b == WILL   ? Event::Kind::Will
                         : b == WONT ? Event::Kind::Wont
                         : b == DO   ? Event::Kind::Do
                                     : Event::Kind::Dont;
                m_state = State::Option;
            } else if (b == SB) {
                m_state = State::SubOption;
            }
            // Any other command (NOP, GA, a stray SE...) carries nothing for this line.
            break;
        case State::Option:
            events.append(Event{m_verb, b, {}, false});
            m_state = State::Data;
            break;
        case State::SubOption:
            m_sub = Event{Event::Kind::Subnegotiation, b, {}, false};
            m_state = State::Sub;
            break;
        case State::Sub:
            if (b == IAC)
                m_state = State::SubCommand;
            else
                keep(c);
            break;
        case State::SubCommand:
            if (b == SE) {
                events.append(std::move(m_sub));
                m_sub = {};
                m_state = State::Data;
            } else if (b == IAC) {
                keep(c);
                m_state = State::Sub;
            } else {
                // IAC and anything else inside a subnegotiation comes from a broken server: the
                // pair is dropped and the subnegotiation runs on to its IAC SE.
                m_state = State::Sub;
            }
            break;
        }
    }
}

namespace Encode {

QByteArray data(const QByteArray &bytes)
{
    // A modem's commands hold no IAC: shared as they are, not copied.
    if (!bytes.contains(char(IAC)))
        return bytes;
    QByteArray out;
    out.reserve(bytes.size() + bytes.count(char(IAC)));
    for (const char c : bytes) {
        out.append(c);
        if (quint8(c) == IAC)
            out.append(c);
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option)
{
    const char bytes[] = {char(IAC), char(verb), char(option)};
    return QByteArray(bytes, 3);
}

QByteArray subnegotiation(quint8 option, QByteArrayView payload)
{
    const char lead[] = {char(IAC), char(SB), char(option)};
    const char tail[] = {char(IAC), char(SE)};
    return QByteArray(lead, 3) + data(payload.toByteArray()) + QByteArray(tail, 2);
}

QByteArray comPort(quint8 command, QByteArrayView value)
{
    return subnegotiation(OptComPort, QByteArray(1, char(command)) + value.toByteArray());
}

QByteArray setBaudRate(quint32 speed)
{
    const char value[4] = {char(speed >> 24), char(speed >> 16), char(speed >> 8), char(speed)};
    return comPort(ComPort::SetBaudRate, QByteArrayView(value, 4));
}

} // namespace Encode

} // namespace Telnet
