// SPDX-License-Identifier: GPL-3.0-or-later
// A modem on a terminal server: the dialogue engine's line over a TCP connection, speaking
// Telnet with the COM Port Control option (rfc2217://) or passing bytes as they are
// (socket://). It keeps the serial port's contract: open() never blocks (it starts the lookup
// and the connection; what is written meanwhile goes out once the line is ready), and every
// later failure (name not resolved, refused, no answer in time, dropped, turned away with the
// server's own notice, COM Port option refused, not Telnet at all, the server no longer reading)
// is reported once by lost(), typed, from the event loop, with the line already closed. Each
// open is one connection: a terminal server serves one client per port.
//
// What the server says before the line is ready is its own notice, never the modem's (nothing
// has gone to the modem yet): it goes to the transcript and, if the server then hangs up, into
// the message, and the engine never reads it.
// Lives on the thread that serves the line.
#pragma once

#include "deviceaddress.h"
#include "lineport.h"
#include "linesettings.h"
#include "lossnotice.h"
#include "telnetcodec.h"
#include "telnetoptions.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

class NetworkLine : public QObject, public LinePort
{
    Q_OBJECT
public:
    // The connection and, on an RFC 2217 line, the server's acceptance of the COM Port option
    // must come within this time.
    static constexpr int ConnectTimeoutMs = 5000;
    // Most received bytes held for the reader; past it the socket stops being read.
    static constexpr qint64 ReadBufferLimit = 64 * 1024;
    // Read from the socket at a time: more than a reply, so one read usually takes all.
    static constexpr qint64 ReadChunk = 16 * 1024;
    // A raw TCP server gives no sign that it is ready, but one that turns a client away does so
    // at once: the connection counts as ready once it has lasted this long. An RFC 2217 server
    // that sends data without any Telnet has this long to hang up (turning us away) before it is
    // taken for a server that does not speak Telnet at all.
    static constexpr int RawSettleMs = 150;
    // An RFC 2217 server answers each setting; ser2net answers the speed once it has opened its
    // device, and says why and hangs up when it cannot, which on a busy machine may take well
    // over RawSettleMs. The line is ready at that answer, or once this long has passed without
    // one (a server that does not answer); the connection's time is never the modem's.
    static constexpr int SettingsAnswerMs = 1000;
    // Bytes waiting to go while the server's receive window is shut are looked at again after
    // this long; still waiting, and the window still shut, the server has stopped reading. Well
    // inside the modem's one-second reply time, so that it is never taken for a silent modem.
    static constexpr int StallCheckMs = 250;
    // Most bytes kept of what the server says before the line is ready.
    static constexpr qsizetype NoticeLimit = 240;

    explicit NetworkLine(QObject *parent = nullptr);
    ~NetworkLine() override;

    // The port number the messages name; only while closed.
    void setCommPort(qint16 port);
    qint16 commPort() const { return m_commPort; }
    // The server; only while closed. A local path or a malformed address makes open() fail.
    void setAddress(const DeviceAddress &address);
    const DeviceAddress &address() const { return m_address; }
    // Speed and stop bits as for a local port, 8 data bits and no parity (the operator's parity
    // travels in bit 7): sent to an RFC 2217 server at every open.
    void setSettings(const LineSettings &settings);
    const LineSettings &settings() const { return m_lineSettings; }

    // LinePort
    Outcome open() override;
    void close() override;
    bool isOpen() const override { return m_phase != Phase::Closed; }
    // From the server's modem-state notices; present until one has reported CTS or DSR on (or
    // on a raw line), as for a device that cannot tell.
    bool ctsHolding() const override;
    bool dsrHolding() const override;
    void setRtsEnable(bool on) override;
    void setDtrEnable(bool on) override;
    void discardInput() override;
    void output(const QByteArray &bytes) override;
    QByteArray input() override;

    // Connects and negotiates ahead of a dialogue: a face that waits for ready() before it
    // starts the dialogue keeps connection time out of the engine's one-second reply time-out
    // (so a silent server ends as "no answer in 5 s", not as a silent modem) and lets the
    // engine's CTS/DSR check see the server's notices. The next open() takes the connection
    // over. Fails at once only for an address that is not a valid network one; later failures
    // come through lost() as after open().
    Outcome prepare();
    // Connected, and on an RFC 2217 line the COM Port option agreed and the settings taken.
    bool isReady() const { return m_phase == Phase::Ready; }

signals:
    // The connection is ready for data (after prepare() or open()).
    void ready();
    // Data bytes are waiting.
    void received();
    // The line failed; raised once per open, the line closed first. Its kind (Unresolved,
    // Refused, NoAnswer, Dropped, TurnedAway, OptionRefused, NotTelnet, Stalled,
    // PortUnavailable) and a text naming the port.
    void lost(const Outcome &why);
    // Something for the transcript: the connection and the negotiation.
    void note(const QString &event);

private:
    enum class Phase { Closed, Connecting, Negotiating, Ready };
    struct Settings
    {
        quint32 speed = 9600;
        quint8 dataBits = 8;
        quint8 parity = Telnet::ComPort::ParityNone;
        quint8 stopBits = Telnet::ComPort::StopOne;
    };

    bool telnet() const { return m_address.kind() == DeviceAddress::Kind::Rfc2217; }
    Outcome startConnection();
    void onConnected();
    bool drainSocket(); // true when data bytes were added
    void onSocketError(QAbstractSocket::SocketError error);
    void onTimeout();
    // The server closed the connection: dropped, or turned us away.
    void hungUp();
    void handleEvent(const Telnet::Event &event);
    // Data from the server before the line is ready: its notice.
    void heard(const QByteArray &data);
    // What a server said, on one line: its control characters as spaces, runs of them as one.
    static QString readable(const QByteArray &said);
    void sendSettings();
    void becomeReady();
    void send(const QByteArray &wire);
    void checkStall();
    void fail(Outcome::Fault fault, const QString &description);
    QString describe(const QString &text) const;
    QString optionName(quint8 option) const;

    DeviceAddress m_address;
    qint16 m_commPort = 1;
    LineSettings m_lineSettings;
    Settings m_settings; // as the server is told them

    QPointer<QTcpSocket> m_socket; // one per open
    QTimer m_deadline;
    QTimer m_stallCheck;
    qint64 m_waitingSeen = -1; // bytes that were waiting to go at the last look, -1: none
    Phase m_phase = Phase::Closed;
    Telnet::Decoder m_decoder;
    std::optional<TelnetOptions> m_options;
    QByteArray m_pending; // on the wire's terms, waiting for the line to be ready
    QByteArray m_input;
    QByteArray m_notice;            // what the server said before the line was ready
    bool m_telnetHeard = false;     // the server has sent Telnet commands
    bool m_settingsSent = false;    // RFC 2217: the COM Port option agreed, the settings sent
    bool m_broken = false;          // a write failed: nothing more is written on this connection
    bool m_held = false;            // the socket left unread, m_input being full
    bool m_modemStateKnown = false; // a line has been reported on: the server is believed
    bool m_modemStateHeard = false; // a report has come, for the transcript
    quint8 m_modemState = 0;
    bool m_dtr = true;
    bool m_rts = true;
    bool m_claimed = false; // opened by open(), not only prepared
    LossNotice m_loss;
};
