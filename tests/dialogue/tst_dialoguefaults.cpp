// What the dialogue does when the modem, the port or the operator misbehave, and how events
// that arrive while one of its modal boxes is open are handled.
#include "dialoguerig.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Dialogue;

namespace {

const QString NoReplyBox = QStringLiteral("E:") + SystemTexts::NoReplyMessage;

// Runs a query up to state 3 (ATS0? sent 1100 ms after the action).
void queryToRingCount(DialogueRig &rig)
{
    rig.startQuery();
    rig.timer.advance(1000);
    rig.reply(100, "0\r\n");
    QCOMPARE(int(rig.engine.DialogueState), int(QueryRingCount));
}

} // namespace

class TestDialogueFaults : public QObject
{
    Q_OBJECT
private slots:
    // modem silent part-way
    void silenceAfterNumberLine();
    void silenceAfterNonOkLine_data();
    void silenceAfterNonOkLine();
    // bad replies and lists
    void emptyCommandList();
    void oddNumbers_data();
    void oddNumbers();
    // floods
    void floodWithoutLineEnds();
    void floodKeepsFindingOk_data();
    void floodKeepsFindingOk();
    void floodOfShortLinesIsLinear();
    void lineEndPairAcrossSlices();
    // lost port
    void portLostDuringDialogue();
    void portLostWhileIdle();
    void portLostWhileBoxOpen();
    void failedWriteEndsDialogue();
    // modal boxes
    void replyBeforeTickDuringBox();
    void tickBeforeReplyDuringBox();
    void actionDuringStepBoxRunsAfterIt();
    void notificationNotHandledTwice();
};

// State 3 after its number line: a modem that stops answering ends in the no-reply message one
// second later, and the next query reads its number afresh.
void TestDialogueFaults::silenceAfterNumberLine()
{
    DialogueRig rig;
    queryToRingCount(rig);
    rig.reply(200, "002\r\n"); // t=1300
    rig.timer.advanceTo(2299);
    QVERIFY(rig.view.boxes.isEmpty());
    rig.timer.advanceTo(2300);
    QCOMPARE(rig.view.boxTexts(), QStringList{NoReplyBox});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QCOMPARE(int(rig.engine.ReplyBuffer.HasNumber), 0);
    QVERIFY(!rig.port.isOpen());

    rig.timer.advance(1000);
    queryToRingCount(rig);
    rig.port.receive("005\r\n0\r\n");
    QCOMPARE(rig.view.answ1, QStringLiteral("5"));
}

void TestDialogueFaults::silenceAfterNonOkLine_data()
{
    QTest::addColumn<bool>("store"); // false: state 10, true: state 12
    QTest::addRow("factory reset") << false;
    QTest::addRow("store") << true;
}

void TestDialogueFaults::silenceAfterNonOkLine()
{
    QFETCH(bool, store);
    DialogueRig rig;
    rig.startFactoryReset();
    if (store) {
        rig.reply(100, "OK\r");
        rig.timer.advanceTo(1100);
        QCOMPARE(int(rig.engine.DialogueState), int(FactoryStore));
    }
    const qint64 base = rig.clock.now;
    rig.reply(300, "ERROR\r\n");
    rig.reply(600, "AT&F\r\n"); // each line restarts the second
    rig.timer.advance(500);
    rig.port.notify(2); // a notification with nothing new does not
    rig.timer.advanceTo(base + 1899);
    QVERIFY(rig.view.boxes.isEmpty());
    rig.timer.advanceTo(base + 1900);
    QCOMPARE(rig.view.boxTexts(), QStringList{NoReplyBox});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QCOMPARE(rig.view.info, QString());
}

void TestDialogueFaults::emptyCommandList()
{
    DialogueRig rig;
    rig.settings.list.clear();
    rig.startConfigure();
    rig.timer.advanceTo(1000);
    rig.reply(100, "0\r\n");
    rig.timer.advance(5000);
    QCOMPARE(rig.port.sent(), (QStringList{"AT&F0E0Q0V0", "AT&F0E0Q0V0"}));
    QCOMPARE(rig.view.boxTexts(), QStringList{"E:" + SystemTexts::EmptyCommandList});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.view.framesEnabled);
    QVERIFY(!rig.timer.isActive());
}

