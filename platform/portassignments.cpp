// SPDX-License-Identifier: GPL-3.0-or-later
#include "portassignments.h"

#include <QDir>

namespace {

IniStore storeFor(int port)
{
    IniStore ini(PortAssignments::keyFor(port));
    ini.setFileName(SettingsFilePath());
    ini.setSection(ExecutableBaseName());
    return ini;
}

} // namespace

namespace PortAssignments {

QString keyFor(int port)
{
    return QStringLiteral("Port%1").arg(port);
}

QString variableFor(int port)
{
    return QStringLiteral("TAVOLI_COM%1").arg(port);
}

PortChoice choiceFor(int port, IniWait wait)
{
    const QString variable = variableFor(port);
    const QString configured = qEnvironmentVariable(variable.toLatin1().constData());
    if (!configured.isEmpty())
        return {configured, PortChoice::Source::Variable, variable, {}};
    if (port < 1)
        return {};
    QString stored;
    if (port <= PortCount) {
        const IniStore ini = storeFor(port);
        const StoreResult read = wait == IniWait::ForSave ? ini.read(&stored) : ini.glance(&stored);
        const QString file = QDir::toNativeSeparators(SettingsFilePath());
        if (!read)
            return {QString(), PortChoice::Source::Unreadable, file, read};
        if (stored = stored.trimmed(); !stored.isEmpty())
            return {stored, PortChoice::Source::Assigned, file, {}};
    }
    return {
        QStringLiteral("/dev/ttyS%1").arg(port - 1), PortChoice::Source::Default, QString(), {}};
}

StoreResult assign(int port, const QString &device)
{
    if (port < 1 || port > PortCount) {
        StoreResult refused = StoreResult::failure(StoreResult::Kind::NoSuchPort, QString());
        refused.port = port;
        return refused;
    }
    IniStore ini = storeFor(port);
    // Going back to the default leaves a file that never held the key as it was.
    if (device.isEmpty() && ini.value().trimmed().isEmpty())
        return {};
    StoreResult written = ini.setValue(device);
    written.port = port;
    return written;
}

} // namespace PortAssignments
