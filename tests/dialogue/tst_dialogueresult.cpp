// SPDX-License-Identifier: GPL-3.0-or-later
// Every way a dialogue ends gives one typed result, with the command and the numbers concerned,
// so that no face has to read the box's words.
#include "enginefake.h"

#include <QSignalSpy>
#include <QTest>

using namespace Dialogue;
using Kind = DialogueResult::Kind;

Q_DECLARE_METATYPE(DialogueResult)

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
        QTest::newRow("query") << "query" << int(Kind::Success) << "" << 0 << 9;
        QTest::newRow("speed silent")
            << "speed silent" << int(Kind::SpeedUnknown) << ModemProtocol::CmdQuerySpeed << 7 << -1;
        QTest::newRow("entry refused")
            << "entry refused" << int(Kind::ModemRefused) << "ATE0" << -1 << -1;
        QTest::newRow("silent modem")
            << "silent" << int(Kind::NoReply) << ModemProtocol::CmdConfigWake << -1 << -1;
        QTest::newRow("empty list") << "empty list" << int(Kind::ListRefused) << "" << -1 << -1;
        QTest::newRow("lost") << "lost" << int(Kind::PortLost) << "" << -1 << -1;
        QTest::newRow("held") << "held" << int(Kind::PortHeld) << "" << -1 << -1;
        QTest::newRow("no signal") << "no signal" << int(Kind::NoSignal) << "" << -1 << -1;
        QTest::newRow("configured") << "configured" << int(Kind::Success) << "" << -1 << -1;
    }
    void oneResultPerDialogue()
    {
        QFETCH(QString, how);
        QFETCH(int, kind);
        QFETCH(QString, command);
        QFETCH(int, rings);
        QFETCH(int, s37);
        EngineFake rig;
        rig.list = {QStringLiteral("V0"), QStringLiteral("E0")};
        QSignalSpy ended(&rig.engine, &DialogueEngine::ended);
        if (how == "query" || how == "speed silent") {
            QVERIFY(rig.reach(QueryRingCount));
            rig.receive(how == "query" ? "0\r0\r" : "7\r0\r");
            if (how == "query")
                rig.receive("9\r0\r");
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
        const auto result = ended.at(0).at(0).value<DialogueResult>();
        QCOMPARE(int(result.kind), kind);
        QCOMPARE(result.command, command);
        QCOMPARE(result.rings.value_or(-1), rings);
        QCOMPARE(result.s37.value_or(-1), s37);
        // The box said it: the message is its text, for a face that shows it its own way.
        QCOMPARE(result.message.isEmpty(), rig.boxes.isEmpty());
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
