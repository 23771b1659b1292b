// The tavoli-modem program as the demo and the developers run it.
#include "slaveline.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestModemProgram : public QObject
{
    Q_OBJECT

private slots:
    void answersOnItsLineAndCleansUp_data();
    void answersOnItsLineAndCleansUp();
    void rejectsBadOptions_data();
    void rejectsBadOptions();
};

void TestModemProgram::answersOnItsLineAndCleansUp_data()
{
    QTest::addColumn<int>("stopSignal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    // Started with SIGINT ignored, as a shell starts a background job.
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestModemProgram::answersOnItsLineAndCleansUp()
{
    QFETCH(int, stopSignal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("com1");
    QProcess modem;
    const auto previous = ::signal(SIGINT, SIG_IGN); // inherited through exec
    modem.start(QStringLiteral(TAVOLI_MODEM_PATH),
                {"--link", link, "--set", "S37=9", "--verbose", "--error-on", "ATS0=9", "--log"});
    const bool started = modem.waitForStarted(3000);
    ::signal(SIGINT, previous);
    QVERIFY(started);
    QVERIFY(modem.waitForReadyRead(3000));
    const QByteArray device = modem.readLine().trimmed();
    QVERIFY(device.startsWith("/dev/"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLatin1(device));

    {
        SlaveLine line(link.toStdString());
        QVERIFY(line.isOpen());
        QVERIFY(line.send("ATS37?\r"));
        QCOMPARE(QByteArray::fromStdString(line.read(15)), QByteArray("\r\n009\r\n\r\nOK\r\n"));
        QVERIFY(line.send("ATS0=9\r"));
        QCOMPARE(QByteArray::fromStdString(line.read(9)), QByteArray("\r\nERROR\r\n"));
    }

    QVERIFY(::kill(static_cast<pid_t>(modem.processId()), stopSignal) == 0);
    QVERIFY(modem.waitForFinished(3000));
    QCOMPARE(modem.exitStatus(), QProcess::NormalExit);
    QCOMPARE(modem.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    const QByteArray log = modem.readAllStandardError();
    QVERIFY2(log.contains("received ATS37?<CR>"), log.constData());
    QVERIFY2(log.contains("reply    <CR><LF>009<CR><LF><CR><LF>OK<CR><LF>"), log.constData());
}

void TestModemProgram::rejectsBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2;
    QTest::newRow("register out of range") << QStringList{"--set", "S37=256"} << 2;
    QTest::newRow("register without value") << QStringList{"--set", "S37"} << 2;
    QTest::newRow("bad parity") << QStringList{"--parity", "mark"} << 2;
    QTest::newRow("missing argument") << QStringList{"--error-on"} << 2;
    QTest::newRow("zero chunk") << QStringList{"--chunk", "0"} << 2;
}

void TestModemProgram::rejectsBadOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QProcess modem;
    modem.start(QStringLiteral(TAVOLI_MODEM_PATH), arguments);
    QVERIFY(modem.waitForFinished(3000));
    QCOMPARE(modem.exitCode(), exitCode);
    if (exitCode == 0)
        QVERIFY(modem.readAllStandardOutput().contains("Usage: tavoli-modem"));
    else
        QVERIFY(!modem.readAllStandardError().isEmpty());
}

QTEST_GUILESS_MAIN(TestModemProgram)
#include "tst_modemprogram.moc"
