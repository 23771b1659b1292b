#include "hayesmodem.h"
#include "operatortexts.h"
#include "serialdevices.h"
#include "serialport.h"

#include "pseudoterminal.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether process `pid` has `device` open (as the test sees it, independently of the product).
bool holds(qint64 pid, const QString &device)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == device)
            return true;
    return false;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

quint16 freeTcpPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    quint16 port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), size) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

int connectTo(quint16 port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// A file planted where lock files go; removed however the test ends.
struct PlantedFile
{
    QString path;
    ~PlantedFile() { ::unlink(path.toLocal8Bit().constData()); }
};

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate(); // lets ser2net remove its lock file
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished();
    }
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
        QVERIFY(dir.isValid());
        HayesModem modem;
        QVERIFY(modem.start());
        const QString device = QString::fromStdString(modem.devicePath());
        const QString link = dir.filePath(QStringLiteral("modem"));
        QVERIFY(modem.linkTo(link.toStdString()));

        QProcess other;
        // picocom answers a signal by sending it to its whole process group: not to this one.
        other.setChildProcessModifier([] { ::setsid(); });
        const auto stopOther = qScopeGuard([&other] { stop(other); });
        int client = -1;
        const auto closeClient = qScopeGuard([&client] { ::close(client); });
        QString lockFile; // the holder's own, when it writes one
        if (holder == QLatin1String("ser2net")) {
            const quint16 port = freeTcpPort();
            QFile config(dir.filePath(QStringLiteral("ser2net.yaml")));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(QStringLiteral("connection: &c1\n"
                                        "  accepter: tcp,127.0.0.1,%1\n"
                                        "  connector: serialdev,%2,9600n81,local\n")
                             .arg(port)
                             .arg(link)
                             .toUtf8());
            config.close();
            other.start(holder, {QStringLiteral("-n"), QStringLiteral("-c"), config.fileName(),
                                 QStringLiteral("-P"), dir.filePath(QStringLiteral("pid"))});
            QVERIFY(waitFor([&] { return (client = connectTo(port)) >= 0; }));
            lockFile = QStringLiteral("/var/lock/LCK..") + QString(link).replace('/', '_');
            QVERIFY2(waitFor([&] { return QFileInfo::exists(lockFile); }), qPrintable(lockFile));
        } else if (holder == QLatin1String("picocom")) {
            // Its standard input stays an open pipe, so it waits for keys that never come.
            other.start(holder, {QStringLiteral("-q"), QStringLiteral("--noreset"), device});
        } else {
            other.start(QStringLiteral("sh"),
                        {QStringLiteral("-c"), QStringLiteral("exec sleep 60 3<>\"$0\""), device});
        }
        QVERIFY(other.waitForStarted());
        QVERIFY(waitFor([&] { return holds(other.processId(), device); }));
        const QByteArray lockBytes = lockFile.isEmpty() ? QByteArray() : fileBytes(lockFile);
        const QDateTime lockTime = QFileInfo(lockFile).lastModified();

        const QString named = OperatorTexts::PortHolder.arg(holder).arg(other.processId());
        SerialPort serial;
        serial.setDevice(device);
        QCOMPARE(serial.open().message(),
                 OperatorTexts::PortHeldBy.arg(QStringLiteral("1"), device, named));
        if (!lockFile.isEmpty()) {
            // By the link's name, the holder's lock file is found first.
            serial.setDevice(link);
            QCOMPARE(serial.open().message(),
                     OperatorTexts::PortLockedBy.arg(QStringLiteral("1"), link, named, lockFile));
            QCOMPARE(fileBytes(lockFile), lockBytes);
            QCOMPARE(QFileInfo(lockFile).lastModified(), lockTime);
        }
        QVERIFY(!serial.isOpen());
        // The ports window names it too.
        QCOMPARE(SerialDevices::holder(device).value_or(PortHolder{}).pid, other.processId());
        QVERIFY(!modem.waitForReceived(1, 300));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/var/lock/LCK..")
                                   + device.mid(5).replace('/', '_')));
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

    // Anything but a plain file where a lock file goes, under each naming scheme, refuses the
    // port at once and is left alone; a FIFO would block whoever opens it.
    void lockPathNotAFile_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("Qt's name") << "qt";
        QTest::newRow("last component") << "last";
        QTest::newRow("whole path") << "whole";
    }
    void lockPathNotAFile()
    {
        QFETCH(QString, scheme);
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        const QString device = pty.slavePath();
        QString name = scheme == QLatin1String("qt")     ? device.mid(5)
                       : scheme == QLatin1String("last") ? QFileInfo(device).fileName()
                                                         : device;
        PlantedFile fifo{QStringLiteral("/var/lock/LCK..") + name.replace('/', '_')};
        QVERIFY(::mkfifo(fifo.path.toLocal8Bit().constData(), 0666) == 0);
        SerialPort serial;
        serial.setDevice(device);
        QElapsedTimer took;
        took.start();
        QCOMPARE(serial.open().message(),
                 OperatorTexts::PortLockNotFile.arg(QStringLiteral("1"), device, fifo.path));
        QVERIFY(took.elapsed() < 2000);
        struct stat status
        {
        };
        QVERIFY(::lstat(fifo.path.toLocal8Bit().constData(), &status) == 0);
        QVERIFY(S_ISFIFO(status.st_mode));
    }

    // Another machine's lock file is never removed, however old: Qt would take it for stale.
    void otherHostsLockFileStays()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        const QString device = pty.slavePath();
        PlantedFile lock{QStringLiteral("/var/lock/LCK..") + device.mid(5).replace('/', '_')};
        const QString host = QSysInfo::machineHostName() + QStringLiteral("-other");
        const QByteArray contents = "4242\ntavoli\n" + host.toUtf8() + "\n";
        QFile file(lock.path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.flush();
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
        file.close();
        SerialPort serial;
        serial.setDevice(device);
        QCOMPARE(serial.open().message(), OperatorTexts::PortLockedByOtherHost.arg(
                                              QStringLiteral("1"), device, host, lock.path));
        QCOMPARE(fileBytes(lock.path), contents);
    }

    // Processes of other users cannot be looked at unless root: the open goes on and says the
    // check was partial. A child that has dropped root to "nobody" sees root's processes so.
    void partialCheckIsNoted()
    {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::geteuid() == 0 && ::setuid(65534) != 0)
                ::_exit(10);
            PseudoTerminal pty;
            SerialPort serial;
            serial.setDevice(pty.slavePath());
            QSignalSpy notes(&serial, &SerialPort::note);
            if (!pty.isValid() || !serial.open())
                ::_exit(11);
            const QString lead = OperatorTexts::TranscriptHoldersPartial.arg(pty.slavePath());
            const bool noted = notes.size() == 1
                               && notes.at(0).at(0).toString().startsWith(lead.section('%', 0, 0));
            serial.close();
            ::_exit(noted ? 0 : 12);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }
};

QTEST_GUILESS_MAIN(TstPortHolders)
#include "tst_portholders.moc"