// Numbers as the modem sends them, through the whole query: nothing outside the speed table
// gets a name, and nothing wraps round into it.
void TestDialogueFaults::oddNumbers_data()
{
    QTest::addColumn<QByteArray>("ringLine");
    QTest::addColumn<QByteArray>("speedLine");
    QTest::addColumn<QString>("answ1");
    QTest::addColumn<QString>("answ2");
    QTest::addRow("plain") << QByteArray("003") << QByteArray("007") << "3" << "-V23-";
    QTest::addRow("ten") << QByteArray("0") << QByteArray("10") << "0" << "++++";
    QTest::addRow("would wrap to 2") << QByteArray("1") << QByteArray("65538") << "1" << "++++";
    QTest::addRow("would wrap to 0") << QByteArray("1") << QByteArray("65536") << "1" << "++++";
    QTest::addRow("negative") << QByteArray("-4") << QByteArray("-3") << "-4" << "++++";
    QTest::addRow("huge ring count") << QByteArray("70000") << QByteArray("9") << "32767" << "9600";
    QTest::addRow("blanks before") << QByteArray("  255") << QByteArray("\t8") << "255" << "4800";
}

void TestDialogueFaults::oddNumbers()
{
    QFETCH(QByteArray, ringLine);
    QFETCH(QByteArray, speedLine);
    QFETCH(QString, answ1);
    QFETCH(QString, answ2);
    DialogueRig rig;
    queryToRingCount(rig);
    rig.port.receive(ringLine + "\r\n0\r\n");
    rig.port.receive(speedLine + "\r\n0\r\n");
    QCOMPARE(rig.view.answ1, answ1);
    QCOMPARE(rig.view.answ2, answ2);
    QVERIFY(rig.view.boxes.isEmpty());
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
}

// A modem that floods without line ends: memory stays bounded and the timer still ends it.
void TestDialogueFaults::floodWithoutLineEnds()
{
    DialogueRig rig;
    queryToRingCount(rig);
    for (int i = 0; i < 40; ++i) {
        rig.port.receive(QByteArray(25000, 'A'));
        QVERIFY(rig.engine.ReplyBuffer.Text.size() <= DialogueEngine::ReplyTextLimit);
    }
    rig.port.receive(QByteArray(500000, 'B')); // one huge notification
    QCOMPARE(rig.engine.ReplyBuffer.Text.size(), DialogueEngine::ReplyTextLimit);
    QVERIFY(rig.engine.ReplyBuffer.Text.endsWith("BBBB"));
    rig.timer.advanceTo(2100);
    QCOMPARE(rig.view.boxTexts(), QStringList{NoReplyBox});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
}

// States 10 and 12 search the whole text for "OK": bounding the text must not hide it.
void TestDialogueFaults::floodKeepsFindingOk_data()
{
    QTest::addColumn<QList<QByteArray>>("blocks");
    const QByteArray junk(100000, 'x');
    QByteArray lines;
    for (int i = 0; i < 30000; ++i)
        lines += "ERROR\r";
    QTest::addRow("OK at the front of a huge block") << QList<QByteArray>{"OK\r" + junk};
    QTest::addRow("OK behind a huge line") << QList<QByteArray>{junk + "\rOK\r"};
    QTest::addRow("OK at the end of a huge partial line") << QList<QByteArray>{junk + "OK\r"};
    QTest::addRow("OK after many kept lines") << QList<QByteArray>{lines, lines, "OK\r"};
    QTest::addRow("OK split after a flood") << QList<QByteArray>{junk + "O", "K", "\r\n"};
}

void TestDialogueFaults::floodKeepsFindingOk()
{
    QFETCH(QList<QByteArray>, blocks);
    DialogueRig rig;
    rig.startFactoryReset();
    for (const QByteArray &block : blocks) {
        QCOMPARE(int(rig.engine.DialogueState), int(FactoryReset));
        rig.reply(10, block);
        QVERIFY(rig.engine.ReplyBuffer.Text.size() <= DialogueEngine::ReplyTextLimit);
    }
    QCOMPARE(int(rig.engine.DialogueState), int(FactoryResetDone));
}

// Cutting many short lines out of a big block must not cost time per line in the size of the
// block (a megabyte of empty lines would take minutes that way).
void TestDialogueFaults::floodOfShortLinesIsLinear()
{
    DialogueRig rig;
    rig.startConfigure(); // state 5 discards its lines
    QElapsedTimer clock;
    clock.start();
    rig.port.receive(QByteArray(1 << 20, '\r'));
    rig.port.receive(QByteArray(1 << 20, '\r').replace('\r', "0\r\n"));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(rig.engine.ReplyBuffer.Text.isEmpty());
    QCOMPARE(int(rig.engine.DialogueState), int(ConfigWake));
}

