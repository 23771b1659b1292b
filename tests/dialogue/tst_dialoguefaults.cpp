// SPDX-License-Identifier: GPL-3.0-or-later
// What the dialogue does when the modem, the port or the operator misbehave.
#include "enginefake.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Dialogue;
using Steps = EngineFake::Steps;

namespace {

const QString NoReplyBox = QStringLiteral("E:") + DialogueTexts::NoReplyMessage;

// Runs a query up to state 3 (ATS0? sent 1100 ms after the action).
void queryToRingCount(EngineFake &rig)
{
    rig.act(EngineFake::Query);
    rig.run({{1100, "0\r\n"}});
    QCOMPARE(rig.state(), int(QueryRingCount));
}

} // namespace

class TestDialogueFaults : public QObject
{
    Q_OBJECT
private slots:
    // Numbers as the modem sends them, through the whole query: nothing outside the speed table
    // gets a name, and nothing wraps round into it.
    void oddNumbers_data()
    {
        QTest::addColumn<QByteArray>("ringLine");
        QTest::addColumn<QByteArray>("speedLine");
        QTest::addColumn<QString>("answ1");
        QTest::addColumn<QString>("answ2");
        QTest::addRow("plain") << QByteArray("003") << QByteArray("007") << "3"
                               << "-V23-";
        QTest::addRow("would wrap to 2") << QByteArray("1") << QByteArray("65538") << "1"
                                         << "++++";
        QTest::addRow("negative") << QByteArray("-4") << QByteArray("-3") << "-4"
                                  << "++++";
        QTest::addRow("huge ring count") << QByteArray("70000") << QByteArray("9") << "32767"
                                         << "9600";
        QTest::addRow("blanks before") << QByteArray("  255") << QByteArray("\t8") << "255"
                                       << "4800";
    }
    void oddNumbers()
    {
        QFETCH(QByteArray, ringLine);
        QFETCH(QByteArray, speedLine);
        QFETCH(QString, answ1);
        QFETCH(QString, answ2);
        EngineFake rig;
        queryToRingCount(rig);
        rig.receive(ringLine + "\r\n0\r\n" + speedLine + "\r\n0\r\n");
        QCOMPARE(rig.labels, (QStringList{"answ1=" + answ1, "answ2=" + answ2}));
        QCOMPARE(rig.boxes, QStringList());
        QCOMPARE(rig.state(), int(Idle));
    }

    // A modem that floods without line ends: memory stays bounded and the timer still ends it.
    void floodWithoutLineEnds()
    {
        EngineFake rig;
        queryToRingCount(rig);
        for (int i = 0; i < 40; ++i) {
            rig.receive(QByteArray(25000, 'A'));
            QVERIFY(rig.engine.keptReplyBytes() <= DialogueEngine::ReplyTextLimit);
        }
        rig.receive(QByteArray(500000, 'B')); // one huge notification
        QCOMPARE(rig.engine.keptReplyBytes(), DialogueEngine::ReplyTextLimit);
        rig.advanceTo(2100);
        QCOMPARE(rig.boxes, QStringList{NoReplyBox});
    }

    // A reply cut by its command's time-out: its head came before the tick, its carriage return
    // after the next command went out. The head is dropped and reported as late, so the next
    // command waits for its own reply instead of taking the tail as one, and every later
    // answer stays with its command.
    void lateReplyIsNotTheNextOnes()
    {
        EngineFake configure;
        configure.list = {QStringLiteral("E0"), QStringLiteral("S0=2")};
        configure.act(EngineFake::Configure);
        configure.reply(900, "0"); // to the first wake-up, whose second is nearly up
        configure.advanceTo(1000);
        configure.reply(50, "\r\n");
        QCOMPARE(configure.sent(), QStringList({"AT&F0E0Q0V0", "AT&F0E0Q0V0"}));
        configure.reply(50, "0\r\n");
        configure.reply(50, "0\r\n");
        configure.reply(50, "4\r\n"); // ATS0=2 refused
        QVERIFY2(configure.boxes.value(0).contains(":  ATS0=2\n"),
                 qPrintable(configure.boxes.value(0)));
        QCOMPARE(configure.late, QByteArrayList{"0"});

        EngineFake identify;
        identify.act(EngineFake::Identify);
        identify.advanceTo(identify.due);
        identify.receive("0\r");          // ATI0 goes out
        identify.reply(10, "0\r");        // and is answered; ATI1 goes out
        identify.reply(900, "0");         // its result, cut by the time-out
        identify.advanceTo(identify.due); // ATI1 silent; ATI2 goes out
        identify.reply(50, "\r");
        identify.reply(50, "V.92\r0\r"); // ATI2's own reply
        QCOMPARE(identify.sent().last(), QStringLiteral("ATI3"));
        QCOMPARE(identify.late, QByteArrayList{"0"});
    }

