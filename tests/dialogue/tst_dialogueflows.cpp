// The three dialogues from the operator's action to their last message, in fake time; the
// port's opening and closing paths; how received blocks are cut into lines.
#include "dialoguerig.h"

#include <QSignalSpy>
#include <QTest>

using namespace Dialogue;

class TestDialogueFlows : public QObject
{
    Q_OBJECT
private slots:
    void query();
    void configure();
    void factoryReset();
    void parityReadAtEverySend();

    void openPort_data();
    void openPort();
    void actionDuringDialogueIsRefused();
    void closePortAtStartup();

    void severalLinesInOneBlock();
    void lineSplitOverNotifications();
    void lateLineFeed_data();
    void lateLineFeed();
    void notificationsThatReadNothing();
};

void TestDialogueFlows::query()
{
    DialogueRig rig;
    rig.settings.parity = LineCodec::ParityOdd;
    QSignalSpy states(&rig.engine, &DialogueEngine::stateChanged);

    rig.startQuery();
    QCOMPARE(rig.log, (QStringList{"open", "frames off", "rts on", "dtr on"}));
    QCOMPARE(rig.view.info, QStringLiteral("(info)")); // the query leaves `info` alone
    rig.reply(100, "ATE0Q0V0\r\n0\r\n");                // whatever answers the first send
    rig.timer.advanceTo(1000);
    QCOMPARE(rig.port.discards, 1);
    rig.reply(100, "0\r\n");
    rig.reply(50, "002\r\n0\r\n");
    QCOMPARE(rig.view.answ1, QStringLiteral("2"));
    rig.reply(50, "009\r\n");
    rig.reply(100, "0\r\n");
    QCOMPARE(rig.view.answ2, QStringLiteral("9600"));
    rig.timer.advance(5000);

    QCOMPARE(rig.port.sent(), (QStringList{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"}));
    QCOMPARE(rig.port.sentTimes(), (QList<qint64>{0, 1000, 1100, 1150}));
    QCOMPARE(rig.port.writes.at(2).bytes, QByteArray("\xC1\x54\xD3\xB0\xBF\x0D"));
    QList<int> seen;
    for (const QList<QVariant> &args : states)
        seen.append(args.at(0).toInt());
    QCOMPARE(seen, (QList<int>{1, 2, 3, 4, 0}));
    QVERIFY(rig.view.boxes.isEmpty());
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.view.framesEnabled);
    QVERIFY(!rig.timer.isActive());
    QCOMPARE(rig.view.info, QStringLiteral("(info)"));
}

void TestDialogueFlows::configure()
{
    DialogueRig rig;
    rig.settings.parity = LineCodec::ParityNone;
    rig.settings.list = {"V0", "S0=2", "&D0"};
    QSignalSpy states(&rig.engine, &DialogueEngine::stateChanged);

    rig.startConfigure();
    QCOMPARE(rig.view.info, QStringLiteral("inicializando..."));
    rig.reply(300, "OK\r\n");
    rig.timer.advanceTo(1000);
    rig.reply(200, "0\r\n");
    QCOMPARE(rig.view.info, QStringLiteral("Enviando: \"ATV0\""));
    rig.reply(100, "0\r\n");
    rig.reply(100, "0\r\n");
    QCOMPARE(rig.view.info, QStringLiteral("Enviando: \"AT&D0\""));
    rig.reply(100, "0\r\n");
    QCOMPARE(rig.view.info, QStringLiteral("Enviando: \"ATQ1\""));
    rig.reply(100, "0\r\n"); // a modem that ignores ATQ1 does not delay AT&W0
    rig.timer.advanceTo(2500);
    QCOMPARE(int(rig.engine.DialogueState), int(ConfigStore));
    QVERIFY(rig.view.boxes.isEmpty());
    rig.timer.advanceTo(3500);
    rig.timer.advance(5000);

    QCOMPARE(rig.port.sent(), (QStringList{"AT&F0E0Q0V0", "AT&F0E0Q0V0", "ATV0", "ATS0=2",
                                           "AT&D0", "ATQ1", "AT&W0"}));
    QCOMPARE(rig.port.sentTimes(), (QList<qint64>{0, 1000, 1200, 1300, 1400, 1500, 2500}));
    QCOMPARE(rig.port.writes.at(0).bytes, QByteArray("AT&F0E0Q0V0\r"));
    QCOMPARE(rig.view.boxTexts(), QStringList{"I:Modem configurado con éxito"});
    QCOMPARE(rig.view.info, QString());
    QCOMPARE(rig.settings.builds, 1);
    QCOMPARE(rig.port.discards, 2);
    QList<int> seen;
    for (const QList<QVariant> &args : states)
        seen.append(args.at(0).toInt());
    QCOMPARE(seen, (QList<int>{5, 6, 7, 8, 9, 0}));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.view.framesEnabled);
}

void TestDialogueFlows::factoryReset()
{
    DialogueRig rig;
    rig.startFactoryReset();
    QCOMPARE(rig.view.info, QStringLiteral("Enviando AT&&F"));
    rig.reply(50, "AT&F\r");        // the echo alone: keep waiting
    rig.reply(50, "\r\nOK\r\n");    // "OK" one second before the store
    QCOMPARE(int(rig.engine.DialogueState), int(FactoryResetDone));
    rig.reply(500, "garbage\r\n");  // discarded in state 11
    rig.timer.advanceTo(1100);
    QCOMPARE(rig.view.info, QStringLiteral("Enviando AT&&W"));
    rig.reply(100, "AT&W0\r\n");
    rig.reply(100, "OK\r\n");
    rig.timer.advance(5000);

    QCOMPARE(rig.port.sent(), (QStringList{"AT&F", "AT&W0"}));
    QCOMPARE(rig.port.sentTimes(), (QList<qint64>{0, 1100}));
    QCOMPARE(rig.view.boxTexts(), QStringList{"I:Modem desconfigurado con éxito"});
    QCOMPARE(rig.view.info, QString());
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.engine.ReplyBuffer.Text.isEmpty());
}

