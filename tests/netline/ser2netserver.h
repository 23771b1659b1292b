// The real ser2net in front of a device, on the loopback interface only: a configuration of its
// own in a scratch folder, started and stopped by the test. RFC 2217 or a plain TCP port.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

class Ser2netServer
{
public:
    ~Ser2netServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(1000);
        }
    }

    // Debian installs it in /usr/sbin, which a user's PATH may lack.
    static QString program()
    {
        const QString onPath = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        return onPath.isEmpty() ? QStandardPaths::findExecutable(
                   QStringLiteral("ser2net"),
                   {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                                : onPath;
    }

    // False with the reason in error().
    bool start(const QString &device, bool rfc2217)
    {
        // A free port now; ser2net takes it a moment later.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return failed(QStringLiteral("no free TCP port"));
        m_port = probe.serverPort();
        probe.close();
        const QString accepter = QStringLiteral("%1tcp,127.0.0.1,%2")
                                     .arg(rfc2217 ? QStringLiteral("telnet(rfc2217),") : QString())
                                     .arg(m_port);
        const QString config = QStringLiteral("connection: &modem\n"
                                              "  accepter: %1\n"
                                              "  connector: serialdev,%2,9600n81,local\n"
                                              "  options:\n"
                                              "    mdns: false\n")
                                   .arg(accepter, device);
        const QString path = m_dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
            return failed(QStringLiteral("cannot write ") + path);
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // -n: stay in the foreground; -u: no UUCP lock files; its own pid file.
        m_process.start(program(),
                        {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), path,
                         QStringLiteral("-P"), m_dir.filePath(QStringLiteral("ser2net.pid"))});
        if (!m_process.waitForStarted(3000))
            return failed(QStringLiteral("ser2net does not start: ") + m_process.errorString());
        // Listening once a connection goes through; that client leaves at once.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            QTcpSocket probeClient;
            probeClient.connectToHost(QHostAddress::LocalHost, m_port);
            if (probeClient.waitForConnected(200)) {
                probeClient.disconnectFromHost();
                QTest::qWait(100); // ser2net lets the device go
                return true;
            }
            if (m_process.state() == QProcess::NotRunning)
                break;
            QTest::qWait(50);
        }
        return failed(QStringLiteral("ser2net does not listen: ") + m_process.readAll());
    }

    quint16 port() const { return m_port; }
    QString error() const { return m_error; }
    QString address(bool rfc2217) const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("socket"))
            .arg(m_port);
    }

private:
    bool failed(const QString &why)
    {
        m_error = why;
        return false;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
