// SPDX-License-Identifier: GPL-3.0-or-later
#include "portlock.h"
#include "serialport.h"
#include "serialtexts.h"

#include "pseudoterminal.h"

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

Q_DECLARE_METATYPE(LineSettings)

namespace {

void pointPortAt(int port, const QString &device)
{
    qputenv(QByteArray("TAVOLI_COM") + QByteArray::number(port), device.toLocal8Bit());
}

// Port 1 opened on a fresh pseudo-terminal; the spy counts loss notices.
struct OpenPort
{
    PseudoTerminal pty;
    SerialPort serial;
    QSignalSpy lost{&serial, &SerialPort::lost};
    QString openError = QStringLiteral("not opened");

    explicit OpenPort(const LineSettings &settings = {})
    {
        pointPortAt(1, pty.slavePath());
        serial.setSettings(settings);
        if (pty.isValid())
            openError = serial.open().message();
    }
};

QByteArray allByteValues()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(i);
    return bytes;
}

// Another program's lock file for a device, where QSerialPort looks for it (/dev/ dropped,
// '/' turned into '_'); removed again however the test ends.
struct ForeignLockFile
{
    QString path;
    ForeignLockFile(const QString &device, const QByteArray &contents, int ageSeconds)
        : path(QStringLiteral("/var/lock/LCK..") + QString(device).remove(0, 5).replace('/', '_'))
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(contents);
            file.flush();
            file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                             QFileDevice::FileModificationTime);
        }
    }
    ~ForeignLockFile() { QFile::remove(path); }
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

} // namespace

class TstSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        for (int port = 1; port <= 4; ++port)
            qunsetenv((QByteArray("TAVOLI_COM") + QByteArray::number(port)).constData());
    }

    void deviceFor()
    {
        // Port, its own variable (null: unset), expected device; another port's variable must not
        // leak. Only names are compared here: the machine's own serial devices are never opened.
        const QList<std::tuple<int, const char *, QString>> rows = {
            {1, nullptr, "/dev/ttyS0"},
            {4, nullptr, "/dev/ttyS3"},
            {2, "/dev/ttyUSB0", "/dev/ttyUSB0"},
            {3, "", "/dev/ttyS2"}};
        for (const auto &[port, variable, expected] : rows) {
            cleanup();
            if (variable)
                pointPortAt(port, QString::fromLatin1(variable));
            pointPortAt(port == 1 ? 2 : 1, QStringLiteral("/dev/other"));
            SerialPort serial;
            serial.setCommPort(qint16(port));
            QCOMPARE(serial.device(), expected);
            QCOMPARE(SerialPort::deviceFor(port), expected);
        }
    }

    // Every speed of the table with both stop bits: the port keeps what it was given, and the
    // text always says 8 data bits without parity. The table's codes, in the options' order.
    void settingsText()
    {
        QStringList texts, s37, modulation;
        for (const SpeedRow &row : LineSpeeds::Table) {
            for (const StopBits stop : {StopBits::One, StopBits::Two}) {
                SerialPort serial;
                serial.setSettings({row.speed, stop});
                QVERIFY(serial.settings() == LineSettings({row.speed, stop}));
                texts << serial.settings().text();
            }
            s37 << row.s37Code;
            modulation << row.modulationCode;
            QVERIFY(LineSpeeds::named(row.caption) == row.speed);
        }
        QCOMPARE(texts, QStringList({"9600,N,8,1", "9600,N,8,2", "4800,N,8,1", "4800,N,8,2",
                                     "2400,N,8,1", "2400,N,8,2", "1200,N,8,1", "1200,N,8,2"}));
        QCOMPARE(s37, QStringList({"9", "8", "6", "5"}));
        QCOMPARE(modulation, QStringList({"32", "32", "22B", "22"}));
        for (const char *other : {"", "300", "9600 ", "19200"})
            QVERIFY2(!LineSpeeds::named(QString::fromLatin1(other)), other);
    }

    // The settings reach the device, and every byte value passes both ways as it is (software
    // parity rides in bit 7); what arrives is announced on the window thread, appended to what
    // the reader already holds by readInto().
    // A pseudo-terminal always reports 8 data bits and no parity, so those cannot be checked.
    void bytesPassUnchanged_data()
    {
        QTest::addColumn<LineSettings>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStop");
        QTest::newRow("9600,N,8,1") << LineSettings{} << int(B9600) << false;
        QTest::newRow("1200,N,8,2")
            << LineSettings{LineSpeed::Bps1200, StopBits::Two} << int(B1200) << true;
        QTest::newRow("4800,N,8,1")
            << LineSettings{LineSpeed::Bps4800, StopBits::One} << int(B4800) << false;
        QTest::newRow("2400,N,8,2")
            << LineSettings{LineSpeed::Bps2400, StopBits::Two} << int(B2400) << true;
    }
    void bytesPassUnchanged()
    {
        QFETCH(LineSettings, settings);
        QFETCH(int, speed);
        QFETCH(bool, twoStop);
        OpenPort port(settings);
        QCOMPARE(port.openError, QString());
        termios tio{};
        QCOMPARE(tcgetattr(port.pty.slaveFd(), &tio), 0);
        QCOMPARE(int(cfgetospeed(&tio)), speed);
        QCOMPARE(int(cfgetispeed(&tio)), speed);
        QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStop);
        QCOMPARE(int(tio.c_cflag & CRTSCTS), 0);
        QCOMPARE(int(tio.c_iflag & (IXON | IXOFF)), 0);
        QCOMPARE(int(tio.c_lflag & (ICANON | ECHO)), 0);
        // No modem-control lines on a pseudo-terminal: both count as present, raising fails
        // harmlessly.
        QVERIFY(port.serial.ctsHolding() && port.serial.dsrHolding());
        port.serial.setRtsEnable(true);
        port.serial.setDtrEnable(true);

        const QByteArray all = allByteValues();
        QVERIFY(port.serial.output(all));
        QCOMPARE(port.pty.readMaster(2000, all.size()), all);
        int notices = 0;
        const QByteArray held = "held";
        QByteArray received = held;
        bool onWindowThread = true;
        connect(&port.serial, &SerialPort::received, this, [&] {
            ++notices;
            onWindowThread = onWindowThread && QThread::currentThread() == qApp->thread();
            port.serial.readInto(received);
        });
        QVERIFY(port.pty.writeMaster(all));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), held.size() + all.size(), 2000);
        QCOMPARE(received, held + all);
        QVERIFY(notices > 0 && onWindowThread);
        QCOMPARE(port.serial.bytesWaiting(), 0);
        QCOMPARE(port.lost.count(), 0);
    }

    void openFailuresNameThePort()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SerialPort serial;
        serial.setCommPort(2);
        const QString missing = dir.filePath(QStringLiteral("ttyGone"));
        pointPortAt(2, missing);
        QCOMPARE(serial.open().message(),
                 SerialTexts::PortMissing.arg(SerialTexts::portName(2, missing)));

        // Not a serial device at all: the system's own text is passed on.
        const QString plain = dir.filePath(QStringLiteral("plainfile"));
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        pointPortAt(2, plain);
        const QString plainText = serial.open().message();
        const QString lead =
            SerialTexts::PortOpenFailed.arg(SerialTexts::portName(2, plain), QString());
        QVERIFY2(plainText.startsWith(lead) && plainText.size() > lead.size(),
                 qPrintable(plainText));
        QVERIFY(!serial.isOpen());
        // The terminal this program was started from: refused before anything is opened.
        SerialPort own;
        own.setDevice(QStringLiteral("/dev/tty"));
        QCOMPARE(own.open().message(),
                 SerialTexts::PortIsOwnTerminal.arg(SerialTexts::portName(0, "/dev/tty")));

        // Opened twice, and in use by another port object.
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        pointPortAt(2, pty.slavePath());
        QCOMPARE(serial.open().message(), QString());
        QCOMPARE(serial.open().message(),
                 SerialTexts::PortAlreadyOpen.arg(SerialTexts::portName(2, pty.slavePath())));
        QVERIFY(serial.isOpen());
        SerialPort other;
        other.setCommPort(2);
        QCOMPARE(other.open().message(),
                 SerialTexts::PortBusy.arg(SerialTexts::portName(2, pty.slavePath())));
        serial.setCommPort(3); // cannot change under an open device
        QCOMPARE(serial.commPort(), qint16(2));

        if (geteuid() != 0) { // root may open anything
            serial.close();
            QVERIFY(file.setPermissions(QFileDevice::Permissions()));
            pointPortAt(2, plain);
            // The user owns it: no group would let them in.
            QCOMPARE(serial.open().message(),
                     SerialTexts::PortNoPermissionNotGroup.arg(SerialTexts::portName(2, plain),
                                                               "0000", QFileInfo(plain).group()));
        }
    }

    // A lock file naming a live program keeps the port however old it is, in every format
    // programs write; it is left exactly as it was. One naming a process that has gone is
    // cleared, even when recent. One that names no process keeps it too, and is named.
    void lockFileOfAnotherProgram_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("alive");
        QTest::newRow("text, live, 2 min old") << "text" << true;
        QTest::newRow("Qt's, live, 2 min old") << "qt" << true;
        // Two programs started together: it comes between the look and the open.
        QTest::newRow("Qt's, live, written after the look") << "qt late" << true;
        QTest::newRow("binary, live, 2 min old") << "binary" << true;
        QTest::newRow("text, gone") << "text" << false;
        QTest::newRow("Qt's, gone") << "qt" << false;
        QTest::newRow("garbage") << "garbage" << true;
        // Four bytes of text, read the binary way, are past any process number.
        QTest::newRow("garbage, four bytes") << "garbage4" << true;
    }
    void lockFileOfAnotherProgram()
    {
        QFETCH(QString, format);
        QFETCH(bool, alive);
        if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
            QSKIP("needs to write the system's lock folder");
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        pointPortAt(1, pty.slavePath());
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        const auto stopOther = qScopeGuard([&other] {
            other.kill();
            other.waitForFinished();
        });
        const qint64 pid = other.processId();
        if (!alive) {
            other.kill();
            QVERIFY(other.waitForFinished());
        }
        QByteArray contents;
        if (format == QLatin1String("text")) {
            contents = QByteArray::number(pid).rightJustified(10, ' ') + " sleep root\n";
        } else if (format.startsWith(QLatin1String("garbage"))) {
            contents = format == QLatin1String("garbage") ? "\x01tavoli\n" : "junk";
        } else if (format.startsWith(QLatin1String("qt"))) {
            contents =
                QByteArray::number(pid) + "\nsleep\n" + QSysInfo::machineHostName().toUtf8() + "\n";
        } else {
            const qint32 binary = qint32(pid);
            contents = QByteArray(reinterpret_cast<const char *>(&binary), sizeof binary);
        }
        SerialPort serial;
        const bool late = format.endsWith(QLatin1String("late"));
        if (late)
            QVERIFY(!serial.lockFileRefusal());
        // Just written, when late: Qt would take a lock file older than 30 s for stale.
        ForeignLockFile lock(pty.slavePath(), contents, alive && !late ? 120 : 0);
        const QDateTime written = QFileInfo(lock.path).lastModified();
        const QString result = (late ? serial.openHeld() : serial.open()).message();
        if (!alive) {
            QCOMPARE(result, QString());
            QVERIFY(fileBytes(lock.path).startsWith(QByteArray::number(getpid()) + '\n'));
            return;
        }
        const QString holder = SerialTexts::PortHolder.arg(QStringLiteral("sleep")).arg(pid);
        const QString port = SerialTexts::portName(1, pty.slavePath());
        QCOMPARE(result, format.startsWith(QLatin1String("garbage"))
                             ? SerialTexts::PortLockUnreadable.arg(port, lock.path)
                             : SerialTexts::PortLockedBy.arg(port, holder, lock.path));
        QVERIFY(!serial.isOpen());
        QCOMPARE(fileBytes(lock.path), contents);
        QCOMPARE(QFileInfo(lock.path).lastModified(), written);
    }

    // Another user's live process keeps the port by its lock file, though a program that is
    // not root may not signal it (kill() gives EPERM): judged by a child that has dropped root.
    void otherUsersLockIsNotStale()
    {
        if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
            QSKIP("needs to write the system's lock folder");
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        // As "nobody", this root process is another user's; as anyone else, init is.
        const qint64 pid = ::geteuid() == 0 ? ::getpid() : 1;
        const QByteArray contents = QByteArray::number(pid).rightJustified(10, ' ') + " x root\n";
        ForeignLockFile lock(pty.slavePath(), contents, 120);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::geteuid() == 0 && ::setuid(65534) != 0)
                ::_exit(10);
            const auto conflict = PortLock::lockFileConflict(pty.slavePath());
            ::_exit(conflict && conflict->kind == PortLock::LockConflict::Kind::Holder
                            && conflict->holder.pid == pid
                        ? 0
                        : 11);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(fileBytes(lock.path), contents);
    }

    // A program holding the device with flock() (as picocom and pyserial do) keeps it, and
    // while the port is open such programs find it taken.
    void deviceHeldWithFlock()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        pointPortAt(1, pty.slavePath());
        const int other =
            ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(other >= 0);
        const auto closeOther = qScopeGuard([other] { ::close(other); });
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        SerialPort serial;
        const QString self =
            QString::fromLocal8Bit(fileBytes(QStringLiteral("/proc/self/comm"))).trimmed();
        const QString holder = SerialTexts::PortHolder.arg(self).arg(getpid());
        QCOMPARE(serial.open().message(),
                 SerialTexts::PortHeldBy.arg(SerialTexts::portName(1, pty.slavePath()), holder));
        QVERIFY(!serial.isOpen());

        QCOMPARE(::flock(other, LOCK_UN), 0);
        QCOMPARE(serial.open().message(), QString());
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
        QCOMPARE(errno, EWOULDBLOCK);
        serial.close();
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    }

    // Discarding drops the bytes still in the kernel's queue and those the port holds, not later
    // ones. The dialogue closes the port from inside its receive handler; closing again is
    // harmless, and a port object destroyed while open frees the device.
    // Nobody reads while a box is open: the port holds a bounded amount, and reading again
    // takes up the rest where it stopped.
    void boundedWhileUnread()
    {
        OpenPort port;
        QCOMPARE(port.openError, QString());
        const int masterFd = port.pty.masterFd();
        ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);
        QByteArray sent;
        for (int i = 0; sent.size() < 1024 * 1024; ++i)
            sent += QByteArray::number(i) + ' ';
        qsizetype written = 0;
        QByteArray got;
        const auto feed = [&] {
            const ssize_t n =
                ::write(masterFd, sent.constData() + written, size_t(sent.size() - written));
            written += n > 0 ? n : 0;
        };
        QDeadlineTimer unread(300);
        while (!unread.hasExpired()) {
            feed();
            QTest::qWait(1);
            QVERIFY(port.serial.bytesWaiting() <= SerialPort::ReadBufferLimit);
        }
        QVERIFY(written > SerialPort::ReadBufferLimit); // the device's queue took the rest
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && got.size() < sent.size()) {
            feed();
            port.serial.readInto(got); // as the engine reads
            QTest::qWait(1);
        }
        QCOMPARE(got, sent);
    }

    // A peer that answers every line at once: every answer reaches received() from the event
    // loop, which the window thread goes back to after each one instead of waiting for the
    // next reply on the port (the window must never block on the line).
    void everyReplyGoesThroughTheEventLoop()
    {
        OpenPort port;
        QCOMPARE(port.openError, QString());
        std::atomic<bool> done{false};
        std::thread peer([&done, fd = port.pty.masterFd()] {
            while (!done) {
                pollfd p{fd, POLLIN, 0};
                char buf[256];
                if (::poll(&p, 1, 50) == 1) {
                    const ssize_t n = ::read(fd, buf, sizeof buf);
                    for (ssize_t i = 0; i < n; ++i)
                        if (buf[i] == '\r' && ::write(fd, "0\r", 2) != 2)
                            return;
                }
            }
        });
        constexpr int Exchanges = 400;
        int answered = 0;
        QByteArray pending;
        // A real event loop, as the window has.
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        // The connections end with this test, not with the test object.
        QObject scope;
        connect(&port.serial, &SerialPort::received, &scope, [&] {
            pending += port.serial.input();
            for (qsizetype cr; (cr = pending.indexOf('\r')) >= 0; pending.remove(0, cr + 1))
                if (++answered < Exchanges)
                    port.serial.output("AT\r");
                else
                    loop.quit();
        });
        int loopPasses = 0;
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &scope,
                [&loopPasses] { ++loopPasses; });
        QVERIFY(port.serial.output("AT\r"));
        loop.exec();
        QCOMPARE(answered, Exchanges);
        done = true;
        peer.join();
        QVERIFY2(loopPasses >= Exchanges, qPrintable(QString::number(loopPasses)));
    }

    void receiveDiscardAndClose()
    {
        OpenPort port;
        QCOMPARE(port.openError, QString());
        QVERIFY(port.pty.writeMaster("old reply\r"));
        QThread::msleep(50); // no event loop has run: still in the kernel's queue
        port.serial.discardInput();
        QTest::qWait(100);
        QCOMPARE(port.serial.bytesWaiting(), 0);
        QVERIFY(port.pty.writeMaster("0\r"));
        QTRY_COMPARE_WITH_TIMEOUT(port.serial.bytesWaiting(), 2, 2000);
        port.serial.discardInput();
        QCOMPARE(port.serial.bytesWaiting(), 0);

        QByteArray got;
        connect(&port.serial, &SerialPort::received, this, [&] {
            got += port.serial.input();
            port.serial.close();
        });
        QVERIFY(port.pty.writeMaster("OK\r"));
        QTRY_VERIFY_WITH_TIMEOUT(!port.serial.isOpen(), 2000);
        QVERIFY(QByteArray("OK\r").startsWith(got) && !got.isEmpty());
        QVERIFY(port.pty.writeMaster("more"));
        QTest::qWait(50);
        port.serial.close();
        QCOMPARE(port.serial.input(), QByteArray());
        QVERIFY(!port.serial.output("AT\r"));
        QCOMPARE(port.lost.count(), 0);
        {
            SerialPort second;
            QCOMPARE(second.open().message(), QString());
        }
        // What the device held before the open (a stale OK) is no reply to the next command.
        disconnect(&port.serial, &SerialPort::received, this, nullptr);
        QVERIFY(port.pty.writeMaster("OK\r0\r"));
        QThread::msleep(50);
        QCOMPARE(port.serial.open().message(), QString());
        QTest::qWait(100);
        QVERIFY2(port.serial.bytesWaiting() == 0, "bytes from before the open were kept");
        QVERIFY(port.pty.writeMaster("4\r"));
        QTRY_COMPARE_WITH_TIMEOUT(port.serial.bytesWaiting(), 2, 2000);
        QCOMPARE(port.serial.input(), QByteArray("4\r"));
    }

    // A vanished device is reported once per open, later and from the event loop, without
    // spinning on the dead descriptor. A notice still on its way when the port is opened again
    // belongs to the earlier open and is dropped.
    void lossReportedOncePerOpen_data()
    {
        QTest::addColumn<bool>("writing");  // noticed by a failed write rather than by the poll
        QTest::addColumn<bool>("reopened"); // opened again before the event loop runs
        QTest::newRow("hung up") << false << false;
        QTest::newRow("failed write") << true << false;
        QTest::newRow("failed write, opened again at once") << true << true;
    }
    void lossReportedOncePerOpen()
    {
        QFETCH(bool, writing);
        QFETCH(bool, reopened);
        OpenPort port;
        QCOMPARE(port.openError, QString());
        port.pty.closeMaster();
        if (writing) {
            QVERIFY(!port.serial.output("ATS0?\r"));
            QVERIFY(!port.serial.isOpen());
            QCOMPARE(port.lost.count(), 0); // not from inside output()
        }
        PseudoTerminal next;
        pointPortAt(1, next.slavePath());
        if (reopened) {
            QCOMPARE(port.serial.open().message(), QString());
            QTest::qWait(100);
            QCOMPARE(port.lost.count(), 0);
            QVERIFY(port.serial.isOpen());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(port.lost.count(), 1, 2000);
        QCOMPARE(port.lost.at(0).at(0).toString(),
                 SerialTexts::PortLost.arg(SerialTexts::portName(1, port.pty.slavePath())));
        QVERIFY(!port.serial.isOpen());
        const double cpuBefore = processCpuMs();
        QTest::qWait(300);
        const double cpuUsed = processCpuMs() - cpuBefore;
        QVERIFY2(cpuUsed < 150, qPrintable(QStringLiteral("%1 ms of CPU in 300 ms").arg(cpuUsed)));
        QVERIFY(!port.serial.output("AT\r"));
        QCOMPARE(port.lost.count(), 1);

        QCOMPARE(port.serial.open().message(), QString());
        next.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(port.lost.count(), 2, 2000);
        QCOMPARE(port.lost.at(1).at(0).toString(),
                 SerialTexts::PortLost.arg(SerialTexts::portName(1, next.slavePath())));
    }
};

QTEST_GUILESS_MAIN(TstSerialPort)
#include "tst_serialport.moc"
