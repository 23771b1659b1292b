// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet codec and the option bookkeeping, without a socket.
#include "telnetcodec.h"
#include "telnetoptions.h"

#include <QTest>

using namespace Telnet;
using B = QByteArray;
using K = Event::Kind;

namespace {

B bytes(std::initializer_list<int> list)
{
    B out;
    for (const int b : list)
        out.append(char(b));
    return out;
}

struct Decoded
{
    B data;
    QList<Event> events;
};

// Feeds `stream` in two reads cut at `cut`.
Decoded decodeSplit(const B &stream, qsizetype cut)
{
    Decoder decoder;
    Decoded out;
    decoder.feed(stream.left(cut), out.data, out.events);
    decoder.feed(stream.mid(cut), out.data, out.events);
    return out;
}

B reply(TelnetOptions &options, K kind, quint8 option)
{
    return options.handle(Event{kind, option, {}, false});
}

} // namespace

class TestTelnetCodec : public QObject
{
    Q_OBJECT
private slots:
    // A negotiation, a subnegotiation with a doubled IAC inside, and data with a doubled IAC,
    // cut at every byte: always the same data and the same events.
    void splitAnywhere()
    {
        const B stream =
            bytes({'A', IAC, IAC, IAC,  WILL, OptBinary, 'B', IAC,  SB,         OptComPort,
                   107, IAC, IAC, 0x30, IAC,  SE,        IAC, DONT, OptComPort, 'C'});
        for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
            const Decoded d = decodeSplit(stream, cut);
            QCOMPARE(d.data, bytes({'A', IAC, 'B', 'C'}));
            QCOMPARE(d.events.size(), 3);
            QVERIFY(d.events[0].kind == K::Will && d.events[0].option == OptBinary);
            QVERIFY(d.events[1].kind == K::Subnegotiation && d.events[1].option == OptComPort);
            QCOMPARE(d.events[1].payload, bytes({107, IAC, 0x30}));
            QVERIFY(d.events[2].kind == K::Dont && d.events[2].option == OptComPort);
        }
    }

    // Every byte value survives doubling and undoubling, IAC at both ends too, and so does an
    // IAC inside a command's value (0x00FF00FF bauds).
    void dataRoundTrip()
    {
        B all;
        for (int k = 0; k < 256; ++k)
            all.append(char(k));
        for (const B &original : {all, bytes({IAC, IAC, 'x', IAC}), B()}) {
            const B wire = Encode::data(original);
            QCOMPARE(wire.size(), original.size() + original.count(char(IAC)));
            Decoded d = decodeSplit(wire, wire.size() / 2);
            QCOMPARE(d.data, original);
            QVERIFY(d.events.isEmpty());
        }
        QCOMPARE(Encode::setBaudRate(0x00FF00FF),
                 bytes({IAC, SB, OptComPort, 1, 0, IAC, IAC, 0, IAC, IAC, IAC, SE}));
    }

    // A subnegotiation past the limit keeps exactly the limit, says so, and the stream goes
    // on; one at the limit is whole. Plain bytes and doubled IACs take different paths.
    void longSubnegotiationBounded()
    {
        for (const qsizetype length :
             {Decoder::PayloadLimit, Decoder::PayloadLimit + 1, Decoder::PayloadLimit * 100}) {
            for (const B &unit : {B("x"), bytes({IAC, IAC})}) {
                const B stream = bytes({IAC, SB, OptComPort}) + unit.repeated(length)
                                 + bytes({IAC, SE}) + B("ok");
                Decoded d = decodeSplit(stream, 7);
                QCOMPARE(d.events.size(), 1);
                QCOMPARE(d.events[0].payload, B(Decoder::PayloadLimit, unit.at(0)));
                QCOMPARE(d.events[0].truncated, length > Decoder::PayloadLimit);
                QCOMPARE(d.data, B("ok"));
            }
        }
    }

    // We offer and ask once; an agreement is not answered again; an option nobody wants is
    // refused once however often it comes; a server's refusal is recorded.
    void negotiationWithoutLoops()
    {
        TelnetOptions options(true);
        QVERIFY(options.start().contains(Encode::negotiation(WILL, OptComPort)));
        QVERIFY(options.start().isEmpty());
        QCOMPARE(reply(options, K::Do, OptComPort), B());
        QVERIFY(options.localEnabled(OptComPort));
        QCOMPARE(reply(options, K::Will, 1), Encode::negotiation(DONT, 1)); // ser2net's ECHO
        QCOMPARE(reply(options, K::Will, 1), B());
        QCOMPARE(reply(options, K::Do, 24), Encode::negotiation(WONT, 24));
        QCOMPARE(reply(options, K::Do, 24), B());
        QCOMPARE(reply(options, K::Will, OptBinary), B()); // asked for at the start
        QCOMPARE(reply(options, K::Wont, OptBinary), Encode::negotiation(DONT, OptBinary));
        QCOMPARE(reply(options, K::Wont, OptBinary), B());

        TelnetOptions refused(true);
        (void)refused.start();
        QCOMPARE(reply(refused, K::Dont, OptComPort), B());
        QVERIFY(refused.localRefused(OptComPort) && !refused.localEnabled(OptComPort));

        // A raw line never offers the COM Port option and refuses a request for it.
        TelnetOptions plain(false);
        QVERIFY(!plain.start().contains(Encode::negotiation(WILL, OptComPort)));
        QCOMPARE(reply(plain, K::Do, OptComPort), Encode::negotiation(WONT, OptComPort));
    }
};

QTEST_APPLESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
