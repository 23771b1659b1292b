// The simulated modem, driven through its real pseudo-terminal the way Tavoli drives a modem.
#include "hayesmodem.h"
#include "slaveline.h"

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

namespace {

QByteArray q(const std::string &s)
{
    return QByteArray::fromStdString(s);
}

long long msBetween(HayesModem::Clock::time_point from, HayesModem::Clock::time_point to)
{
    return std::chrono::duration_cast<Ms>(to - from).count();
}

bool hasOddParity(unsigned char c)
{
    return (__builtin_popcount(c) & 1) != 0;
}

unsigned char withEvenParity(unsigned char c)
{
    return hasOddParity(c) ? static_cast<unsigned char>(c | 0x80) : c;
}

std::string stripped(const std::string &bytes)
{
    std::string out = bytes;
    for (char &c : out)
        c = static_cast<char>(c & 0x7F);
    return out;
}

// A started modem and a raw slave line opened on it.
struct Bench
{
    explicit Bench(HayesOptions options = {}) : modem(std::move(options))
    {
        std::string error;
        started = modem.start(&error);
        if (started)
            line = std::make_unique<SlaveLine>(modem.devicePath());
    }
    bool ready() const { return started && line && line->isOpen(); }

    HayesModem modem;
    std::unique_ptr<SlaveLine> line;
    bool started = false;
};

using Script = QList<QByteArray>; // command, expected reply, command, expected reply, ...

} // namespace

class TestHayesModem : public QObject
{
    Q_OBJECT

private slots:
    void conversation_data();
    void conversation();
    void commandsChangeTheModemState();
    void parityOnInputIsIgnored_data();
    void parityOnInputIsIgnored();
    void replyParity_data();
    void replyParity();
    void faultSwitches_data();
    void faultSwitches();
    void repliesInPieces_data();
    void repliesInPieces();
    void garbageBeforeEachReply();
    void delayedReplyKeepsReadingInput();
    void logRecordsBytesAndTimes();
    void hangUp_data();
    void hangUp();
    void floodStopsWhenStopped();
    void linkTo();
};

void TestHayesModem::conversation_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("verbose");
    QTest::addColumn<Script>("script");

    QTest::newRow("numeric results, prefix and junk before it") << false << false
        << Script{"AT\r", "0\r", "at\r", "0\r", "At\r", "0\r", "xyAT\r", "0\r",
                  "hello\r", "", "AT\r\n", "0\r", "AT\r", "0\r", "ATX9\r", "4\r"};
    QTest::newRow("verbose results and information text") << false << true
        << Script{"AT\r", "\r\nOK\r\n", "ATS0?\r", "\r\n000\r\n\r\nOK\r\n", "ATX9\r", "\r\nERROR\r\n",
                  "AT+MS?\r", "\r\n+MS: V34,1\r\n\r\nOK\r\n"};
    QTest::newRow("wake-up line switches modes for its own reply") << true << true
        << Script{"ATE0Q0V0\r", "ATE0Q0V0\r0\r", "ATS0?\r", "000\r\n0\r"};
    QTest::newRow("S-registers") << false << false
        << Script{"ATS0=2\r", "0\r", "ATS0?\r", "002\r\n0\r", "ATS37=9\r", "0\r", "ATS37?\r", "009\r\n0\r",
                  "ATS0=255\r", "0\r", "ATS0=256\r", "4\r", "ATS0?\r", "255\r\n0\r", "ATS256=1\r", "4\r",
                  "ATS0=7S0?\r", "007\r\n0\r", "AT S0 = 12\r", "0\r", "ATS0?\r", "012\r\n0\r"};
    QTest::newRow("unknown command aborts the rest of the line") << false << false
        << Script{"ATS0=5JS0=6\r", "4\r", "ATS0?\r", "005\r\n0\r", "ATE2\r", "4\r", "ATL4\r", "4\r",
                  "AT&Q7\r", "4\r", "AT&Z\r", "4\r", "AT+XY\r", "4\r", "ATZ1\r", "4\r", "ATS0=#\r", "4\r"};
    QTest::newRow("quiet keeps information text") << false << false
        << Script{"ATQ1\r", "", "ATS0?\r", "000\r\n", "ATX9\r", "", "ATQ0\r", "0\r"};
    QTest::newRow("store, factory reset, restore") << false << false
        << Script{"ATS0=3&W0\r", "0\r", "ATS0=4\r", "0\r", "AT&F\r", "\r\nOK\r\n",
                  "ATS0?\r", "ATS0?\r\r\n000\r\n\r\nOK\r\n", "ATZ\r", "ATZ\r0\r", "ATS0?\r", "003\r\n0\r",
                  "AT&F0E0Q0V0\r", "0\r", "ATZ0\r", "0\r"};
    QTest::newRow("chipset list bodies") << false << false
        << Script{"AT&F0E0Q0V0\r", "0\r", "ATV0\r", "0\r", "ATS0=1\r", "0\r", "ATB0\r", "0\r", "ATL2\r", "0\r",
                  "ATM1\r", "0\r", "ATE0\r", "0\r", "ATY1\r", "0\r", "AT&Q5\r", "0\r", "ATN0\r", "0\r",
                  "ATS37=9\r", "0\r", "AT&D0\r", "0\r", "AT&S0\r", "0\r", "ATN1\r", "0\r",
                  "ATB1L0M3X4&C1&D3&S1&Q0Y0H0&C\r", "0\r", "AT+MS=V22B,0\r", "0\r",
                  "AT+MS?\r", "+MS: V22B,0\r\n0\r", "ATQ1\r", "", "AT&W0\r", "", "AT\r", ""};
}

