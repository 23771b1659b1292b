// "Configurar" from the button to the modem's stored profile, against a simulated modem on a
// pseudo-terminal: the bytes on the line for each parity, the order and pacing of the
// commands, the list filled in from the window, the messages, and what the modem keeps.
#include "e2efixture.h"

class TestE2eConfigure : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void configure_data();
    void configure();
};

void TestE2eConfigure::cleanup()
{
    E2e::removeStoredList();
}

void TestE2eConfigure::configure_data()
{
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("speed"); // OpBau index: 9600, 4800, 2400, 1200
    QTest::addColumn<QString>("rings");
    QTest::addColumn<QString>("stored"); // null: no INI file, the built-in list applies
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("s37");          // expected register 37 afterwards; -1: not set
    QTest::addColumn<QString>("modulation"); // expected +MS text afterwards; null: not set

    QTest::newRow("none, 9600, built-in list")
        << int(E2e::None) << 0 << "3" << QString()
        << QStringList{"V0", "S0=3", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"} << -1
        << QString();
    QTest::newRow("odd, 1200, Rockwell list")
        << int(E2e::Odd) << 3 << "5" << "V0;S0=#;B0;L2;M1;E0;Y1;&Q5;N0;S37=#;&D0;&S0"
        << QStringList{"V0", "S0=5", "B0", "L2", "M1", "E0", "Y1", "&Q5", "N0", "S37=5", "&D0", "&S0"}
        << 5 << QString();
    QTest::newRow("even, 2400, Zoom list")
        << int(E2e::Even) << 2 << "12" << "V0;S0=#;B0;L2;M1;E0;&D0;&S0;+MS=V#,0"
        << QStringList{"V0", "S0=12", "B0", "L2", "M1", "E0", "&D0", "&S0", "+MS=V22B,0"} << -1
        << QStringLiteral("V22B,0");
}

void TestE2eConfigure::configure()
{
    QFETCH(int, parity);
    QFETCH(int, speed);
    QFETCH(QString, rings);
    QFETCH(QString, stored);
    QFETCH(QStringList, entries);
    QFETCH(int, s37);
    QFETCH(QString, modulation);

    if (!stored.isNull())
        QVERIFY(E2e::writeStoredList(stored));
    E2e::Bench bench(E2e::poweredOn());
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.setParity(parity);
    bench.setSpeed(speed);
    bench.typeRings(rings);

    bench.press(QStringLiteral("Configuro"));
    QVERIFY(bench.waitIdle());

    // On the line: the reset twice, every entry of the list, quiet mode, store.
    QStringList expected{"AT&F0E0Q0V0", "AT&F0E0Q0V0"};
    for (const QString &entry : entries)
        expected << QStringLiteral("AT") + entry;
    expected << "ATQ1" << "AT&W0";
    QCOMPARE(bench.commands(), expected);
    const QList<QByteArray> raw = bench.rawCommands();
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(raw.at(i), E2e::withParity(expected.at(i).toLatin1() + '\r', parity));

    // Paced: the second reset a second after the first, AT&W0 a second after ATQ1 (which
    // gets no reply), and the success a second after AT&W0.
    const qsizetype quiet = expected.size() - 2;
    E2E_VERIFY_PACED(bench.msBetweenCommands(0, 1));
    E2E_VERIFY_PACED(bench.msBetweenCommands(quiet, quiet + 1));
    QCOMPARE(bench.boxes().count(), 1);
    E2E_VERIFY_PACED(E2e::msBetween(bench.receivedAt(quiet + 1), bench.boxSeenAt(0)));

    const SeenMessageBox &box = bench.boxes().at(0);
    QCOMPARE(box.title, QStringLiteral("Tavoli"));
    QCOMPARE(box.text, QStringLiteral("Modem configurado con éxito"));
    QCOMPARE(box.icon, QMessageBox::Information);

    QCOMPARE(bench.states(), (QList<int>{5, 6, 7, 8, 9, 0}));
    const QStringList info = bench.infoAtStates();
    QCOMPARE(info.at(0), QStringLiteral("inicializando..."));
    QCOMPARE(info.at(2), QStringLiteral("Enviando: \"ATV0\""));
    QCOMPARE(info.at(3), QStringLiteral("Enviando: \"ATQ1\""));
    QCOMPARE(bench.label("info"), QString());
    QVERIFY(bench.closedAndIdle());

    // The point of it all: the modem answers after the typed number of rings, quietly and
    // without echo, and keeps that in its stored profile.
    HayesModem &modem = bench.modem();
    const int ringCount = rings.toInt();
    QCOMPARE(modem.registerValue(0), ringCount);
    QCOMPARE(modem.storedRegister(0), ringCount);
    QVERIFY(modem.quiet());
    QVERIFY(!modem.echo());
    QVERIFY(!modem.verbose());
    QCOMPARE(modem.setting("&D"), 0);
    QCOMPARE(modem.setting("&S"), 0);
    if (s37 >= 0)
        QCOMPARE(modem.storedRegister(37), s37);
    if (!modulation.isNull())
        QCOMPARE(QString::fromStdString(modem.modulation()), modulation);

    QVERIFY(bench.recallStoredProfile());
    QTRY_VERIFY(modem.quiet());
    QCOMPARE(modem.registerValue(0), ringCount);
    QVERIFY(!modem.echo());
    QVERIFY(!modem.verbose());
}

QTEST_MAIN(TestE2eConfigure)
#include "tst_e2e_configure.moc"