// A big block is taken in slices; a CR LF pair falling on the cut must still end one line, or
// the next "0" would read as an error reply.
void TestDialogueFaults::lineEndPairAcrossSlices()
{
    DialogueRig rig;
    rig.port.forceOpen();
    rig.engine.DialogueState = ConfigSendList;
    for (int i = 0; i < 20000; ++i)
        rig.engine.CommandList.append(QStringLiteral("S%1").arg(i));
    // "0" CR LF and "0" CR lines, so that the CR LF of the last one straddles the first cut.
    const int limit = DialogueEngine::ReplyTextLimit;
    int shortLines = 0;
    while ((limit - 2 - 2 * shortLines) % 3 != 0)
        ++shortLines;
    QByteArray block = QByteArray("0\r\n").repeated((limit - 2 - 2 * shortLines) / 3);
    block += QByteArray("0\r").repeated(shortLines);
    block += "0\r\n";
    QCOMPARE(block.indexOf("\r\n", limit - 2), qsizetype(limit - 1));
    block += QByteArray("0\r\n").repeated(5);
    const int replies = int(block.count('0'));
    rig.port.receive(block);
    QVERIFY(rig.view.boxes.isEmpty());
    QCOMPARE(int(rig.engine.CommandIndex), replies);
    QCOMPARE(rig.port.writes.size(), replies);
    QCOMPARE(int(rig.engine.DialogueState), int(ConfigSendList));
}

void TestDialogueFaults::portLostDuringDialogue()
{
    DialogueRig rig;
    rig.startConfigure();
    rig.timer.advanceTo(1000);
    rig.timer.advance(200);
    rig.port.lose();
    QCOMPARE(rig.view.boxTexts(), QStringList{"E:" + rig.port.lostText});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QVERIFY(!rig.timer.isActive());
    QVERIFY(rig.view.framesEnabled);
    QCOMPARE(rig.view.info, QString());
    rig.timer.advance(10000);
    rig.port.receive("0\r");
    QCOMPARE(rig.view.boxes.size(), 1);
    QCOMPARE(rig.port.writes.size(), 2);

    // The next action works again.
    rig.startQuery();
    QVERIFY(rig.port.isOpen());
    QCOMPARE(int(rig.engine.DialogueState), int(QueryWake));

    // A port layer that gives no text still gets a message that says what happened.
    rig.engine.portLost(QString());
    QCOMPARE(rig.view.boxTexts().last(), "E:" + SystemTexts::PortLostUnnamed);
}

void TestDialogueFaults::portLostWhileIdle()
{
    DialogueRig rig;
    rig.engine.portLost(rig.port.lostText);
    QVERIFY(rig.view.boxes.isEmpty());
    QVERIFY(rig.view.framesEnabled);
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
}

// Lost while the success box is open: handled after it, and quietly, as the dialogue is over.
void TestDialogueFaults::portLostWhileBoxOpen()
{
    DialogueRig rig;
    rig.settings.list = {"V0"};
    rig.startConfigure();
    rig.timer.advanceTo(1000);
    rig.reply(10, "0\r");
    rig.reply(10, "0\r");
    rig.view.whileOpen = [&](int) {
        rig.port.lose();
        QCOMPARE(int(rig.engine.DialogueState), int(ConfigStore)); // not handled yet
    };
    rig.timer.advance(2000);
    QCOMPARE(rig.view.boxTexts(), QStringList{"I:Modem configurado con éxito"});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
}

// The port reports a failed write later; the step that wrote goes on, then the report ends it.
void TestDialogueFaults::failedWriteEndsDialogue()
{
    DialogueRig rig;
    rig.startFactoryReset();
    rig.reply(100, "OK\r");
    rig.port.failWrites = true;
    rig.timer.advanceTo(1100);
    QCOMPARE(int(rig.engine.DialogueState), int(FactoryStore));
    QVERIFY(!rig.port.writes.last().delivered);
    rig.port.deliverLost();
    QCOMPARE(rig.view.boxTexts(), QStringList{"E:" + rig.port.lostText});
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QVERIFY(!rig.timer.isActive());
    rig.timer.advance(5000);
    QCOMPARE(rig.view.boxes.size(), 1);
}

