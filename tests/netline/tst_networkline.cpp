// SPDX-License-Identifier: GPL-3.0-or-later
// The network line against a Telnet peer scripted by the test (telnetpeer.h): what
// ser2net will not do on demand (split negotiation, IAC in data, a refused option, a drop in every
// phase, silence, a busy port), and the one-notice contract the engine relies on.
#include "networkline.h"
#include "networktexts.h"
#include "serialtexts.h"
#include "telnetpeer.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Telnet;
using B = QByteArray;

namespace {

B bytes(std::initializer_list<int> list)
{
    B out;
    for (const int b : list)
        out.append(char(b));
    return out;
}

B comPort(int command, int value)
{
    return bytes({IAC, SB, OptComPort, command, value, IAC, SE});
}

// A line pointed at the scripted server.
struct Peer : TelnetPeer
{
    explicit Peer(const char *scheme, quint16 port = 0)
    {
        line.setAddress(DeviceAddress::parse(address(scheme, port)));
        line.setCommPort(2);
    }
    QString expected(const QString &text) const
    {
        return text.arg(SerialTexts::portName(2, line.address().text()));
    }

    NetworkLine line;
    QSignalSpy lost{&line, &NetworkLine::lost};
};

const B &Accepted = TelnetPeer::Accepted;
const B &Offered = TelnetPeer::Offered;

} // namespace

class TestNetworkLine : public QObject
{
    Q_OBJECT
private slots:
    // The first command, written before the connection, waits for the server's DO (sent a byte
    // at a time) and goes out after the settings and the purge with its IAC doubled; the
    // server's data comes back undoubled and its modem state counts.
    void rfc2217Exchange()
    {
        Peer p("rfc2217");
        p.line.setSettings({LineSpeed::Bps2400, StopBits::Two});
        QVERIFY(p.line.open().ok());
        p.line.output(bytes({'A', 0xFF, '\r'}));
        QTRY_VERIFY(p.got.contains(Offered));
        for (const char c : Accepted)
            p.say(B(1, c));
        QTRY_VERIFY(p.got.endsWith(bytes({'A', 0xFF, 0xFF, '\r'})));
        const qsizetype speed = p.got.indexOf(Encode::setBaudRate(2400));
        const qsizetype stop = p.got.indexOf(comPort(4, 2));
        const qsizetype purge = p.got.indexOf(comPort(12, 3));
        QVERIFY(speed > 0 && stop > speed && purge > stop && p.got.indexOf('A') > purge);
        QVERIFY(p.got.contains(comPort(2, 8)) && p.got.contains(comPort(3, 1)));

        QVERIFY(p.line.ctsHolding() && p.line.dsrHolding()); // nothing known yet
        // Both off, first: a device without modem lines says so too, so it is not believed yet.
        p.say(comPort(107, 0x00) + 'Z');
        B in;
        QTRY_COMPARE(in += p.line.input(), B("Z"));
        QVERIFY(p.line.ctsHolding() && p.line.dsrHolding());
        p.say(bytes({'O', IAC, IAC, IAC, SB, OptComPort, 107, 0x20, IAC}));
        p.say(bytes({SE, 'K'}));
        in.clear();
        QTRY_COMPARE(in += p.line.input(), bytes({'O', 0xFF, 'K'}));
        QVERIFY(!p.line.ctsHolding() && p.line.dsrHolding());
        p.say(comPort(107, 0x00)); // once a line was on, off is believed
        QTRY_VERIFY(!p.line.dsrHolding());
        QVERIFY(!p.line.ctsHolding());
        // A command goes on the wire at once, not from the event loop (which cost a notifier
        // and two wake-ups per command): the peer gets it without the line's loop running.
        p.got.clear();
        p.line.output("ATZ\r");
        QVERIFY(p.client->waitForReadyRead(2000));
        QCOMPARE(p.got, B("ATZ\r"));

        // socket:// passes bytes as they are, both ways, and sends no Telnet at all.
        Peer raw("socket");
        QVERIFY(raw.line.open().ok());
        raw.line.output(bytes({0xFF, 0xFA, 'x'}));
        QTRY_COMPARE(raw.got, bytes({0xFF, 0xFA, 'x'}));
        raw.say(bytes({0xFF, 0xFB, 1}));
        in.clear();
        QTRY_COMPARE(in += raw.line.input(), bytes({0xFF, 0xFB, 1}));
    }

