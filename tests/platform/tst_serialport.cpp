#include "serialport.h"
#include "systemtexts.h"

#include "pseudoterminal.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void pointPortAt(int port, const QString &device)
{
    qputenv(QByteArray("TAVOLI_COM") + QByteArray::number(port), device.toLocal8Bit());
}

// Collects everything the port hands out through OnComm + input(), as the dialogue does.
struct Receiver
{
    explicit Receiver(SerialPort &port)
    {
        QObject::connect(&port, &SerialPort::OnComm, &port, [this, &port](int kind) {
            kinds << kind;
            onWindowThread = onWindowThread && QThread::currentThread() == qApp->thread();
            received += port.input();
        });
    }
    QList<int> kinds;
    QByteArray received;
    bool onWindowThread = true;
};

} // namespace

class TstSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void deviceFor_data();
    void deviceFor();
    void settingsText_data();
    void settingsText();
    void settingsReachTheDevice_data();
    void settingsReachTheDevice();

    void opensAPseudoTerminal();
    void bytesOutArriveUnchanged();
    void bytesInArriveUnchanged();
    void discardInputDropsWaitingBytes();
    void openFailuresNameThePort();
    void closeIsHarmlessAndReleasesTheDevice();
    void closeFromTheReceiveHandler();

    void vanishedDeviceReportedOnce();
    void failedWriteReportsLossFromTheEventLoop();
    void lossOfAnEarlierOpenIsDropped();
};

void TstSerialPort::cleanup()
{
    for (int port = 1; port <= 4; ++port)
        qunsetenv((QByteArray("TAVOLI_COM") + QByteArray::number(port)).constData());
}

void TstSerialPort::deviceFor_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("expected");

    QTest::newRow("port 1 default") << 1 << false << "" << "/dev/ttyS0";
    QTest::newRow("port 4 default") << 4 << false << "" << "/dev/ttyS3";
    QTest::newRow("port 2 from the environment") << 2 << true << "/dev/ttyUSB0" << "/dev/ttyUSB0";
    QTest::newRow("empty variable is unset") << 3 << true << "" << "/dev/ttyS2";
}

void TstSerialPort::deviceFor()
{
    QFETCH(int, port);
    QFETCH(bool, set);
    QFETCH(QString, variable);
    QFETCH(QString, expected);
    if (set)
        pointPortAt(port, variable);
    // Another port's variable must not leak into this one.
    pointPortAt(port == 1 ? 2 : 1, QStringLiteral("/dev/other"));

    QCOMPARE(SerialPort::deviceFor(port), expected);
    SerialPort serial;
    QCOMPARE(serial.commPort(), qint16(1));
    serial.setCommPort(qint16(port));
    QCOMPARE(serial.device(), expected);
}

void TstSerialPort::settingsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("window default") << "9600,N,8,1" << true;
    QTest::newRow("even, 2 stop") << "1200,E,7,2" << true;
    QTest::newRow("odd, 1.5 stop") << "4800,O,7,1.5" << true;
    QTest::newRow("mark, blanks, lower case") << " 2400 , m , 8 , 1 " << true;
    QTest::newRow("space, 5 data bits") << "300,S,5,1" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("speed only") << "9600" << false;
    QTest::newRow("three fields") << "9600,N,8" << false;
    QTest::newRow("five fields") << "9600,N,8,1,1" << false;
    QTest::newRow("parity letter") << "9600,X,8,1" << false;
    QTest::newRow("data bits 9") << "9600,N,9,1" << false;
    QTest::newRow("data bits 4") << "9600,N,4,1" << false;
    QTest::newRow("stop bits 3") << "9600,N,8,3" << false;
    QTest::newRow("speed zero") << "0,N,8,1" << false;
    QTest::newRow("speed negative") << "-9600,N,8,1" << false;
    QTest::newRow("speed text") << "fast,N,8,1" << false;
}

void TstSerialPort::settingsText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);

    SerialPort serial;
    QCOMPARE(serial.settings(), QStringLiteral("9600,N,8,1"));
    serial.setSettings(QStringLiteral("2400,N,8,2"));
    serial.setSettings(text);
    QCOMPARE(serial.settings(), valid ? text : QStringLiteral("2400,N,8,2"));
}

// A pseudo-terminal keeps speed and stop bits as set but always reports 8 data bits and
// never parity, so those two cannot be checked here.
void TstSerialPort::settingsReachTheDevice_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("twoStop");

    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << int(B9600) << false;
    QTest::newRow("1200,E,7,2") << "1200,E,7,2" << int(B1200) << true;
    QTest::newRow("4800,O,7,1") << "4800,O,7,1" << int(B4800) << false;
    QTest::newRow("2400,N,8,2") << "2400,N,8,2" << int(B2400) << true;
}

