// SPDX-License-Identifier: GPL-3.0-or-later
// The state table, row by row: each state, reached as a sound modem would lead there, meets reply
// lines of each kind or a tick; the resulting state, commands, boxes, labels and timer are checked.
#include "dialoguetable.h"
#include "enginefake.h"

#include <QTest>

namespace {

constexpr const char *Tick = nullptr;

// What a state does with reply lines or a tick: state, commands written (joined by '|'), box
// ("", "error" naming the command awaiting the reply, "noreply", "configured", "unconfigured"),
// timer ("on" restarted now, "off", "kept" as armed before: a line that is not the result moves
// no deadline), label changes ('|'), port-input discards, bytes of reply text kept.
struct Row
{
    const char *name;
    int state;
    const char *input; // received bytes, or Tick
    int expState;
    const char *sent, *box, *timer, *labels;
    int discards;
    int kept;
};

// Each row reaches its state as a sound modem would; the command awaiting the reply went out at
// `now`. The bytes arrive half a second later, a tick when the second is up. The stored list is
// V0;S0=3.
const Row rows[] = {
    // state 2: "0" sends ATS0?; any other line is an error reply; a blank line is nothing
    {"2 zero", 2, "0\r", 3, "ATS0?", "", "on", "", 0, 0},
    {"2 ends in zero", 2, "10\r", 0, "", "error", "off", "", 0, 0},
    {"2 double zero", 2, "00\r", 0, "", "error", "off", "", 0, 0},
    {"2 blank zero", 2, " 0\r", 0, "", "error", "off", "", 0, 0},
    {"2 zero blank", 2, "0 \r", 0, "", "error", "off", "", 0, 0},
    {"2 error code", 2, "4\r", 0, "", "error", "off", "", 0, 0},
    {"2 text", 2, "ERROR\r", 0, "", "error", "off", "", 0, 0},
    {"2 empty", 2, "\r", 2, "", "", "kept", "", 0, 0},
    {"2 partial line kept", 2, "0", 2, "", "", "kept", "", 0, 1},
    {"2 tick", 2, Tick, 0, "", "noreply", "off", "info=", 0, 0},

    // state 3: any first line gives the number, the result must follow in the row's time; a
    // line ending in zero then shows it and asks for S37
    {"3 number", 3, "002\r", 3, "", "", "after", "", 0, 0},
    {"3 number then zero", 3, "5\r0\r", 4, "ATS37?", "", "on", "answ1=5", 0, 0},
    {"3 zero as number", 3, "0\r0\r", 4, "ATS37?", "", "on", "answ1=0", 0, 0},
    {"3 text as number", 3, "ERROR\r10\r", 4, "ATS37?", "", "on", "answ1=0", 0, 0},
    {"3 negative shown", 3, "-5\r0\r", 4, "ATS37?", "", "on", "answ1=-5", 0, 0},
    {"3 zero blank", 3, "5\r0 \r", 0, "", "error", "off", "", 0, 0},
    {"3 two numbers", 3, "5\r002\r", 0, "", "error", "off", "", 0, 0},
    {"3 empty", 3, "\r\n", 3, "", "", "kept", "", 0, 0},
    {"3 tick", 3, Tick, 0, "", "noreply", "off", "info=", 0, 0},

    // state 4: the same reading; the speed's name ends the query, silence gives "XXXX"
    {"4 number then zero", 4, "009\r0\r", 0, "", "", "off", "answ2=9600", 0, 0},
    {"4 ends in zero", 4, "9\r10\r", 0, "", "", "off", "answ2=9600", 0, 0},
    {"4 AUTO", 4, "0\r0\r", 0, "", "", "off", "answ2=AUTO", 0, 0},
    {"4 no name for 4", 4, "4\r0\r", 0, "", "", "off", "answ2=", 0, 0},
    {"4 ten", 4, "10\r0\r", 0, "", "", "off", "answ2=++++", 0, 0},
    {"4 negative", 4, "-1\r0\r", 0, "", "", "off", "answ2=++++", 0, 0},
    {"4 text", 4, "9\rERROR\r", 0, "", "error", "off", "", 0, 0},
    {"4 empty", 4, "9\r\r", 4, "", "", "after", "", 0, 0},
    {"4 tick", 4, Tick, 0, "", "", "off", "answ2=XXXX", 1, 0},

    // state 6: "0" builds the list and sends entry 0
    {"6 zero", 6, "0\r", 7, "ATV0", "", "on", "info=Enviando: \"ATV0\"", 0, 0},
    {"6 ends in zero", 6, "10\r", 0, "", "error", "off", "", 0, 0},
    {"6 text", 6, "ERROR\r", 0, "", "error", "off", "", 0, 0},
    {"6 empty", 6, "\r", 6, "", "", "kept", "", 0, 0},
    {"6 tick", 6, Tick, 0, "", "noreply", "off", "info=", 0, 0},

    // state 7: "0" sends the next entry, after the last ATQ1
    {"7 zero", 7, "0\r", 7, "ATS0=3", "", "on", "info=Enviando: \"ATS0=3\"", 0, 0},
    {"7 last zero", 7, "0\r0\r", 8, "ATS0=3|ATQ1", "", "on",
     "info=Enviando: \"ATS0=3\"|info=Enviando: \"ATQ1\"", 0, 0},
    {"7 number", 7, "002\r", 0, "", "error", "off", "", 0, 0},
    {"7 empty", 7, "\r", 7, "", "", "kept", "", 0, 0},
    {"7 tick", 7, Tick, 0, "", "noreply", "off", "info=", 0, 0},

    // states 8 and 9: results are off; only a refusal is looked at, and it stores nothing
    {"8 zero", 8, "0\r", 8, "", "", "kept", "", 0, 0},
    {"8 error code", 8, "4\r", 0, "", "error", "off", "", 0, 0},
    {"8 tick", 8, Tick, 9, "AT&W0", "", "on", "", 1, 0},
    {"9 OK", 9, "OK\r", 9, "", "", "kept", "", 0, 0},
    {"9 error text", 9, "ERROR\r", 0, "", "error", "off", "", 0, 0},
    {"9 tick", 9, Tick, 0, "", "configured", "off", "info=", 1, 0},

    // state 10: waits for "OK"+CR anywhere in the text, in the row's time once a line (even a
    // blank one) has come; a refusal fails
    {"10 OK", 10, "OK\r", 11, "", "", "on", "", 0, 0},
    {"10 echo then OK", 10, "AT&F\rOK\rX\r", 11, "", "", "on", "", 0, 0},
    {"10 zero", 10, "0\r", 10, "", "", "after", "", 0, 2},
    {"10 lower case", 10, "ok\r", 10, "", "", "after", "", 0, 3},
    {"10 blank", 10, "\r\n", 10, "", "", "after", "", 0, 0},
    {"10 OK without CR", 10, "OK", 10, "", "", "kept", "", 0, 2},
    {"10 echo then error code", 10, "AT&F\r4\r", 0, "", "error", "off", "", 0, 0},
    {"10 error text", 10, "ERROR\r", 0, "", "error", "off", "", 0, 0},
    {"10 OK after error", 10, "ERROR\rOK\r", 11, "", "", "on", "", 0, 0},
    {"10 tick", 10, Tick, 0, "", "noreply", "off", "info=", 0, 0},

    // state 12
    {"12 OK", 12, "OK\r", 0, "", "unconfigured", "off", "info=", 0, 0},
    {"12 error", 12, "ERROR\r", 0, "", "error", "off", "", 0, 0},
    {"12 blank", 12, "\r", 12, "", "", "after", "", 0, 0},
    {"12 tick", 12, Tick, 0, "", "noreply", "off", "info=", 0, 0},

    // paced states: lines are not looked at, the tick takes the next step
    {"1 line", 1, "ERROR\r", 1, "", "", "kept", "", 0, 0},
    {"1 tick", 1, Tick, 2, "ATE0Q0V0", "", "on", "", 1, 0},
    {"5 line", 5, "0\r", 5, "", "", "kept", "", 0, 0},
    {"5 tick", 5, Tick, 6, "AT&F0E0Q0V0", "", "on", "", 1, 0},
    {"11 line", 11, "OK\r", 11, "", "", "kept", "", 0, 0},
    {"11 tick", 11, Tick, 12, "AT&W0", "", "on", "info=Enviando AT&&W", 1, 0},
};

QString boxFor(const QByteArray &code, const QString &command)
{
    if (code == "error")
        return "E:El modem ha devuelto un código de error con el comando:  " + command
               + "\nLa operación ha fracasado";
    if (code == "noreply")
        return "E:" + DialogueTexts::NoReplyMessage;
    if (code == "configured")
        return "I:Modem configurado con éxito";
    return code == "unconfigured" ? "I:Modem desconfigurado con éxito" : QString();
}

QStringList split(const char *joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

} // namespace

class TestDialogueStates : public QObject
{
    Q_OBJECT
private slots:
    void stateTable_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rows)); ++i)
            QTest::addRow("%s", rows[i].name) << i;
    }
    void stateTable()
    {
        QFETCH(int, row);
        const Row &r = rows[row];
        EngineFake rig;
        rig.list = {QStringLiteral("V0"), QStringLiteral("S0=3")};
        QVERIFY(rig.reach(r.state));
        const qint64 armed = rig.now;
        if (r.input == Tick)
            rig.advanceTo(rig.due);
        else
            rig.reply(500, QByteArray(r.input));

        QCOMPARE(rig.ticks, r.input == Tick ? 1 : 0);
        QCOMPARE(rig.state(), r.expState);
        QCOMPARE(rig.sent(), split(r.sent));
        QCOMPARE(rig.boxes, r.box[0] ? QStringList{boxFor(r.box, rig.lastCommand)} : QStringList());
        QCOMPARE(rig.labels, split(r.labels));
        QCOMPARE(rig.discards, r.discards);
        QCOMPARE(rig.engine.keptReplyBytes(), r.kept);
        const QByteArray timer(r.timer);
        QCOMPARE(rig.isActive(), timer != "off");
        if (timer == "on")
            QCOMPARE(rig.due, rig.now + 1000);
        else if (timer == "kept")
            QCOMPARE(rig.due, armed + 1000);
        else if (timer == "after") // the first line's time, from that line
            QCOMPARE(rig.due,
                     rig.now + Dialogue::rowFor(Dialogue::State(r.state))->afterFirstLineMs);
        // A dialogue that ended has closed the port and unlocked the frames; else both stay.
        QCOMPARE(rig.isOpen(), r.expState != 0);
        QCOMPARE(rig.framesEnabled, r.expState == 0);
    }
};

QTEST_GUILESS_MAIN(TestDialogueStates)
#include "tst_dialoguestates.moc"
