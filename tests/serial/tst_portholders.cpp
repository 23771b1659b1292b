// SPDX-License-Identifier: GPL-3.0-or-later
#include "hayesmodem.h"
#include "holderscan.h"
#include "serialdevices.h"
#include "serialport.h"
#include "serialtexts.h"

#include "pseudoterminal.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <array>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether process `pid` has `device` open, as the test sees it.
bool holds(qint64 pid, const QString &device)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == device)
            return true;
    return false;
}

QString lockPath(QString name)
{
    return QStringLiteral("/var/lock/LCK..") + name.replace('/', '_');
}

void stop(QProcess &process)
{
    process.terminate(); // lets ser2net remove its lock file
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(3000))
        process.kill();
    process.waitForFinished();
}

} // namespace

class TstPortHolders : public QObject
{
    Q_OBJECT
private slots:
    // Real programs holding the modem's line: each is named, the modem receives nothing and
    // the holder's lock file stays exactly as it was.
    void realHolderKeepsThePort_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::newRow("ser2net through a link, client connected") << "ser2net";
        QTest::newRow("picocom") << "picocom";
        QTest::newRow("a program that just keeps it open") << "sleep";
    }
    void realHolderKeepsThePort()
    {
        QFETCH(QString, holder);
        if (QStandardPaths::findExecutable(holder).isEmpty())
            QSKIP(qPrintable(holder + QStringLiteral(" is not installed")));
        QTemporaryDir dir;
        HayesModem modem;
        QVERIFY(dir.isValid() && modem.start());
        const QString device = QString::fromStdString(modem.devicePath());
        const QString link = dir.filePath(QStringLiteral("modem"));
        QVERIFY(modem.linkTo(link.toStdString()));

        QProcess other;
        // picocom answers a signal by sending it to its whole process group: not to this one.
        other.setChildProcessModifier([] { ::setsid(); });
        const auto stopOther = qScopeGuard([&other] { stop(other); });
        QTcpSocket client;
        const QString lockFile = holder == QLatin1String("ser2net") ? lockPath(link) : QString();
        if (!lockFile.isEmpty()) {
            QTcpServer free; // a free port for ser2net
            QVERIFY(free.listen(QHostAddress::LocalHost));
            const quint16 port = free.serverPort();
            free.close();
            QFile config(dir.filePath(QStringLiteral("ser2net.yaml")));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(QStringLiteral("connection: &c1\n  accepter: tcp,127.0.0.1,%1\n"
                                        "  connector: serialdev,%2,9600n81,local\n")
                             .arg(port)
                             .arg(link)
                             .toUtf8());
            config.close();
            other.start(holder, {QStringLiteral("-n"), QStringLiteral("-c"), config.fileName(),
                                 QStringLiteral("-P"), dir.filePath(QStringLiteral("pid"))});
            // It opens the device only once a client has connected, after writing its lock
            // file: the file is looked at once it names the process, not merely once it is there.
            // A refused attempt (not listening yet) is made again; one under way is never cut
            // off, or ser2net would take the device and its lock file, and let them go, again.
            QTRY_VERIFY_WITH_TIMEOUT((client.state() == QAbstractSocket::UnconnectedState
                                          ? client.connectToHost(QHostAddress::LocalHost, port)
                                          : void(),
                                      client.state() == QAbstractSocket::ConnectedState),
                                     5000);
            QTRY_VERIFY_WITH_TIMEOUT(PortLock::pidInLockFile(fileBytes(lockFile)) > 0, 5000);
        } else if (holder == QLatin1String("picocom")) {
            // Its standard input stays an open pipe, so it waits for keys that never come.
            other.start(holder, {QStringLiteral("-q"), QStringLiteral("--noreset"), device});
        } else {
            other.start(QStringLiteral("sh"),
                        {QStringLiteral("-c"), QStringLiteral("exec sleep 60 3<>\"$0\""), device});
        }
        QVERIFY(other.waitForStarted());
        // The shell opens the device before it becomes "sleep": named only once it has.
        QTRY_VERIFY_WITH_TIMEOUT(holds(other.processId(), device)
                                     && PortLock::programOf(other.processId()) == holder,
                                 5000);
        const QByteArray lockBytes = lockFile.isEmpty() ? QByteArray() : fileBytes(lockFile);

        const QString named = SerialTexts::PortHolder.arg(holder).arg(other.processId());
        SerialPort serial;
        serial.setDevice(device);
        QCOMPARE(serial.open().message(), SerialTexts::PortHeldBy.arg(device, named));
        if (!lockFile.isEmpty()) {
            // By the link's name, the holder's lock file is found first.
            serial.setDevice(link);
            QCOMPARE(serial.open().message(), SerialTexts::PortLockedBy.arg(link, named, lockFile));
            QCOMPARE(fileBytes(lockFile), lockBytes);
        }
        QVERIFY(!serial.isOpen());
        QCOMPARE(SerialDevices::holder(device).value_or(PortHolder{}).pid, other.processId());
        QVERIFY(!modem.waitForReceived(1, 300));
        QVERIFY(!QFileInfo::exists(lockPath(device.mid(5))));
    }

    // Devices looked at together share the passes over /proc: one answers every device asked
    // for while it was pending (a second, should the first have started with the first request
    // alone; a busy machine may stretch that a little), never one per request. Each answer
    // comes on the asking thread from its event loop, never inside ask(); a cancelled request
    // is never answered.
    void lookedAtTogether()
    {
        constexpr int Devices = 8, Held = 3, Cancelled = 5;
        std::array<PseudoTerminal, Devices> ptys;
        QProcess holder;
        const auto stopHolder = qScopeGuard([&holder] { stop(holder); });
        const QString held = ptys[Held].slavePath();
        holder.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"), QStringLiteral("exec sleep 60 3<>\"$0\""), held});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY(holds(holder.processId(), held)
                    && PortLock::programOf(holder.processId()) == "sleep");

        std::array<HolderScan, Devices> scans;
        QList<int> answered;
        QList<qint64> heldBy;
        bool elsewhere = false;
        const quint64 before = HolderScan::passes();
        for (int i = 0; i < Devices; ++i)
            scans[i].ask(ptys[i].slavePath(), [&, i](const PortLock::Openers &openers) {
                answered << i;
                elsewhere = elsewhere || QThread::currentThread() != thread();
                for (const PortHolder &one : openers.holders)
                    heldBy << (i == Held ? one.pid : -one.pid);
            });
        scans[Cancelled].cancel();
        QVERIFY(answered.isEmpty());
        QTRY_COMPARE(answered.size(), Devices - 1);
        const quint64 shared = HolderScan::passes() - before;
        {
            // A scan that goes with its answer already posted never hears it.
            HolderScan gone;
            const quint64 passes = HolderScan::passes();
            gone.ask(held, [&answered](const PortLock::Openers &) { answered << -1; });
            while (HolderScan::passes() == passes) // no pass was under way: the next is its own
                QThread::msleep(1);
            QThread::msleep(20); // posted right after the pass is counted
        }
        QCoreApplication::processEvents(); // anything posted with the others has come by now
        QVERIFY(!answered.contains(Cancelled) && !answered.contains(-1) && !elsewhere);
        QCOMPARE(heldBy, QList<qint64>{holder.processId()});
        QVERIFY2(shared <= Devices / 2, qPrintable(QString::number(shared)));

        // The ports window's list looks at all its devices in one pass too.
        const QString none = QStringLiteral("/nonexistent");
        const QList<SerialDeviceInfo> listed =
            SerialDevices::list({ptys[0].slavePath(), held, ptys[7].slavePath()}, none, none);
        QCOMPARE(listed.size(), 3);
        for (const SerialDeviceInfo &info : listed)
            QCOMPARE(info.holder.value_or(PortHolder{}).pid,
                     info.device == held ? holder.processId() : 0);
    }

    // A software modem in another process holds the master side and a slave descriptor: it is
    // the line's far end, and the port opens.
    void farEndIsNoHolder()
    {
        QProcess modem;
        modem.start(QStringLiteral(TAVOLI_MODEM_PATH), {});
        const auto stopModem = qScopeGuard([&modem] { stop(modem); });
        QVERIFY(modem.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(modem.readLine()).trimmed();
        QVERIFY(holds(modem.processId(), device));
        SerialPort serial;
        serial.setDevice(device);
        QCOMPARE(serial.open().message(), QString());
    }

    // The port is given as outer -> inner -> device. A FIFO where a lock file goes, under any
    // name of the device in any scheme, refuses the port at once: opening it would block for
    // ever. Another machine's lock file refuses it however old: Qt would remove it as stale.
    // Either is left as it was.
    void plantedLockFile_data()
    {
        QTest::addColumn<QString>("name");        // which name, in which scheme
        QTest::addColumn<QByteArray>("contents"); // empty: a FIFO
        const QByteArray other = "4242\ntavoli\n" + QSysInfo::machineHostName().toUtf8() + "x\n";
        QTest::newRow("FIFO, Qt's name") << "qt" << QByteArray();
        QTest::newRow("FIFO, last component") << "last" << QByteArray();
        QTest::newRow("FIFO, whole path") << "whole" << QByteArray();
        QTest::newRow("FIFO, a link on the way") << "inner" << QByteArray();
        QTest::newRow("another machine's, an hour old") << "qt" << other;
    }
    void plantedLockFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        PseudoTerminal pty;
        QTemporaryDir dir;
        QVERIFY(pty.isValid() && dir.isValid());
        const QString device = pty.slavePath();
        const QString inner = dir.filePath(QStringLiteral("inner"));
        const QString outer = dir.filePath(QStringLiteral("outer"));
        QVERIFY(QFile::link(device, inner) && QFile::link(inner, outer));
        const QString path = lockPath(name == QLatin1String("qt")     ? device.mid(5)
                                      : name == QLatin1String("last") ? QFileInfo(device).fileName()
                                      : name == QLatin1String("inner") ? inner
                                                                       : device);
        const auto remove = qScopeGuard([path] { ::unlink(path.toLocal8Bit().constData()); });
        QFile file(path);
        if (contents.isEmpty()) {
            QVERIFY(::mkfifo(path.toLocal8Bit().constData(), 0666) == 0);
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
            file.flush();
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
            file.close();
        }
        SerialPort serial;
        serial.setDevice(outer);
        QElapsedTimer took;
        took.start();
        const QString host = QString::fromUtf8(contents.split('\n').value(2));
        QCOMPARE(serial.open().message(),
                 contents.isEmpty() ? SerialTexts::PortLockNotFile.arg(outer, path)
                                    : SerialTexts::PortLockedByOtherHost.arg(outer, host, path));
        QVERIFY(took.elapsed() < 2000);
        if (contents.isEmpty())
            QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
        else
            QCOMPARE(fileBytes(path), contents);
    }

    // Other users' processes cannot be looked at unless root: the port opens, and a note says
    // the check was partial. A child that has dropped root to "nobody" sees root's so.
    void partialCheckIsNoted()
    {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && ::setuid(65534) != 0)
                ::_exit(10);
            PseudoTerminal pty;
            SerialPort serial;
            serial.setDevice(pty.slavePath());
            QSignalSpy notes(&serial, &SerialPort::note);
            const QString lead = SerialTexts::TranscriptHoldersPartial.arg(pty.slavePath());
            const bool opened = serial.open().ok();
            serial.close(); // _exit() runs no destructor: Qt's lock file goes now
            ::_exit(opened && notes.size() == 1
                            && notes.at(0).at(0).toString().startsWith(lead.section('%', 0, 0))
                        ? 0
                        : 11);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
};

QTEST_GUILESS_MAIN(TstPortHolders)
#include "tst_portholders.moc"
