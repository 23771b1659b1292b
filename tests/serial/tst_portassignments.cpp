// SPDX-License-Identifier: GPL-3.0-or-later
// Which device each port uses: TAVOLI_COM<n>, else Port<n> of the INI file in the working
// directory of the moment, else /dev/ttyS<n-1>; and assigning one rewrites only its line.
#include "portassignments.h"
#include "serialport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/file.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

} // namespace

class TstPortAssignments : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QFile::remove(SettingsFilePath());
        for (int port = 1; port <= 4; ++port)
            qunsetenv(PortAssignments::variableFor(port).toLatin1().constData());
    }

    // Only the Port<n> lines of the program's section change; a port set back to its default
    // in a file that never named it leaves the file as it was.
    void onlyThePortLinesChange()
    {
        const QByteArray section = ExecutableBaseName().toUtf8();
        const QByteArray before =
            "; comentario\r\n[otro]\r\nPort1=/dev/ajeno\r\n[" + section
            + "]\r\nCmdAT=E0;S0=#\r\nPort2 = /dev/ttyUSB9\r\n\r\n[final]\r\nx=1";
        QVERIFY(writeFile(SettingsFilePath(), before));
        QVERIFY(PortAssignments::assign(4, QString()).ok());
        QCOMPARE(fileBytes(SettingsFilePath()), before);

        QVERIFY(PortAssignments::assign(2, QStringLiteral("/dev/serial/by-id/usb-X-if00")).ok());
        QVERIFY(PortAssignments::assign(3, QStringLiteral("/dev/ttyACM0")).ok());
        QVERIFY(PortAssignments::assign(1, QStringLiteral("/dev/pts/4")).ok());
        QVERIFY(PortAssignments::assign(1, QString()).ok());
        QCOMPARE(fileBytes(SettingsFilePath()),
                 "; comentario\r\n[otro]\r\nPort1=/dev/ajeno\r\n[" + section
                     + "]\r\nCmdAT=E0;S0=#\r\nPort2 = "
                       "/dev/serial/by-id/usb-X-if00\r\nPort3=/dev/ttyACM0\r\n"
                       "Port1=\r\n\r\n[final]\r\nx=1");
        QVERIFY(!PortAssignments::assign(5, QStringLiteral("/dev/ttyS9")).ok());
    }

    void precedence_data()
    {
        QTest::addColumn<QString>("variable"); // null: unset
        QTest::addColumn<QString>("stored");   // null: no key
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("source"); // where it comes from, and what names that
        const QString ini = "ini " + QDir::toNativeSeparators(SettingsFilePath());
        const QString byId = QStringLiteral("/dev/serial/by-id/usb-Modem_1234-if00");
        QTest::newRow("default") << QString() << QString() << "/dev/ttyS1"
                                 << "default ";
        QTest::newRow("empty key") << QString() << ""
                                   << "/dev/ttyS1"
                                   << "default ";
        QTest::newRow("stored") << QString() << byId << byId << ini;
        QTest::newRow("variable first") << "/dev/pts/9" << byId << "/dev/pts/9"
                                        << "variable TAVOLI_COM2";
        QTest::newRow("empty variable") << "" << byId << byId << ini;
    }
    void precedence()
    {
        QFETCH(QString, variable);
        QFETCH(QString, stored);
        QFETCH(QString, device);
        QFETCH(QString, source);
        if (!variable.isNull())
            qputenv("TAVOLI_COM2", variable.toLocal8Bit());
        if (!stored.isNull())
            QVERIFY(writeFile(SettingsFilePath(), "[" + ExecutableBaseName().toUtf8()
                                                      + "]\nPort2=" + stored.toUtf8() + "\n"));
        QCOMPARE(SerialPort::deviceFor(2), device);
        const PortChoice choice = PortAssignments::choiceFor(2);
        const char *kinds[] = {"variable", "ini", "default", "unreadable"};
        QCOMPARE(choice.device, device);
        QCOMPARE(kinds[int(choice.source)] + (u' ' + choice.origin), source);
        QCOMPARE(SerialPort::deviceFor(1), QStringLiteral("/dev/ttyS0"));

        // Read afresh: another working directory has its own file.
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QCOMPARE(SerialPort::deviceFor(2),
                 variable.isEmpty() ? QStringLiteral("/dev/ttyS1") : variable);
    }

    // A file that is there and cannot be read names no device: the default would be another
    // device than the one assigned. A glance does not wait for another program's save; the
    // variable still comes first.
    void unreadableFileNamesNoDevice()
    {
        QVERIFY(writeFile(SettingsFilePath(),
                          "[" + ExecutableBaseName().toUtf8() + "]\nPort2=/dev/pts/77\n"));
        QFile lockFile(SettingsFilePath() + ".lock");
        QVERIFY(lockFile.open(QIODevice::ReadWrite));
        QCOMPARE(::flock(lockFile.handle(), LOCK_EX | LOCK_NB), 0); // another save, never ending
        QElapsedTimer clock;
        clock.start();
        const PortChoice busy = PortAssignments::choiceFor(2, PortAssignments::IniWait::No);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(busy.source, PortChoice::Source::Unreadable);
        QCOMPARE(busy.device, QString());
        QCOMPARE(busy.unread.kind, StoreResult::Kind::Locked);
        QCOMPARE(busy.unread.seconds, 0);
        lockFile.close();
        QVERIFY(lockFile.remove());
        QCOMPARE(PortAssignments::choiceFor(2, PortAssignments::IniWait::No).device,
                 QStringLiteral("/dev/pts/77"));

        QVERIFY(QFile::remove(SettingsFilePath()) && QDir().mkdir(SettingsFilePath()));
        const PortChoice folder = PortAssignments::choiceFor(2);
        QCOMPARE(folder.source, PortChoice::Source::Unreadable);
        QCOMPARE(folder.unread.kind, StoreResult::Kind::NotRegularFile);
        QCOMPARE(folder.origin, QDir::toNativeSeparators(SettingsFilePath()));
        QCOMPARE(SerialPort::deviceFor(2), QString());
        qputenv("TAVOLI_COM2", "/dev/pts/78");
        QCOMPARE(PortAssignments::choiceFor(2).device, QStringLiteral("/dev/pts/78"));
        QVERIFY(QDir().rmdir(SettingsFilePath()));
    }

    // What the ports window needs to word the failure (it does, in its own test).
    void failedWriteSaysWhy()
    {
        QVERIFY(QDir().mkdir(SettingsFilePath()));
        const StoreResult stored = PortAssignments::assign(1, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(QDir().rmdir(SettingsFilePath()));
        QCOMPARE(stored.kind, StoreResult::Kind::NotRegularFile);
        QCOMPARE(stored.port, 1);
        QCOMPARE(stored.file, SettingsFilePath());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TstPortAssignments)
#include "tst_portassignments.moc"
