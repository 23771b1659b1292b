// The network line against a Telnet peer scripted by the test, on the loopback interface: what
// ser2net will not do on demand (split negotiation, IAC in data, a refused option, a drop in every
// phase, silence, a busy port), and the one-notice contract the engine relies on.
#include "networkline.h"
#include "networktexts.h"
#include "telnetcodec.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

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

// One server, one client at a time; everything the client sent is in `got`.
struct Peer
{
    Peer()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            client = server.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, [this] { got += client->readAll(); });
        });
    }
    QString address(const char *scheme) const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(QLatin1String(scheme))
            .arg(server.serverPort());
    }
    void say(const B &wire)
    {
        client->write(wire);
        client->flush();
    }
    QTcpServer server;
    QTcpSocket *client = nullptr;
    B got;
};

struct Line
{
    explicit Line(const QString &address, qint16 port = 2)
    {
        line.setAddress(DeviceAddress::parse(address));
        line.setCommPort(port);
    }
    QString expected(const QString &text) const
    {
        return text.arg(QString::number(line.commPort()), line.address().text());
    }
    NetworkLine line;
    QSignalSpy lost{&line, &NetworkLine::lost};
    QSignalSpy received{&line, &NetworkLine::received};
};

const B ComPortAccepted = Encode::negotiation(DO, OptComPort);

} // namespace

class TestNetworkLine : public QObject
{
    Q_OBJECT
private slots:
    // A whole RFC 2217 exchange: the first command written before the connection waits for
    // the server's DO (sent a byte at a time), goes out after the settings and the purge with
    // its IAC doubled; the server's data comes back undoubled and its modem state counts.
    void rfc2217Exchange()
    {
        Peer peer;
        Line l(peer.address("rfc2217"));
        QVERIFY(l.line.setSettings(QStringLiteral("2400,N,8,2")).ok());
        QVERIFY(l.line.open().ok());
        QVERIFY(l.line.ctsHolding() && l.line.dsrHolding()); // nothing known yet
        l.line.output(bytes({'A', 'T', 0xFF, '\r'}));
        QTRY_VERIFY(peer.got.contains(Encode::negotiation(WILL, OptComPort)));
        QVERIFY(!peer.got.contains("AT"));
        for (const char c : ComPortAccepted)
            peer.say(B(1, c));
        const B command = bytes({'A', 'T', 0xFF, 0xFF, '\r'});
        QTRY_VERIFY(peer.got.endsWith(command));
        const qsizetype at = peer.got.indexOf(command);
        const qsizetype speed = peer.got.indexOf(Encode::setBaudRate(2400));
        const qsizetype stop = peer.got.indexOf(bytes({IAC, SB, OptComPort, 4, 2, IAC, SE}));
        const qsizetype purge = peer.got.indexOf(bytes({IAC, SB, OptComPort, 12, 3, IAC, SE}));
        QVERIFY(speed > 0 && stop > speed && purge > stop && at > purge);
        QVERIFY(peer.got.contains(bytes({IAC, SB, OptComPort, 2, 8, IAC, SE})));
        QVERIFY(peer.got.contains(bytes({IAC, SB, OptComPort, 3, 1, IAC, SE})));

        peer.say(bytes({'O', IAC, IAC, IAC, SB, OptComPort, 107, 0x20, IAC}));
        peer.say(bytes({SE, 'K'}));
        B in;
        QTRY_COMPARE(in += l.line.input(), bytes({'O', 0xFF, 'K'}));
        QVERIFY(!l.line.ctsHolding());
        QVERIFY(l.line.dsrHolding());
        QVERIFY(l.received.size() >= 1);
        QCOMPARE(l.lost.size(), 0);
    }

    // socket:// passes bytes as they are, both ways, and sends no Telnet at all.
    void rawBytesAsTheyAre()
    {
        Peer peer;
        Line l(peer.address("socket"));
        QVERIFY(l.line.open().ok());
        l.line.output(bytes({0xFF, 0xFA, 'x'}));
        QTRY_COMPARE(peer.got, bytes({0xFF, 0xFA, 'x'}));
        peer.say(bytes({0xFF, 0xFB, 0x01}));
        B in;
        QTRY_COMPARE(in += l.line.input(), bytes({0xFF, 0xFB, 0x01}));
        QCOMPARE(peer.got, bytes({0xFF, 0xFA, 'x'}));
    }

