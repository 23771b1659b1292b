// SPDX-License-Identifier: GPL-3.0-or-later
// The network line's receiving half: what comes from the server, data for the engine and Telnet
// negotiation, notices and COM Port Control replies for the line's own bookkeeping.
#include "networkline.h"

#include "networktexts.h"

#include <algorithm>
#include <utility>

using namespace Telnet;

bool NetworkLine::drainSocket()
{
    bool added = false;
    bool askedAgain = false;
    qint64 earlyBytes = 0, readNow = 0;
    char chunk[ReadChunk];
    while (m_socket && isOpen()) {
        // Past the limit the socket is left unread (Qt then stops watching it) and the server's
        // side holds the rest, until input() makes room.
        m_held = m_input.size() >= ReadBufferLimit;
        if (m_held)
            break;
        const qint64 room = std::min(ReadChunk, ReadBufferLimit - m_input.size());
        const qint64 got = m_socket->read(chunk, room);
        if (got < 0) {
            // An unbuffered socket finds the end (or a failure) here and says nothing of it.
            onSocketError(m_socket->error());
            return false;
        }
        if (got == 0)
            break;
        const QByteArrayView bytes(chunk, got);
        const qsizetype before = m_input.size();
        // Data read with what made the line ready was sent before the server could have had
        // anything of the dialogue: its notice too.
        const bool forModem = m_phase == Phase::Ready;
        QList<Event> events;
        if (telnet())
            m_decoder.feed(bytes, m_input, events);
        else
            m_input.append(bytes);
        const qsizetype fresh = m_input.size() - before;
        if (!events.isEmpty() || (fresh > 0 && !forModem)) {
            // The events first, as the data was not seen yet: one of them may close the line.
            const QByteArray data = m_input.sliced(before);
            m_input.truncate(before);
            for (const Event &event : events) {
                handleEvent(event);
                if (!isOpen())
                    return false;
            }
            if (forModem)
                m_input += data;
            else if (!data.isEmpty())
                heard(data);
        }
        added = added || (forModem && fresh > 0);
        // A short read emptied the socket: asking again would only hear "nothing". Before the
        // line is ready it asks once more, so that a server that says why and hangs up is heard
        // hanging up with its words, not once the line has been taken as ready; and it reads no
        // more than a buffer's worth at a time of whatever a server sends then.
        if (m_phase == Phase::Ready) {
            if (got < room)
                break;
            // A server that never stops sending, Telnet commands above all (they add nothing to
            // the input), would keep this loop going for ever: timers and signals unserved.
            // The socket, still readable, brings the loop back here at its next turn.
            if ((readNow += got) >= ReadBufferLimit)
                break;
        } else {
            earlyBytes += got;
            if (earlyBytes >= ReadBufferLimit || (got < room && std::exchange(askedAgain, true)))
                break;
        }
    }
    return added;
}

QString NetworkLine::readable(const QByteArray &said)
{
    QString text = QString::fromUtf8(said);
    for (QChar &c : text) {
        if (!c.isPrint())
            c = QLatin1Char(' ');
    }
    return text.simplified();
}

void NetworkLine::heard(const QByteArray &data)
{
    m_notice += data.first(std::min(data.size(), NoticeLimit - m_notice.size()));
    if (const QString text = readable(data); !text.isEmpty())
        emit note(NetworkTexts::NoteServerSaid.arg(text));
    // Data and not one Telnet command: no Telnet server, unless it hangs up in a moment (one
    // that turns a client away says why first, then goes).
    if (telnet() && !m_telnetHeard && m_deadline.remainingTime() > RawSettleMs)
        m_deadline.start(RawSettleMs);
}

QString NetworkLine::optionName(quint8 option) const
{
    switch (option) {
    case OptBinary:
        return QStringLiteral("BINARY");
    case 1:
        return QStringLiteral("ECHO");
    case OptSuppressGoAhead:
        return QStringLiteral("SUPPRESS-GO-AHEAD");
    case OptComPort:
        return QStringLiteral("COM-PORT-OPTION");
    default:
        return NetworkTexts::NoteUnknownOption.arg(option);
    }
}

void NetworkLine::handleEvent(const Event &event)
{
    m_telnetHeard = true;
    if (event.kind == Event::Kind::Subnegotiation) {
        if (event.option != OptComPort || event.payload.isEmpty())
            return;
        const quint8 code = quint8(event.payload.at(0));
        const QByteArray value = event.payload.mid(1);
        if (code == ComPort::ServerOffset + ComPort::NotifyModemState && !value.isEmpty()) {
            const quint8 state = quint8(value.at(0));
            const quint8 lines = ComPort::StateCts | ComPort::StateDsr;
            if (!m_modemStateHeard || ((state ^ m_modemState) & lines))
                emit note(NetworkTexts::NoteModemState.arg(
                    state & ComPort::StateCts ? NetworkTexts::NoteOn : NetworkTexts::NoteOff,
                    state & ComPort::StateDsr ? NetworkTexts::NoteOn : NetworkTexts::NoteOff));
            // A server in front of a device without modem lines (ser2net on a pseudo-terminal,
            // a cable that carries only data) reports both off, the same as a modem switched
            // off. The lines count as known only once one of them has been reported on: from
            // then on the server is believed, off included.
            if (state & lines)
                m_modemStateKnown = true;
            m_modemStateHeard = true;
            m_modemState = state;
        } else if (code == ComPort::ServerOffset + ComPort::Signature && !value.isEmpty()) {
            QString text = QString::fromLatin1(value);
            for (QChar &c : text) {
                if (!c.isPrint())
                    c = QLatin1Char('?');
            }
            emit note(NetworkTexts::NoteServerSignature.arg(text));
        } else if (code == ComPort::ServerOffset + ComPort::SetBaudRate && value.size() >= 4) {
            const quint32 speed = quint32(quint8(value[0])) << 24 | quint32(quint8(value[1])) << 16
                                  | quint32(quint8(value[2])) << 8 | quint32(quint8(value[3]));
            emit note(NetworkTexts::NoteServerSpeed.arg(speed));
            // The settings are taken: whatever the server says from now on, it says once it
            // has had them.
            if (m_phase == Phase::Negotiating && m_settingsSent)
                becomeReady();
        }
        return;
    }

    bool changed = false;
    send(m_options->handle(event, &changed));
    if (!isOpen())
        return;
    if (changed) {
        const bool ours = event.kind == Event::Kind::Do || event.kind == Event::Kind::Dont;
        const bool enabled =
            ours ? m_options->localEnabled(event.option) : m_options->remoteEnabled(event.option);
        emit note((enabled ? NetworkTexts::NoteOptionAccepted : NetworkTexts::NoteOptionRefused)
                      .arg(optionName(event.option),
                           ours ? NetworkTexts::NoteOurSide : NetworkTexts::NoteServerSide));
    }
    if (m_phase != Phase::Negotiating || m_settingsSent)
        return;
    if (m_options->localEnabled(OptComPort))
        sendSettings();
    else if (m_options->localRefused(OptComPort))
        fail(Outcome::Fault::OptionRefused, describe(NetworkTexts::NetComPortRefused));
}
