// The dialogues against a simulated modem whose replies reach the program in awkward shapes:
// a byte at a time, the line feed in a later write than its carriage return, with a parity bit
// in bit 7, noise in front, replies where none are looked at, and an endless flood without
// line ends.
#include "e2efixture.h"

class TestE2eLines : public QObject
{
    Q_OBJECT
private slots:
    void awkwardReplies_data();
    void awkwardReplies();
    void flood_data();
    void flood();
};

namespace {

const QString NoReply = QStringLiteral("No hay respuesta: Puede ser que...\n"
                                       "    .... no sea un modem\n"
                                       "    .... esté averiado\n"
                                       "    .... no sea compatible Hayes");

} // namespace

void TestE2eLines::awkwardReplies_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("parity");      // of what the program sends and the modem answers
    QTest::addColumn<int>("chunk");       // replies in pieces of this many bytes (0: whole)
    QTest::addColumn<bool>("splitCrLf");  // CR and LF in separate writes
    QTest::addColumn<int>("garbage");     // bytes of noise before each reply
    QTest::addColumn<QString>("errorOn"); // a command the modem answers with ERROR

    const int none = E2e::None;
    const int odd = E2e::Odd;
    const int even = E2e::Even;
    QTest::newRow("query, 1-byte pieces") << "Pregunto" << none << 1 << false << 0 << "";
    QTest::newRow("query, late LF") << "Pregunto" << none << 0 << true << 0 << "";
    QTest::newRow("query, odd parity replies") << "Pregunto" << odd << 0 << false << 0 << "";
    QTest::newRow("query, even parity, 1-byte pieces, late LF")
        << "Pregunto" << even << 1 << true << 0 << "";
    QTest::newRow("configure, odd parity, 1-byte pieces") << "Configuro" << odd << 1 << false << 0 << "";
    // In state 8 the modem was meant to have gone quiet; a modem that refuses ATQ1 answers
    // "4", which is not looked at and does not hold up AT&W0.
    QTest::newRow("configure, ATQ1 refused") << "Configuro" << none << 0 << false << 0 << "Q1";
    QTest::newRow("factory reset, 1-byte pieces") << "Desconf" << none << 1 << false << 0 << "";
    QTest::newRow("factory reset, even parity, late LF") << "Desconf" << even << 0 << true << 0 << "";
    // The factory-reset states look for "OK" anywhere in what came, so noise does no harm.
    QTest::newRow("factory reset, noise before replies") << "Desconf" << none << 0 << false << 7 << "";
}

void TestE2eLines::awkwardReplies()
{
    QFETCH(QString, button);
    QFETCH(int, parity);
    QFETCH(int, chunk);
    QFETCH(bool, splitCrLf);
    QFETCH(int, garbage);
    QFETCH(QString, errorOn);

    HayesOptions options = E2e::poweredOn({{0, 2}, {37, 9}});
    options.replyParity = parity;
    options.chunk = std::size_t(chunk);
    options.chunkGapMs = chunk > 0 ? 2 : 0; // each piece a read of its own
    options.splitCrLf = splitCrLf;
    options.splitGapMs = 30;
    options.garbageBefore = std::size_t(garbage);
    if (!errorOn.isEmpty())
        options.errorOn = {errorOn.toStdString()};
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.setParity(parity);

    bench.press(button);
    QVERIFY(bench.waitIdle());
    QVERIFY(bench.closedAndIdle());

    const QStringList commands = bench.commands();
    if (button == QLatin1String("Pregunto")) {
        QCOMPARE(bench.boxes().count(), 0);
        QCOMPARE(commands, (QStringList{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"}));
        QCOMPARE(bench.label("answ1"), QStringLiteral("2"));
        QCOMPARE(bench.label("answ2"), QStringLiteral("9600"));
        return;
    }
    QCOMPARE(bench.boxes().count(), 1);
    QCOMPARE(bench.boxes().at(0).icon, QMessageBox::Information);
    if (button == QLatin1String("Configuro")) {
        QCOMPARE(bench.boxes().at(0).text, QStringLiteral("Modem configurado con éxito"));
        QCOMPARE(commands.size(), 2 + 10 + 2);
        QCOMPARE(commands.at(commands.size() - 2), QStringLiteral("ATQ1"));
        QCOMPARE(commands.last(), QStringLiteral("AT&W0"));
        E2E_VERIFY_PACED(bench.msBetweenCommands(commands.size() - 2, commands.size() - 1));
        QCOMPARE(bench.modem().storedRegister(0), 1);
    } else {
        QCOMPARE(bench.boxes().at(0).text, QStringLiteral("Modem desconfigurado con éxito"));
        QCOMPARE(commands, (QStringList{"AT&F", "AT&W0"}));
        QVERIFY(bench.modem().verbose());
    }
}

void TestE2eLines::flood_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("floodAfter");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QMessageBox::Icon>("icon");

    QTest::newRow("query, waiting for the ring count")
        << "Pregunto" << "S0?" << NoReply << QMessageBox::Critical;
    QTest::newRow("factory reset, waiting for OK") << "Desconf" << "&F" << NoReply << QMessageBox::Critical;
    // States 8 and 9 look at no reply: the configuration ends as paced.
    QTest::newRow("configuration, after ATQ1")
        << "Configuro" << "Q1" << "Modem configurado con éxito" << QMessageBox::Information;
}

void TestE2eLines::flood()
{
    QFETCH(QString, button);
    QFETCH(QString, floodAfter);
    QFETCH(QString, message);
    QFETCH(QMessageBox::Icon, icon);

    HayesOptions options = E2e::poweredOn();
    options.floodAfter = floodAfter.toStdString();
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    // Watch the kept reply text all along, from the event loop the flood keeps busy.
    qsizetype longest = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        longest = std::max(longest, bench.form().engine().ReplyBuffer.Text.size());
    });
    watch.start(1);

    bench.press(button);
    QVERIFY(bench.waitIdle());
    watch.stop();
    longest = std::max(longest, bench.form().engine().ReplyBuffer.Text.size());

    QCOMPARE(bench.boxes().count(), 1);
    QCOMPARE(bench.boxes().at(0).text, message);
    QCOMPARE(bench.boxes().at(0).icon, icon);
    QVERIFY(bench.closedAndIdle());

    // Ended by the timer: a second after the last command, for all the bytes pouring in.
    const QStringList commands = bench.commands();
    E2E_VERIFY_PACED(E2e::msBetween(bench.receivedAt(commands.size() - 1), bench.boxSeenAt(0)));
    if (button == QLatin1String("Configuro")) {
        QCOMPARE(commands.at(commands.size() - 2), QStringLiteral("ATQ1"));
        QCOMPARE(commands.last(), QStringLiteral("AT&W0"));
    }

    // Far more came than is kept, and what is kept stayed within its bound.
    QVERIFY2(bench.modem().floodBytes() > 2 * std::size_t(DialogueEngine::ReplyTextLimit),
             qPrintable(QString::number(bench.modem().floodBytes())));
    QVERIFY2(longest <= DialogueEngine::ReplyTextLimit, qPrintable(QString::number(longest)));
}

QTEST_MAIN(TestE2eLines)
#include "tst_e2e_lines.moc"
