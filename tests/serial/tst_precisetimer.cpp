// SPDX-License-Identifier: GPL-3.0-or-later
// The pacing timer reuses its QTimer across restarts; a tick must still come no earlier than
// its interval after the last start, never after a stop, and on time after a shorter restart.
#include "precisetimer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestPreciseTimer : public QObject
{
    Q_OBJECT
private slots:
    void restartsCountFromTheLastStart()
    {
        PreciseTimer timer;
        QSignalSpy ticks(&timer, &PreciseTimer::Timer);
        QElapsedTimer clock;
        timer.start(100);
        QTest::qWait(70);
        // Restarted before the first QTimer fires: the tick is 100 ms after this start.
        clock.start();
        timer.start(100);
        QVERIFY(ticks.wait(2000));
        QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ticks.count(), 1);

        // Stopped, then started again while the old QTimer is still due: one tick, on time.
        timer.stop();
        QVERIFY(!timer.isActive());
        QTest::qWait(150); // the repeat it was set for lapses
        QCOMPARE(ticks.count(), 1);
        timer.start(1000);
        timer.stop();
        clock.start();
        timer.start(50); // shorter than what the QTimer was last set for
        QVERIFY(timer.isActive());
        QVERIFY(ticks.wait(900));
        QVERIFY2(clock.elapsed() >= 50 && clock.elapsed() < 900,
                 qPrintable(QString::number(clock.elapsed())));

        // It repeats until stopped; once stopped, nothing more comes.
        QVERIFY(ticks.wait(2000));
        QCOMPARE(ticks.count(), 3);
        timer.stop();
        QTest::qWait(150);
        QCOMPARE(ticks.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestPreciseTimer)
#include "tst_precisetimer.moc"
