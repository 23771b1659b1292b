// SPDX-License-Identifier: GPL-3.0-or-later
// The three dialogues from the button to the modem's stored profile, against a simulated modem
// whose replies come whole, a byte at a time, with the LF late, with parity, behind noise or
// with its numeric results framed in CR LF:
// the bytes on the line, order and pacing of the commands, what the window shows, what the modem
// keeps. Escape while running and idle, a second action refused mid-dialogue, and the editor.
#include "e2efixture.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <QAbstractButton>

#include <utility>

Q_DECLARE_METATYPE(HayesOptions)

namespace {

using L = QStringList;
using S = QList<int>;

// How the modem's replies arrive; Framed: "\r\n0\r\n" where a classic modem sends "0\r".
enum Shape { Whole = 0, Bytes = 1, LateLf = 2, Noise = 4, Framed = 8 };

HayesOptions configuredModem()
{
    HayesOptions options;
    options.quiet = true;
    options.registers = {{0, 3}};
    return options;
}

// The resets, the list entries, quiet mode and store.
L configuration(const L &entries)
{
    L commands{"AT&F0E0Q0V0", "AT&F0E0Q0V0"};
    for (const QString &entry : entries)
        commands << "AT" + entry;
    return commands << "ATQ1"
                    << "AT&W0";
}

const L QueryCommands{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"};
const S QueryStates{1, 2, 3, 4, 0};
const L QueryInfo(5, QStringLiteral("anterior")); // the query leaves `info` alone
const S ConfigureStates{5, 6, 7, 8, 9, 0};
const L ConfigureInfo{"inicializando...",   "inicializando...",   "Enviando: \"ATV0\"",
                      "Enviando: \"ATQ1\"", "Enviando: \"ATQ1\"", ""};
const S FactoryStates{10, 11, 12, 0};
const L FactoryInfo{"Enviando AT&F", "Enviando AT&F", "Enviando AT&W", ""};
const QString Configured = QStringLiteral("I:Modem configurado con éxito");
const QString Unconfigured = QStringLiteral("I:Modem desconfigurado con éxito");
const L BuiltIn{"V0", "S0=1", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"};

void click(QDialog *editor, const char *name)
{
    auto *button = editor->findChild<QAbstractButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestE2eDialogues : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void dialogue_data();
    void dialogue();
    void editor();
    void identify();
};

void TestE2eDialogues::initTestCase()
{
    // The oracle itself, against bytes worked out by hand.
    QCOMPARE(E2e::withParity("ATS0?\r", E2e::Odd), QByteArray("\xC1\x54\xD3\xB0\xBF\x0D"));
    QCOMPARE(E2e::withParity("ATS0?\r", E2e::Even), QByteArray("\x41\xD4\x53\x30\x3F\x8D"));
}

void TestE2eDialogues::cleanup()
{
    QFile::remove(E2e::iniPath());
}

void TestE2eDialogues::dialogue_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("shape");
    QTest::addColumn<HayesOptions>("modem");
    QTest::addColumn<int>("speed"); // OpBau index: 9600, 4800, 2400, 1200
    QTest::addColumn<QString>("rings");
    QTest::addColumn<QString>("stored");  // null: no INI file, the built-in list
    QTest::addColumn<int>("interruptAt"); // state when the other button is pressed (0: never)
    QTest::addColumn<L>("commands");
    QTest::addColumn<S>("paced"); // gaps that take a timer step, by the later command's index
                                  // (-2: the last command, -1: the end); the others are quick
    QTest::addColumn<S>("states");
    QTest::addColumn<L>("info");
    QTest::addColumn<L>("boxes");
    QTest::addColumn<QString>("answers"); // answ1|answ2
    QTest::addColumn<QString>("profile");
    using E2e::None, E2e::Odd, E2e::Even;
    const QString factoryProfile = QStringLiteral("S0=0 S37=0 E1 V1 Q0 +MS=V34,1");

    QTest::newRow("query, none, 2 rings, 9600")
        << "Pregunto" << int(None) << int(Whole) << E2e::poweredOn({{0, 2}, {37, 9}}) << 0 << "1"
        << QString() << 0 << QueryCommands << S{1} << QueryStates << QueryInfo << L() << "2|9600"
        << "S0=2 S37=9 E1 V1 Q0 +MS=V34,1";
    QTest::newRow("query, odd, bytewise, code 4 unnamed")
        << "Pregunto" << int(Odd) << int(Bytes) << E2e::poweredOn({{0, 0}, {37, 4}}) << 0 << "1"
        << QString() << 0 << QueryCommands << S{1} << QueryStates << QueryInfo << L() << "0|"
        << "S0=0 S37=4 E1 V1 Q0 +MS=V34,1";
    QTest::newRow("query, even, bytewise, late LF, code 11 past the table")
        << "Pregunto" << int(Even) << (Bytes | LateLf) << E2e::poweredOn({{0, 15}, {37, 11}}) << 0
        << "1" << QString() << 0 << QueryCommands << S{1} << QueryStates << QueryInfo << L()
        << "15|++++"
        << "S0=15 S37=11 E1 V1 Q0 +MS=V34,1";
    QTest::newRow("configure, none, 9600, built-in list")
        << "Configuro" << int(None) << int(Whole) << E2e::poweredOn() << 0 << "3" << QString() << 0
        << configuration({"V0", "S0=3", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"})
        << S{1, -2, -1} << ConfigureStates << ConfigureInfo << L{Configured} << "|"
        << "S0=3 S37=0 E0 V0 Q1 +MS=V34,1";
    // The empty line in front of every framed reply is no reply, even when its LF comes late.
    QTest::newRow("query, odd, bytewise, numeric results framed in CR LF")
        << "Pregunto" << int(Odd) << (Framed | Bytes) << E2e::poweredOn({{0, 2}, {37, 9}}) << 0
        << "1" << QString() << 0 << QueryCommands << S{1} << QueryStates << QueryInfo << L()
        << "2|9600"
        << "S0=2 S37=9 E1 V1 Q0 +MS=V34,1";
    // Replies come slowly, so that some fall due while the refusal's box is open.
    QTest::newRow("configure, odd, 1200, Rockwell list, bytewise, Preguntar refused")
        << "Configuro" << int(Odd) << int(Bytes) << E2e::poweredOn() << 3 << "5"
        << "V0;S0=#;B0;L2;M1;E0;Y1;&Q5;N0;S37=#;&D0;&S0" << int(Dialogue::ConfigSendList)
        << configuration(
               {"V0", "S0=5", "B0", "L2", "M1", "E0", "Y1", "&Q5", "N0", "S37=5", "&D0", "&S0"})
        << S{1, -2, -1} << ConfigureStates << ConfigureInfo
        << L{"E:El puerto 1 (DEVICE) ya está abierto.", Configured} << "|"
        << "S0=5 S37=5 E0 V0 Q1 +MS=V34,1";
    QTest::newRow("configure, even, 2400, Zoom list, late LF")
        << "Configuro" << int(Even) << int(LateLf) << E2e::poweredOn() << 2 << "12"
        << "V0;S0=#;B0;L2;M1;E0;&D0;&S0;+MS=V#,0" << 0
        << configuration({"V0", "S0=12", "B0", "L2", "M1", "E0", "&D0", "&S0", "+MS=V22B,0"})
        << S{1, -2, -1} << ConfigureStates << ConfigureInfo << L{Configured} << "|"
        << "S0=12 S37=0 E0 V0 Q1 +MS=V22B,0";
    QTest::newRow("configure, even, 2400, Zoom list, late LF, numeric results framed in CR LF")
        << "Configuro" << int(Even) << (Framed | LateLf) << E2e::poweredOn() << 2 << "12"
        << "V0;S0=#;B0;L2;M1;E0;&D0;&S0;+MS=V#,0" << 0
        << configuration({"V0", "S0=12", "B0", "L2", "M1", "E0", "&D0", "&S0", "+MS=V22B,0"})
        << S{1, -2, -1} << ConfigureStates << ConfigureInfo << L{Configured} << "|"
        << "S0=12 S37=0 E0 V0 Q1 +MS=V22B,0";
    // The factory-reset states look for "OK" anywhere in what came, so noise does no harm.
    QTest::newRow("factory reset, none, noise before replies")
        << "Desconf" << int(None) << int(Noise) << configuredModem() << 0 << "1" << QString() << 0
        << L{"AT&F", "AT&W0"} << S{1} << FactoryStates << FactoryInfo << L{Unconfigured} << "|"
        << factoryProfile;
    QTest::newRow("factory reset, odd, bytewise")
        << "Desconf" << int(Odd) << int(Bytes) << configuredModem() << 0 << "1" << QString() << 0
        << L{"AT&F", "AT&W0"} << S{1} << FactoryStates << FactoryInfo << L{Unconfigured} << "|"
        << factoryProfile;
    QTest::newRow("factory reset, even, late LF")
        << "Desconf" << int(Even) << int(LateLf) << configuredModem() << 0 << "1" << QString() << 0
        << L{"AT&F", "AT&W0"} << S{1} << FactoryStates << FactoryInfo << L{Unconfigured} << "|"
        << factoryProfile;
    // AT&F turns on word results, so the framing changes nothing here: it must stay that way.
    QTest::newRow("factory reset, none, numeric results framed in CR LF")
        << "Desconf" << int(None) << int(Framed) << configuredModem() << 0 << "1" << QString() << 0
        << L{"AT&F", "AT&W0"} << S{1} << FactoryStates << FactoryInfo << L{Unconfigured} << "|"
        << factoryProfile;
}

void TestE2eDialogues::dialogue()
{
    QFETCH(QString, button);
    QFETCH(int, parity);
    QFETCH(int, shape);
    QFETCH(HayesOptions, modem);
    QFETCH(int, speed);
    QFETCH(QString, rings);
    QFETCH(QString, stored);
    QFETCH(int, interruptAt);
    QFETCH(L, commands);
    QFETCH(S, paced);
    QFETCH(S, states);
    QFETCH(L, info);
    QFETCH(L, boxes);
    QFETCH(QString, answers);
    QFETCH(QString, profile);

    modem.replyParity = parity;
    modem.chunk = shape & Bytes ? 1 : 0;
    modem.chunkGapMs = 3; // each piece a read of its own
    modem.splitCrLf = shape & LateLf;
    modem.splitGapMs = 30;
    modem.garbageBefore = shape & Noise ? 7 : 0;
    modem.numericCrLf = shape & Framed;
    if (!stored.isNull())
        QVERIFY(E2e::writeStoredList(stored));
    E2e::Bench bench(modem);
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    Form1 &form = bench.form();
    bench.setParity(parity);
    bench.setSpeed(speed);
    bench.typeRings(rings);
    form.setInfo(QStringLiteral("anterior"));
    bool interrupted = false;
    const QString other = button == "Pregunto" ? "Configuro" : "Pregunto";
    QObject::connect(&form, &Form1::stateChanged, &form, [&](qint16 state) {
        if (interruptAt != 0 && state == interruptAt && !std::exchange(interrupted, true))
            QTimer::singleShot(0, &form, [&] { bench.press(other); }); // from the event loop
    });

    bench.press(button);
    // Running: only the line settings are locked, and Escape does nothing wherever the focus is.
    QCOMPARE(enabledFrames(form), 0);
    for (const char *name : {"llam", "Configuro", "Desconf", "Pregunto", "LaLista"})
        QVERIFY2(control(form, name)->isEnabled(), name);
    QTest::keyClick(control(form, "llam"), Qt::Key_Escape);
    QTest::keyClick(control(form, button), Qt::Key_Escape);
    QVERIFY(form.isVisible());
    QVERIFY(bench.waitIdle());
    QCOMPARE(interrupted, interruptAt != 0);

    QCOMPARE(bench.commands(), commands);
    const QList<QByteArray> raw = bench.rawCommands();
    for (qsizetype i = 0; i < commands.size(); ++i)
        QCOMPARE(raw.at(i), E2e::withParity(commands.at(i).toLatin1() + '\r', parity));
    const qsizetype end = commands.size();
    for (qsizetype i = 1; i <= end; ++i) {
        const double gap = bench.msBetweenCommands(i - 1, i);
        if (paced.contains(i) || paced.contains(i - end - 1))
            E2E_VERIFY_PACED(bench, i - 1, i);
        else
            QVERIFY2(gap < E2e::LateMarginMs, qPrintable(QString("%1: %2 ms").arg(i).arg(gap)));
    }
    QCOMPARE(bench.states(), states);
    QCOMPARE(bench.infoAtStates(), info);
    QCOMPARE(bench.shownBoxes(), boxes.replaceInStrings(QStringLiteral("DEVICE"), bench.device()));
    QCOMPARE(bench.label("answ1") + u'|' + bench.label("answ2"), answers);
    QVERIFY(bench.closedAndIdle());
    QCOMPARE(bench.storedProfile(), profile);

    // Idle again: Escape closes the window, and with its only window the program ends.
    QTest::keyClick(control(form, "llam"), Qt::Key_Escape);
    QTRY_VERIFY(!form.isVisible());
    for (const QWidget *window : QApplication::topLevelWidgets())
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
}

void TestE2eDialogues::editor()
{
    // A configuration started before the editor goes on behind it with the list stored then;
    // the Zoom list accepted there is what the next configuration, at 1200, sends.
    E2e::Bench bench;
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.setSpeed(3);
    QPointer<QDialog> open;
    bool underTheBox = false;
    bench.boxes().setInspector([&](QMessageBox *) { underTheBox = open && open->isVisible(); });
    QString title;
    bool modal = false, owned = true, finished = false, stillOpen = false;
    bench.press(QStringLiteral("Configuro"));
    E2e::inNextModalDialog(&bench.form(), [&](QDialog *editor) {
        open = editor;
        title = editor->windowTitle();
        modal = editor->isModal();
        owned = editor->parentWidget();
        click(editor, "dflZoo");
        finished = QTest::qWaitFor([&] { return bench.closedAndIdle(); }, E2e::DialogueTimeoutMs);
        stillOpen = editor->isVisible();
        click(editor, "acepto");
    });
    bench.press(QStringLiteral("LaLista"));
    QCOMPARE(title, QStringLiteral("Comandos"));
    QVERIFY(modal && !owned);
    QVERIFY(finished && stillOpen && underTheBox);
    QCOMPARE(bench.commands(), configuration(BuiltIn));
    E2E_VERIFY_PACED(bench, 0, 1);
    E2E_VERIFY_PACED(bench, 12, 13);
    QCOMPARE(bench.shownBoxes(), L{Configured});

    bench.modem().clearLog();
    bench.boxes().clear();
    bench.press(QStringLiteral("Configuro"));
    QVERIFY(bench.waitIdle());
    QCOMPARE(bench.commands(),
             configuration({"V0", "S0=1", "B0", "L2", "M1", "E0", "&D0", "&S0", "+MS=V22,0"}));
    QCOMPARE(bench.rawCommands().at(10), E2e::withParity("AT+MS=V22,0\r", E2e::Odd)); // as opened
    QCOMPARE(bench.shownBoxes(), L{Configured});
    QCOMPARE(QString::fromStdString(bench.modem().modulation()), QStringLiteral("V22,0"));
    QVERIFY(bench.closedAndIdle());
}

QTEST_MAIN(TestE2eDialogues)
// Identification of a modem that a configuration left quiet (Q1 stored), with one inquiry it
// refuses (ATI7) and one it ignores: the window shows each answer and the chipset it points to.
void TestE2eDialogues::identify()
{
    HayesOptions quietModem = E2e::poweredOn();
    quietModem.quiet = true;
    quietModem.silentOn = {"I4"};
    E2e::Bench bench(quietModem);
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    QString suggestion, answers;
    E2e::inNextModalDialog(&bench.form(), [&](QDialog *window) {
        if (auto *label = window->findChild<QLabel *>(QStringLiteral("suggestion")))
            suggestion = label->text();
        if (auto *text = window->findChild<QPlainTextEdit *>(QStringLiteral("answers")))
            answers = text->toPlainText();
    });
    bench.form().identifyModem();
    QVERIFY(bench.waitIdle());
    QVERIFY(bench.closedAndIdle());
    QCOMPARE(bench.commands(),
             QStringList({"ATE0Q0V0", "ATE0Q0V0", "ATI0", "ATI1", "ATI2", "ATI3", "ATI4", "ATI5",
                          "ATI6", "ATI7", "AT+GMI", "AT+GMM", "AT+GMR", "AT&V"}));
    E2E_VERIFY_PACED(bench, 6, 7); // ATI4 ignored
    QVERIFY2(suggestion.contains(QStringLiteral("\"Zoom\"")), qPrintable(suggestion));
    QVERIFY2(answers.contains(QStringLiteral("ATI3\n    Zoom V.92 External Modem 3049C\n")),
             qPrintable(answers));
    QVERIFY(answers.contains(QStringLiteral("ATI4  (sin respuesta en 1 s)")));
    QVERIFY(answers.contains(QStringLiteral("ATI7  (rechazado por el modem)")));
    QVERIFY(answers.contains(QStringLiteral("STORED PROFILE 0:\n    E1 Q1 V1"))); // still quiet
    QVERIFY(bench.shownBoxes().isEmpty());
}

#include "tst_e2e_dialogues.moc"