void TestHayesModem::conversation()
{
    QFETCH(bool, echo);
    QFETCH(bool, verbose);
    QFETCH(Script, script);
    HayesOptions options;
    options.echo = echo;
    options.verbose = verbose;
    Bench bench(options);
    QVERIFY(bench.ready());

    for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
        const std::string command = script[i].toStdString();
        const std::string expected = script[i + 1].toStdString();
        QVERIFY(bench.line->send(command));
        std::string reply = bench.line->read(expected.size(), 1000);
        reply += bench.line->readUntilQuiet(expected.empty() ? 80 : 25);
        QVERIFY2(q(reply) == script[i + 1],
                 qPrintable(QStringLiteral("after %1: got %2, expected %3")
                                .arg(QString::fromLatin1(script[i].toPercentEncoding()),
                                     QString::fromLatin1(q(reply).toPercentEncoding()),
                                     QString::fromLatin1(script[i + 1].toPercentEncoding()))));
    }
}

void TestHayesModem::commandsChangeTheModemState()
{
    Bench bench;
    QVERIFY(bench.ready());
    QVERIFY(bench.line->send("ATS0=2S37=9&D0&Q5B0+MS=V22,0\r"));
    QCOMPARE(q(bench.line->read(2)), QByteArray("0\r"));
    QCOMPARE(bench.modem.registerValue(0), 2);
    QCOMPARE(bench.modem.registerValue(37), 9);
    QCOMPARE(bench.modem.setting("&D"), 0);
    QCOMPARE(bench.modem.setting("&q"), 5);
    QCOMPARE(bench.modem.setting("B"), 0);
    QCOMPARE(bench.modem.setting("W"), -1);
    QCOMPARE(bench.modem.modulation(), std::string("V22,0"));
    QCOMPARE(bench.modem.storedRegister(0), 0);

    QVERIFY(bench.line->send("ATQ1&W0\r"));
    QCOMPARE(q(bench.line->readUntilQuiet(60)), QByteArray());
    QCOMPARE(bench.modem.storedRegister(0), 2);
    QCOMPARE(bench.modem.storedRegister(37), 9);
    QVERIFY(bench.modem.quiet());

    QVERIFY(bench.line->send("AT&F\r"));
    QCOMPARE(q(bench.line->read(6)), QByteArray("\r\nOK\r\n"));
    QVERIFY(bench.modem.echo() && bench.modem.verbose() && !bench.modem.quiet());
    QCOMPARE(bench.modem.registerValue(0), 0);
    QCOMPARE(bench.modem.storedRegister(0), 2);
    QCOMPARE(bench.modem.setting("&D"), 2);
}

void TestHayesModem::parityOnInputIsIgnored_data()
{
    QTest::addColumn<int>("parity");
    QTest::newRow("odd") << 1;
    QTest::newRow("even") << 2;
}

void TestHayesModem::parityOnInputIsIgnored()
{
    QFETCH(int, parity);
    HayesOptions options;
    options.echo = true;
    Bench bench(options);
    QVERIFY(bench.ready());

    std::string raw;
    for (unsigned char c : std::string("ATS0?\r")) {
        const unsigned char even = withEvenParity(c);
        raw += static_cast<char>(parity == 2 ? even : even ^ 0x80);
    }
    QVERIFY(std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; }));
    QVERIFY(bench.line->send(raw));
    const std::string expected = "ATS0?\r000\r\n0\r"; // echo comes back with bit 7 cleared
    QCOMPARE(q(bench.line->read(expected.size())), q(expected));

    QVERIFY(bench.modem.waitForReceived(1, 1000));
    const auto log = bench.modem.received();
    QCOMPARE(q(log[0].raw), q(raw));
    QCOMPARE(q(log[0].line), QByteArray("ATS0?"));
}

