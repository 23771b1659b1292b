// "Desconfigurar" from the button to the modem's stored profile, against a simulated modem on
// a pseudo-terminal that starts out configured (quiet, numeric, no echo, answering on ring 3).
#include "e2efixture.h"

class TestE2eFactory : public QObject
{
    Q_OBJECT
private slots:
    void factoryReset_data();
    void factoryReset();
};

namespace {

HayesOptions configuredModem()
{
    HayesOptions options;
    options.echo = false;
    options.verbose = false;
    options.quiet = true;
    options.registers = {{0, 3}};
    return options;
}

} // namespace

void TestE2eFactory::factoryReset_data()
{
    QTest::addColumn<int>("parity");
    QTest::newRow("none") << int(E2e::None);
    QTest::newRow("odd") << int(E2e::Odd);
    QTest::newRow("even") << int(E2e::Even);
}

void TestE2eFactory::factoryReset()
{
    QFETCH(int, parity);
    E2e::Bench bench(configuredModem());
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.setParity(parity);

    bench.press(QStringLiteral("Desconf"));
    QVERIFY(bench.waitIdle());

    const QStringList expected{"AT&F", "AT&W0"};
    QCOMPARE(bench.commands(), expected);
    const QList<QByteArray> raw = bench.rawCommands();
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(raw.at(i), E2e::withParity(expected.at(i).toLatin1() + '\r', parity));

    // AT&W0 a second after the modem's "OK" to AT&F (the modem writes that OK before the
    // program can have read it, so this gap is never short of the second).
    const std::vector<HayesModem::Sent> replies = bench.modem().sent();
    QCOMPARE(replies.size(), size_t(2));
    QCOMPARE(QByteArray::fromStdString(replies.at(0).text), QByteArray("\r\nOK\r\n"));
    const double gap = E2e::msBetween(replies.at(0).lastByte, bench.receivedAt(1));
    QVERIFY2(gap >= DialogueEngine::StepIntervalMs && gap < E2e::PacedMaxMs,
             qPrintable(QStringLiteral("AT&W0 %1 ms after OK").arg(gap)));

    QCOMPARE(bench.states(), (QList<int>{10, 11, 12, 0}));
    const QStringList info = bench.infoAtStates();
    QCOMPARE(info.at(0), QStringLiteral("Enviando AT&F")); // "&&" shows as one "&"
    QCOMPARE(info.at(2), QStringLiteral("Enviando AT&W"));
    QCOMPARE(bench.label("info"), QString());

    QCOMPARE(bench.boxes().count(), 1);
    const SeenMessageBox &box = bench.boxes().at(0);
    QCOMPARE(box.title, QStringLiteral("Tavoli"));
    QCOMPARE(box.text, QStringLiteral("Modem desconfigurado con éxito"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QVERIFY(bench.closedAndIdle());

    // Factory profile, and stored: answers no calls, talks in words, echoes.
    HayesModem &modem = bench.modem();
    QCOMPARE(modem.storedRegister(0), 0);
    QVERIFY(!modem.quiet());
    QVERIFY(modem.verbose());
    QVERIFY(modem.echo());
}

QTEST_MAIN(TestE2eFactory)
#include "tst_e2e_factory.moc"
