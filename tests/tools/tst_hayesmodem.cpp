// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated modem, driven through its real pseudo-terminal the way Tavoli drives a modem.
#include "hayesmodem.h"
#include "slaveline.h"

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace std::chrono_literals;
using B = QByteArray;

namespace {

B q(const std::string &s)
{
    return B::fromStdString(s);
}

long long msBetween(HayesModem::Clock::time_point from, HayesModem::Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// The byte with bit 7 set as the parity mode asks (1 odd, 2 even, 0 cleared).
char withParity(char c, int parity)
{
    const unsigned low = static_cast<unsigned char>(c) & 0x7Fu;
    const bool odd = __builtin_popcount(low) % 2 == 1;
    return char(parity != 0 && odd == (parity == 2) ? low | 0x80u : low);
}

B low7(B bytes)
{
    for (char &c : bytes)
        c = char(c & 0x7F);
    return bytes;
}

bool linkExists(const std::string &path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0;
}

// A started modem and a raw slave line opened on it.
struct Bench
{
    explicit Bench(HayesOptions options = {}) : modem(std::move(options))
    {
        if (modem.start())
            line = std::make_unique<SlaveLine>(modem.devicePath());
    }
    bool ready() const { return line && line->isOpen(); }
    // Sends a command line and returns what came back: `expected` bytes, then whatever follows
    // until the line is quiet.
    B ask(const B &command, qsizetype expected, int quietMs = 30)
    {
        if (!line->send(command.toStdString()))
            return "<not sent>";
        return q(line->read(std::size_t(expected), 1000, quietMs));
    }

    HayesModem modem;
    std::unique_ptr<SlaveLine> line;
};

using Script = QList<B>; // command, expected reply, command, expected reply, ...

} // namespace

class TestHayesModem : public QObject
{
    Q_OBJECT

private slots:
    // What the line adds to the command set (tst_hayesinterpreter): echo, line ends, parity,
    // and the log. Options: "echo", "verbose", "silent", "blank" (every reply just "\r\n"),
    // "in=N" (the commands carry parity N in bit 7: 1 odd, 2 even), "out=N" (the modem's reply
    // parity). Replies are written without parity; every byte the modem sends must carry its
    // parity.
    void conversation_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<Script>("script");
        QTest::newRow("line feed after the CR") << "" << Script{"AT\r\n", "0\r", "AT\r", "0\r"};
        QTest::newRow("wake-up line switches modes for its own reply")
            << "echo verbose" << Script{"ATE0Q0V0\r", "ATE0Q0V0\r0\r", "ATS0?\r", "000\r\n0\r"};
        QTest::newRow("store, factory reset, restore")
            << ""
            << Script{"ATS0=3&W0\r",   "0\r",        "ATS0=4\r", "0\r",
                      "AT&F\r",        "\r\nOK\r\n", "ATS0?\r",  "ATS0?\r\r\n000\r\n\r\nOK\r\n",
                      "ATZ\r",         "ATZ\r0\r",   "ATS0?\r",  "003\r\n0\r",
                      "AT&F0E0Q0V0\r", "0\r",        "ATZ0\r",   "0\r"};
        QTest::newRow("blank lines instead of replies, commands applied")
            << "echo blank" << Script{"ATE0\r", "ATE0\r\r\n", "ATS0?\r", "\r\n", "ATX9\r", "\r\n"};
        QTest::newRow("silent modem, not even an echo") << "echo silent" << Script{"ATS37=9\r", ""};
        // Bit 7 of what arrives is ignored: the echo comes back without it, or with the reply
        // parity.
        QTest::newRow("odd in, even out")
            << "echo verbose in=1 out=2"
            << Script{"ATS0?\r", "ATS0?\r\r\n000\r\n\r\nOK\r\n", "ATZ\r", "ATZ\r\r\nOK\r\n"};
        QTest::newRow("even in, none out") << "echo in=2" << Script{"ATS0?\r", "ATS0?\r000\r\n0\r"};
        QTest::newRow("none in, odd out")
            << "echo verbose out=1" << Script{"ATS0?\r", "ATS0?\r\r\n000\r\n\r\nOK\r\n"};
    }
    void conversation()
    {
        QFETCH(QString, options);
        QFETCH(Script, script);
        HayesOptions o;
        int inParity = 0;
        for (const QString &token : options.split(' ', Qt::SkipEmptyParts)) {
            inParity = token.startsWith("in=") ? token.mid(3).toInt() : inParity;
            o.replyParity = token.startsWith("out=") ? token.mid(4).toInt() : o.replyParity;
            o.echo = o.echo || token == "echo";
            o.verbose = o.verbose || token == "verbose";
            o.silent = o.silent || token == "silent";
            o.blankReplies = o.blankReplies || token == "blank";
        }
        Bench bench(o);
        QVERIFY(bench.ready());
        QList<B> raws, lines;
        for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
            B command = script[i];
            for (char &c : command)
                c = withParity(c, inParity);
            const B reply =
                bench.ask(command, script[i + 1].size(), script[i + 1].isEmpty() ? 80 : 25);
            B withOutParity = reply;
            for (char &c : withOutParity)
                c = withParity(c, o.replyParity);
            QCOMPARE(reply.toHex(' '), withOutParity.toHex(' '));
            QVERIFY2(low7(reply) == script[i + 1],
                     qPrintable(QStringLiteral("after %1: got %2, expected %3")
                                    .arg(QString::fromLatin1(script[i].toPercentEncoding()),
                                         QString::fromLatin1(reply.toPercentEncoding()),
                                         QString::fromLatin1(script[i + 1].toPercentEncoding()))));
            raws.append(command.left(command.indexOf(withParity('\r', inParity)) + 1));
            lines.append(script[i].left(script[i].indexOf('\r')));
        }
        // Every line is logged, answered or not; a silent modem takes nothing in.
        QVERIFY(bench.modem.waitForReceived(std::size_t(lines.size()), 1000));
        QList<B> loggedRaw, logged;
        for (const HayesModem::Received &r : bench.modem.received()) {
            loggedRaw.append(q(r.raw));
            logged.append(q(r.line));
        }
        QCOMPARE(loggedRaw, raws);
        QCOMPARE(logged, lines);
        for (const HayesModem::Sent &sent :
             bench.modem.sent()) // the text is the reply before parity
            QCOMPARE(low7(q(sent.bytes)), q(sent.text));
        if (o.silent)
            QCOMPARE(bench.modem.registerValue(37), 0);
    }

    // Replies in pieces (2 bytes each; CR and LF apart), or behind noise that never holds a CR,
    // not even once bit 7 is cleared. The log holds one reply each, however many writes.
    void repliesInPieces_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<B>("command");
        QTest::addColumn<QList<B>>("pieces"); // "?" stands for any noise byte
        QTest::newRow("chunks") << "chunk" << B("ATV1\r") << QList<B>{"\r\n", "OK", "\r\n"};
        QTest::newRow("CR and LF apart") << "split" << B("ATS0?\r") << QList<B>{"000\r", "\n0\r"};
        QTest::newRow("noise first") << "garbage" << B("AT\r") << QList<B>{B(40, '?') + "0\r"};
    }
    void repliesInPieces()
    {
        QFETCH(QString, fault);
        QFETCH(B, command);
        QFETCH(QList<B>, pieces);
        constexpr int Gap = 60;
        HayesOptions options;
        options.splitCrLf = fault == "split";
        options.splitGapMs = Gap;
        options.chunk = fault == "chunk" ? 2 : 0;
        options.chunkGapMs = Gap;
        options.garbageBefore = fault == "garbage" ? 40 : 0;
        Bench bench(options);
        QVERIFY(bench.ready());
        QList<B> first;
        for (int round = 0; round < 2; ++round) {
            QVERIFY(bench.line->send(command.toStdString()));
            const auto got = bench.line->readPieces(std::size_t(pieces.join().size()), 2000);
            QList<B> received;
            for (std::size_t i = 0; i < got.size(); ++i) {
                received.append(q(got[i].bytes));
                QVERIFY(i == 0 || fault == "garbage"
                        || msBetween(got[i - 1].at, got[i].at) >= Gap - 15);
            }
            first = round == 0 ? received : first;
            if (fault == "garbage") {
                const B noise = received.join().chopped(2);
                QCOMPARE(received.join().size(), 42);
                QVERIFY(!low7(noise).contains('\r') && received.join().endsWith("0\r"));
            } else {
                QCOMPARE(received,
                         pieces); // the gaps are long enough that each piece is read alone
            }
        }
        QVERIFY(bench.modem.waitForSent(2, 1000));
        const auto sent = bench.modem.sent();
        QCOMPARE(sent.size(), std::size_t(2));
        QCOMPARE(q(sent[0].bytes), first.join());
        QCOMPARE(q(sent[0].text), fault == "garbage" ? B("0\r") : pieces.join());
        QVERIFY(msBetween(sent[0].firstByte, sent[0].lastByte) >= (pieces.size() - 1) * Gap - 5);
    }

    // Lines are logged raw and clean with the times of their first and last byte; a delayed
    // reply keeps reading input meanwhile, and the log shows both.
    void logAndDelay()
    {
        HayesOptions options;
        options.replyDelayMs = 200;
        Bench bench(options);
        QVERIFY(bench.ready());
        QVERIFY(bench.line->send("\x01"
                                 "at"));
        std::this_thread::sleep_for(60ms);
        const auto t1 = SlaveLine::Clock::now();
        QVERIFY(bench.line->send("s0=1\r"));
        std::this_thread::sleep_for(50ms);
        const auto t2 = SlaveLine::Clock::now();
        QVERIFY(bench.line->send("ATS0?\r"));
        QCOMPARE(q(bench.line->read(2)), B("0\r"));
        QVERIFY(msBetween(t1, SlaveLine::Clock::now()) >= 190);
        QCOMPARE(q(bench.line->read(8)), B("001\r\n0\r"));

        QVERIFY(bench.modem.waitForSent(2, 1000));
        const auto rx = bench.modem.received();
        const auto tx = bench.modem.sent();
        QCOMPARE(rx.size(), std::size_t(2));
        QCOMPARE(q(rx[0].raw), B("\x01"
                                 "ats0=1\r"));
        QCOMPARE(q(rx[0].line), B("\x01"
                                  "ats0=1"));
        QVERIFY(msBetween(rx[0].firstByte, rx[0].lastByte) >= 50);
        QCOMPARE(q(tx[0].bytes), B("0\r"));
        QVERIFY(rx[1].lastByte >= t2 && rx[1].lastByte < tx[0].firstByte);
        const long long delay = msBetween(rx[0].lastByte, tx[0].firstByte);
        QVERIFY2(delay >= 200 && delay < 500, qPrintable(QString::number(delay)));
        QVERIFY(bench.modem.echoed().empty());
        bench.modem.clearLog();
        QVERIFY(bench.modem.received().empty() && bench.modem.sent().empty());
    }

    void floodStopsWhenStopped()
    {
        HayesOptions options;
        options.floodAfter = "S0?";
        Bench bench(options);
        QVERIFY(bench.ready());
        QCOMPARE(bench.ask("AT\r", 2, 0), B("0\r"));
        QVERIFY(bench.line->send("ATS0?\r"));
        const std::string flood = bench.line->read(20000, 500);
        QVERIFY(flood.size() >= 8192);
        QVERIFY(!low7(q(flood)).contains('\r') && !low7(q(flood)).contains('\n'));
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

    // Faults switched while the modem runs take effect from the next line; a bounded flood
    // ends after its bytes and the modem answers again.
    void faultsSwitchedWhileRunning()
    {
        Bench bench;
        QVERIFY(bench.ready());
        QCOMPARE(bench.ask("ATB0\r", 2), B("0\r"));
        HayesFaults faults;
        faults.errorOn = {"B0"};
        faults.floodAfter = "S0?";
        bench.modem.setFaults(faults);
        ReplyShape shape;
        shape.floodLimit = 10000;
        bench.modem.setReplyShape(shape);
        QCOMPARE(bench.ask("ATB0\r", 2), B("4\r"));
        QVERIFY(bench.line->send("ATS0?\r"));
        QCOMPARE(bench.line->read(20000, 1000, 100).size(), std::size_t(10000));
        QCOMPARE(bench.ask("AT\r", 2), B("0\r"));
        bench.modem.setFaults({});
        QCOMPARE(bench.ask("ATB0\r", 2), B("0\r"));
    }

    // A link replaces an old link but never a file, and the line outlives a closed slave. Stopped,
    // hung up by the test, or hanging up after a command line (answered first): the line drops
    // and the link goes; stop() may be called again.
    void lineAndLink_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("stop()") << "stop";
        QTest::newRow("hangUp()") << "hangUp";
        QTest::newRow("hang up after ATZ") << "ATZ";
    }
    void lineAndLink()
    {
        QFETCH(QString, end);
        QTemporaryDir dir;
        const std::string link = dir.filePath("ttyModem").toStdString();
        QVERIFY(::symlink("/nonexistent/old", link.c_str()) == 0);
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        HayesOptions options;
        options.hangupAfter = end == "ATZ" ? "atz" : "";
        HayesModem modem(options);
        QVERIFY(modem.start());
        std::string error;
        QVERIFY2(modem.linkTo(link, &error), error.c_str());
        QVERIFY(!modem.linkTo(plain.fileName().toStdString(), &error));
        QVERIFY(plain.exists());
        for (int opening = 0; opening < 2; ++opening) {
            SlaveLine line(link);
            QVERIFY(line.send("AT\r"));
            QCOMPARE(q(line.read(2)), B("0\r"));
        }
        SlaveLine line(link);
        if (end == "ATZ") {
            QVERIFY(line.send("ATZ\r"));
            QCOMPARE(q(line.read(2)), B("0\r"));
        }
        if (end == "stop")
            modem.stop();
        else if (end == "hangUp")
            modem.hangUp();
        QVERIFY(line.seesHangUp(1000));
        QVERIFY(!modem.lineOpen());
        QVERIFY(!linkExists(link));
        QVERIFY(!modem.linkTo(link));
        modem.stop();
        modem.stop();
    }
};

QTEST_GUILESS_MAIN(TestHayesModem)
#include "tst_hayesmodem.moc"