void TstSerialPort::settingsReachTheDevice()
{
    QFETCH(QString, settings);
    QFETCH(int, speed);
    QFETCH(bool, twoStop);

    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    serial.setSettings(QStringLiteral("19200,N,8,1"));
    serial.setSettings(settings);
    QCOMPARE(serial.open(), QString());

    termios tio{};
    QCOMPARE(tcgetattr(pty.slaveFd(), &tio), 0);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(int(cfgetispeed(&tio)), speed);
    QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStop);
    QCOMPARE(int(tio.c_cflag & CRTSCTS), 0);
    QCOMPARE(int(tio.c_iflag & (IXON | IXOFF)), 0);
    QCOMPARE(int(tio.c_lflag & (ICANON | ECHO)), 0); // raw: bytes pass unchanged
}

void TstSerialPort::opensAPseudoTerminal()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    QSignalSpy lost(&serial, &SerialPort::lost);
    QVERIFY(!serial.isOpen());
    QVERIFY(!serial.ctsHolding());

    QCOMPARE(serial.open(), QString());
    QVERIFY(serial.isOpen());
    // A pseudo-terminal has no modem-control lines: both count as present, and raising
    // RTS/DTR fails harmlessly.
    QVERIFY(serial.ctsHolding());
    QVERIFY(serial.dsrHolding());
    serial.setRtsEnable(true);
    serial.setDtrEnable(true);
    QTest::qWait(100);
    QCOMPARE(lost.count(), 0);
    QVERIFY(serial.isOpen());

    QVERIFY(serial.output("ATZ\r"));
    QCOMPARE(pty.readMaster(1000, 4), QByteArray("ATZ\r"));
}

void TstSerialPort::bytesOutArriveUnchanged()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    QCOMPARE(serial.open(), QString());

    // Software parity rides in bit 7: every byte value must reach the line as it is.
    QVERIFY(serial.output(QByteArray("\xC1\xD4\x0D", 3)));
    QCOMPARE(pty.readMaster(1000, 3), QByteArray("\xC1\xD4\x0D", 3));
    const QByteArray all = allByteValues();
    QVERIFY(serial.output(all));
    QCOMPARE(pty.readMaster(2000, all.size()), all);
}

void TstSerialPort::bytesInArriveUnchanged()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    Receiver receiver(serial);
    QCOMPARE(serial.open(), QString());

    const QByteArray all = allByteValues();
    QVERIFY(pty.writeMaster(all));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.received.size(), all.size(), 2000);
    QCOMPARE(receiver.received, all);
    QVERIFY(!receiver.kinds.isEmpty());
    for (int kind : receiver.kinds)
        QCOMPARE(kind, int(SerialPort::ComEvReceive));
    QVERIFY(receiver.onWindowThread);
    QCOMPARE(serial.bytesWaiting(), 0);
    QCOMPARE(serial.input(), QByteArray());
}

void TstSerialPort::discardInputDropsWaitingBytes()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    QCOMPARE(serial.open(), QString());

    // Bytes still in the kernel's queue (no event loop has run).
    QVERIFY(pty.writeMaster("old reply\r"));
    QThread::msleep(50);
    serial.discardInput();
    QTest::qWait(100);
    QCOMPARE(serial.bytesWaiting(), 0);
    QCOMPARE(serial.input(), QByteArray());

    // Bytes already taken in by the port and waiting to be read.
    QVERIFY(pty.writeMaster("0\r"));
    QTRY_COMPARE_WITH_TIMEOUT(serial.bytesWaiting(), 2, 2000);
    serial.discardInput();
    QCOMPARE(serial.bytesWaiting(), 0);
    QCOMPARE(serial.input(), QByteArray());

    // Later bytes come through as usual.
    QVERIFY(pty.writeMaster("OK\r"));
    QTRY_COMPARE_WITH_TIMEOUT(serial.bytesWaiting(), 3, 2000);
    QCOMPARE(serial.input(), QByteArray("OK\r"));
}

void TstSerialPort::openFailuresNameThePort()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // Missing device.
    const QString missing = dir.filePath(QStringLiteral("ttyGone"));
    pointPortAt(2, missing);
    SerialPort serial;
    serial.setCommPort(2);
    const QString missingText = serial.open();
    QCOMPARE(missingText, SystemTexts::PortMissing.arg(QStringLiteral("2"), missing));
    QVERIFY(missingText.contains(QStringLiteral("no existe")));
    QVERIFY(!serial.isOpen());

    // Not a serial device at all: the system's own text is passed on.
    const QString plain = dir.filePath(QStringLiteral("plainfile"));
    QFile file(plain);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    pointPortAt(2, plain);
    const QString plainText = serial.open();
    QVERIFY2(plainText.startsWith(SystemTexts::PortOpenFailed.arg(QStringLiteral("2"), plain,
                                                                  QString())),
             qPrintable(plainText));
    QVERIFY(plainText.size() > SystemTexts::PortOpenFailed.arg("2", plain, QString()).size());
    QVERIFY(!serial.isOpen());

    // In use by another port object, and opened twice.
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(2, pty.slavePath());
    QCOMPARE(serial.open(), QString());
    QCOMPARE(serial.open(), SystemTexts::PortAlreadyOpen.arg(QStringLiteral("2"), pty.slavePath()));
    QVERIFY(serial.isOpen());
    SerialPort other;
    other.setCommPort(2);
    QCOMPARE(other.open(), SystemTexts::PortBusy.arg(QStringLiteral("2"), pty.slavePath()));
    QVERIFY(!other.isOpen());
    // The port number cannot change under an open device.
    serial.setCommPort(3);
    QCOMPARE(serial.commPort(), qint16(2));

    // Permissions: root may open anything, so this part only runs for other users.
    if (geteuid() != 0) {
        serial.close();
        QVERIFY(file.setPermissions(QFileDevice::Permissions()));
        pointPortAt(2, plain);
        QCOMPARE(serial.open(), SystemTexts::PortNoPermission.arg(QStringLiteral("2"), plain));
    }
}

