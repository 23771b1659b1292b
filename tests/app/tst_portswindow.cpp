// SPDX-License-Identifier: GPL-3.0-or-later
// The ports window against a made-up /sys/class/tty and by-id folder whose devices are
// pseudo-terminals: what it lists, who holds a device, and assignments reaching the port
// options. No real device is ever opened.
#include "applicationsetup.h"
#include "deviceaddress.h"
#include "form1.h"
#include "form1controls.h"
#include "messageboxwatcher.h"
#include "portassignments.h"
#include "portswindow.h"
#include "pseudoterminal.h"
#include "serialport.h"
#include "serialtexts.h"
#include "storetexts.h"
#include "windowtexts.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <sys/file.h>

namespace {

const QString UsbLink = QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K5X9-if00-port0");

// The device stored for the port in the INI file, whatever the variables say.
QString assigned(int port)
{
    IniStore ini(PortAssignments::keyFor(port));
    ini.setFileName(SettingsFilePath());
    ini.setSection(ExecutableBaseName());
    return ini.value().trimmed();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString pts(const PseudoTerminal &pty)
{
    return pty.slavePath().mid(5); // "pts/7", as the kernel names the node
}

// Row of `device` in the devices table, as its cells read; empty when not listed.
QStringList rowOf(PortsWindow &window, const QString &device)
{
    auto *table = window.findChild<QTableWidget *>(QStringLiteral("devices"));
    for (int row = 0; table && row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text() != device)
            continue;
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << table->item(row, column)->text();
        return cells;
    }
    return {};
}

} // namespace

class TestPortsWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_usb.isValid() && m_nonUart.isValid() && m_typed.isValid() && m_root.isValid());
        ApplicationSetup::InstallQtTranslations(*qobject_cast<QApplication *>(qApp));
        // A USB adapter whose node is a pseudo-terminal; an 8250 slot with no UART; a console.
        const QString usbDevice = m_root.filePath("devices/usb1/1-1");
        QVERIFY(writeFile(usbDevice + "/idVendor", "0403\n")
                && writeFile(usbDevice + "/idProduct", "6001\n"));
        QVERIFY(writeFile(usbDevice + "/product", "FT232R USB UART\n"));
        QVERIFY(writeFile(usbDevice + "/manufacturer", "FTDI\n")
                && writeFile(usbDevice + "/serial", "A10K5X9\n"));
        QVERIFY(QDir().mkpath(usbDevice + "/1-1:1.0/ttyUSB0"));
        QVERIFY(QDir().mkpath(m_root.filePath("devices/platform/serial8250")));
        const QString tty = m_root.filePath("tty");
        QVERIFY(writeFile(tty + "/ttyUSB0/uevent",
                          "MAJOR=188\nMINOR=0\nDEVNAME=" + pts(m_usb).toUtf8() + "\n"));
        QVERIFY(QFile::link(usbDevice + "/1-1:1.0/ttyUSB0", tty + "/ttyUSB0/device"));
        QVERIFY(writeFile(tty + "/ttyS5/uevent", "DEVNAME=" + pts(m_nonUart).toUtf8() + "\n"));
        QVERIFY(writeFile(tty + "/ttyS5/type", "0\n"));
        QVERIFY(QFile::link(m_root.filePath("devices/platform/serial8250"), tty + "/ttyS5/device"));
        QVERIFY(writeFile(tty + "/tty7/uevent", "DEVNAME=" + pts(m_typed).toUtf8() + "\n"));
        QVERIFY(QDir().mkpath(m_root.filePath("by-id")));
    }

    void init()
    {
        QFile::remove(SettingsFilePath());
        for (int port = 1; port <= 4; ++port)
            qunsetenv(PortAssignments::variableFor(port).toLatin1().constData());
    }

    // Only hardware is listed; a stable name appearing while the window is open shows up,
    // and the window follows devices only while it is on screen.
    void listsTheSystemsPorts()
    {
        PortsWindow window(nullptr, m_root.filePath("by-id"), m_root.filePath("tty"));
        window.show();
        QVERIFY(window.isFollowingDevices());
        QCOMPARE(window.devices().size(), 1);
        QCOMPARE(rowOf(window, m_usb.slavePath()),
                 QStringList({m_usb.slavePath(), "", WindowTexts::PortsFree, "", "FT232R USB UART",
                              "FTDI", "0403:6001", "A10K5X9"}));
        QVERIFY(QFile::link(m_usb.slavePath(), m_root.filePath("by-id/") + UsbLink));
        QTRY_COMPARE(rowOf(window, m_usb.slavePath()).value(3),
                     m_root.filePath("by-id/") + UsbLink);
        window.hide();
        QVERIFY(!window.isFollowingDevices());
    }

    // A typed pseudo-terminal held by flock() (this process) or by a live program's lock
    // file shows that program; released, it is free again.
    void heldDevicesNameTheirHolder_data()
    {
        QTest::addColumn<bool>("lockFile");
        QTest::newRow("flock") << false;
        QTest::newRow("lock file") << true;
    }
    void heldDevicesNameTheirHolder()
    {
        QFETCH(bool, lockFile);
        const QString device = m_typed.slavePath();
        const QString lockPath = "/var/lock/LCK.." + pts(m_typed).replace('/', '_');
        QProcess other;
        const auto release = [&] {
            ::flock(m_typed.slaveFd(), LOCK_UN);
            QFile::remove(lockPath);
            other.kill();
            other.waitForFinished();
        };
        const auto releaseAtEnd = qScopeGuard(release);
        QString held;
        if (lockFile) {
            if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
                QSKIP("needs to write the system's lock folder");
            other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(other.waitForStarted());
            QVERIFY(
                writeFile(lockPath, QByteArray::number(other.processId()).rightJustified(10, ' ')
                                        + " sleep\n"));
            held = WindowTexts::PortsHeldByLockFile.arg(
                SerialTexts::PortHolder.arg("sleep").arg(other.processId()), lockPath);
        } else {
            QCOMPARE(::flock(m_typed.slaveFd(), LOCK_EX | LOCK_NB), 0);
            QFile comm(QStringLiteral("/proc/self/comm"));
            QVERIFY(comm.open(QIODevice::ReadOnly));
            const QString self = QString::fromLocal8Bit(comm.readAll()).trimmed();
            held =
                WindowTexts::PortsHeldByFlock.arg(SerialTexts::PortHolder.arg(self).arg(getpid()));
        }
        MessageBoxWatcher boxes;
        PortsWindow window(nullptr, m_root.filePath("by-id"), m_root.filePath("tty"));
        QVERIFY(!window.addTyped(QDir::currentPath() + "/no-such-tty"));
        QVERIFY(!window.addTyped(QStringLiteral("pts/1")));
        QCOMPARE(boxes.texts(), QStringList({SerialTexts::PortsAddMissing.arg(QDir::currentPath()
                                                                              + "/no-such-tty"),
                                             SerialTexts::PortsAddNotAbsolute.arg("pts/1")}));
        QVERIFY(window.addTyped(device));
        QCOMPARE(rowOf(window, device).value(2), held);
        release();
        window.refresh();
        QCOMPARE(rowOf(window, device).value(2), WindowTexts::PortsFree);
    }

    // An assignment stores the stable name, is used from then on and shows in the port
    // options; the variable still wins; "Quitar" goes back to the default; a file that
    // cannot be written is said so.
    void assignmentsReachThePorts()
    {
        const QString stable = m_root.filePath("by-id/") + UsbLink;
        QFile::link(m_usb.slavePath(), stable);
        const QString ini = QDir::toNativeSeparators(SettingsFilePath());
        MessageBoxWatcher boxes;
        Form1 form;
        PortsWindow *window =
            PortsWindow::showFor(form, m_root.filePath("by-id"), m_root.filePath("tty"));
        QCOMPARE(PortsWindow::showFor(form), window);
        QVERIFY(window->isVisible());
        const auto tip = [&form] { return control(form, "OpCan#1")->toolTip(); };
        const auto click = [window](const char *name) {
            QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(name)),
                              Qt::LeftButton);
        };

        window->findChild<QTableWidget *>(QStringLiteral("devices"))->selectRow(0);
        window->findChild<QComboBox *>(QStringLiteral("port"))->setCurrentIndex(1);
        click("assign");
        QCOMPARE(assigned(2), stable);
        QCOMPARE(SerialPort::deviceFor(2), stable);
        QCOMPARE(tip(), WindowTexts::PortUses.arg(stable, WindowTexts::PortSourceIni.arg(ini)));
        QCOMPARE(rowOf(*window, m_usb.slavePath()).value(1), QStringLiteral("2"));

        qputenv("TAVOLI_COM2", "/dev/pts/99");
        form.refreshPortTips();
        QCOMPARE(tip(), WindowTexts::PortUses.arg(
                            "/dev/pts/99", WindowTexts::PortSourceVariable.arg("TAVOLI_COM2")));
        qunsetenv("TAVOLI_COM2");

        click("clear");
        QCOMPARE(tip(), WindowTexts::PortUses.arg("/dev/ttyS1", WindowTexts::PortSourceDefault));
        QCOMPARE(boxes.count(), 0);

        QFile::remove(SettingsFilePath());
        QVERIFY(QDir().mkdir(SettingsFilePath()));
        click("assign");
        QVERIFY(QDir().rmdir(SettingsFilePath()));
        QCOMPARE(boxes.texts(), QStringList(WindowTexts::PortAssignFailed.arg(
                                    "2", ini, StoreTexts::IniNotRegularFile)));
    }

    // A terminal server's address is taken as typed (a malformed one names its fault), listed
    // without a device behind it, and assigned and stored as written.
    void terminalServerAddress()
    {
        MessageBoxWatcher boxes;
        Form1 form;
        PortsWindow *window =
            PortsWindow::showFor(form, m_root.filePath("by-id"), m_root.filePath("tty"));
        QVERIFY(!window->addTyped(QStringLiteral("socket://10.0.0.9")));
        QCOMPARE(boxes.texts(),
                 QStringList(DeviceAddress::parse(QStringLiteral("socket://10.0.0.9")).error()));
        const QString address = QStringLiteral("rfc2217://[fd00::20]:7000");
        QVERIFY(window->addTyped(address));
        QCOMPARE(rowOf(*window, address).value(4), WindowTexts::PortsTerminalServer);
        window->findChild<QComboBox *>(QStringLiteral("port"))->setCurrentIndex(2);
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("assign")),
                          Qt::LeftButton);
        QCOMPARE(assigned(3), address);
        QCOMPARE(SerialPort::deviceFor(3), address);
        QCOMPARE(rowOf(*window, address).value(1), QStringLiteral("3"));
        QCOMPARE(boxes.count(), 1);
    }

private:
    PseudoTerminal m_usb, m_nonUart, m_typed;
    QTemporaryDir m_root;
};

QTEST_MAIN(TestPortsWindow)
#include "tst_portswindow.moc"
