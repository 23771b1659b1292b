// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet byte stream, without I/O. The decoder splits what the server sends into data bytes
// (IAC IAC undoubled) and events (option negotiation, complete subnegotiations), keeping its
// place across reads split anywhere and holding only a bounded part of any subnegotiation. The
// encoder makes what the client sends: data with IAC doubled, negotiation and the COM Port
// Control (RFC 2217) client commands.
// Lives on its line's thread.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace Telnet {

// Commands (RFC 854).
inline constexpr quint8 SE = 240;
inline constexpr quint8 SB = 250;
inline constexpr quint8 WILL = 251;
inline constexpr quint8 WONT = 252;
inline constexpr quint8 DO = 253;
inline constexpr quint8 DONT = 254;
inline constexpr quint8 IAC = 255;

// Options.
inline constexpr quint8 OptBinary = 0;
inline constexpr quint8 OptSuppressGoAhead = 3;
inline constexpr quint8 OptComPort = 44;

// COM Port Control commands, client to server; the server answers with the same code + 100.
namespace ComPort {
inline constexpr quint8 Signature = 0;
inline constexpr quint8 SetBaudRate = 1;
inline constexpr quint8 SetDataSize = 2;
inline constexpr quint8 SetParity = 3;
inline constexpr quint8 SetStopSize = 4;
inline constexpr quint8 SetControl = 5;
inline constexpr quint8 NotifyModemState = 7;
inline constexpr quint8 SetModemStateMask = 11;
inline constexpr quint8 PurgeData = 12;
inline constexpr quint8 ServerOffset = 100;

inline constexpr quint8 ParityNone = 1;
inline constexpr quint8 ParityOdd = 2;
inline constexpr quint8 ParityEven = 3;
inline constexpr quint8 ParityMark = 4;
inline constexpr quint8 ParitySpace = 5;
inline constexpr quint8 StopOne = 1;
inline constexpr quint8 StopTwo = 2;
inline constexpr quint8 StopOneAndHalf = 3;
inline constexpr quint8 ControlNoFlow = 1;
inline constexpr quint8 ControlDtrOn = 8;
inline constexpr quint8 ControlDtrOff = 9;
inline constexpr quint8 ControlRtsOn = 11;
inline constexpr quint8 ControlRtsOff = 12;
inline constexpr quint8 PurgeBoth = 3;
inline constexpr quint8 StateCts = 0x10;
inline constexpr quint8 StateDsr = 0x20;
} // namespace ComPort

struct Event
{
    enum class Kind { Will, Wont, Do, Dont, Subnegotiation };
    Kind kind = Kind::Will;
    quint8 option = 0;
    QByteArray payload;     // a subnegotiation's bytes after the option, IAC IAC undoubled
    bool truncated = false; // the server sent more than PayloadLimit bytes; the rest is gone
};

class Decoder
{
public:
    // Most payload bytes kept of one subnegotiation. A signature text is the longest thing a
    // COM Port server says; anything longer is cut, never held.
    static constexpr qsizetype PayloadLimit = 512;

    // Appends the data bytes of `bytes` to `data` and its complete events to `events`.
    void feed(QByteArrayView bytes, QByteArray &data, QList<Event> &events);
    void reset() { *this = Decoder(); }

private:
    enum class State { Data, Command, Option, SubOption, Sub, SubCommand };
    State m_state = State::Data;
    Event::Kind m_verb = Event::Kind::Will;
    Event m_sub;
};

namespace Encode {
QByteArray data(const QByteArray &bytes); // IAC doubled
QByteArray negotiation(quint8 verb, quint8 option);
QByteArray subnegotiation(quint8 option, QByteArrayView payload);
QByteArray comPort(quint8 command, QByteArrayView value);
QByteArray setBaudRate(quint32 speed);
} // namespace Encode

} // namespace Telnet
