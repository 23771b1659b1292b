// The dialogues against a simulated modem that misbehaves: silence where a reply is awaited,
// an error result, a line that drops mid-dialogue; and the operator pressing a second button
// or Escape while a dialogue runs.
#include "e2efixture.h"


class TestE2eFaults : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void silence_data();
    void silence();
    void speedQueryGivesUp_data();
    void speedQueryGivesUp();
    void errorResult_data();
    void errorResult();
    void unplugged_data();
    void unplugged();
    void secondActionRefused_data();
    void secondActionRefused();
    void escape();
};

namespace {

const QString NoReply = QStringLiteral("No hay respuesta: Puede ser que...\n"
                                       "    .... no sea un modem\n"
                                       "    .... esté averiado\n"
                                       "    .... no sea compatible Hayes");

const QStringList QueryCommands{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"};

} // namespace

void TestE2eFaults::cleanup()
{
    E2e::removeStoredList();
}

void TestE2eFaults::silence_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("silentOn"); // empty: a modem that never sends anything
    QTest::addColumn<int>("waitingState");
    QTest::addColumn<QString>("lastCommand");

    QTest::newRow("state 2") << "Pregunto" << "" << 2 << "ATE0Q0V0";
    QTest::newRow("state 3") << "Pregunto" << "S0?" << 3 << "ATS0?";
    QTest::newRow("state 6") << "Configuro" << "" << 6 << "AT&F0E0Q0V0";
    QTest::newRow("state 7") << "Configuro" << "B0" << 7 << "ATB0";
    // A modem fresh from the box echoes: in 10 and 12 the echo is a line without "OK", after
    // which the silence must still end the dialogue.
    QTest::newRow("state 10") << "Desconf" << "&F" << 10 << "AT&F";
    QTest::newRow("state 12") << "Desconf" << "&W0" << 12 << "AT&W0";
}

void TestE2eFaults::silence()
{
    QFETCH(QString, button);
    QFETCH(QString, silentOn);
    QFETCH(int, waitingState);
    QFETCH(QString, lastCommand);

    HayesOptions options = E2e::poweredOn({{0, 2}, {37, 9}});
    if (silentOn.isEmpty())
        options.silent = true;
    else
        options.silentOn = {silentOn.toStdString()};
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.form().setAnsw1(QStringLiteral("7"));
    bench.form().setAnsw2(QStringLiteral("1200"));

    bench.press(button);
    QVERIFY(bench.waitIdle());

    QCOMPARE(bench.states().size() >= 2, true);
    QCOMPARE(bench.states().at(bench.states().size() - 2), waitingState);
    QCOMPARE(bench.states().last(), 0);
    QCOMPARE(bench.commands().last(), lastCommand);

    QCOMPARE(bench.boxes().count(), 1);
    const SeenMessageBox &box = bench.boxes().at(0);
    QCOMPARE(box.title, QStringLiteral("Tavoli"));
    QCOMPARE(box.text, NoReply);
    QCOMPARE(box.icon, QMessageBox::Critical);
    // Given up a second after the command the modem did not answer, not before.
    E2E_VERIFY_PACED(E2e::msBetween(bench.receivedAt(bench.commands().size() - 1), bench.boxSeenAt(0)));

    QCOMPARE(bench.label("info"), QString());
    QCOMPARE(bench.label("answ1"), QStringLiteral("7"));
    QCOMPARE(bench.label("answ2"), QStringLiteral("1200"));
    QVERIFY(bench.closedAndIdle());
}

void TestE2eFaults::speedQueryGivesUp_data()
{
    QTest::addColumn<bool>("numberLineOnly"); // the value comes, its result line does not
    QTest::newRow("no reply to ATS37?") << false;
    QTest::newRow("no result line after the value") << true;
}

