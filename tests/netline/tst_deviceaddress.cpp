// SPDX-License-Identifier: GPL-3.0-or-later
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
        using namespace NetworkTexts;
        const struct
        {
            const char *text;
            Kind kind;
            const char *host;
            int port;
            QString reason;
        } rows[] = {
            {"/dev/ttyUSB0", Kind::Local, "", 0, {}},
            {"rfc2217:/x", Kind::Local, "", 0, {}},
            {"rfc2217://127.0.0.1:7000", Kind::Rfc2217, "127.0.0.1", 7000, {}},
            {"SOCKET://ts-3.example.net:1", Kind::RawTcp, "ts-3.example.net", 1, {}},
            {"socket://[::1]:65535", Kind::RawTcp, "::1", 65535, {}},
            {"socket://h:0", Kind::RawTcp, "", 0, AddressBadPort},
            {"socket://h:65536", Kind::RawTcp, "", 0, AddressBadPort},
            {"socket://h:+80", Kind::RawTcp, "", 0, AddressBadPort},
            {"socket://h:7000/x", Kind::RawTcp, "", 0, AddressBadPort},
            {"rfc2217://host", Kind::Rfc2217, "", 0, AddressNoPort},
            {"rfc2217://host:", Kind::Rfc2217, "", 0, AddressNoPort},
            {"rfc2217://:7000", Kind::Rfc2217, "", 0, AddressNoHost},
            {"rfc2217://::1:7000", Kind::Rfc2217, "", 0, AddressBadIpv6},
            {"rfc2217://[::1:7000", Kind::Rfc2217, "", 0, AddressBadIpv6},
            {"rfc2217://[10.0.0.1]:7000", Kind::Rfc2217, "", 0, AddressBadHost},
            {"socket://10.0.0.300:7000", Kind::RawTcp, "", 0, AddressBadHost},
            {"socket://10.1:7000", Kind::RawTcp, "", 0, AddressBadHost},
            {"socket://a b:7000", Kind::RawTcp, "", 0, AddressBadHost},
            // A server named as this program does not name one is no path either.
            {"telnet://ts:7000", Kind::Unsupported, "", 0, AddressUnsupported},
            {"ts:7000", Kind::Unsupported, "", 0, AddressUnsupported},
            {"[::1]:7000", Kind::Unsupported, "", 0, AddressUnsupported},
            {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", Kind::Local, "", 0, {}},
        };
        for (const auto &row : rows)
            QTest::addRow("%s", row.text) << QString::fromUtf8(row.text) << int(row.kind)
                                          << QString::fromUtf8(row.host) << row.port << row.reason;
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
        // ... and says how to write it the two ways that work.
        if (kind == int(Kind::Unsupported))
            for (const char *scheme : {"rfc2217://", "socket://"})
                QVERIFY2(address.error().contains(scheme + text.section("://", -1) + ' '),
                         qPrintable(address.error()));
    }
};

QTEST_APPLESS_MAIN(TestDeviceAddress)
#include "tst_deviceaddress.moc"