    // A connection made ahead is taken over by open(), which purges again; its modem state is
    // known by then. A second open() is refused.
    void preparedAhead()
    {
        Peer p("rfc2217");
        QSignalSpy ready(&p.line, &NetworkLine::ready);
        QVERIFY(p.line.prepare().ok());
        QTRY_VERIFY(p.got.contains(Offered));
        p.say(Accepted + comPort(107, 0x10));
        QTRY_COMPARE(ready.size(), 1);
        QTRY_VERIFY(!p.line.dsrHolding());
        QVERIFY(p.line.ctsHolding());
        p.got.clear();
        QVERIFY(p.line.open().ok());
        QTRY_COMPARE(p.got, comPort(12, 3));
        QVERIFY(!p.line.open().ok());
    }

    // A server that floods while nobody reads fills no more than the limit; reading makes room
    // and every byte comes through in order.
    void floodHeldToTheLimit()
    {
        Peer p("socket");
        QVERIFY(p.line.open().ok());
        QTRY_VERIFY(p.line.isReady()); // before it, what comes is the server's notice
        B flood;
        for (int k = 0; k < 300000; ++k)
            flood.append(char(k % 251));
        p.say(flood);
        QTest::qWait(300);
        B in = p.line.input();
        QVERIFY(in.size() >= NetworkLine::ReadBufferLimit);
        QVERIFY(in.size() <= NetworkLine::ReadBufferLimit + 4096);
        QTRY_COMPARE(in += p.line.input(), flood);
    }

