// SPDX-License-Identifier: GPL-3.0-or-later
// The three dialogues from the operator's action to their last message, in virtual time; the
// port's opening paths; how received blocks are cut into lines.
#include "enginefake.h"

#include <QTest>

using namespace Dialogue;
using Steps = EngineFake::Steps;
using L = QStringList;

class TestDialogueFlows : public QObject
{
    Q_OBJECT
private slots:
    // Steps: at this time the modem sends these bytes ("": a notification without new bytes).
    // Checked: commands with their times and parity, states, label changes, boxes, and when
    // the dialogue ended.
    void dialogue_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("parity");
        QTest::addColumn<L>("list");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<L>("sent");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<L>("labels");
        QTest::addColumn<QString>("box");
        QTest::addColumn<qint64>("ended");
        using T = QList<qint64>;
        using S = QList<int>;
        const int Query = EngineFake::Query, Configure = EngineFake::Configure;
        const int Factory = EngineFake::Factory;
        const QString noReply = "E:" + DialogueTexts::NoReplyMessage;
        const L factoryInfo = {"info=Enviando AT&&F", "info=Enviando AT&&W", "info="};

        // Whatever answers the first send is dropped; the wake-up is sent again a second later.
        QTest::newRow("query") << Query << int(Parity::Odd) << L{}
                               << Steps{{100, "ATE0Q0V0\r\n0\r\n"},
                                        {1100, "0\r\n"},
                                        {1150, "002\r\n0\r\n"},
                                        {1200, "009\r\n"},
                                        {1300, "0\r\n"}}
                               << L{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"}
                               << T{0, 1000, 1100, 1150} << S{1, 2, 3, 4, 0}
                               << L{"answ1=2", "answ2=9600"} << QString() << qint64(1300);
        // A modem that ignores ATQ1 does not delay AT&W0; success is told a second after it.
        QTest::newRow("configure")
            << Configure << int(Parity::None) << L{"V0", "S0=2", "&D0"}
            << Steps{{300, "OK\r\n"}, {1200, "0\r\n"}, {1300, "0\r\n"},
                     {1400, "0\r\n"}, {1500, "0\r\n"}, {1600, "0\r\n"}}
            << L{"AT&F0E0Q0V0", "AT&F0E0Q0V0", "ATV0", "ATS0=2", "AT&D0", "ATQ1", "AT&W0"}
            << T{0, 1000, 1200, 1300, 1400, 1500, 2500} << S{5, 6, 7, 8, 9, 0}
            << L{"info=inicializando...",     "info=Enviando: \"ATV0\"",
                 "info=Enviando: \"ATS0=2\"", "info=Enviando: \"AT&&D0\"",
                 "info=Enviando: \"ATQ1\"",   "info="}
            << "I:Modem configurado con éxito" << qint64(3500);
        // The echo alone is no answer; "OK" comes one second before the store; lines in state 11,
        // even an OK, go.
        QTest::newRow("factory reset")
            << Factory << int(Parity::Even) << L{}
            << Steps{{50, "AT&F\r"},
                     {100, "\r\nOK\r\n"},
                     {600, "OK\r\n"},
                     {1200, "AT&W0\r\n"},
                     {1300, "OK\r\n"}}
            << L{"AT&F", "AT&W0"} << T{0, 1100} << S{10, 11, 12, 0} << factoryInfo
            << "I:Modem desconfigurado con éxito" << qint64(1300);
        // Nothing to send: said, rather than failing on a missing entry 0; the two resets that
        // went out are said too, and "inicializando..." no longer holds.
        QTest::newRow("configure, empty list")
            << Configure << 0 << L{} << Steps{{1100, "0\r\n"}} << L{"AT&F0E0Q0V0", "AT&F0E0Q0V0"}
            << T{0, 1000} << S{5, 6, 0} << L{"info=inicializando...", "info="}
            << "E:" + DialogueTexts::ListChanged + '\n' + DialogueTexts::ListEmpty << qint64(1100);
        // A modem that stops answering part-way: the reply's time runs from its first line
        // (10 s for a register's result, 30 s for AT&F and AT&W0); later lines that are not the
        // result move it no more than a notification with nothing new.
        QTest::newRow("query, silent after the number line")
            << Query << 0 << L{} << Steps{{1100, "0\r\n"}, {1300, "002\r\n"}}
            << L{"ATE0Q0V0", "ATE0Q0V0", "ATS0?"} << T{0, 1000, 1100} << S{1, 2, 3, 0} << L{"info="}
            << noReply << qint64(11300);
        QTest::newRow("factory reset, silent after lines without OK")
            << Factory << 0 << L{} << Steps{{300, "RING\r\n"}, {900, "AT&F\r\n"}, {1400, ""}}
            << L{"AT&F"} << T{0} << S{10, 0} << L{"info=Enviando AT&&F", "info="} << noReply
            << qint64(30300);
        QTest::newRow("store, silent after lines without OK")
            << Factory << 0 << L{}
            << Steps{{100, "OK\r"}, {1400, "RING\r\n"}, {2000, "AT&F\r\n"}, {2500, ""}}
            << L{"AT&F", "AT&W0"} << T{0, 1100} << S{10, 11, 12, 0} << factoryInfo << noReply
            << qint64(31400);
    }
    void dialogue()
    {
        QFETCH(int, action);
        QFETCH(int, parity);
        QFETCH(L, list);
        QFETCH(Steps, steps);
        QFETCH(L, sent);
        QFETCH(QList<qint64>, times);
        QFETCH(QList<int>, states);
        QFETCH(L, labels);
        QFETCH(QString, box);
        QFETCH(qint64, ended);
        EngineFake rig;
        rig.parity = parity;
        rig.list = list;
        QList<int> seen;
        qint64 idleAt = -1;
        rig.onState = [&](int state) {
            seen << state;
            idleAt = state == Idle ? rig.now : idleAt;
        };

        rig.act(action);
        QCOMPARE(rig.log, (L{"open", "frames off", "rts on", "dtr on"}));
        rig.run(steps);
        rig.advanceTo(ended + 5000);
        QCOMPARE(idleAt, ended);
        QCOMPARE(rig.sent(), sent);
        QCOMPARE(rig.writes.size(), times.size());
        for (qsizetype i = 0; i < times.size(); ++i) {
            QCOMPARE(rig.writes[i].first, times[i]);
            QCOMPARE(rig.writes[i].second,
                     LineCodec::ApplyParity(Parity(parity), sent[i].toLatin1() + '\r'));
        }
        QCOMPARE(seen, states);
        QCOMPARE(rig.labels, labels);
        QCOMPARE(rig.boxes, box.isEmpty() ? L() : L{box});
        QCOMPARE(rig.builds, action == EngineFake::Configure ? 1 : 0);
        QVERIFY(!rig.isOpen() && rig.framesEnabled && !rig.isActive());

        // The parity option is taken at every start: a change between dialogues takes effect.
        rig.parity = (parity + 1) % 3;
        rig.act(action);
        QCOMPARE(rig.writes.last().second,
                 LineCodec::ApplyParity(Parity(rig.parity), sent.first().toLatin1() + '\r'));
    }

