// SPDX-License-Identifier: GPL-3.0-or-later
#include "networkline.h"

#include "networktexts.h"
#include "sendqueue.h"
#include "serialtexts.h"

#include <QMetaObject>
#include <QStringList>
#include <QThread>

#include <cerrno>
#include <utility>

#include <sys/socket.h>

using namespace Telnet;

NetworkLine::NetworkLine(QObject *parent) : QObject(parent), m_deadline(this)
{
    m_deadline.setSingleShot(true);
    // Qt's default timer may fire up to 5 % early; the limit is a promise to the server.
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &NetworkLine::onTimeout);
    m_stallCheck.setSingleShot(true);
    connect(&m_stallCheck, &QTimer::timeout, this, &NetworkLine::checkStall);
}

NetworkLine::~NetworkLine()
{
    close();
}

void NetworkLine::setCommPort(qint16 port)
{
    if (!isOpen() && port >= 0)
        m_commPort = port;
}

void NetworkLine::setAddress(const DeviceAddress &address)
{
    if (!isOpen())
        m_address = address;
}

void NetworkLine::setSettings(const LineSettings &settings)
{
    m_lineSettings = settings;
    m_settings.speed = quint32(settings.bitRate());
    m_settings.dataBits = 8;
    m_settings.parity = ComPort::ParityNone;
    m_settings.stopBits = settings.stopBits == StopBits::Two ? ComPort::StopTwo : ComPort::StopOne;
}

QString NetworkLine::describe(const QString &text) const
{
    return text.arg(SerialTexts::portName(m_commPort, m_address.text()));
}

// ---- Opening and closing ---------------------------------------------------------------------

Outcome NetworkLine::open()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (isOpen()) {
        if (m_claimed)
            return Outcome::failure(Outcome::Fault::PortUnavailable,
                                    describe(SerialTexts::PortAlreadyOpen));
        // A prepared connection: the dialogue starts now, so whatever the server still holds
        // for or from the modem goes (a connection not yet ready purges with its settings).
        m_claimed = true;
        if (m_phase == Phase::Ready && telnet()) {
            const char purge[] = {char(ComPort::PurgeBoth)};
            send(Encode::comPort(ComPort::PurgeData, purge));
        }
        return Outcome::success();
    }
    const Outcome started = startConnection();
    m_claimed = started.ok();
    return started;
}

Outcome NetworkLine::prepare()
{
    return isOpen() ? Outcome::success() : startConnection();
}

Outcome NetworkLine::startConnection()
{
    if (!m_address.isNetwork())
        return Outcome::failure(Outcome::Fault::PortUnavailable,
                                describe(NetworkTexts::NetNotNetwork));
    if (!m_address.isValid())
        return Outcome::failure(Outcome::Fault::PortUnavailable, m_address.error());

    m_loss.opened();
    m_phase = Phase::Connecting;
    if (telnet())
        m_options.emplace(true);
    QTcpSocket *socket = new QTcpSocket(this);
    m_socket = socket;
    m_held = false;
    m_broken = false;
    m_telnetHeard = false;
    m_settingsSent = false;
    m_waitingSeen = -1;
    connect(socket, &QTcpSocket::connected, this, &NetworkLine::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (drainSocket())
            emit received();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, &NetworkLine::onSocketError);
    m_deadline.start(ConnectTimeoutMs);
    emit note(NetworkTexts::NoteConnecting.arg(m_address.host()).arg(m_address.port()));
    // Looks the name up and connects in the background; failures arrive as errorOccurred.
    // Unbuffered: a write goes to the socket at once and a read comes from it, where Qt's
    // buffers would add a write notifier switched on and off, a wake-up of the event loop for
    // each, and a byte count before every read: three system calls per exchange became ten.
    socket->connectToHost(m_address.host(), m_address.port(),
                          QIODevice::ReadWrite | QIODevice::Unbuffered);
    return Outcome::success();
}

void NetworkLine::close()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!isOpen())
        return;
    m_phase = Phase::Closed;
    m_claimed = false;
    m_deadline.stop();
    m_stallCheck.stop();
    if (QTcpSocket *socket = m_socket) {
        disconnect(socket, nullptr, this, nullptr);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->state() == QAbstractSocket::ConnectedState) {
            // What was written still goes out (the last command of a dialogue), then the
            // server sees an orderly end; one that stops reading is cut off after a while.
            socket->disconnectFromHost();
            QTimer::singleShot(ConnectTimeoutMs, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
        } else {
            socket->abort();
        }
        if (socket->state() == QAbstractSocket::UnconnectedState)
            socket->deleteLater();
    }
    m_socket = nullptr;
    m_decoder.reset();
    m_options.reset();
    m_pending.clear();
    m_input.clear();
    m_notice.clear();
    m_modemStateKnown = false;
    m_modemStateHeard = false;
    m_modemState = 0;
    emit note(NetworkTexts::NoteClosed);
}

void NetworkLine::fail(Outcome::Fault fault, const QString &description)
{
    if (!isOpen() || !m_loss.claim())
        return;
    close();
    m_loss.deliver(this, [this, why = Outcome::failure(fault, description)] { emit lost(why); });
}