void TestE2eFaults::speedQueryGivesUp()
{
    QFETCH(bool, numberLineOnly);
    HayesOptions options = E2e::poweredOn({{0, 6}, {37, 9}});
    (numberLineOnly ? options.noResultOn : options.silentOn) = {"S37?"};
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    bench.press(QStringLiteral("Pregunto"));
    QVERIFY(bench.waitIdle());

    QCOMPARE(bench.commands(), QueryCommands);
    QCOMPARE(bench.states(), (QList<int>{1, 2, 3, 4, 0}));
    QCOMPARE(bench.label("answ1"), QStringLiteral("6"));
    QCOMPARE(bench.label("answ2"), QStringLiteral("XXXX"));
    QCOMPARE(bench.boxes().count(), 0);
    E2E_VERIFY_PACED(E2e::msBetween(bench.receivedAt(3), bench.enteredAt(0)));
    QCOMPARE(bench.form().engine().ReplyBuffer.HasNumber, qint16(0));
    QVERIFY(bench.closedAndIdle());
}

void TestE2eFaults::errorResult_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("errorOn");
    QTest::addColumn<QString>("refused");

    // The modems here do not echo, so that the refusal itself is what stops the dialogue.
    QTest::newRow("an entry of the list")
        << "Configuro" << "V0;S0=#;B0;L2;M1;E0;Y1;&Q5;N0;S37=#;&D0;&S0" << "S37=9" << "ATS37=9";
    // The first sending's error is thrown away with everything else it brings; the second's
    // ("ERROR" in words, since the refused command did not switch them off) is not.
    QTest::newRow("the second reset") << "Configuro" << QString() << "&F0E0Q0V0" << "AT&F0E0Q0V0";
    QTest::newRow("the query's wake-up") << "Pregunto" << QString() << "E0Q0V0" << "ATE0Q0V0";
}