// The parity option is read for every command, so a change between dialogues takes effect.
void TestDialogueFlows::parityReadAtEverySend()
{
    DialogueRig rig;
    rig.settings.parity = LineCodec::ParityEven;
    rig.startQuery();
    rig.timer.advanceTo(1000);
    rig.reply(10, "0\r");
    QCOMPARE(rig.port.writes.last().bytes, QByteArray("\x41\xD4\x53\x30\x3F\x8D"));
    rig.timer.advance(2000); // silence: no-reply, closed
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));

    rig.settings.parity = LineCodec::ParityOdd;
    rig.startQuery();
    QCOMPARE(rig.port.writes.last().bytes,
             LineCodec::ApplyParity(LineCodec::ParityOdd, "ATE0Q0V0\r"));
    QCOMPARE(rig.settings.parityReads, 4);
}

void TestDialogueFlows::openPort_data()
{
    QTest::addColumn<bool>("cts");
    QTest::addColumn<bool>("dsr");
    QTest::addColumn<QString>("openFailure");
    QTest::addColumn<QString>("expectedBox"); // empty: the dialogue starts
    QTest::addRow("no CTS, no DSR") << false << false << QString()
                                    << QStringLiteral("No hay señal CTS/DRS en la línea: Modem desconectado o apagado");
    QTest::addRow("only DSR") << false << true << QString() << QString();
    QTest::addRow("only CTS") << true << false << QString() << QString();
    QTest::addRow("both") << true << true << QString() << QString();
    QTest::addRow("open refused")
        << true << true << QStringLiteral("El puerto 3 (/dev/ttyS2) no existe: no hay ningún dispositivo con ese nombre.")
        << QStringLiteral("El puerto 3 (/dev/ttyS2) no existe: no hay ningún dispositivo con ese nombre.");
}

void TestDialogueFlows::openPort()
{
    QFETCH(bool, cts);
    QFETCH(bool, dsr);
    QFETCH(QString, openFailure);
    QFETCH(QString, expectedBox);

    DialogueRig rig;
    rig.port.cts = cts;
    rig.port.dsr = dsr;
    rig.port.openFailure = openFailure;
    rig.startConfigure();

    if (expectedBox.isEmpty()) {
        QVERIFY(rig.view.boxes.isEmpty());
        QVERIFY(rig.port.isOpen());
        QVERIFY(rig.port.rts && rig.port.dtr);
        QCOMPARE(rig.log, (QStringList{"open", "frames off", "rts on", "dtr on"}));
        QCOMPARE(int(rig.engine.DialogueState), int(ConfigWake));
        QCOMPARE(rig.view.info, QStringLiteral("inicializando..."));
        QCOMPARE(rig.port.sent(), QStringList{"AT&F0E0Q0V0"});
        return;
    }
    // Failure: the text is shown and nothing else changes.
    QCOMPARE(rig.view.boxTexts(), QStringList{"E:" + expectedBox});
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.port.rts && !rig.port.dtr);
    QCOMPARE(rig.view.frameChanges, 0);
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QCOMPARE(rig.view.info, QStringLiteral("(info)"));
    QVERIFY(rig.timer.starts.isEmpty());
    QCOMPARE(rig.timer.stops, 0);
    QVERIFY(rig.port.writes.isEmpty());
}

// "Configurar" pressed during a query: the port's already-open text is shown and the query
// goes on as if nothing had happened.
void TestDialogueFlows::actionDuringDialogueIsRefused()
{
    DialogueRig rig;
    rig.startQuery();
    rig.timer.advance(300);
    rig.startConfigure();
    QCOMPARE(rig.view.boxTexts(), QStringList{"E:" + rig.port.alreadyOpenText});
    QCOMPARE(int(rig.engine.DialogueState), int(QueryWake));
    QCOMPARE(rig.view.info, QStringLiteral("(info)"));
    QVERIFY(rig.port.isOpen());
    QVERIFY(!rig.view.framesEnabled);
    QCOMPARE(rig.timer.due(), 1000);
    rig.timer.advanceTo(1000);
    QCOMPARE(rig.port.sent(), (QStringList{"ATE0Q0V0", "ATE0Q0V0"}));
    QCOMPARE(int(rig.engine.DialogueState), int(QueryModeCheck));
}

