// SPDX-License-Identifier: GPL-3.0-or-later
// The window with its lines in the module, as the program has them: nothing of it is loaded
// until the first dialogue, whose session (with the module's own copy of the layers below)
// drives the port and tells this program's window and transcript what happened.
#include "e2efixture.h"

#include <QFile>

namespace {

bool moduleLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/tavoli-lines.so");
}

} // namespace

class TestE2eModule : public QObject
{
    Q_OBJECT
private slots:
    void dialoguesThroughTheModule();
};

void TestE2eModule::dialoguesThroughTheModule()
{
    E2e::Bench bench(E2e::poweredOn({{0, 2}, {37, 9}}));
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    QVERIFY(!moduleLoaded());

    // Twice: the second dialogue finds the module and the line thread already there.
    for (int round = 1; round <= 2; ++round) {
        bench.press("Pregunto");
        QVERIFY2(bench.waitIdle(), qPrintable(bench.idleness()));
        QVERIFY(moduleLoaded());
        QCOMPARE(bench.label("answ1") + u'|' + bench.label("answ2"), QStringLiteral("2|9600"));
        QCOMPARE(bench.shownBoxes(), QStringList());
        QVERIFY2(bench.closedAndIdle(), qPrintable(bench.idleness()));
        QCOMPARE(bench.commands().count(QStringLiteral("ATS37?")), round);
    }
    const QString recorded = bench.form().transcript().text();
    QCOMPARE(recorded.count(QStringLiteral("ATS37?")), 2);
}

QTEST_MAIN(TestE2eModule)
#include "tst_e2e_module.moc"
