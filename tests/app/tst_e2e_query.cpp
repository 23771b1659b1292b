// "Preguntar al modem..." from the button to the labels, against a simulated modem on a
// pseudo-terminal: the bytes on the line for each parity, the order and pacing of the
// commands, and what the window shows for the registers the modem holds.
#include "e2efixture.h"

class TestE2eQuery : public QObject
{
    Q_OBJECT
private slots:
    void query_data();
    void query();
    void secondQueryReadsAfresh();
};

void TestE2eQuery::query_data()
{
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("s0");
    QTest::addColumn<int>("s37");
    QTest::addColumn<QString>("answ1");
    QTest::addColumn<QString>("answ2");
    QTest::addColumn<QByteArray>("ats0Wire"); // "ATS0?" as the modem received it

    QTest::newRow("none, 2 rings, 9600") << int(E2e::None) << 2 << 9 << "2" << "9600"
                                         << QByteArray("\x41\x54\x53\x30\x3F\x0D");
    QTest::newRow("odd, 0 rings, unnamed code 4") << int(E2e::Odd) << 0 << 4 << "0" << ""
                                                  << QByteArray("\xC1\x54\xD3\xB0\xBF\x0D");
    QTest::newRow("even, 15 rings, code 11 past the table")
        << int(E2e::Even) << 15 << 11 << "15" << "++++"
        << QByteArray("\x41\xD4\x53\x30\x3F\x8D");
}

void TestE2eQuery::query()
{
    QFETCH(int, parity);
    QFETCH(int, s0);
    QFETCH(int, s37);
    QFETCH(QString, answ1);
    QFETCH(QString, answ2);
    QFETCH(QByteArray, ats0Wire);

    // Straight from the box: echo on and verbose words, which the first command's state and
    // the input discard before the second sending must keep out of the replies read.
    E2e::Bench bench(E2e::poweredOn({{0, s0}, {37, s37}}));
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.setParity(parity);
    bench.form().setInfo(QStringLiteral("anterior"));

    bench.press(QStringLiteral("Pregunto"));
    QVERIFY(bench.waitIdle());

    QCOMPARE(bench.boxes().count(), 0);
    QCOMPARE(bench.states(), (QList<int>{1, 2, 3, 4, 0}));
    const QStringList expected{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"};
    QCOMPARE(bench.commands(), expected);
    const QList<QByteArray> raw = bench.rawCommands();
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(raw.at(i), E2e::withParity(expected.at(i).toLatin1() + '\r', parity));
    QCOMPARE(raw.at(2), ats0Wire);

    // The wake-up command goes out twice, a second apart; the rest follows the replies.
    E2E_VERIFY_PACED(bench.msBetweenCommands(0, 1));
    QVERIFY(bench.msBetweenCommands(1, 3) < E2e::LateMarginMs);

    QCOMPARE(bench.label("answ1"), answ1);
    QCOMPARE(bench.label("answ2"), answ2);
    QCOMPARE(bench.label("info"), QStringLiteral("anterior")); // the query leaves it alone
    QVERIFY(bench.closedAndIdle());
    // Only the query's own settings changed in the modem: numeric, no echo.
    QVERIFY(!bench.modem().echo());
    QVERIFY(!bench.modem().verbose());
}

// A query after one that gave up in its speed step (no result line in time) reads the ring
// count from scratch, and the window shows the new values over the old.
void TestE2eQuery::secondQueryReadsAfresh()
{
    HayesOptions options = E2e::poweredOn({{0, 4}, {37, 6}});
    options.noResultOn = {"S37?"};
    E2e::Bench bench(options);
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    bench.press(QStringLiteral("Pregunto"));
    QVERIFY(bench.waitIdle());
    QCOMPARE(bench.label("answ1"), QStringLiteral("4"));
    QCOMPARE(bench.label("answ2"), QStringLiteral("XXXX"));
    QCOMPARE(bench.boxes().count(), 0);
    QCOMPARE(bench.form().engine().ReplyBuffer.HasNumber, qint16(0));

    // The next query's first reply line ("0" of ATE0Q0V0) must not be taken for a number line.
    bench.modem().clearLog();
    bench.form().setAnsw1(QString());
    bench.press(QStringLiteral("Pregunto"));
    QVERIFY(QTest::qWaitFor([&] { return bench.form().engine().DialogueState == Dialogue::QueryLineSpeed; },
                            E2e::DialogueTimeoutMs));
    QCOMPARE(bench.label("answ1"), QStringLiteral("4"));
    QVERIFY(bench.waitIdle());
    QCOMPARE(bench.commands(), (QStringList{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"}));
    QVERIFY(bench.closedAndIdle());
}

QTEST_MAIN(TestE2eQuery)
#include "tst_e2e_query.moc"
