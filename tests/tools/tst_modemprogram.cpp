// SPDX-License-Identifier: GPL-3.0-or-later
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
    // It prints its device, answers on the link with its options applied, and on SIGTERM, or
    // SIGINT even when started with SIGINT ignored (as a shell starts a background job), exits
    // cleanly, removes the link and leaves its log on stderr.
    void answersOnItsLineAndCleansUp_data()
    {
        QTest::addColumn<int>("stopSignal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void answersOnItsLineAndCleansUp()
    {
        QFETCH(int, stopSignal);
        QTemporaryDir dir;
        const QString link = dir.filePath("com1");
        QProcess modem;
        const auto previous = ::signal(SIGINT, SIG_IGN); // inherited through exec
        modem.start(QStringLiteral(TAVOLI_MODEM_PATH),
                    {"--link", link, "--set", "S37=9", "--verbose", "--error-on", "ATS0=9", "--log",
                     "--numeric-crlf"});
        const bool started = modem.waitForStarted(3000);
        ::signal(SIGINT, previous);
        QVERIFY(started && modem.waitForReadyRead(3000));
        const QByteArray device = modem.readLine().trimmed();
        QVERIFY(device.startsWith("/dev/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLatin1(device));
        {
            SlaveLine line(link.toStdString());
            QVERIFY(line.send("ATS37?\r"));
            QCOMPARE(QByteArray::fromStdString(line.read(15)), QByteArray("\r\n009\r\n\r\nOK\r\n"));
            QVERIFY(line.send("ATS0=9\r"));
            QCOMPARE(QByteArray::fromStdString(line.read(9)), QByteArray("\r\nERROR\r\n"));
            QVERIFY(line.send("ATV0\r"));
            QCOMPARE(QByteArray::fromStdString(line.read(5)), QByteArray("\r\n0\r\n"));
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

    // Help on stdout with exit code 0; a bad option is refused on stderr with exit code 2.
    void options_data()
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
        QTest::newRow("switches before help") << QStringList{"--blank-replies", "--help"} << 0;
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QProcess modem;
        modem.start(QStringLiteral(TAVOLI_MODEM_PATH), arguments);
        QVERIFY(modem.waitForFinished(3000));
        QCOMPARE(modem.exitCode(), exitCode);
        if (exitCode == 0)
            QVERIFY(modem.readAllStandardOutput().contains("Uso: tavoli-modem [opciones]"));
        else
            QVERIFY(!modem.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestModemProgram)
#include "tst_modemprogram.moc"
