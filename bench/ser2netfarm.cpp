// SPDX-License-Identifier: GPL-3.0-or-later
#include "ser2netfarm.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <memory>
#include <vector>

#include <unistd.h>

namespace {

// Free ports of 127.0.0.1, all held open until every one is known so that none repeats.
QList<quint16> freePorts(qsizetype count)
{
    std::vector<std::unique_ptr<QTcpServer>> held;
    QList<quint16> ports;
    for (qsizetype i = 0; i < count; ++i) {
        held.push_back(std::make_unique<QTcpServer>());
        if (!held.back()->listen(QHostAddress::LocalHost))
            return {};
        ports << held.back()->serverPort();
    }
    return ports;
}

bool accepts(quint16 port)
{
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    return client.waitForConnected(200);
}

} // namespace

Ser2netFarm::~Ser2netFarm()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

QString Ser2netFarm::start(const QStringList &devices, Protocol protocol)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary directory: ") + m_dir.errorString();
    const QList<quint16> ports = freePorts(devices.size());
    if (ports.size() != devices.size())
        return QStringLiteral("not enough free TCP ports on 127.0.0.1");
    const bool telnet = protocol == Protocol::Rfc2217;
    QByteArray config;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        config += QStringLiteral("connection: &modem%1\n"
                                 "  accepter: %2tcp,127.0.0.1,%3\n"
                                 "  connector: serialdev,%4,9600n81,local\n"
                                 "  options:\n    mdns: false\n")
                      .arg(i)
                      .arg(telnet ? "telnet(rfc2217)," : "")
                      .arg(ports[i])
                      .arg(devices[i])
                      .toUtf8();
        m_addresses
            << QStringLiteral("%1://127.0.0.1:%2").arg(telnet ? "rfc2217" : "socket").arg(ports[i]);
    }
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
        return QStringLiteral("cannot write ") + file.fileName();
    file.close();

    // Debian puts it in /usr/sbin, which a user's PATH may lack. -n: foreground; -u: no UUCP
    // lock files. Its complaints go nowhere: a pipe nobody reads would stop it once full.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                                           {"/usr/sbin", "/sbin", "/usr/bin"});
    if (program.isEmpty())
        return QStringLiteral("ser2net not found (bash scripts/install-deps.sh test)");
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(
        program, {"-n", "-u", "-c", file.fileName(), "-P", m_dir.filePath(QStringLiteral("pid"))});
    if (!m_process.waitForStarted(5000))
        return QStringLiteral("ser2net did not start: ") + m_process.errorString();
    // Serving once every port takes a connection; each probe leaves at once.
    const QDeadlineTimer deadline(10000);
    for (const quint16 port : ports) {
        while (!accepts(port)) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return QStringLiteral("ser2net does not listen on port %1").arg(port);
            QThread::msleep(50);
        }
    }
    QThread::msleep(200); // ser2net lets the devices go after the probes
    return QString();
}

double Ser2netFarm::cpuMs() const
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
    if (m_process.processId() <= 0 || !stat.open(QIODevice::ReadOnly))
        return -1;
    // Fields 14 and 15, utime and stime, in clock ticks; the name (field 2) ends with ") ".
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) * 1000.0
           / double(::sysconf(_SC_CLK_TCK));
}