// ---- The connection --------------------------------------------------------------------------

void NetworkLine::onConnected()
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit note(NetworkTexts::NoteConnected.arg(m_address.text(),
                                              m_socket->peerAddress().toString() + QLatin1Char(':')
                                                  + QString::number(m_socket->peerPort())));
    if (!telnet()) {
        // A server that is busy says so and hangs up within moments; one that stays is ready.
        m_deadline.start(RawSettleMs);
        return;
    }
    // The time limit now waits for the server to take the COM Port option.
    m_phase = Phase::Negotiating;
    send(m_options->start());
}

void NetworkLine::sendSettings()
{
    const char control[] = {char(ComPort::ControlNoFlow)};
    const char dtr[] = {char(m_dtr ? ComPort::ControlDtrOn : ComPort::ControlDtrOff)};
    const char rts[] = {char(m_rts ? ComPort::ControlRtsOn : ComPort::ControlRtsOff)};
    const char data[] = {char(m_settings.dataBits)};
    const char parity[] = {char(m_settings.parity)};
    const char stop[] = {char(m_settings.stopBits)};
    const char mask[] = {char(ComPort::StateCts | ComPort::StateDsr)};
    const char purge[] = {char(ComPort::PurgeBoth)};
    // The settings and the purge go before anything the dialogue has written meanwhile: the
    // server applies them in order, so its first command meets a clean, set line.
    m_settingsSent = true;
    send(Encode::setBaudRate(m_settings.speed) + Encode::comPort(ComPort::SetDataSize, data)
         + Encode::comPort(ComPort::SetParity, parity) + Encode::comPort(ComPort::SetStopSize, stop)
         + Encode::comPort(ComPort::SetControl, control) + Encode::comPort(ComPort::SetControl, dtr)
         + Encode::comPort(ComPort::SetControl, rts)
         + Encode::comPort(ComPort::SetModemStateMask, mask)
         + Encode::comPort(ComPort::PurgeData, purge) + Encode::comPort(ComPort::Signature, {}));
    static const QString parityNames[] = {NetworkTexts::NoteParityNone, QStringLiteral("impar"),
                                          QStringLiteral("par"), QStringLiteral("marca"),
                                          QStringLiteral("espacio")};
    const QString stopName = m_settings.stopBits == ComPort::StopOneAndHalf
                                 ? QStringLiteral("1,5")
                                 : QString::number(m_settings.stopBits);
    emit note(NetworkTexts::NoteSettingsAsked.arg(m_settings.speed)
                  .arg(m_settings.dataBits)
                  .arg(parityNames[m_settings.parity - ComPort::ParityNone], stopName));
    // The server's answer to the speed makes the line ready; a server that never answers it is
    // taken as ready in a moment.
    if (isOpen())
        m_deadline.start(SettingsAnswerMs);
}

void NetworkLine::becomeReady()
{
    m_deadline.stop();
    m_phase = Phase::Ready;
    if (!telnet())
        emit note(NetworkTexts::NoteRawReady);
    send(std::exchange(m_pending, {}));
    if (isOpen())
        emit ready();
}

void NetworkLine::send(const QByteArray &wire)
{
    if (!m_socket || m_broken || wire.isEmpty())
        return;
    // Written on the descriptor itself: Qt's own write closes the socket when the server has
    // gone (EPIPE, ECONNRESET), and with it what the server said before it went, unread.
    qint64 written = ::send(int(m_socket->socketDescriptor()), wire.constData(),
                            size_t(wire.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        written = 0;
    if (written == wire.size()) {
        if (!m_stallCheck.isActive())
            m_stallCheck.start(StallCheckMs);
        return;
    }
    // Nothing more goes on this connection: a socket that failed once only complains. Told from
    // the event loop, as a buffered socket would have: what the server said before it went
    // (why it turns us away) is read first and counts. A part written means no room at all.
    m_broken = true;
    QMetaObject::invokeMethod(
        this,
        [this, socket = m_socket, full = written >= 0] {
            if (!socket || socket != m_socket)
                return;
            if (full)
                fail(Outcome::Fault::Stalled,
                     describe(m_phase == Phase::Ready ? NetworkTexts::NetStalled
                                                      : NetworkTexts::NetStalledEarly));
            else {
                // What it said before it went comes first: why it turned us away, or the data.
                if (drainSocket())
                    emit received();
                if (isOpen())
                    hungUp();
            }
        },
        Qt::QueuedConnection);
}

void NetworkLine::checkStall()
{
    const std::optional<SendQueue> queue =
        m_socket ? SendQueue::of(m_socket->socketDescriptor()) : std::nullopt;
    if (!queue || queue->notSent == 0) {
        m_waitingSeen = -1;
        return;
    }
    // Shut at two looks with nothing gone between them: the server is not reading.
    if (queue->peerWindow == 0 && m_waitingSeen >= 0 && queue->notSent >= m_waitingSeen) {
        fail(Outcome::Fault::Stalled,
             describe(m_phase == Phase::Ready ? NetworkTexts::NetStalled
                                              : NetworkTexts::NetStalledEarly));
        return;
    }
    m_waitingSeen = queue->peerWindow == 0 ? queue->notSent : -1;
    m_stallCheck.start(StallCheckMs);
}

void NetworkLine::onTimeout()
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        // What came meanwhile is heard first: on a busy machine the server's notice and its
        // hang-up may be seen only now, with the time up.
        drainSocket();
        if (!isOpen() || m_phase == Phase::Ready) // gone, or its answer to the settings came
            return;
        // A raw connection that has lasted its settling time is ready; so is an RFC 2217 one
        // whose server has had its moment to answer the settings.
        if ((!telnet() && m_phase == Phase::Connecting)
            || (telnet() && m_phase == Phase::Negotiating && m_settingsSent)) {
            becomeReady();
            return;
        }
        // Connected, and not one Telnet command back: whatever listens there is no Telnet
        // server, least of all an RFC 2217 one.
        if (telnet() && !m_telnetHeard) {
            const QString why = m_notice.isEmpty()
                                    ? NetworkTexts::NotTelnetSilent.arg(ConnectTimeoutMs / 1000)
                                    : NetworkTexts::NotTelnetData;
            fail(Outcome::Fault::NotTelnet,
                 describe(NetworkTexts::NetNotTelnet).arg(why, m_address.asRawTcp()));
            return;
        }
    }
    fail(Outcome::Fault::NoAnswer,
         describe(NetworkTexts::NetNoAnswer).arg(ConnectTimeoutMs / 1000));
}

