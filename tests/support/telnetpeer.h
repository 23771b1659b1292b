// SPDX-License-Identifier: GPL-3.0-or-later
// A terminal server scripted by the test, for one client on the loopback interface: `got` is
// all the client sent, say() answers it. Left to itself it only listens; a script plays one of
// the faults ser2net will not show on demand.
#pragma once

#include "telnetcodec.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <sys/socket.h>

struct TelnetPeer
{
    enum class Script {
        Manual,         // the test says everything itself
        RefuseComPort,  // takes the connection, declines RFC 2217's COM Port option
        Busy,           // tells a second client the port is in use and hangs up, as ser2net
        DropAfterFirst, // takes the COM Port option, hangs up once the first command is in
        // Takes the COM Port option and the settings without reading them, and never reads at
        // all: its receive window, the smallest the system allows, is soon shut. Asking the
        // client to refuse every option it does not want fills it at once.
        StopReading,
    };

    explicit TelnetPeer(Script script = Script::Manual) : script(script)
    {
        server.listen(QHostAddress::LocalHost);
        if (script == Script::StopReading) {
            const int smallest = 1; // the system raises it to its least
            ::setsockopt(int(server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &smallest,
                         sizeof smallest);
        }
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            client = server.nextPendingConnection();
            if (this->script == Script::StopReading) {
                client->setReadBufferSize(1);
                QByteArray asked;
                for (int option = 0; option < 256; ++option) {
                    if (option != Telnet::OptBinary && option != Telnet::OptSuppressGoAhead
                        && option != Telnet::OptComPort)
                        asked += Telnet::Encode::negotiation(Telnet::WILL, quint8(option))
                                 + Telnet::Encode::negotiation(Telnet::DO, quint8(option));
                }
                const char speed[] = {0, 0, 0x25, char(0x80)}; // 9600
                say(asked + Accepted
                    + Telnet::Encode::comPort(Telnet::ComPort::ServerOffset
                                                  + Telnet::ComPort::SetBaudRate,
                                              QByteArrayView(speed, 4)));
                return;
            }
            QObject::connect(client, &QTcpSocket::readyRead, client, [this] {
                got += client->readAll();
                play();
            });
            if (this->script == Script::Busy) {
                say("Port already in use\r\n");
                client->disconnectFromHost();
            }
        });
    }

    QString address(const char *scheme = "rfc2217", quint16 port = 0) const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(QLatin1String(scheme))
            .arg(port ? port : server.serverPort());
    }
    void say(const QByteArray &wire) { client->write(wire), client->flush(); }

    static inline const QByteArray Offered =
        Telnet::Encode::negotiation(Telnet::WILL, Telnet::OptComPort);
    static inline const QByteArray Accepted =
        Telnet::Encode::negotiation(Telnet::DO, Telnet::OptComPort);

    QTcpServer server;
    QTcpSocket *client = nullptr;
    QByteArray got;
    const Script script;

private:
    void play()
    {
        if (script == Script::RefuseComPort && !m_answered && got.contains(Offered)) {
            m_answered = true;
            say(Telnet::Encode::negotiation(Telnet::DONT, Telnet::OptComPort));
        } else if (script == Script::DropAfterFirst && !m_answered && got.contains(Offered)) {
            m_answered = true;
            m_settingsFrom = got.size();
            say(Accepted);
        } else if (script == Script::DropAfterFirst && m_answered) {
            // A command ends in CR, its parity bit set or not; no byte of the settings is one.
            const QByteArray since = got.mid(m_settingsFrom);
            if (since.contains('\r') || since.contains('\x8d'))
                client->disconnectFromHost();
        }
    }

    bool m_answered = false;      // the COM Port offer has had its answer
    qsizetype m_settingsFrom = 0; // where what came after that answer begins
};