    // A server that never stops sending Telnet commands, which add nothing to the input, leaves
    // the event loop its turns: a timer still fires while the flood goes on.
    void endlessCommandsLeaveTheLoopItsTurns()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&at), size) == 0
                && ::listen(listener, 1) == 0
                && ::getsockname(listener, reinterpret_cast<sockaddr *>(&at), &size) == 0);
        std::atomic_bool stop = false;
        std::thread server([&] {
            const int client = ::accept(listener, nullptr, nullptr);
            B flood = Accepted;
            for (int k = 0; k < 4096; ++k)
                flood += bytes({IAC, WILL, 1, IAC, DO, 3});
            char sink[4096];
            while (client >= 0 && !stop) {
                while (::recv(client, sink, sizeof sink, MSG_DONTWAIT) > 0) {
                }
                if (::send(client, flood.constData(), size_t(flood.size()), MSG_DONTWAIT) < 0)
                    ::usleep(100);
            }
            ::close(client);
        });
        const auto cleanup = qScopeGuard([&] {
            stop = true;
            ::shutdown(listener, SHUT_RDWR);
            server.join();
            ::close(listener);
        });
        NetworkLine line;
        line.setAddress(
            DeviceAddress::parse(QStringLiteral("rfc2217://127.0.0.1:%1").arg(ntohs(at.sin_port))));
        QVERIFY(line.open().ok());
        QTRY_VERIFY(line.isReady());
        bool fired = false;
        QTimer::singleShot(100, [&] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 5000);
    }

    // Each failure is told once, with its own text, after the line has closed.
    void failures_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<int>("script");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fault"); // told apart by the connection, not by the words
        using F = Outcome::Fault;
        QTest::addRow("com port refused")
            << "rfc2217" << 0 << NetworkTexts::NetComPortRefused << int(F::OptionRefused);
        QTest::addRow("drop before telnet")
            << "rfc2217" << 1 << NetworkTexts::NetDroppedEarly << int(F::Dropped);
        QTest::addRow("drop in negotiation")
            << "rfc2217" << 2 << NetworkTexts::NetDroppedEarly << int(F::Dropped);
        QTest::addRow("drop mid-data")
            << "rfc2217" << 3 << NetworkTexts::NetLost << int(F::Dropped);
        QTest::addRow("raw drop mid-data")
            << "socket" << 3 << NetworkTexts::NetLost << int(F::Dropped);
        // Whatever a server says before it hangs up is shown as it said it.
        const QString inUse = NetworkTexts::NetTurnedAway.arg("%1", "Port already in use");
        QTest::addRow("busy, telnet") << "rfc2217" << 4 << inUse << int(F::TurnedAway);
        QTest::addRow("busy, raw") << "socket" << 4 << inUse << int(F::TurnedAway);
        QTest::addRow("turned away in other words")
            << "rfc2217" << 6 << NetworkTexts::NetTurnedAway.arg("%1", "Ocupado.")
            << int(F::TurnedAway);
        QTest::addRow("refused") << "rfc2217" << 5 << NetworkTexts::NetRefused << int(F::Refused);
        // A raw port that talks and stays: no Telnet server, and socket:// is the way to it.
        QTest::addRow("not telnet")
            << "rfc2217" << 7
            << NetworkTexts::NetNotTelnet.arg("%1", NetworkTexts::NotTelnetData, "%2")
            << int(F::NotTelnet);
    }
    void failures()
    {
        QFETCH(QString, scheme);
        QFETCH(int, script);
        QFETCH(QString, text);
        QFETCH(int, fault);
        const bool telnet = scheme == "rfc2217";
        // A port bound and never listened on refuses every connection, and stays this test's:
        // one freed again could be taken meanwhile by another listener, this test's own peer
        // among them, which would answer instead of refusing.
        const int reserved = script == 5 ? ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
        const auto release = qScopeGuard([reserved] { ::close(reserved); });
        quint16 closedPort = 0;
        if (script == 5) {
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t size = sizeof at;
            QVERIFY(::bind(reserved, reinterpret_cast<sockaddr *>(&at), size) == 0
                    && ::getsockname(reserved, reinterpret_cast<sockaddr *>(&at), &size) == 0);
            closedPort = ntohs(at.sin_port);
        }
        Peer p(qPrintable(scheme), closedPort);
        QVERIFY(p.line.open().ok());
        p.line.output("AT\r");
        if (script != 5) {
            QTRY_VERIFY(p.client && (!telnet || script == 1 || p.got.contains(Offered)));
            if (script == 0)
                p.say(Encode::negotiation(WILL, OptBinary) + Encode::negotiation(DONT, OptComPort));
            if (script == 2) {
                p.say(Encode::negotiation(WILL, OptBinary));
                QTRY_VERIFY(p.got.contains(Encode::negotiation(DO, OptBinary)));
            }
            if (telnet && script == 3)
                p.say(Accepted);
            if (script == 3) {
                QTRY_VERIFY(p.got.endsWith("AT\r"));
                p.say("\r\nOK");
                B in;
                QTRY_COMPARE(in += p.line.input(), B("\r\nOK"));
            }
            p.say(script == 4   ? "Port already in use\r\n"
                  : script == 6 ? "Ocupado.\r\n"
                  : script == 7 ? "\r\nOK\r\n"
                                : "");
            if (script != 0 && script != 7)
                p.client->close();
        }
        QTRY_COMPARE(p.lost.size(), 1);
        const auto why = p.lost.at(0).at(0).value<Outcome>();
        QString expected = p.expected(text);
        if (script == 7)
            expected = expected.arg(p.address("socket"));
        QCOMPARE(why.message(), expected);
        QCOMPARE(int(why.fault()), fault);
        QVERIFY(!p.line.isOpen());
        QTest::qWait(100);
        QCOMPARE(p.lost.size(), 1);
    }

    void unresolvedName()
    {
        NetworkLine line;
        QSignalSpy lost(&line, &NetworkLine::lost);
        line.setAddress(DeviceAddress::parse("socket://tavoli-test.invalid:7000"));
        QVERIFY(line.open().ok());
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 15000);
        const auto why = lost.at(0).at(0).value<Outcome>();
        QVERIFY(why.message().contains("\"tavoli-test.invalid\""));
        QCOMPARE(why.fault(), Outcome::Fault::Unresolved);
    }

    // A listener whose queue is full drops new connection requests, as a server that does not
    // answer: open() returns at once, and after the time limit (never before) comes one notice.
    // One that accepts and never says a word is no Telnet server: told apart, as long waited.
    void noAnswerWithinTheLimit()
    {
        Peer silent("rfc2217");
        QVERIFY(silent.line.open().ok());
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&at), size) == 0 && ::listen(fd, 0) == 0);
        QVERIFY(::getsockname(fd, reinterpret_cast<sockaddr *>(&at), &size) == 0);
        Peer p("rfc2217", ntohs(at.sin_port));
        QTcpSocket fillers[2]; // connections that complete and are never accepted
        for (QTcpSocket &filler : fillers) {
            filler.connectToHost(QHostAddress::LocalHost, ntohs(at.sin_port));
            filler.waitForConnected(300);
        }
        QElapsedTimer clock;
        clock.start();
        QVERIFY(p.line.open().ok());
        QVERIFY(clock.elapsed() < 500);
        QTRY_COMPARE_WITH_TIMEOUT(p.lost.size(), 1, NetworkLine::ConnectTimeoutMs + 5000);
        QVERIFY(clock.elapsed() >= NetworkLine::ConnectTimeoutMs);
        QCOMPARE(p.lost.at(0).at(0).value<Outcome>().message(),
                 p.expected(NetworkTexts::NetNoAnswer).arg(5));
        QTRY_COMPARE(silent.lost.size(), 1);
        const auto why = silent.lost.at(0).at(0).value<Outcome>();
        QCOMPARE(why.fault(), Outcome::Fault::NotTelnet);
        QCOMPARE(why.message(),
                 silent.expected(NetworkTexts::NetNotTelnet)
                     .arg(NetworkTexts::NotTelnetSilent.arg(5), silent.address("socket")));
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestNetworkLine)
#include "tst_networkline.moc"