    // A peer that sends a line that is not the result every 0.4 s keeps no command waiting past
    // its time, counted from the first line: the state's time-out then takes its course.
    void chatterEndsAtTheDeadline_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("first"); // the first line, then "RING" lines
        QTest::addColumn<qint64>("deadline");
        QTest::addColumn<QString>("outcome"); // a box, a label, or the next command
        const QString noReply = "E:" + DialogueTexts::NoReplyMessage;
        QTest::newRow("ring count")
            << int(QueryRingCount) << QByteArray("5\r") << qint64(10400) << noReply;
        // The one-second timer started again at the number line.
        QTest::newRow("speed") << int(QueryLineSpeed) << QByteArray("9\r") << qint64(1400)
                               << "answ2=XXXX";
        QTest::newRow("factory reset")
            << int(FactoryReset) << QByteArray("AT&F\r") << qint64(30400) << noReply;
        QTest::newRow("store") << int(FactoryStore) << QByteArray("RING\r") << qint64(30400)
                               << noReply;
        // A first inquiry that never gets its result: nothing to identify.
        QTest::newRow("inquiry") << int(IdentifyAsk) << QByteArray("Zoom\r") << qint64(20400)
                                 << noReply;
    }
    void chatterEndsAtTheDeadline()
    {
        QFETCH(int, state);
        QFETCH(QByteArray, first);
        QFETCH(qint64, deadline);
        QFETCH(QString, outcome);
        EngineFake rig;
        if (state == IdentifyAsk) {
            rig.act(EngineFake::Identify);
            rig.advanceTo(rig.due);
            rig.receive("0\r");
            rig.writes.clear(), rig.labels.clear();
        } else {
            QVERIFY(rig.reach(state));
        }
        const qint64 sent = rig.now;
        qint64 ended = -1;
        rig.onState = [&](int) {
            if (ended < 0)
                ended = rig.now;
        };
        // After a number line only its result can follow: blank lines are the chatter there.
        const QByteArray chatter = rig.engine.state() <= QueryLineSpeed ? "\r\n" : "RING\r";
        rig.reply(400, first);
        while (ended < 0 && rig.writes.isEmpty() && rig.now < sent + 60000)
            rig.reply(400, chatter);
        if (ended < 0 && !rig.writes.isEmpty())
            ended = rig.writes.first().first;
        QCOMPARE(ended - sent, deadline);
        QVERIFY2(rig.boxes.contains(outcome) || rig.labels.contains(outcome)
                     || rig.sent().contains(outcome),
                 qPrintable(rig.boxes.join('|') + rig.labels.join('|') + rig.sent().join('|')));
    }

    // Slow modems that still answer are served: a result long after its number line (ATS0?),
    // "OK" seconds after AT&F or AT&W0, a blank line first; but the speed's result must follow
    // its number line within the second.
    void slowModemsServed_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<EngineFake::Steps>("steps"); // ms after the command
        QTest::addColumn<int>("expState");
        QTest::addColumn<QString>("label");
        using S = EngineFake::Steps;
        QTest::newRow("rings result at 3.3 s")
            << int(QueryRingCount) << S{{400, "5\r"}, {3300, "0\r"}} << int(QueryLineSpeed)
            << "answ1=5";
        QTest::newRow("speed result 1.3 s after its number")
            << int(QueryLineSpeed) << S{{500, "9\r"}, {1800, "0\r"}} << int(Idle) << "answ2=XXXX";
        QTest::newRow("speed result 0.9 s after its number")
            << int(QueryLineSpeed) << S{{500, "9\r"}, {1400, "0\r"}} << int(Idle) << "answ2=9600";
        QTest::newRow("speed refused")
            << int(QueryLineSpeed) << S{{100, "ERROR\r"}, {1200, ""}} << int(Idle) << "answ2=XXXX";
        QTest::newRow("reset OK at 5.3 s")
            << int(FactoryReset) << S{{200, "AT&F\r"}, {5300, "OK\r"}} << int(FactoryResetDone)
            << QString();
        QTest::newRow("blank line, OK 1.2 s later")
            << int(FactoryStore) << S{{100, "\r\n"}, {1300, "OK\r\n"}} << int(Idle) << "info=";
    }
    void slowModemsServed()
    {
        QFETCH(int, state);
        QFETCH(EngineFake::Steps, steps);
        QFETCH(int, expState);
        QFETCH(QString, label);
        EngineFake rig;
        QVERIFY(rig.reach(state));
        const qint64 sent = rig.now;
        for (const auto &[at, bytes] : steps) {
            rig.advanceTo(sent + at);
            rig.receive(bytes);
        }
        QCOMPARE(rig.state(), expState);
        QVERIFY2(!rig.boxes.contains("E:" + DialogueTexts::NoReplyMessage),
                 qPrintable(rig.boxes.join('|')));
        if (!label.isEmpty())
            QVERIFY2(rig.labels.contains(label), qPrintable(rig.labels.join('|')));
        if (state == QueryLineSpeed && expState == Idle && label == "answ2=XXXX")
            QCOMPARE(rig.writes.size(), 0);
    }

    // The list is checked where it is read: one that cannot go out whole ends the configuration
    // before its entry 0, saying why and that the resets have gone out.
    void listCheckedWhereRead_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("ringsBad"); // what the reading reports
        QTest::addColumn<QString>("box");   // empty: entry 0 goes out
        const int most = int(CommandListResult::MostEntries);
        const QString changed = DialogueTexts::ListChanged + '\n';
        QTest::newRow("one") << 1 << false << QString();
        QTest::newRow("the most") << most << false << QString();
        QTest::newRow("one too many")
            << most + 1 << false << changed + DialogueTexts::ListTooLong.arg(most + 1).arg(most);
        QTest::newRow("none") << 0 << false << changed + DialogueTexts::ListEmpty;
        QTest::newRow("ring count") << 1 << true << changed + DialogueTexts::RingCountInvalid;
    }
    void listCheckedWhereRead()
    {
        QFETCH(int, entries);
        QFETCH(bool, ringsBad);
        QFETCH(QString, box);
        EngineFake rig;
        rig.list = QStringList(entries, QStringLiteral("V0"));
        if (ringsBad)
            rig.listProblem =
                CommandListResult::failure(CommandListResult::Problem::RingCountInvalid);
        QVERIFY(rig.reach(ConfigResetCheck));
        rig.receive("0\r");
        QCOMPARE(rig.sent(), box.isEmpty() ? QStringList{"ATV0"} : QStringList());
        QCOMPARE(rig.boxes, box.isEmpty() ? QStringList() : QStringList{"E:" + box});
        QCOMPARE(rig.state(), box.isEmpty() ? int(ConfigSendList) : int(Idle));
    }

    // States 10 and 12 search the whole text for "OK": bounding the text must not hide it.
    void floodKeepsFindingOk_data()
    {
        QTest::addColumn<QList<QByteArray>>("blocks");
        const QByteArray junk(100000, 'x');
        const QByteArray lines = QByteArray("RING\r").repeated(30000);
        QTest::addRow("OK at the front of a huge block") << QList<QByteArray>{"OK\r" + junk};
        QTest::addRow("OK behind a huge line") << QList<QByteArray>{junk + "\rOK\r"};
        QTest::addRow("OK at the end of a huge partial line") << QList<QByteArray>{junk + "OK\r"};
        QTest::addRow("OK after many kept lines") << QList<QByteArray>{lines, lines, "OK\r"};
        QTest::addRow("OK split after a flood") << QList<QByteArray>{junk + "O", "K", "\r\n"};
    }
    void floodKeepsFindingOk()
    {
        QFETCH(QList<QByteArray>, blocks);
        EngineFake rig;
        rig.act(EngineFake::Factory);
        for (const QByteArray &block : blocks) {
            QCOMPARE(rig.state(), int(FactoryReset));
            rig.reply(10, block);
            QVERIFY(rig.engine.keptReplyBytes() <= DialogueEngine::ReplyTextLimit);
        }
        QCOMPARE(rig.state(), int(FactoryResetDone));
    }

    // Many short lines in a big block must cost linear time (a megabyte of empty lines would
    // take minutes otherwise).
    void floodOfShortLinesIsLinear()
    {
        EngineFake rig;
        rig.act(EngineFake::Configure); // state 5 discards its lines
        QElapsedTimer clock;
        clock.start();
        rig.receive(QByteArray(1 << 20, '\r'));
        rig.receive(QByteArray("0\r\n").repeated(1 << 20));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.engine.keptReplyBytes(), 0);
        QCOMPARE(rig.state(), int(ConfigWake));
    }

    // A big block is taken in slices; a CR LF pair falling on the cut must still end one line, or
    // the next "0" would read as an error reply.
    void lineEndPairAcrossSlices()
    {
        EngineFake rig;
        for (int i = 0; i < 20000; ++i)
            rig.list.append(QStringLiteral("S%1").arg(i));
        QVERIFY(rig.reach(ConfigSendList));
        // "0" CR LF and "0" CR lines, so that the CR LF of the last one straddles the first cut.
        const int limit = DialogueEngine::ReplyTextLimit;
        int shortLines = 0;
        while ((limit - 2 - 2 * shortLines) % 3 != 0)
            ++shortLines;
        QByteArray block = QByteArray("0\r\n").repeated((limit - 2 - 2 * shortLines) / 3)
                           + QByteArray("0\r").repeated(shortLines) + "0\r\n";
        QCOMPARE(block.indexOf("\r\n", limit - 2), qsizetype(limit - 1));
        block += QByteArray("0\r\n").repeated(5);
        rig.receive(block);
        QCOMPARE(rig.boxes, QStringList());
        QCOMPARE(rig.writes.size(), block.count('0'));
        QCOMPARE(rig.state(), int(ConfigSendList));
    }

    // Lost during a dialogue: said once, timer off, and the next action works again. Lost while
    // idle: nothing to say. A port layer that gives no text still gets a message.
    void portLost()
    {
        EngineFake rig;
        rig.act(EngineFake::Configure);
        rig.advanceTo(1200);
        rig.lose();
        QCOMPARE(rig.boxes, QStringList{"E:" + rig.lostText});
        QCOMPARE(rig.state(), int(Idle));
        QVERIFY(!rig.isActive() && rig.framesEnabled);
        QCOMPARE(rig.info, QString());
        rig.engine.portLost(Outcome::failure(Outcome::Fault::Failed, rig.lostText));
        rig.advanceTo(rig.now + 10000);
        QCOMPARE(rig.boxes.size(), 1);
        QCOMPARE(rig.writes.size(), 2);

        rig.act(EngineFake::Query);
        QVERIFY(rig.isOpen());
        QCOMPARE(rig.state(), int(QueryWake));
        rig.engine.portLost(Outcome::failure(Outcome::Fault::Failed, QString()));
        QCOMPARE(rig.boxes.last(), "E:" + DialogueTexts::PortLostUnnamed);
    }

    // A second start while a dialogue runs is the face's to refuse: the engine leaves the running
    // one as it was (nothing sent, state and timer untouched), and what comes next is its own.
    void secondStartIgnored()
    {
        EngineFake rig;
        rig.list = {"A", "B", "C"};
        QVERIFY(rig.reach(ConfigSendList));
        const qint64 due = rig.due;
        rig.act(EngineFake::Query);
        QCOMPARE(rig.state(), int(ConfigSendList));
        QVERIFY(rig.sent().isEmpty() && rig.isActive() && rig.due == due);
        QCOMPARE(rig.log.count("open"), 0);
        rig.receive("0\r");
        QCOMPARE(rig.sent(), QStringList{"ATB"});
        QVERIFY(rig.boxes.isEmpty());
    }

    // A lost port after the dialogue has ended (its notice late) ends nothing more.
    void portLostAfterTheEnd()
    {
        EngineFake rig;
        rig.list = {"V0"};
        rig.act(EngineFake::Configure);
        rig.run({{1010, "0\r"}, {1020, "0\r"}});
        rig.advanceTo(rig.now + 2000);
        rig.engine.portLost(Outcome::failure(Outcome::Fault::Failed, rig.lostText));
        QCOMPARE(rig.boxes, QStringList{"I:Modem configurado con éxito"});
        QCOMPARE(rig.results.size(), 1);
        QCOMPARE(rig.state(), int(Idle));
    }
};

QTEST_GUILESS_MAIN(TestDialogueFaults)
#include "tst_dialoguefaults.moc"
