// Which device names are network addresses, and why a malformed one is refused.
#include "deviceaddress.h"
#include "networktexts.h"

#include <QTest>

using Kind = DeviceAddress::Kind;

class TestDeviceAddress : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *text, Kind kind, const char *host,
                            int port, const QString &reason = {}) {
            QTest::addRow("%s", name) << QString::fromUtf8(text) << int(kind)
                                      << QString::fromUtf8(host) << port << reason;
        };
        row("local path", "/dev/ttyUSB0", Kind::Local, "", 0);
        row("scheme-like path", "rfc2217:/x", Kind::Local, "", 0);
        row("ipv4", "rfc2217://127.0.0.1:7000", Kind::Rfc2217, "127.0.0.1", 7000);
        row("name, upper scheme", "SOCKET://ts-3.example.net:1", Kind::RawTcp, "ts-3.example.net",
            1);
        row("ipv6", "socket://[::1]:65535", Kind::RawTcp, "::1", 65535);
        row("port zero", "socket://h:0", Kind::RawTcp, "", 0, NetworkTexts::AddressBadPort);
        row("port past range", "socket://h:65536", Kind::RawTcp, "", 0,
            NetworkTexts::AddressBadPort);
        row("port signed", "socket://h:+80", Kind::RawTcp, "", 0, NetworkTexts::AddressBadPort);
        row("no port", "rfc2217://host", Kind::Rfc2217, "", 0, NetworkTexts::AddressNoPort);
        row("empty port", "rfc2217://host:", Kind::Rfc2217, "", 0, NetworkTexts::AddressNoPort);
        row("no host", "rfc2217://:7000", Kind::Rfc2217, "", 0, NetworkTexts::AddressNoHost);
        row("bare ipv6", "rfc2217://::1:7000", Kind::Rfc2217, "", 0, NetworkTexts::AddressBadIpv6);
        row("open bracket", "rfc2217://[::1:7000", Kind::Rfc2217, "", 0,
            NetworkTexts::AddressBadIpv6);
        row("bracketed ipv4", "rfc2217://[10.0.0.1]:7000", Kind::Rfc2217, "", 0,
            NetworkTexts::AddressBadHost);
        row("ipv4 out of range", "socket://10.0.0.300:7000", Kind::RawTcp, "", 0,
            NetworkTexts::AddressBadHost);
        row("short ipv4", "socket://10.1:7000", Kind::RawTcp, "", 0, NetworkTexts::AddressBadHost);
        row("path after port", "socket://h:7000/x", Kind::RawTcp, "", 0,
            NetworkTexts::AddressBadPort);
        row("blank in name", "socket://a b:7000", Kind::RawTcp, "", 0,
            NetworkTexts::AddressBadHost);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, reason);
        const DeviceAddress address = DeviceAddress::parse(text);
        QCOMPARE(int(address.kind()), kind);
        QCOMPARE(address.text(), text);
        QCOMPARE(address.host(), host);
        QCOMPARE(int(address.port()), port);
        QCOMPARE(address.isValid(), reason.isEmpty());
        // The reason is the one expected, naming the address as given.
        if (!reason.isEmpty())
            QVERIFY2(address.error().startsWith(reason.section(u':', 0, 0).arg(text)),
                     qPrintable(address.error()));
    }
};

QTEST_APPLESS_MAIN(TestDeviceAddress)
#include "tst_deviceaddress.moc"
