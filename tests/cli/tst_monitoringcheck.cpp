// SPDX-License-Identifier: GPL-3.0-or-later
// `tavoli check` end to end: the real program against simulated modems, as a monitoring system
// runs it. Exit status, the status lines and their performance data.
#include "hayesmodem.h"
#include "ser2netserver.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace {

struct Run
{
    int exitCode = -1;
    QStringList lines;
};

Run check(const QStringList &arguments, int terminateAfterMs = -1)
{
    QProcess process;
    process.start(QStringLiteral(TAVOLI_PROGRAM), QStringList{"check"} + arguments);
    process.waitForStarted();
    if (terminateAfterMs >= 0) {
        QTest::qWait(terminateAfterMs);
        process.terminate();
    }
    Run run;
    if (QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000)
        && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

std::unique_ptr<HayesModem> modem(int s0, int s37, const QString &fault = QString())
{
    HayesOptions options;
    options.registers = {{0, s0}, {37, s37}};
    options.silent = fault == "silent";
    if (fault == "S37 unanswered")
        options.silentOn = {"S37?"};
    auto simulated = std::make_unique<HayesModem>(options);
    return simulated->start() ? std::move(simulated) : nullptr;
}

QString path(const std::unique_ptr<HayesModem> &simulated)
{
    return QString::fromStdString(simulated->devicePath());
}

} // namespace

class TestMonitoringCheck : public QObject
{
    Q_OBJECT
private slots:
    void oneDevice_data();
    void oneDevice();
    void severalDevices();
    void terminalServer();
    void timedOut();
};

void TestMonitoringCheck::oneDevice_data()
{
    // "silent", "S37 unanswered", or "missing" for a device that is not there
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("s0");
    QTest::addColumn<int>("s37");
    QTest::addColumn<QStringList>("arguments"); // the device goes after these
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line"); // a regular expression for the whole line

    // 0, the factory value, is a ring count like any other.
    QTest::newRow("as asked, no speed")
        << "" << 0 << 9 << QStringList{"--rings", "0", "--device"} << 0
        << R"(MODEM OK - \S+: S0=0, S37=9: configurado como se espera \| S0=0;;0:0;0;255 S37=9;;;0;255)";
    QTest::newRow("as asked, speed")
        << "" << 2 << 6 << QStringList{"--rings", "2", "--speed", "2400", "--device"} << 0
        << R"(MODEM OK - .* \| S0=2;;2:2;0;255 S37=6;6:6;;0;255)";
    QTest::newRow("S37 differs")
        << "" << 2 << 9 << QStringList{"--speed", "2400", "--rings", "2", "--device"} << 1
        << R"(MODEM WARNING - \S+: S37=9 y se espera S37=6 \(2400 bit/s\).*)";
    // The modem answers as asked; only its speed setting is in doubt.
    QTest::newRow("S37 unanswered")
        << "S37 unanswered" << 2 << 6 << QStringList{"--rings", "2", "--speed", "2400", "--device"}
        << 1
        << R"(MODEM WARNING - \S+: S37 sin leer \(ATS37\? .* \| S0=2;;2:2;0;255 S37=U;6:6;;0;255)";
    QTest::newRow("S0 differs")
        << "" << 1 << 9 << QStringList{"--rings", "2", "--device"} << 2
        << R"(MODEM CRITICAL - \S+: S0=1 y se espera S0=2: .* \| S0=1;;2:2;0;255 .*)";
    QTest::newRow("silent")
        << "silent" << 2 << 9 << QStringList{"--rings", "2", "--device"} << 2
        << R"(MODEM CRITICAL - \S+: el modem no contesta a ATE0Q0V0 \| S0=U;;2:2;0;255 S37=U;;;0;255)";
    QTest::newRow("missing device")
        << "missing" << 2 << 9 << QStringList{"--rings", "2", "--device"} << 3
        << R"(MODEM UNKNOWN - /nonexistent/tty: El puerto /nonexistent/tty no existe.*)";
    QTest::newRow("bad arguments") << "" << 2 << 9 << QStringList{"--rings", "100", "--device"} << 3
                                   << R"(MODEM UNKNOWN - --rings debe ser .*\(tavoli --help\))";
}

void TestMonitoringCheck::oneDevice()
{
    QFETCH(QString, fault);
    QFETCH(int, s0);
    QFETCH(int, s37);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    const auto simulated = modem(s0, s37, fault);
    QVERIFY(simulated);
    const QString device = fault == "missing" ? "/nonexistent/tty" : path(simulated);
    const Run run = check(arguments << device);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.lines.size(), 1);
    const QRegularExpression whole(QRegularExpression::anchoredPattern(line));
    QVERIFY2(whole.match(run.lines.first()).hasMatch(), qPrintable(run.lines.first()));
}

// The worst status is the exit status and comes first: WARNING outranks UNKNOWN although its
// number is lower. Only the first line carries performance data, every device's.
void TestMonitoringCheck::severalDevices()
{
    const auto ok = modem(2, 6), warning = modem(2, 9);
    QVERIFY(ok && warning);
    Run run = check({"--rings", "2", "--speed", "2400", "--device", path(ok), "--device",
                     "/nonexistent/tty", "--device", path(warning)});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.size(), 3);
    QVERIFY2(run.lines.at(0).startsWith("MODEM WARNING - " + path(warning)),
             qPrintable(run.lines.at(0)));
    QVERIFY(run.lines.at(1).startsWith("MODEM UNKNOWN - /nonexistent/tty: "));
    QCOMPARE(run.lines.at(2),
             "MODEM OK - " + path(ok) + ": S0=2, S37=6: configurado como se espera");
    const QString performance = run.lines.at(0).section(" | ", 1);
    QCOMPARE(performance.count("'/nonexistent/tty S0'=U;;2:2;0;255"), 1);
    QCOMPARE(performance.count('='), 6);

    const auto off = modem(0, 6);
    QVERIFY(off);
    // A name that would forge a status line is shown, in its line and its performance label.
    run = check({"--rings", "2", "--device", path(off), "--device", "/nonexistent\nMODEM OK - x"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.lines.size(), 2);
    QVERIFY2(run.lines.at(0).contains("'/nonexistent<x0A>MODEM OK - x S0'=U;"),
             qPrintable(run.lines.at(0)));
    QVERIFY2(run.lines.at(1).startsWith("MODEM UNKNOWN - /nonexistent<x0A>MODEM OK - x: "),
             qPrintable(run.lines.at(1)));
}

void TestMonitoringCheck::terminalServer()
{
    if (QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/sbin"}).isEmpty())
        QSKIP("ser2net is not installed");
    const auto simulated = modem(3, 9);
    QVERIFY(simulated);
    Ser2net server(simulated->devicePath(), true);
    QVERIFY(server.listening);
    const Run run = check({"--rings", "3", "--speed", "9600", "--device", server.address});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.lines.value(0).startsWith("MODEM OK - " + server.address),
             qPrintable(run.lines.join('\n')));
}

// A monitoring system's time-out: the query ends at once and the check still answers, UNKNOWN.
void TestMonitoringCheck::timedOut()
{
    const auto silent = modem(2, 9, "silent");
    QVERIFY(silent);
    const Run run = check({"--rings", "2", "--device", path(silent)}, 300);
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.lines.size(), 1);
    QVERIFY2(run.lines.first().startsWith("MODEM UNKNOWN - " + path(silent)
                                          + ": interrumpido por SIGTERM"),
             qPrintable(run.lines.first()));
}

QTEST_GUILESS_MAIN(TestMonitoringCheck)
#include "tst_monitoringcheck.moc"