void TestE2eFaults::errorResult()
{
    QFETCH(QString, button);
    QFETCH(QString, stored);
    QFETCH(QString, errorOn);
    QFETCH(QString, refused);

    if (!stored.isNull())
        QVERIFY(E2e::writeStoredList(stored));
    HayesOptions options = E2e::poweredOn();
    options.echo = false;
    options.errorOn = {errorOn.toStdString()};
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    bench.press(button);
    QVERIFY(bench.waitIdle());

    QCOMPARE(bench.boxes().count(), 1);
    const SeenMessageBox &box = bench.boxes().at(0);
    QCOMPARE(box.title, QStringLiteral("Tavoli"));
    QCOMPARE(box.text, QStringLiteral("El modem ha devuelto un código de error con el comando:  ")
                           + refused + QStringLiteral("\nLa operación ha fracasado"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    // Nothing more went out after the refused command.
    QCOMPARE(bench.commands().last(), refused);
    QVERIFY(bench.closedAndIdle());
}

void TestE2eFaults::unplugged_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("hangupAfter");
    QTest::newRow("configuration, in the list") << "Configuro" << "B0";
    QTest::newRow("query, after the ring count") << "Pregunto" << "S0?";
}

void TestE2eFaults::unplugged()
{
    QFETCH(QString, button);
    QFETCH(QString, hangupAfter);
    HayesOptions options = E2e::poweredOn();
    options.hangupAfter = hangupAfter.toStdString();
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    bench.press(button);
    QVERIFY(bench.boxes().waitForCount(1, E2e::DialogueTimeoutMs));
    QVERIFY(!bench.modem().lineOpen());
    const SeenMessageBox &box = bench.boxes().at(0);
    QCOMPARE(box.title, QStringLiteral("Tavoli"));
    QCOMPARE(box.text, QStringLiteral("Se ha perdido la comunicación con el puerto 1 (")
                           + bench.device()
                           + QStringLiteral("): el dispositivo se ha desconectado o ha dejado de "
                                            "responder.\nLa operación ha fracasado"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(bench.waitIdle());
    QVERIFY(bench.closedAndIdle());
    QCOMPARE(bench.label("info"), QString());

    // Told once: no paced step, time-out or late notice of the port brings another box.
    QTest::qWait(DialogueEngine::StepIntervalMs + 200);
    QCOMPARE(bench.boxes().count(), 1);
    QVERIFY(bench.closedAndIdle());
}

void TestE2eFaults::secondActionRefused_data()
{
    QTest::addColumn<QString>("running");
    QTest::addColumn<int>("pressAtState");
    QTest::addColumn<QString>("second");
    QTest::newRow("Configurar while the query reads the ring count")
        << "Pregunto" << int(Dialogue::QueryRingCount) << "Configuro";
    QTest::newRow("Preguntar while the configuration walks its list")
        << "Configuro" << int(Dialogue::ConfigSendList) << "Pregunto";
}

void TestE2eFaults::secondActionRefused()
{
    QFETCH(QString, running);
    QFETCH(int, pressAtState);
    QFETCH(QString, second);

    // Replies come in slowly, so that some fall due while the refusal's box is open.
    HayesOptions options = E2e::poweredOn({{0, 2}, {37, 9}});
    options.chunk = 1;
    options.chunkGapMs = 3;
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    bool pressed = false;
    QObject::connect(&bench.form().engine(), &DialogueEngine::stateChanged, &bench.form(),
                     [&](qint16 state) {
                         if (state != pressAtState || pressed)
                             return;
                         pressed = true;
                         // From the event loop, as the operator's click would come.
                         QTimer::singleShot(0, &bench.form(), [&] { bench.press(second); });
                     });
    bench.press(running);
    QVERIFY(bench.waitIdle());
    QVERIFY(pressed);

    QVERIFY(bench.boxes().count() >= 1);
    const SeenMessageBox &refusal = bench.boxes().at(0);
    QCOMPARE(refusal.title, QStringLiteral("Tavoli"));
    QCOMPARE(refusal.text, QStringLiteral("El puerto 1 (") + bench.device()
                               + QStringLiteral(") ya está abierto."));
    QCOMPARE(refusal.icon, QMessageBox::Critical);

    // The running dialogue went on to its proper end, and nothing of the second went out.
    if (running == QLatin1String("Pregunto")) {
        QCOMPARE(bench.boxes().count(), 1);
        QCOMPARE(bench.commands(), QueryCommands);
        QCOMPARE(bench.label("answ1"), QStringLiteral("2"));
        QCOMPARE(bench.label("answ2"), QStringLiteral("9600"));
    } else {
        QCOMPARE(bench.boxes().count(), 2);
        QCOMPARE(bench.boxes().at(1).text, QStringLiteral("Modem configurado con éxito"));
        const QStringList commands = bench.commands();
        QCOMPARE(commands.first(), QStringLiteral("AT&F0E0Q0V0"));
        QCOMPARE(commands.size(), 2 + 10 + 2);
        QCOMPARE(commands.last(), QStringLiteral("AT&W0"));
        QVERIFY(!commands.contains(QStringLiteral("ATE0Q0V0")));
        QCOMPARE(bench.modem().storedRegister(0), 1); // the ring count the window opens with
    }
    QVERIFY(bench.closedAndIdle());
}

void TestE2eFaults::escape()
{
    E2e::Bench bench(E2e::poweredOn({{0, 2}, {37, 9}}));
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    QWidget *focused = control(bench.form(), QStringLiteral("llam"));

    // During a dialogue Escape does nothing, whichever control has the focus.
    bench.press(QStringLiteral("Pregunto"));
    QTest::keyClick(focused, Qt::Key_Escape);
    QTest::keyClick(control(bench.form(), QStringLiteral("Pregunto")), Qt::Key_Escape);
    QVERIFY(bench.form().isVisible());
    QVERIFY(bench.form().engine().DialogueState != Dialogue::Idle);
    QVERIFY(bench.waitIdle());
    QCOMPARE(bench.commands(), QueryCommands);
    QCOMPARE(bench.label("answ2"), QStringLiteral("9600"));

    // Idle again: Escape closes the window, and with its only window the program ends.
    QTest::keyClick(focused, Qt::Key_Escape);
    QTRY_VERIFY(!bench.form().isVisible());
    for (const QWidget *window : QApplication::topLevelWidgets())
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    QCOMPARE(bench.boxes().count(), 0);
}

QTEST_MAIN(TestE2eFaults)
#include "tst_e2e_faults.moc"