void TestHayesModem::replyParity_data()
{
    QTest::addColumn<int>("parity");
    QTest::newRow("odd") << 1;
    QTest::newRow("even") << 2;
}

void TestHayesModem::replyParity()
{
    QFETCH(int, parity);
    HayesOptions options;
    options.echo = true;
    options.verbose = true;
    options.replyParity = parity;
    Bench bench(options);
    QVERIFY(bench.ready());

    QVERIFY(bench.line->send("ATS0?\r"));
    const std::string expected = "ATS0?\r\r\n000\r\n\r\nOK\r\n";
    const std::string reply = bench.line->read(expected.size());
    QCOMPARE(q(stripped(reply)), q(expected));
    for (unsigned char c : reply)
        QCOMPARE(hasOddParity(c), parity == 1);

    QVERIFY(bench.modem.waitForSent(1, 1000));
    const auto sent = bench.modem.sent();
    QCOMPARE(q(sent[0].text), QByteArray("\r\n000\r\n\r\nOK\r\n"));
    QCOMPARE(q(sent[0].bytes), q(reply.substr(6)));
}

void TestHayesModem::faultSwitches_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("verbose");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("s37After");

    QTest::newRow("error on, without prefix") << "error" << QByteArray("S37=9") << false
                                              << QByteArray("ATS37=9\r") << QByteArray("4\r") << 0;
    QTest::newRow("error on, any case") << "error" << QByteArray("ats37=9") << false << QByteArray("ATs37=9\r")
                                        << QByteArray("4\r") << 0;
    QTest::newRow("error on, verbose") << "error" << QByteArray("ATS37=9") << true << QByteArray("ATS37=9\r")
                                       << QByteArray("\r\nERROR\r\n") << 0;
    QTest::newRow("error on leaves other lines alone") << "error" << QByteArray("S37=9") << false
                                                       << QByteArray("ATS37=8\r") << QByteArray("0\r") << 8;
    QTest::newRow("silent on") << "silentOn" << QByteArray("S37=9") << false << QByteArray("ATS37=9\r")
                               << QByteArray() << 0;
    QTest::newRow("no result on") << "noResult" << QByteArray("ATS37?") << false << QByteArray("ATS37?\r")
                                  << QByteArray("000\r\n") << 0;
    QTest::newRow("no result on, verbose") << "noResult" << QByteArray("S37=9") << true
                                           << QByteArray("ATS37=9\r") << QByteArray() << 9;
    QTest::newRow("silent modem") << "silent" << QByteArray() << false << QByteArray("ATS37=9\r")
                                  << QByteArray() << 0;
}

void TestHayesModem::faultSwitches()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, pattern);
    QFETCH(bool, verbose);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(int, s37After);
    HayesOptions options;
    options.verbose = verbose;
    if (fault == "error")
        options.errorOn = {"AT", pattern.toStdString()};
    else if (fault == "silentOn")
        options.silentOn = {pattern.toStdString()};
    else if (fault == "noResult")
        options.noResultOn = {pattern.toStdString()};
    else
        options.silent = true;
    if (fault == "silent")
        options.echo = true; // a silent modem does not even echo
    Bench bench(options);
    QVERIFY(bench.ready());

    QVERIFY(bench.line->send(command.toStdString()));
    std::string got = bench.line->read(static_cast<std::size_t>(reply.size()), 1000);
    got += bench.line->readUntilQuiet(reply.isEmpty() ? 100 : 30);
    QCOMPARE(q(got), reply);
    QCOMPARE(bench.modem.registerValue(37), s37After);
    QVERIFY(bench.modem.waitForReceived(1, 1000)); // every line is logged, answered or not
    QCOMPARE(q(bench.modem.received()[0].line), command.chopped(1));
}

void TestHayesModem::repliesInPieces_data()
{
    QTest::addColumn<bool>("split");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QList<QByteArray>>("pieces");

    // V1 "\r\nOK\r\n" in pieces of 2 bytes; V0 "000\r\n0\r" cut between CR and LF.
    QTest::newRow("chunks") << false << QByteArray("ATV1\r") << QList<QByteArray>{"\r\n", "OK", "\r\n"};
    QTest::newRow("CR and LF apart") << true << QByteArray("ATS0?\r") << QList<QByteArray>{"000\r", "\n0\r"};
}