    // One of CTS and DSR is enough; a failure is shown and nothing else changes.
    void openPort_data()
    {
        QTest::addColumn<bool>("cts");
        QTest::addColumn<bool>("dsr");
        QTest::addColumn<QString>("openFailure");
        QTest::addColumn<QString>("box"); // empty: the dialogue starts
        QTest::addColumn<L>("log");
        const L opened = {"open", "frames off", "rts on", "dtr on"};
        const QString missing =
            "El puerto 3 (/dev/ttyUSB2) no existe: no hay ningún dispositivo con ese nombre.";
        QTest::addRow("no CTS, no DSR")
            << false << false << QString()
            << "No hay señal CTS/DRS en la línea: Modem desconectado o apagado"
            << L{"open", "close", "box stop"};
        QTest::addRow("only DSR") << false << true << QString() << QString() << opened;
        QTest::addRow("only CTS") << true << false << QString() << QString() << opened;
        QTest::addRow("open refused")
            << true << true << missing << missing << L{"open", "box stop"};
    }
    void openPort()
    {
        QFETCH(bool, cts);
        QFETCH(bool, dsr);
        QFETCH(QString, openFailure);
        QFETCH(QString, box);
        QFETCH(L, log);
        EngineFake rig;
        rig.cts = cts;
        rig.dsr = dsr;
        rig.openFailure = openFailure;
        rig.act(EngineFake::Configure);
        const bool started = box.isEmpty();
        QCOMPARE(rig.log, log);
        QCOMPARE(rig.boxes, started ? L() : L{"E:" + box});
        QCOMPARE(rig.isOpen(), started);
        QCOMPARE(rig.state(), started ? int(ConfigWake) : int(Idle));
        QCOMPARE(rig.info, started ? QStringLiteral("inicializando...") : QStringLiteral("(info)"));
        QCOMPARE(rig.sent(), started ? L{"AT&F0E0Q0V0"} : L());
        QCOMPARE(rig.starts + rig.stops > 0, started); // a refusal leaves a running timer alone
    }

