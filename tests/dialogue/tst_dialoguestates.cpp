// The state table, row by row: each state meets a reply line of each kind, or a tick, and the
// resulting state, commands, boxes, labels, timer and number fields are checked.
#include "dialoguerig.h"

#include <QTest>

namespace {

constexpr const char *Tick = nullptr;

// What a state does with a reply line or a tick: state, commands written (joined by '|'), box
// ("", "error", "noreply", "configured", "unconfigured"), timer ("on" restarted now, "off", "kept"
// as armed before), number fields, label changes ('|'), port-input discards, Text left over.
struct Row
{
    const char *name;
    int state, hasNumber, number;
    const char *input; // received bytes, or Tick
    int expState;
    const char *sent, *box, *timer;
    int expHasNumber, expNumber;
    const char *labels;
    int discards;
    const char *text;
};

// Before each row the timer was armed at t=0 by the command awaiting the reply; the line
// arrives at t=500, a tick at t=1000.
const Row rows[] = {
    // state 2: "0" sends ATS0?; anything else is an error reply
    {"2 zero", 2, 0, 0, "0\r", 3, "ATS0?", "", "on", 0, 0, "", 0, ""},
    {"2 ends in zero", 2, 0, 0, "10\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 double zero", 2, 0, 0, "00\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 blank zero", 2, 0, 0, " 0\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 zero blank", 2, 0, 0, "0 \r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 number", 2, 0, 0, "002\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 error code", 2, 0, 0, "4\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 text", 2, 0, 0, "ERROR\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"2 empty", 2, 0, 0, "\r", 2, "", "", "kept", 0, 0, "", 0, ""},
    {"2 tick", 2, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},

    // state 3, number not yet read: any line gives the number; the result must follow in 1 s
    {"3 first zero", 3, 0, 77, "0\r", 3, "", "", "on", 1, 0, "", 0, ""},
    {"3 first ends in zero", 3, 0, 77, "10\r", 3, "", "", "on", 1, 10, "", 0, ""},
    {"3 first number", 3, 0, 77, "002\r", 3, "", "", "on", 1, 2, "", 0, ""},
    {"3 first text", 3, 0, 77, "ERROR\r", 3, "", "", "on", 1, 0, "", 0, ""},
    {"3 first empty", 3, 0, 77, "\r\n", 3, "", "", "kept", 0, 77, "", 0, ""},
    {"3 first tick", 3, 0, 77, Tick, 0, "", "noreply", "off", 0, 77, "info=", 0, ""},
    // state 3, number read: a line ending in zero shows it and asks for S37
    {"3 zero", 3, 1, 5, "0\r", 4, "ATS37?", "", "on", 0, 5, "answ1=5", 0, ""},
    {"3 ends in zero", 3, 1, 5, "10\r", 4, "ATS37?", "", "on", 0, 5, "answ1=5", 0, ""},
    {"3 negative shown", 3, 1, -5, "0\r", 4, "ATS37?", "", "on", 0, -5, "answ1=-5", 0, ""},
    {"3 zero blank", 3, 1, 5, "0 \r", 0, "", "error", "off", 0, 5, "", 0, ""},
    {"3 number", 3, 1, 5, "002\r", 0, "", "error", "off", 0, 5, "", 0, ""},
    {"3 text", 3, 1, 5, "ERROR\r", 0, "", "error", "off", 0, 5, "", 0, ""},
    {"3 empty", 3, 1, 5, "\r", 3, "", "", "kept", 1, 5, "", 0, ""},
    {"3 tick after number", 3, 1, 5, Tick, 0, "", "noreply", "off", 0, 5, "info=", 0, ""},

    // state 4, number not yet read
    {"4 first zero", 4, 0, 77, "0\r", 4, "", "", "on", 1, 0, "", 0, ""},
    {"4 first number", 4, 0, 77, "009\r", 4, "", "", "on", 1, 9, "", 0, ""},
    {"4 first text", 4, 0, 77, "ERROR\r", 4, "", "", "on", 1, 0, "", 0, ""},
    {"4 first empty", 4, 0, 77, "\r", 4, "", "", "kept", 0, 77, "", 0, ""},
    {"4 first tick", 4, 0, 77, Tick, 0, "", "", "off", 0, 77, "answ2=XXXX", 1, ""},
    // state 4, number read
    {"4 zero", 4, 1, 9, "0\r", 0, "", "", "off", 0, 9, "answ2=9600", 0, ""},
    {"4 ends in zero", 4, 1, 9, "10\r", 0, "", "", "off", 0, 9, "answ2=9600", 0, ""},
    {"4 AUTO", 4, 1, 0, "0\r", 0, "", "", "off", 0, 0, "answ2=AUTO", 0, ""},
    {"4 no name for 4", 4, 1, 4, "0\r", 0, "", "", "off", 0, 4, "answ2=", 0, ""},
    {"4 ten", 4, 1, 10, "0\r", 0, "", "", "off", 0, 10, "answ2=++++", 0, ""},
    {"4 negative", 4, 1, -1, "0\r", 0, "", "", "off", 0, -1, "answ2=++++", 0, ""},
    {"4 saturated", 4, 1, 32767, "0\r", 0, "", "", "off", 0, 32767, "answ2=++++", 0, ""},
    {"4 number", 4, 1, 9, "002\r", 0, "", "error", "off", 0, 9, "", 0, ""},
    {"4 text", 4, 1, 9, "ERROR\r", 0, "", "error", "off", 0, 9, "", 0, ""},
    {"4 empty", 4, 1, 9, "\r", 4, "", "", "kept", 1, 9, "", 0, ""},
    {"4 tick after number", 4, 1, 9, Tick, 0, "", "", "off", 0, 9, "answ2=XXXX", 1, ""},

    // state 6: "0" builds the list and sends entry 0
    {"6 zero", 6, 0, 0, "0\r", 7, "ATV0", "", "on", 0, 0, "info=Enviando: \"ATV0\"", 0, ""},
    {"6 ends in zero", 6, 0, 0, "10\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"6 number", 6, 0, 0, "002\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"6 text", 6, 0, 0, "ERROR\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"6 empty", 6, 0, 0, "\r", 6, "", "", "kept", 0, 0, "", 0, ""},
    {"6 tick", 6, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},

    // state 7 (list V0;S0=3): "0" sends the next entry, after the last ATQ1
    {"7 zero", 7, 0, 0, "0\r", 7, "ATS0=3", "", "on", 0, 0, "info=Enviando: \"ATS0=3\"", 0, ""},
    {"7 ends in zero", 7, 0, 0, "10\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"7 number", 7, 0, 0, "002\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"7 text", 7, 0, 0, "ERROR\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"7 empty", 7, 0, 0, "\r", 7, "", "", "kept", 0, 0, "", 0, ""},
    {"7 tick", 7, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},

    // state 10: waits for "OK"+CR anywhere in the text, one second at a time
    {"10 OK", 10, 0, 0, "OK\r", 11, "", "", "on", 0, 0, "", 0, ""},
    {"10 echo then OK", 10, 0, 0, "AT&F\rOK\rX\r", 11, "", "", "on", 0, 0, "", 0, ""},
    {"10 zero", 10, 0, 0, "0\r", 10, "", "", "on", 0, 0, "", 0, "0\r"},
    {"10 lower case", 10, 0, 0, "ok\r", 10, "", "", "on", 0, 0, "", 0, "ok\r"},
    {"10 OK without CR", 10, 0, 0, "OK", 10, "", "", "kept", 0, 0, "", 0, "OK"},
    {"10 tick", 10, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},

    // state 12
    {"12 OK", 12, 0, 0, "OK\r", 0, "", "unconfigured", "off", 0, 0, "info=", 0, ""},
    {"12 error", 12, 0, 0, "ERROR\r", 12, "", "", "on", 0, 0, "", 0, "ERROR\r"},
    {"12 tick", 12, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},

    // states that do not look at replies: consumed, timer untouched
    {"0 line", 0, 0, 0, "0\r", 0, "", "", "kept", 0, 0, "", 0, ""},
    {"1 line", 1, 0, 0, "ERROR\r", 1, "", "", "kept", 0, 0, "", 0, ""},
    {"5 line", 5, 0, 0, "0\r", 5, "", "", "kept", 0, 0, "", 0, ""},
    {"8 line", 8, 0, 0, "0\r", 8, "", "", "kept", 0, 0, "", 0, ""},
    {"9 line", 9, 0, 0, "OK\r", 9, "", "", "kept", 0, 0, "", 0, ""},
    // states 8 and 9: a refused ATQ1 or AT&W0 is not a stored profile
    {"8 error code", 8, 0, 0, "4\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"9 error text", 9, 0, 0, "ERROR\r", 0, "", "error", "off", 0, 0, "", 0, ""},
    {"11 line", 11, 0, 0, "OK\r", 11, "", "", "kept", 0, 0, "", 0, ""},
    {"13 line", 13, 0, 0, "0\r", 13, "", "", "kept", 0, 0, "", 0, ""},
    {"partial line kept", 2, 0, 0, "0", 2, "", "", "kept", 0, 0, "", 0, "0"},

    // paced steps and time-outs of the other states
    {"0 tick", 0, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},
    {"1 tick", 1, 0, 0, Tick, 2, "ATE0Q0V0", "", "on", 0, 0, "", 1, ""},
    {"5 tick", 5, 0, 0, Tick, 6, "AT&F0E0Q0V0", "", "on", 0, 0, "", 1, ""},
    {"8 tick", 8, 0, 0, Tick, 9, "AT&W0", "", "on", 0, 0, "", 1, ""},
    {"9 tick", 9, 0, 0, Tick, 0, "", "configured", "off", 0, 0, "info=", 0, ""},
    {"11 tick", 11, 0, 0, Tick, 12, "AT&W0", "", "on", 0, 0, "info=Enviando AT&&W", 1, ""},
    {"13 tick", 13, 0, 0, Tick, 0, "", "noreply", "off", 0, 0, "info=", 0, ""},
};

QString boxFor(const QByteArray &code)
{
    if (code == "error")
        return "E:El modem ha devuelto un código de error con el comando:  ATX\n"
               "La operación ha fracasado";
    if (code == "noreply")
        return "E:" + SystemTexts::NoReplyMessage;
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
        DialogueRig rig;
        rig.enter(r.state);
        rig.framesEnabled = r.state == 0;
        rig.engine.ReplyBuffer.HasNumber = qint16(r.hasNumber);
        rig.engine.ReplyBuffer.Number = qint16(r.number);
        rig.engine.LastCommand = QStringLiteral("ATX");
        rig.list = {QStringLiteral("V0"), QStringLiteral("S0=3")};
        rig.engine.CommandList = rig.list;
        rig.start(1000);
        if (r.input == Tick)
            rig.advanceTo(1000);
        else
            rig.reply(500, QByteArray(r.input));

        QCOMPARE(rig.ticks, r.input == Tick ? 1 : 0);
        QCOMPARE(rig.state(), r.expState);
        QCOMPARE(rig.sent(), split(r.sent));
        QCOMPARE(rig.boxes, r.box[0] ? QStringList{boxFor(r.box)} : QStringList());
        QCOMPARE(rig.labels, split(r.labels));
        QCOMPARE(int(rig.engine.ReplyBuffer.HasNumber), r.expHasNumber);
        if (r.expState != 0) // an ended dialogue keeps no number
            QCOMPARE(int(rig.engine.ReplyBuffer.Number), r.expNumber);
        QCOMPARE(rig.discards, r.discards);
        QCOMPARE(rig.engine.ReplyBuffer.Text, QByteArray(r.text));
        const QByteArray timer(r.timer);
        QCOMPARE(rig.isActive(), timer != "off");
        if (timer == "on")
            QCOMPARE(rig.due, rig.now + 1000);
        else if (timer == "kept")
            QCOMPARE(rig.due, 1000);
        // A dialogue that ended has closed the port and unlocked the frames; else both stay.
        if (r.state != 0) {
            QCOMPARE(rig.isOpen(), r.expState != 0);
            QCOMPARE(rig.framesEnabled, r.expState == 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestDialogueStates)
#include "tst_dialoguestates.moc"