void NetworkLine::hungUp()
{
    // A server that spoke before the line was ready, then hung up, was turning us away, and
    // what it said is why: in use by another client, a device it cannot open...
    const QString said = readable(m_notice);
    if (m_phase == Phase::Ready)
        fail(Outcome::Fault::Dropped, describe(NetworkTexts::NetLost));
    else if (!said.isEmpty())
        fail(Outcome::Fault::TurnedAway, describe(NetworkTexts::NetTurnedAway).arg(said));
    else
        fail(Outcome::Fault::Dropped, describe(NetworkTexts::NetDroppedEarly));
}

void NetworkLine::onSocketError(QAbstractSocket::SocketError error)
{
    // What came before the end still counts: a server that turns us away says why, then hangs
    // up.
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState
        && m_socket->bytesAvailable() > 0 && drainSocket())
        emit received();
    if (!isOpen())
        return;
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        fail(Outcome::Fault::Unresolved,
             describe(NetworkTexts::NetHostNotFound).arg(m_address.host()));
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(Outcome::Fault::Refused, describe(NetworkTexts::NetRefused));
        break;
    case QAbstractSocket::SocketTimeoutError:
        fail(Outcome::Fault::NoAnswer,
             describe(NetworkTexts::NetNoAnswer).arg(ConnectTimeoutMs / 1000));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        hungUp();
        break;
    default:
        if (m_phase != Phase::Ready && !m_notice.isEmpty())
            hungUp(); // reset rather than closed, after saying why
        else if (m_phase == Phase::Ready)
            fail(Outcome::Fault::Dropped, describe(NetworkTexts::NetLost));
        else
            fail(Outcome::Fault::PortUnavailable,
                 describe(NetworkTexts::NetOpenFailed)
                     .arg(m_socket ? m_socket->errorString() : QString()));
        break;
    }
}

// ---- The engine's side -----------------------------------------------------------------------

bool NetworkLine::ctsHolding() const
{
    return isOpen() && (!m_modemStateKnown || (m_modemState & ComPort::StateCts));
}

bool NetworkLine::dsrHolding() const
{
    return isOpen() && (!m_modemStateKnown || (m_modemState & ComPort::StateDsr));
}

void NetworkLine::setRtsEnable(bool on)
{
    m_rts = on;
    if (m_phase == Phase::Ready && telnet()) {
        const char value[] = {char(on ? ComPort::ControlRtsOn : ComPort::ControlRtsOff)};
        send(Encode::comPort(ComPort::SetControl, value));
    }
}

void NetworkLine::setDtrEnable(bool on)
{
    m_dtr = on;
    if (m_phase == Phase::Ready && telnet()) {
        const char value[] = {char(on ? ComPort::ControlDtrOn : ComPort::ControlDtrOff)};
        send(Encode::comPort(ComPort::SetControl, value));
    }
}

void NetworkLine::discardInput()
{
    // The socket's bytes go through the decoder first: negotiation among them still counts.
    // One drain takes what is there, up to a buffer's worth: a server that never stops sending
    // would keep a loop until the socket is empty going for ever.
    if (isOpen() && m_socket && m_socket->bytesAvailable() > 0)
        drainSocket();
    m_input.clear();
}

void NetworkLine::output(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    const QByteArray wire = telnet() ? Encode::data(bytes) : bytes;
    if (m_phase == Phase::Ready)
        send(wire);
    else
        m_pending += wire;
}

QByteArray NetworkLine::input()
{
    QByteArray out = std::exchange(m_input, {});
    // Reading stopped at the limit: room again, so the socket is read from the event loop.
    if (m_socket && std::exchange(m_held, false))
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (drainSocket())
                    emit received();
            },
            Qt::QueuedConnection);
    return out;
}