// A refused action's box is open while the modem's "0" and then the time-out tick fall due:
// the reply is taken first, the tick is then out of date and dropped.
void TestDialogueFaults::replyBeforeTickDuringBox()
{
    DialogueRig rig;
    rig.startQuery();
    rig.timer.advanceTo(1000); // state 2, time-out due at 2000
    rig.timer.advance(500);
    rig.view.whileOpen = [&](int) {
        rig.reply(100, "0\r");
        rig.timer.advanceTo(2000);
        QVERIFY(!rig.timer.isActive()); // switched off at once
        rig.timer.advanceTo(6000);
        QCOMPARE(rig.timer.ticks, 2);
        QCOMPARE(int(rig.engine.DialogueState), int(QueryModeCheck));
        QCOMPARE(rig.port.writes.size(), 2);
    };
    rig.startConfigure();
    rig.view.whileOpen = nullptr;

    QCOMPARE(rig.view.boxTexts(), QStringList{"E:" + rig.port.alreadyOpenText});
    QCOMPARE(rig.port.sent(), (QStringList{"ATE0Q0V0", "ATE0Q0V0", "ATS0?"}));
    QCOMPARE(rig.port.sentTimes().last(), 6000);
    QCOMPARE(int(rig.engine.DialogueState), int(QueryRingCount));
    QCOMPARE(rig.timer.due(), 7000);
    QCOMPARE(rig.view.mostOpenBoxes, 1);
}

// The tick falls due first: it is a real time-out, handled after the box, and its own box is
// shown after the first one, not over it. The late reply finds the port closed.
void TestDialogueFaults::tickBeforeReplyDuringBox()
{
    DialogueRig rig;
    rig.startQuery();
    rig.timer.advanceTo(1000);
    rig.timer.advance(500);
    rig.view.whileOpen = [&](int index) {
        if (index != 0)
            return;
        rig.timer.advanceTo(2100);
        rig.port.receive("0\r");
    };
    rig.startConfigure();

    QCOMPARE(rig.view.boxTexts(), (QStringList{"E:" + rig.port.alreadyOpenText, NoReplyBox}));
    QCOMPARE(rig.view.mostOpenBoxes, 1);
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QCOMPARE(rig.port.writes.size(), 2);
}

// The operator starts a query while an error box of the running dialogue is open: the dialogue
// ends first (closing the port), then the query starts.
void TestDialogueFaults::actionDuringStepBoxRunsAfterIt()
{
    DialogueRig rig;
    queryToRingCount(rig);
    rig.port.receive("002\r");
    rig.view.whileOpen = [&](int index) {
        if (index == 0)
            rig.startQuery();
    };
    rig.port.receive("4\r");
    QCOMPARE(rig.view.boxes.size(), 1);
    QVERIFY(rig.view.boxes.first().text.endsWith("ATS0?\nLa operación ha fracasado"));
    QCOMPARE(int(rig.engine.DialogueState), int(QueryWake));
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.sent().last(), QStringLiteral("ATE0Q0V0"));
    const int box = int(rig.log.lastIndexOf("box stop"));
    QCOMPARE(rig.log.mid(box), (QStringList{"box stop", "close", "frames on", "open",
                                            "frames off", "rts on", "dtr on"}));
    QCOMPARE(int(rig.engine.ReplyBuffer.HasNumber), 0);
}

// Two notifications for the same bytes while a box is open: the bytes are handled once.
void TestDialogueFaults::notificationNotHandledTwice()
{
    DialogueRig rig;
    rig.port.forceOpen();
    rig.engine.DialogueState = ConfigSendList;
    rig.engine.CommandList = {"A", "B", "C"};
    rig.view.whileOpen = [&](int) {
        rig.port.receive("0\r");
        rig.port.notify(2);
        rig.port.notify(2);
    };
    rig.engine.startDialogue({QString(), "ATX", QueryWake}); // refused: already open
    QCOMPARE(rig.port.sent(), QStringList{"ATB"});
    QCOMPARE(int(rig.engine.CommandIndex), 1);
    QCOMPARE(rig.view.boxes.size(), 1);
}

QTEST_GUILESS_MAIN(TestDialogueFaults)
#include "tst_dialoguefaults.moc"
