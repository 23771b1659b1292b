// SPDX-License-Identifier: GPL-3.0-or-later
// Every way a dialogue ends gives one typed result, with the command and the numbers concerned
// or why they are missing, so that no face has to read words.
#include "enginefake.h"

#include <QTest>

using namespace Dialogue;
using Kind = DialogueResult::Kind;

class TestDialogueResult : public QObject
{
    Q_OBJECT
private slots:
    void oneResultPerDialogue_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("rings"); // -1: not read
        QTest::addColumn<int>("s37");
        QTest::addColumn<QString>("reasons"); // why S0 and S37 are missing: "-" for none
        QTest::newRow("query") << "query" << int(Kind::Success) << "" << 0 << 9 << "-|-";
        QTest::newRow("speed past the codes")
            << "speed 10" << int(Kind::Success) << "" << 0 << 10 << "-|out of range";
        // Noise where the number should be: the window shows 0, the result no reading. A
        // register holds a byte: more is read, and said to be out of range.
        QTest::newRow("noise, then past a byte")
            << "noise" << int(Kind::Success) << "" << -1 << 300 << "no number|out of range";
        QTest::newRow("rings past a byte")
            << "rings 9002" << int(Kind::Success) << "" << 9002 << 9 << "out of range|-";
        QTest::newRow("speed silent") << "speed silent" << int(Kind::SpeedUnknown)
                                      << ModemProtocol::CmdQuerySpeed << 7 << -1 << "-|no reply";
        QTest::newRow("rings silent")
            << "rings silent" << int(Kind::NoReply) << ModemProtocol::CmdQueryRings << -1 << -1
            << "no reply|not read";
        QTest::newRow("entry refused") << "entry refused" << int(Kind::ModemRefused) << "ATE0" << -1
                                       << -1 << "not read|not read";
        QTest::newRow("silent modem")
            << "silent" << int(Kind::NoReply) << ModemProtocol::CmdConfigWake << -1 << -1
            << "not read|not read";
        QTest::newRow("empty list")
            << "empty list" << int(Kind::ListRefused) << "" << -1 << -1 << "not read|not read";
        QTest::newRow("lost") << "lost" << int(Kind::PortLost) << "" << -1 << -1
                              << "not read|not read";
        QTest::newRow("held") << "held" << int(Kind::PortHeld) << "" << -1 << -1
                              << "not read|not read";
        QTest::newRow("no signal")
            << "no signal" << int(Kind::NoSignal) << "" << -1 << -1 << "not read|not read";
        QTest::newRow("configured")
            << "configured" << int(Kind::Success) << "" << -1 << -1 << "not read|not read";
        // Stopped while the face reads the list: stopped, not an empty list.
        QTest::newRow("stopped at the list")
            << "stopped at the list" << int(Kind::Stopped) << ModemProtocol::CmdConfigWake << -1
            << -1 << "not read|not read";
    }
    void oneResultPerDialogue()
    {
        QFETCH(QString, how);
        QFETCH(int, kind);
        QFETCH(QString, command);
        QFETCH(int, rings);
        QFETCH(int, s37);
        QFETCH(QString, reasons);
        EngineFake rig;
        rig.list = {QStringLiteral("V0"), QStringLiteral("E0")};
        const QList<DialogueResult> &ended = rig.results;
        if (how == "noise" || how == "rings 9002") {
            QVERIFY(rig.reach(QueryRingCount));
            rig.receive(how == "noise" ? "A002\r\n0\r" : "9002\r0\r");
            rig.receive(how == "noise" ? "300\r0\r" : "9\r0\r");
            QVERIFY(rig.labels.contains(how == "noise" ? "answ1=0" : "answ1=9002"));
        } else if (how == "query" || how == "speed silent" || how == "speed 10") {
            QVERIFY(rig.reach(QueryRingCount));
            rig.receive(how == "speed silent" ? "7\r0\r" : "0\r0\r");
            if (how != "speed silent")
                rig.receive(how == "query" ? "9\r0\r" : "10\r0\r");
            rig.advanceTo(rig.now + 5000);
        } else if (how == "rings silent") {
            QVERIFY(rig.reach(QueryRingCount));
            rig.advanceTo(rig.now + 5000);
        } else if (how == "entry refused") {
            QVERIFY(rig.reach(ConfigSendList));
            rig.receive("0\r4\r");
        } else if (how == "silent") {
            rig.act(EngineFake::Configure);
            rig.advanceTo(5000);
        } else if (how == "empty list") {
            rig.list.clear();
            QVERIFY(rig.reach(ConfigResetCheck));
            rig.receive("0\r");
        } else if (how == "stopped at the list") {
            QVERIFY(rig.reach(ConfigResetCheck));
            rig.holdList = true;
            rig.receive("0\r");
            QVERIFY(rig.engine.awaitingList());
            rig.engine.stop();
            QVERIFY(!rig.isOpen() && !rig.isActive());
            // The list that comes after is for nobody: nothing goes out.
            rig.holdList = false;
            rig.settle();
            rig.engine.giveList(CommandListResult::checked({QStringLiteral("V0")}));
            QVERIFY(rig.writes.isEmpty());
        } else if (how == "lost") {
            QVERIFY(rig.reach(ConfigSendList));
            rig.lose();
        } else if (how == "held") {
            rig.openFailure = QStringLiteral("(en uso)");
            rig.openFault = Outcome::Fault::PortHeld;
            rig.holder = QStringLiteral("picocom (proceso 42)");
            rig.act(EngineFake::Query);
        } else if (how == "no signal") {
            rig.cts = rig.dsr = false;
            rig.act(EngineFake::Query);
        } else {
            QVERIFY(rig.reach(ConfigStore));
            rig.advanceTo(rig.now + 1500);
        }
        QCOMPARE(rig.state(), int(Idle));
        QCOMPARE(ended.size(), 1);
        const DialogueResult result = ended.at(0);
        QCOMPARE(int(result.kind), kind);
        QCOMPARE(result.command, command);
        QCOMPARE(result.rings.value_or(-1), rings);
        QCOMPARE(result.s37.value_or(-1), s37);
        const auto reason = [](DialogueResult::Reason r) {
            return r == DialogueResult::Reason::None         ? QStringLiteral("-")
                   : r == DialogueResult::Reason::NoReply    ? QStringLiteral("no reply")
                   : r == DialogueResult::Reason::OutOfRange ? QStringLiteral("out of range")
                   : r == DialogueResult::Reason::NoNumber   ? QStringLiteral("no number")
                                                             : QStringLiteral("not read");
        };
        QCOMPARE(reason(result.ringsReason) + '|' + reason(result.s37Reason), reasons);
        // Whether a face shows a box is known from the result alone.
        QCOMPARE(DialogueTexts::boxFor(result) == DialogueTexts::Box::None, rig.boxes.isEmpty());
        if (how == "held")
            QCOMPARE(result.holder, rig.holder);
        if (how == "empty list")
            QCOMPARE(result.listProblem, CommandListResult::Problem::Empty);
        // A port that would not open ends no dialogue that was running: nothing more follows.
        rig.advanceTo(rig.now + 10000);
        QCOMPARE(ended.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDialogueResult)
#include "tst_dialogueresult.moc"
