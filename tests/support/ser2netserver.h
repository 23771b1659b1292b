// SPDX-License-Identifier: GPL-3.0-or-later
// The real ser2net for tests: serving a device (the simulated modem's pseudo-terminal) on a
// free port of 127.0.0.1 only, from a configuration of the test's own, until destroyed.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <string>

struct Ser2net
{
    // Empty when ser2net is not installed: a test that needs it skips with Missing. Debian puts
    // it in /usr/sbin, which a user's PATH may lack.
    static QString program()
    {
        const QString inPath = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        return inPath.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                                                 {"/usr/sbin", "/sbin"})
                                : inPath;
    }
    static constexpr const char *Missing =
        "ser2net is not installed (bash scripts/install-deps.sh test installs it)";

    Ser2net(const std::string &device, bool rfc2217)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port = probe.serverPort();
        probe.close();
        address = QStringLiteral("%1://127.0.0.1:%2").arg(rfc2217 ? "rfc2217" : "socket").arg(port);
        QFile config(dir.filePath("ser2net.yaml"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("connection: &modem\n  accepter: %1tcp,127.0.0.1,%2\n"
                                    "  connector: serialdev,%3,9600n81,local\n"
                                    "  options:\n    mdns: false\n")
                         .arg(rfc2217 ? "telnet(rfc2217)," : "")
                         .arg(port)
                         .arg(QString::fromStdString(device))
                         .toUtf8());
        config.close();
        // -n: foreground; -u: no UUCP lock files.
        process.start(program(), {"-n", "-u", "-c", config.fileName(), "-P", dir.filePath("pid")});
        // Listening once a connection goes through; that client leaves at once.
        listening = QTest::qWaitFor(
            [this] {
                QTcpSocket client;
                client.connectToHost(QHostAddress::LocalHost, port);
                return client.waitForConnected(100);
            },
            5000);
        QTest::qWait(100); // ser2net lets the device go
    }
    ~Ser2net()
    {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
    }
    QTemporaryDir dir;
    QProcess process;
    quint16 port = 0;
    QString address;
    bool listening = false;
};