void TestHayesModem::repliesInPieces()
{
    QFETCH(bool, split);
    QFETCH(QByteArray, command);
    QFETCH(QList<QByteArray>, pieces);
    constexpr int Gap = 60;
    HayesOptions options;
    if (split) {
        options.splitCrLf = true;
        options.splitGapMs = Gap;
    } else {
        options.chunk = 2;
        options.chunkGapMs = Gap;
    }
    Bench bench(options);
    QVERIFY(bench.ready());

    QVERIFY(bench.line->send(command.toStdString()));
    std::size_t total = 0;
    for (const QByteArray &p : pieces)
        total += static_cast<std::size_t>(p.size());
    const auto got = bench.line->readPieces(total, 2000);
    QList<QByteArray> received;
    for (const auto &p : got)
        received.append(q(p.bytes));
    // The gaps are long enough that every piece is read on its own.
    QCOMPARE(received, pieces);
    for (std::size_t i = 1; i < got.size(); ++i)
        QVERIFY(msBetween(got[i - 1].at, got[i].at) >= Gap - 15);

    QVERIFY(bench.modem.waitForSent(1, 1000));
    const auto sent = bench.modem.sent();
    QCOMPARE(sent.size(), std::size_t(1)); // one reply, however many writes
    QCOMPARE(q(sent[0].bytes), pieces.join());
    QVERIFY(msBetween(sent[0].firstByte, sent[0].lastByte) >= (pieces.size() - 1) * Gap - 5);
}

void TestHayesModem::garbageBeforeEachReply()
{
    HayesOptions options;
    options.garbageBefore = 40;
    Bench bench(options);
    QVERIFY(bench.ready());

    for (int round = 0; round < 3; ++round) {
        QVERIFY(bench.line->send("AT\r"));
        const std::string reply = bench.line->read(42);
        QCOMPARE(reply.size(), std::size_t(42));
        QCOMPARE(q(reply.substr(40)), QByteArray("0\r"));
        for (std::size_t i = 0; i < 40; ++i)
            QVERIFY((reply[i] & 0x7F) != '\r'); // not even once parity is stripped
    }
    QVERIFY(bench.modem.waitForSent(3, 1000));
    QCOMPARE(q(bench.modem.sent()[0].text), QByteArray("0\r"));
}

void TestHayesModem::delayedReplyKeepsReadingInput()
{
    HayesOptions options;
    options.replyDelayMs = 200;
    Bench bench(options);
    QVERIFY(bench.ready());

    const auto t0 = SlaveLine::Clock::now();
    QVERIFY(bench.line->send("ATS0=1\r"));
    std::this_thread::sleep_for(50ms);
    const auto t1 = SlaveLine::Clock::now();
    QVERIFY(bench.line->send("ATS0?\r"));
    const std::string reply = bench.line->read(2, 1000);
    const auto gotFirst = SlaveLine::Clock::now();
    QCOMPARE(q(reply), QByteArray("0\r"));
    QVERIFY(msBetween(t0, gotFirst) >= 190);
    QCOMPARE(q(bench.line->read(8, 1000)), QByteArray("001\r\n0\r"));

    // The second line was read as it came, not after the first reply went out.
    QVERIFY(bench.modem.waitForSent(2, 1000));
    const auto rx = bench.modem.received();
    QCOMPARE(rx.size(), std::size_t(2));
    const auto tx = bench.modem.sent();
    QVERIFY(rx[1].lastByte >= t1);
    QVERIFY(rx[1].lastByte < tx[0].firstByte);
    QVERIFY(msBetween(rx[0].lastByte, tx[0].firstByte) >= 200);
}

void TestHayesModem::logRecordsBytesAndTimes()
{
    Bench bench;
    QVERIFY(bench.ready());

    QVERIFY(bench.line->send("\x01" "at"));
    std::this_thread::sleep_for(60ms);
    QVERIFY(bench.line->send("s0?\r"));
    QCOMPARE(q(bench.line->read(8)), QByteArray("000\r\n0\r"));
    const auto readAt = SlaveLine::Clock::now();
    QVERIFY(bench.modem.waitForSent(1, 1000));

    const auto rx = bench.modem.received();
    const auto tx = bench.modem.sent();
    QCOMPARE(rx.size(), std::size_t(1));
    QCOMPARE(q(rx[0].raw), QByteArray("\x01" "ats0?\r"));
    QCOMPARE(q(rx[0].line), QByteArray("\x01" "ats0?"));
    QVERIFY(msBetween(rx[0].firstByte, rx[0].lastByte) >= 50);
    QCOMPARE(q(tx[0].bytes), QByteArray("000\r\n0\r"));
    QVERIFY(tx[0].firstByte >= rx[0].lastByte);
    QVERIFY(tx[0].lastByte >= tx[0].firstByte);
    QVERIFY(tx[0].lastByte <= readAt);
    QVERIFY(msBetween(rx[0].lastByte, tx[0].lastByte) < 200); // answered at once, even on a busy machine
    QVERIFY(bench.modem.echoed().empty());

    bench.modem.clearLog();
    QVERIFY(bench.modem.received().empty() && bench.modem.sent().empty());
}