void TestDialogueFlows::closePortAtStartup()
{
    DialogueRig rig;
    QSignalSpy states(&rig.engine, &DialogueEngine::stateChanged);
    rig.engine.ClosePort();
    QVERIFY(rig.view.framesEnabled);
    QCOMPARE(rig.view.frameChanges, 1);
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QVERIFY(rig.view.boxes.isEmpty());
    QVERIFY(rig.timer.starts.isEmpty());
    QCOMPARE(rig.timer.stops, 0);
    QCOMPARE(states.count(), 0);
}

// In state 3 the block "002" CR LF "0" CR shows 2 and sends ATS37? at once.
void TestDialogueFlows::severalLinesInOneBlock()
{
    DialogueRig rig;
    rig.port.forceOpen();
    rig.engine.DialogueState = QueryRingCount;
    rig.port.receive("002\r\n0\r");
    QCOMPARE(rig.view.answ1, QStringLiteral("2"));
    QCOMPARE(rig.port.sent(), QStringList{"ATS37?"});
    QCOMPARE(int(rig.engine.DialogueState), int(QueryLineSpeed));

    // An error reply ends the dialogue; the lines behind it in the same block are dropped.
    rig.engine.DialogueState = QueryModeCheck;
    rig.port.forceOpen();
    rig.port.receive("4\r0\r0\rpartial");
    QCOMPARE(rig.view.boxes.size(), 1);
    QCOMPARE(int(rig.engine.DialogueState), int(Idle));
    QCOMPARE(rig.port.sent(), QStringList{"ATS37?"});
    QCOMPARE(rig.engine.ReplyBuffer.Text, QByteArray("partial"));
}

void TestDialogueFlows::lineSplitOverNotifications()
{
    DialogueRig rig;
    rig.port.forceOpen();
    rig.engine.DialogueState = QueryRingCount;
    for (const char *piece : {"0", "0", "7"}) {
        rig.port.receive(piece);
        QCOMPARE(int(rig.engine.ReplyBuffer.HasNumber), 0);
    }
    QCOMPARE(rig.engine.ReplyBuffer.Text, QByteArray("007"));
    rig.port.receive("\r");
    QCOMPARE(int(rig.engine.ReplyBuffer.Number), 7);
    rig.port.receive("\n");
    rig.port.receive("0");
    QVERIFY(rig.port.writes.isEmpty());
    rig.port.receive("\r\n");
    QCOMPARE(rig.view.answ1, QStringLiteral("7"));
    QCOMPARE(rig.port.sent(), QStringList{"ATS37?"});
}

// A line feed arriving after its carriage return stays at the front of the next line: harmless
// where the line must end in zero, an error where it must be exactly zero.
void TestDialogueFlows::lateLineFeed_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QList<QByteArray>>("blocks");
    QTest::addColumn<int>("expState");
    QTest::addColumn<int>("boxes");
    QTest::addRow("state 3 number then result")
        << 3 << QList<QByteArray>{"005\r", "\n0\r"} << 4 << 0;
    QTest::addRow("state 4 number then result")
        << 4 << QList<QByteArray>{"009\r", "\n", "0\r"} << 0 << 0;
    QTest::addRow("state 2 result after late LF")
        << 2 << QList<QByteArray>{"\n0\r"} << 0 << 1;
    QTest::addRow("state 7 second reply after late LF")
        << 7 << QList<QByteArray>{"0\r", "\n0\r"} << 0 << 1;
}

void TestDialogueFlows::lateLineFeed()
{
    QFETCH(int, state);
    QFETCH(QList<QByteArray>, blocks);
    QFETCH(int, expState);
    QFETCH(int, boxes);

    DialogueRig rig;
    rig.port.forceOpen();
    rig.engine.DialogueState = qint16(state);
    rig.engine.CommandList = {"A", "B", "C"};
    for (const QByteArray &block : blocks)
        rig.port.receive(block);
    QCOMPARE(int(rig.engine.DialogueState), expState);
    QCOMPARE(rig.view.boxes.size(), boxes);
    if (state == 4)
        QCOMPARE(rig.view.answ2, QStringLiteral("9600"));
    if (state == 7) // the error names the entry the modem refused
        QVERIFY(rig.view.boxes.first().text.contains("comando:  ATB\n"));
}

// Other notification kinds, and notifications while closed, read nothing.
void TestDialogueFlows::notificationsThatReadNothing()
{
    DialogueRig rig;
    rig.port.pending = "0\r";
    rig.engine.DialogueState = QueryModeCheck;
    rig.engine.Comm_OnComm(2); // port closed
    rig.port.forceOpen();
    rig.port.notify(1);
    rig.port.notify(3);
    QCOMPARE(rig.port.reads, 0);
    QCOMPARE(int(rig.engine.DialogueState), int(QueryModeCheck));
    QVERIFY(rig.engine.ReplyBuffer.Text.isEmpty());
    rig.port.notify(2);
    QCOMPARE(rig.port.sent(), QStringList{"ATS0?"});
}

QTEST_GUILESS_MAIN(TestDialogueFlows)
#include "tst_dialogueflows.moc"