void TstSerialPort::closeIsHarmlessAndReleasesTheDevice()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort first;
    first.close();
    QVERIFY(!first.isOpen());
    QCOMPARE(first.input(), QByteArray());
    QVERIFY(!first.output("AT\r"));

    QCOMPARE(first.open(), QString());
    first.close();
    first.close();
    QVERIFY(!first.isOpen());
    {
        SerialPort second;
        QCOMPARE(second.open(), QString());
        // Destroyed while open: the device must be free again afterwards.
    }
    QCOMPARE(first.open(), QString());
}

// The dialogue closes the port from inside its receive handler.
void TstSerialPort::closeFromTheReceiveHandler()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    QByteArray got;
    connect(&serial, &SerialPort::OnComm, this, [&] {
        got += serial.input();
        serial.close();
    });
    QSignalSpy lost(&serial, &SerialPort::lost);
    QCOMPARE(serial.open(), QString());
    QVERIFY(pty.writeMaster("0\r"));
    QTRY_VERIFY_WITH_TIMEOUT(!serial.isOpen(), 2000);
    QVERIFY(got.startsWith('0'));
    QVERIFY(pty.writeMaster("more"));
    QTest::qWait(50);
    QCOMPARE(lost.count(), 0);
    QCOMPARE(serial.open(), QString());
}

void TstSerialPort::vanishedDeviceReportedOnce()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    QSignalSpy lost(&serial, &SerialPort::lost);
    QCOMPARE(serial.open(), QString());

    pty.closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 2000);
    QCOMPARE(lost.at(0).at(0).toString(),
             SystemTexts::PortLost.arg(QStringLiteral("1"), pty.slavePath()));
    QVERIFY(!serial.isOpen());

    // No further notices, and no busy loop on the dead descriptor.
    const double cpuBefore = processCpuMs();
    QTest::qWait(300);
    const double cpuUsed = processCpuMs() - cpuBefore;
    QCOMPARE(lost.count(), 1);
    QVERIFY2(cpuUsed < 150, qPrintable(QStringLiteral("%1 ms of CPU in 300 ms").arg(cpuUsed)));
    QVERIFY(!serial.output("AT\r"));
    QCOMPARE(serial.input(), QByteArray());
    QCOMPARE(lost.count(), 1);

    // Once per open: a device opened afterwards and lost again is reported again.
    PseudoTerminal next;
    QVERIFY(next.isValid());
    pointPortAt(1, next.slavePath());
    QCOMPARE(serial.open(), QString());
    next.closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 2, 2000);
    QCOMPARE(lost.at(1).at(0).toString(),
             SystemTexts::PortLost.arg(QStringLiteral("1"), next.slavePath()));
}

void TstSerialPort::failedWriteReportsLossFromTheEventLoop()
{
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    pointPortAt(1, pty.slavePath());
    SerialPort serial;
    QSignalSpy lost(&serial, &SerialPort::lost);
    QCOMPARE(serial.open(), QString());

    pty.closeMaster();
    QVERIFY(!serial.output("ATS0?\r"));
    QVERIFY(!serial.isOpen());
    QCOMPARE(lost.count(), 0); // not from inside output()
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 2000);
    QTest::qWait(50);
    QCOMPARE(lost.count(), 1);
}

// A notice still on its way when the port is opened again belongs to the earlier open.
void TstSerialPort::lossOfAnEarlierOpenIsDropped()
{
    PseudoTerminal gone;
    QVERIFY(gone.isValid());
    pointPortAt(1, gone.slavePath());
    SerialPort serial;
    QSignalSpy lost(&serial, &SerialPort::lost);
    QCOMPARE(serial.open(), QString());
    gone.closeMaster();
    QVERIFY(!serial.output("AT\r"));

    PseudoTerminal fresh;
    QVERIFY(fresh.isValid());
    pointPortAt(1, fresh.slavePath());
    QCOMPARE(serial.open(), QString());
    QTest::qWait(100);
    QCOMPARE(lost.count(), 0);
    QVERIFY(serial.isOpen());
}

QTEST_GUILESS_MAIN(TstSerialPort)
#include "tst_serialport.moc"