    // Lines are cut at CR; a CR LF pair is one line end, also when its LF arrives late, at the
    // front of the next line. An error reply drops the lines behind it in the same block.
    void linesInBlocks_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QList<QByteArray>>("blocks");
        QTest::addColumn<int>("expState");
        QTest::addColumn<L>("sent");
        QTest::addColumn<L>("labels");
        QTest::addColumn<QString>("box"); // part of the one box shown, or empty for none
        using B = QList<QByteArray>;
        QTest::addRow("several lines in one block")
            << 3 << B{"002\r\n0\r"} << 4 << L{"ATS37?"} << L{"answ1=2"} << QString();
        QTest::addRow("error drops the lines behind it")
            << 2 << B{"4\r0\r0\rpartial"} << 0 << L{} << L{} << "comando:  ATE0Q0V0\n";
        QTest::addRow("line split over notifications")
            << 3 << B{"0", "0", "7", "\r", "\n", "0", "\r\n"} << 4 << L{"ATS37?"} << L{"answ1=7"}
            << QString();
        QTest::addRow("state 3 late LF")
            << 3 << B{"005\r", "\n0\r"} << 4 << L{"ATS37?"} << L{"answ1=5"} << QString();
        QTest::addRow("state 4 late LF alone")
            << 4 << B{"009\r", "\n", "0\r"} << 0 << L{} << L{"answ2=9600"} << QString();
        QTest::addRow("state 2 late LF") << 2 << B{"\n0\r"} << 3 << L{"ATS0?"} << L{} << QString();
        QTest::addRow("state 7 late LF")
            << 7 << B{"0\r", "\n0\r"} << 7 << L{"ATB", "ATC"}
            << L{"info=Enviando: \"ATB\"", "info=Enviando: \"ATC\""} << QString();
        QTest::addRow("CR LF framed results") << 3 << B{"\r\n003\r\n", "\r", "\n0\r\n"} << 4
                                              << L{"ATS37?"} << L{"answ1=3"} << QString();
        QTest::addRow("error after a blank line")
            << 7 << B{"\r\n4\r\n"} << 0 << L{} << L{} << "comando:  ATA\n";
    }
    void linesInBlocks()
    {
        QFETCH(int, state);
        QFETCH(QList<QByteArray>, blocks);
        QFETCH(int, expState);
        QFETCH(L, sent);
        QFETCH(L, labels);
        QFETCH(QString, box);
        EngineFake rig;
        rig.list = {"A", "B", "C"};
        QVERIFY(rig.reach(state));
        for (const QByteArray &block : blocks)
            rig.receive(block);
        QCOMPARE(rig.state(), expState);
        QCOMPARE(rig.sent(), sent);
        QCOMPARE(rig.labels, labels);
        QCOMPARE(rig.boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(rig.boxes.first().contains(box), qPrintable(rig.boxes.first()));
    }

    // Identification: every inquiry is asked; a refusal or a silent second ends that command
    // only, and a long answer is kept bounded.
    void identify()
    {
        using R = IdentificationAnswer::Result;
        EngineFake rig;
        rig.act(EngineFake::Identify);
        rig.advanceTo(rig.due);   // a modem stored quiet says nothing to the first wake-up
        rig.receive("\r\n0\r\n"); // the second has switched results on
        QCOMPARE(rig.state(), int(IdentifyAsk));
        rig.reply(10, "56000\r\n0\r");               // ATI0
        rig.reply(10, "4\r");                        // ATI1 refused
        rig.advanceTo(rig.due);                      // ATI2: nothing within a second
        rig.reply(10, "Zoom V.92\r\nX\x01Y\r\n0\r"); // ATI3
        for (int i = 4; i < 11; ++i)
            rig.reply(10, "0\r");
        rig.reply(10, QByteArray("E0 Q0 V0 S00:001\r\n").repeated(300) + "0\r"); // AT&V

        QCOMPARE(rig.state(), int(Idle));
        QCOMPARE(rig.boxes, QStringList{"N:identification"});
        QCOMPARE(rig.sent().mid(2), QStringList(ModemProtocol::IdentifyCommands.begin(),
                                                ModemProtocol::IdentifyCommands.end()));
        const QList<IdentificationAnswer> answers = rig.identification.answers();
        QCOMPARE(answers.size(), 12);
        QCOMPARE(answers[0].lines, QStringList{"56000"});
        QCOMPARE(answers[0].result, R::Answered);
        QCOMPARE(answers[1].result, R::Refused);
        QCOMPARE(answers[2].result, R::Silent);
        QCOMPARE(answers[3].lines, (QStringList{"Zoom V.92", "X\x01Y"}));
        QCOMPARE(answers[11].lines.size(), Identification::MaxLines);
        QVERIFY(answers[11].cut && !answers[10].cut);
        QCOMPARE(rig.info, QString()); // cleared at the end
    }

    // Identification ends honestly and in bounded time: a line that chatters without answering
    // the first inquiry, or says nothing to it, is no modem; one that answered something but
    // then floods is cut at the identification's bound; refusals alone name the refused command.
    void identifyEnds_data()
    {
        QTest::addColumn<QByteArray>("first"); // ATI0's reply, then `rest` to every later one
        QTest::addColumn<QByteArray>("rest");  // repeated every 0.4 s while the dialogue runs
        QTest::addColumn<QString>("box");
        QTest::addColumn<qint64>("ended"); // after ATI0 went out
        QTest::addColumn<int>("asked");
        const QString noReply = "E:" + DialogueTexts::NoReplyMessage;
        QTest::newRow("chatter") << QByteArray() << QByteArray("RING\r") << noReply << qint64(20400)
                                 << 1;
        QTest::newRow("silence") << QByteArray() << QByteArray() << noReply << qint64(1000) << 1;
        QTest::newRow("answered, then floods")
            << QByteArray("56000\r0\r") << QByteArray("X\r") << "N:identification"
            << qint64(DialogueEngine::IdentifyTotalMs) << 3;
        QTest::newRow("only refusals")
            << QByteArray("4\r") << QByteArray("ERROR\r")
            << "E:" + DialogueTexts::CommandErrorLead + "ATI0\n" + DialogueTexts::CommandErrorTail
            << qint64(-1) << 12;
    }
    void identifyEnds()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, rest);
        QFETCH(QString, box);
        QFETCH(qint64, ended);
        QFETCH(int, asked);
        EngineFake rig;
        rig.act(EngineFake::Identify);
        rig.advanceTo(rig.due);
        rig.receive("0\r");
        const qint64 start = rig.now;
        qint64 idleAt = -1;
        rig.onState = [&](int state) { idleAt = state == Idle ? rig.now : idleAt; };
        rig.receive(first);
        while (rig.state() != Idle && rig.now < start + 60000) {
            if (rest.isEmpty())
                rig.tick();
            else
                rig.reply(rest.startsWith('X') || rest.startsWith('R') ? 400 : 10, rest);
        }
        QCOMPARE(rig.boxes, QStringList{box});
        if (ended >= 0)
            QCOMPARE(idleAt - start, ended);
        QCOMPARE(rig.sent().size() - 2, asked);
        if (box.startsWith("N:"))
            QCOMPARE(rig.identification.stoppedAfterMs(), DialogueEngine::IdentifyTotalMs);
    }
};

QTEST_GUILESS_MAIN(TestDialogueFlows)
#include "tst_dialogueflows.moc"
