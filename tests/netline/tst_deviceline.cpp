// SPDX-License-Identifier: GPL-3.0-or-later
// The line the faces hand their engine: what a terminal server is told of the operator's
// settings and of DTR, and a local port prepared off the caller's thread, looked at before and
// after it is opened.
#include "deviceline.h"
#include "serialtexts.h"

#include "pseudoterminal.h"
#include "telnetpeer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using B = QByteArray;

namespace {

// An RFC 2217 COM Port Control command as it travels: IAC SB COM-PORT-OPTION ... IAC SE.
B comPort(std::initializer_list<int> command)
{
    B out("\xff\xfa\x2c");
    for (const int b : command)
        out.append(char(b));
    return out + "\xff\xf0";
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

struct Local
{
    PseudoTerminal pty;
    SerialPort port;
    DeviceLine line{port};
    QSignalSpy ready{&line, &DeviceLine::ready};
    QSignalSpy failed{&line, &DeviceLine::connectFailed};
    Local() { line.aim(DeviceAddress::parse(pty.slavePath()), 0, {}); }
};

} // namespace

class TestDeviceLine : public QObject
{
    Q_OBJECT
private slots:
    // The server hears the operator's speed and stop bits, DTR and RTS on, and then each change
    // of DTR and RTS with its own sense (RFC 2217: DTR on 8, off 9; RTS on 11, off 12).
    void terminalServerToldTheSettings()
    {
        TelnetPeer peer;
        SerialPort port;
        DeviceLine line(port);
        line.aim(DeviceAddress::parse(peer.address()), 0, {LineSpeed::Bps4800, StopBits::Two});
        QSignalSpy ready(&line, &DeviceLine::ready);
        QVERIFY(line.prepare().ok());
        QTRY_VERIFY(peer.got.contains(TelnetPeer::Offered));
        peer.say(TelnetPeer::Accepted);
        QTRY_COMPARE(ready.size(), 1);
        QVERIFY(line.open().ok());
        QTRY_VERIFY(peer.got.contains(comPort({1, 0, 0, 0x12, 0xc0}))); // 4800
        QVERIFY(peer.got.contains(comPort({4, 2})));
        QVERIFY(peer.got.contains(comPort({5, 8})) && peer.got.contains(comPort({5, 11})));
        QVERIFY(!peer.got.contains(comPort({5, 9})) && !peer.got.contains(comPort({5, 12})));
        line.setDtrEnable(false);
        line.setRtsEnable(false);
        QTRY_VERIFY(peer.got.endsWith(comPort({5, 9}) + comPort({5, 12})));
        line.setDtrEnable(true);
        QTRY_VERIFY(peer.got.endsWith(comPort({5, 12}) + comPort({5, 8})));
    }

    // Prepared, the port is looked at and opened from the event loop, held so that no other
    // open succeeds, and taken over by open(): the line then hears the modem. A second open()
    // is refused.
    void localPortPrepared()
    {
        Local local;
        QVERIFY(local.pty.isValid());
        QVERIFY(local.line.prepare().ok());
        QVERIFY(local.line.isConnecting() && !local.line.isOpen()); // nothing done here yet
        QTRY_COMPARE(local.ready.size(), 1);
        QVERIFY(local.line.isOpen() && local.failed.isEmpty());
        const int other =
            ::open(local.pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        int exclusive = 0;
        QVERIFY(other >= 0 && ::ioctl(other, TIOCGEXCL, &exclusive) == 0);
        ::close(other);
        QVERIFY(exclusive);

        QVERIFY(local.line.open().ok());
        QVERIFY(!local.line.isConnecting());
        QSignalSpy received(&local.line, &DeviceLine::received);
        QVERIFY(local.pty.writeMaster("0\r"));
        QTRY_VERIFY(!received.isEmpty());
        QCOMPARE(local.line.input(), B("0\r"));
        QVERIFY(!local.line.open().ok());
        local.line.close();
        QVERIFY(!local.line.isOpen());
    }

    // A program that has the device open is named, whether it had it before the look or took
    // it between the look and the open; the port is closed again and nothing was written.
    void localHolderRefuses_data()
    {
        QTest::addColumn<bool>("inTheGap");
        QTest::newRow("open before the look") << false;
        QTest::newRow("opened between the look and the open") << true;
    }
    void localHolderRefuses()
    {
        QFETCH(bool, inTheGap);
        Local local;
        QVERIFY(local.pty.isValid());
        const QString device = local.pty.slavePath();
        QProcess holder;
        const auto stop = qScopeGuard([&holder] {
            holder.kill();
            holder.waitForFinished();
        });
        const auto startHolder = [&] {
            holder.start(QStringLiteral("sh"),
                         {QStringLiteral("-c"), QStringLiteral("exec sleep 60 3<>\"$0\""), device});
            // Waited for without running this thread's event loop (see below).
            const QDeadlineTimer deadline(10000);
            bool holding = holder.waitForStarted();
            while (holding
                   && !(holds(holder.processId(), device)
                        && PortLock::programOf(holder.processId()) == "sleep")) {
                holding = !deadline.hasExpired();
                QThread::msleep(1);
            }
            return holding;
        };
        if (!inTheGap)
            QVERIFY(startHolder());
        const quint64 passes = HolderScan::passes();
        QVERIFY(local.line.prepare().ok());
        if (inTheGap) {
            // The first look is done, and its answer waits in this thread's event loop: the
            // holder opens the device before the line can.
            const QDeadlineTimer deadline(10000);
            while (HolderScan::passes() == passes && !deadline.hasExpired())
                QThread::msleep(1);
            QVERIFY(HolderScan::passes() > passes);
            QVERIFY(startHolder());
        }
        QTRY_COMPARE(local.failed.size(), 1);
        const QString named = SerialTexts::PortHolder.arg("sleep").arg(holder.processId());
        QCOMPARE(local.failed.at(0).at(0).value<Outcome>().message(),
                 (inTheGap ? SerialTexts::PortOpenedMeanwhile : SerialTexts::PortHeldBy)
                     .arg(device, named));
        QVERIFY(local.ready.isEmpty() && !local.line.isOpen() && !local.line.isConnecting());
        QCOMPARE(local.pty.readMaster(100), B());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLine)
#include "tst_deviceline.moc"
