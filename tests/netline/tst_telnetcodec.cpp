// The Telnet codec and the option bookkeeping, without a socket.
#include "telnetcodec.h"
#include "telnetoptions.h"

#include <QTest>

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

struct Decoded
{
    B data;
    QList<Event> events;
};

// Feeds `stream` in two pieces cut at `cut`.
Decoded decodeSplit(const B &stream, qsizetype cut)
{
    Decoder decoder;
    Decoded out;
    decoder.feed(stream.left(cut), out.data, out.events);
    decoder.feed(stream.mid(cut), out.data, out.events);
    return out;
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
        const B stream = B("A")
                         + bytes({IAC, IAC, IAC, WILL, OptBinary, 'B', IAC, SB, OptComPort, 107,
                                  IAC, IAC, 0x30, IAC, SE, IAC, DONT, OptComPort})
                         + B("C");
        for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
            const Decoded d = decodeSplit(stream, cut);
            QCOMPARE(d.data, bytes({'A', IAC, 'B', 'C'}));
            QCOMPARE(d.events.size(), 3);
            QCOMPARE(d.events[0].kind, Event::Kind::Will);
            QCOMPARE(d.events[0].option, OptBinary);
            QCOMPARE(d.events[1].kind, Event::Kind::Subnegotiation);
            QCOMPARE(d.events[1].option, OptComPort);
            QCOMPARE(d.events[1].payload, bytes({107, IAC, 0x30}));
            QCOMPARE(d.events[2].kind, Event::Kind::Dont);
        }
    }

    // Every byte value survives doubling and undoubling; IAC alone and at both ends too.
    void dataRoundTrip()
    {
        B all;
        for (int k = 0; k < 256; ++k)
            all.append(char(k));
        for (const B &original : {all, bytes({IAC}), bytes({IAC, IAC, 'x', IAC}), B()}) {
            const B wire = Encode::data(original);
            QCOMPARE(wire.size(), original.size() + original.count(char(IAC)));
            Decoded d = decodeSplit(wire, wire.size() / 2);
            QCOMPARE(d.data, original);
            QVERIFY(d.events.isEmpty());
        }
        // An IAC in a command's value is doubled too: 0x00FF00FF bauds.
        QCOMPARE(Encode::setBaudRate(0x00FF00FF),
                 bytes({IAC, SB, OptComPort, 1, 0, IAC, IAC, 0, IAC, IAC, IAC, SE}));
        QCOMPARE(Encode::setBaudRate(9600),
                 bytes({IAC, SB, OptComPort, 1, 0, 0, 0x25, 0x80, IAC, SE}));
    }

    // A subnegotiation past the limit keeps exactly the limit, says so, and the stream goes
    // on; one at the limit is whole.
    void longSubnegotiationBounded()
    {
        for (const qsizetype length :
             {Decoder::PayloadLimit, Decoder::PayloadLimit + 1, Decoder::PayloadLimit * 100}) {
            // Plain bytes and doubled IACs reach the limit by different paths.
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

    // We offer and ask once; a server's agreement is not answered again; an option nobody
    // wants is refused once however often it comes; a refusal of ours is recorded.
    void negotiationWithoutLoops()
    {
        TelnetOptions options(true);
        const B first = options.start();
        QVERIFY(first.contains(Encode::negotiation(WILL, OptComPort)));
        QVERIFY(first.contains(Encode::negotiation(DO, OptBinary)));
        QVERIFY(options.start().isEmpty());

        bool changed = false;
        QCOMPARE(options.handle({Event::Kind::Do, OptComPort, {}, false}, &changed), B());
        QVERIFY(changed && options.localEnabled(OptComPort));
        QCOMPARE(options.handle({Event::Kind::Do, OptComPort, {}, false}, &changed), B());
        QVERIFY(!changed);

        // ser2net offers ECHO: refused once, then ignored.
        QCOMPARE(options.handle({Event::Kind::Will, 1, {}, false}), Encode::negotiation(DONT, 1));
        QCOMPARE(options.handle({Event::Kind::Will, 1, {}, false}), B());
        QCOMPARE(options.handle({Event::Kind::Do, 24, {}, false}), Encode::negotiation(WONT, 24));
        QCOMPARE(options.handle({Event::Kind::Do, 24, {}, false}), B());
        QVERIFY(!options.localEnabled(24));

        // The server turns BINARY off after agreeing: acknowledged once.
        QCOMPARE(options.handle({Event::Kind::Will, OptBinary, {}, false}), B());
        QCOMPARE(options.handle({Event::Kind::Wont, OptBinary, {}, false}),
                 Encode::negotiation(DONT, OptBinary));
        QCOMPARE(options.handle({Event::Kind::Wont, OptBinary, {}, false}), B());

        // A server that will not take the COM Port option.
        TelnetOptions refused(true);
        (void)refused.start();
        QCOMPARE(refused.handle({Event::Kind::Dont, OptComPort, {}, false}), B());
        QVERIFY(refused.localRefused(OptComPort) && !refused.localEnabled(OptComPort));

        // A raw line never offers it, and refuses the server's request for it.
        TelnetOptions plain(false);
        QVERIFY(!plain.start().contains(Encode::negotiation(WILL, OptComPort)));
        QCOMPARE(plain.handle({Event::Kind::Do, OptComPort, {}, false}),
                 Encode::negotiation(WONT, OptComPort));
    }
};

QTEST_APPLESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