    // Each failure is told once, with its own text, after the line has closed; a discarded
    // notice from an earlier open never ends a later one.
    void failures_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<int>("script");
        QTest::addColumn<QString>("text");
        QTest::addRow("com port refused") << "rfc2217" << 0 << NetworkTexts::NetComPortRefused;
        QTest::addRow("drop before telnet") << "rfc2217" << 1 << NetworkTexts::NetDroppedEarly;
        QTest::addRow("drop in negotiation") << "rfc2217" << 2 << NetworkTexts::NetDroppedEarly;
        QTest::addRow("drop mid-data") << "rfc2217" << 3 << NetworkTexts::NetLost;
        QTest::addRow("raw drop mid-data") << "socket" << 3 << NetworkTexts::NetLost;
        QTest::addRow("busy, telnet") << "rfc2217" << 4 << NetworkTexts::NetBusy;
        QTest::addRow("busy, raw") << "socket" << 4 << NetworkTexts::NetBusy;
    }
    void failures()
    {
        QFETCH(QString, scheme);
        QFETCH(int, script);
        QFETCH(QString, text);
        Peer peer;
        Line l(peer.address(qPrintable(scheme)));
        QVERIFY(l.line.open().ok());
        l.line.output("AT\r");
        QTRY_VERIFY(peer.client);
        const bool telnet = scheme == QLatin1String("rfc2217");
        if (telnet && script != 1)
            QTRY_VERIFY(peer.got.contains(Encode::negotiation(WILL, OptComPort)));
        switch (script) {
        case 0:
            peer.say(Encode::negotiation(WILL, OptBinary) + Encode::negotiation(DONT, OptComPort));
            break;
        case 2:
            peer.say(Encode::negotiation(WILL, OptBinary));
            QTRY_VERIFY(peer.got.contains(Encode::negotiation(DO, OptBinary)));
            break;
        case 3: {
            if (telnet)
                peer.say(ComPortAccepted);
            QTRY_VERIFY(peer.got.endsWith("AT\r"));
            peer.say("\r\nOK");
            B in;
            QTRY_COMPARE(in += l.line.input(), B("\r\nOK"));
            break;
        }
        case 4:
            if (telnet)
                peer.say(ComPortAccepted);
            peer.say("Port already in use\r\n");
            break;
        }
        if (script != 0)
            peer.client->close();
        QTRY_COMPARE(l.lost.size(), 1);
        QCOMPARE(l.lost.at(0).at(0).toString(), l.expected(text));
        QVERIFY(!l.line.isOpen());
        QTest::qWait(100);
        QCOMPARE(l.lost.size(), 1);
        QVERIFY(l.line.input().isEmpty());
    }

    // Nothing listening, or a name that no resolver knows.
    void unreachable()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        Line refused(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
        QVERIFY(refused.line.open().ok());
        QTRY_COMPARE(refused.lost.size(), 1);
        QCOMPARE(refused.lost.at(0).at(0).toString(), refused.expected(NetworkTexts::NetRefused));

        Line unknown(QStringLiteral("socket://tavoli-test.invalid:7000"));
        QVERIFY(unknown.line.open().ok());
        QTRY_COMPARE_WITH_TIMEOUT(unknown.lost.size(), 1, 15000);
        QCOMPARE(unknown.lost.at(0).at(0).toString(),
                 unknown.expected(NetworkTexts::NetHostNotFound).arg("tavoli-test.invalid"));
    }

    // A listener whose queue is full drops new connection requests, as a server that does not
    // answer: open() returns at once, and after the time limit (never before) comes one notice.
    void noAnswerWithinTheLimit()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&at), size) == 0);
        QVERIFY(::listen(fd, 0) == 0);
        QVERIFY(::getsockname(fd, reinterpret_cast<sockaddr *>(&at), &size) == 0);
        const quint16 port = ntohs(at.sin_port);
        // Fill the queue: connections that complete and are never accepted.
        std::vector<std::unique_ptr<QTcpSocket>> fillers;
        for (int k = 0; k < 2; ++k) {
            fillers.push_back(std::make_unique<QTcpSocket>());
            fillers.back()->connectToHost(QHostAddress::LocalHost, port);
            fillers.back()->waitForConnected(300);
        }
        Line l(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(l.line.open().ok());
        QVERIFY(clock.elapsed() < 500);
        QTRY_COMPARE_WITH_TIMEOUT(l.lost.size(), 1, NetworkLine::ConnectTimeoutMs + 5000);
        QVERIFY(clock.elapsed() >= NetworkLine::ConnectTimeoutMs);
        QCOMPARE(l.lost.at(0).at(0).toString(), l.expected(NetworkTexts::NetNoAnswer).arg(5));
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestNetworkLine)
#include "tst_networkline.moc"