void TestHayesModem::hangUp_data()
{
    QTest::addColumn<bool>("afterCommand");
    QTest::newRow("hangUp()") << false;
    QTest::newRow("hang up after ATZ") << true;
}

void TestHayesModem::hangUp()
{
    QFETCH(bool, afterCommand);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string link = dir.filePath("com1").toStdString();
    HayesOptions options;
    if (afterCommand)
        options.hangupAfter = "atz";
    Bench bench(options);
    QVERIFY(bench.ready());
    QVERIFY(bench.modem.linkTo(link));

    QVERIFY(bench.line->send("AT\r"));
    QCOMPARE(q(bench.line->read(2)), QByteArray("0\r"));
    if (afterCommand) {
        QVERIFY(bench.line->send("ATZ\r"));
        QCOMPARE(q(bench.line->read(2)), QByteArray("0\r")); // answered before the line drops
    } else {
        bench.modem.hangUp();
    }
    QVERIFY(bench.line->seesHangUp(1000));
    QVERIFY(!bench.modem.lineOpen());
    struct stat st{};
    QVERIFY(::lstat(link.c_str(), &st) != 0);
    QVERIFY(!bench.modem.linkTo(link));
}

void TestHayesModem::floodStopsWhenStopped()
{
    HayesOptions options;
    options.floodAfter = "S0?";
    Bench bench(options);
    QVERIFY(bench.ready());

    QVERIFY(bench.line->send("AT\r"));
    QCOMPARE(q(bench.line->read(2)), QByteArray("0\r"));
    QVERIFY(bench.line->send("ATS0?\r"));
    const std::string flood = bench.line->read(20000, 500);
    QVERIFY(flood.size() >= 8192);
    QVERIFY(stripped(flood).find_first_of("\r\n") == std::string::npos);
    QVERIFY(bench.line->send("AT\r")); // still read and logged, never answered
    QVERIFY(bench.modem.waitForReceived(3, 1000));

    // Nobody reads now: the line fills up, and stopping must still be prompt.
    std::this_thread::sleep_for(300ms);
    QVERIFY(bench.modem.floodBytes() >= flood.size());
    const auto before = SlaveLine::Clock::now();
    bench.modem.stop();
    QVERIFY(msBetween(before, SlaveLine::Clock::now()) < 300);
    QVERIFY(bench.line->seesHangUp(1000));
    QCOMPARE(bench.modem.sent().size(), std::size_t(1));
}

void TestHayesModem::linkTo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string link = dir.filePath("ttyModem").toStdString();
    const std::string file = dir.filePath("plain").toStdString();
    QVERIFY(::symlink("/nonexistent/old", link.c_str()) == 0);
    { QFile f(QString::fromStdString(file)); QVERIFY(f.open(QIODevice::WriteOnly)); }

    HayesModem modem;
    QVERIFY(modem.start());
    std::string error;
    QVERIFY2(modem.linkTo(link, &error), error.c_str());
    QVERIFY(!modem.linkTo(file, &error)); // not a link: left alone
    QVERIFY(QFile::exists(QString::fromStdString(file)));

    {
        SlaveLine line(link);
        QVERIFY(line.isOpen());
        QVERIFY(line.send("AT\r"));
        QCOMPARE(q(line.read(2)), QByteArray("0\r"));
    }
    // Closing the slave side does not drop the line: the next opening is answered too.
    {
        SlaveLine line(link);
        QVERIFY(line.send("AT\r"));
        QCOMPARE(q(line.read(2)), QByteArray("0\r"));
    }
    modem.stop();
    struct stat st{};
    QVERIFY(::lstat(link.c_str(), &st) != 0);
    modem.stop(); // twice is harmless
}

QTEST_GUILESS_MAIN(TestHayesModem)
#include "tst_hayesmodem.moc"
