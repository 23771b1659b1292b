// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialdevices.h"

#include "serialtexts.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <sys/stat.h>

bool SerialDeviceInfo::operator==(const SerialDeviceInfo &other) const
{
    const auto same = [](const std::optional<PortHolder> &a, const std::optional<PortHolder> &b) {
        return a.has_value() == b.has_value()
               && (!a
                   || (a->pid == b->pid && a->program == b->program && a->lockFile == b->lockFile
                       && a->openOnly == b->openOnly));
    };
    return device == other.device && stableName == other.stableName
           && description == other.description && manufacturer == other.manufacturer
           && usbId == other.usbId && serialNumber == other.serialNumber && typed == other.typed
           && same(holder, other.holder);
}

namespace {

// One sysfs attribute, trimmed; empty when absent or unreadable.
QString attribute(const QString &folder, const char *name)
{
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(4096)).trimmed();
}

// "0x0403" or "0403" as four hex digits; empty when it is not a number.
QString hexId(const QString &text)
{
    bool ok = false;
    const uint value = QString(text).remove(QLatin1String("0x")).toUInt(&ok, 16);
    return ok ? QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')) : QString();
}

// The USB device (it has idVendor) or PCI function (vendor and device) the port hangs from.
void fillHardware(SerialDeviceInfo &info, QString folder)
{
    for (int depth = 0; depth < 12 && folder.size() > 1; ++depth) {
        if (QFileInfo::exists(folder + QLatin1String("/idVendor"))) {
            const QString vendor = hexId(attribute(folder, "idVendor"));
            const QString product = hexId(attribute(folder, "idProduct"));
            if (!vendor.isEmpty() && !product.isEmpty())
                info.usbId = vendor + QLatin1Char(':') + product;
            info.description = attribute(folder, "product");
            info.manufacturer = attribute(folder, "manufacturer");
            info.serialNumber = attribute(folder, "serial");
            return;
        }
        if (QFileInfo::exists(folder + QLatin1String("/vendor"))
            && QFileInfo::exists(folder + QLatin1String("/device"))
            && QFileInfo::exists(folder + QLatin1String("/class"))) {
            info.description = SerialTexts::PortsPciCard.arg(hexId(attribute(folder, "vendor")),
                                                             hexId(attribute(folder, "device")));
            return;
        }
        folder = QFileInfo(folder).path();
    }
}

} // namespace

namespace SerialDevices {

QHash<QString, QString> stableNames(const QString &folder)
{
    QHash<QString, QString> names;
    const QFileInfoList links =
        QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        const QString target = link.canonicalFilePath(); // empty for a dangling link
        if (link.isSymLink() && !target.isEmpty() && !names.contains(target))
            names.insert(target, link.absoluteFilePath());
    }
    return names;
}

namespace {

// A holder known without looking at every process: a lock file, a flock().
std::optional<PortHolder> lockHolder(const QString &device)
{
    if (std::optional<PortHolder> byFile =
            PortLock::lockFileHolder(device, PortLock::StaleLockFile::Keep))
        return byFile;
    return PortLock::flockHolderOf(device);
}

} // namespace

std::optional<PortHolder> holder(const QString &device)
{
    if (std::optional<PortHolder> byLock = lockHolder(device))
        return byLock;
    const PortLock::Openers openers = PortLock::openers(device);
    if (!openers.holders.isEmpty())
        return openers.holders.first();
    return std::nullopt;
}

std::optional<QString> refusalToAdd(const QString &path)
{
    struct stat status
    {
    };
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return SerialTexts::PortsAddNotAbsolute.arg(path);
    if (::stat(path.toLocal8Bit().constData(), &status) != 0)
        return SerialTexts::PortsAddMissing.arg(path);
    if (!S_ISCHR(status.st_mode))
        return SerialTexts::PortsAddNotDevice.arg(path);
    return std::nullopt;
}

QList<SerialDeviceInfo> systemPorts(const QString &ttyFolder)
{
    QList<SerialDeviceInfo> ports;
    const QStringList names =
        QDir(ttyFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &name : names) {
        const QString tty = ttyFolder + QLatin1Char('/') + name;
        // Consoles, virtual terminals and pseudo-terminals have no device behind them
        // (Bluetooth's rfcomm ports neither, but they are serial ports).
        const QString hardware = QFileInfo(tty + QLatin1String("/device")).canonicalFilePath();
        if (hardware.isEmpty() && !name.startsWith(QLatin1String("rfcomm")))
            continue;
        // Serial-core ports give their UART type; 0 means none is there (the kernel keeps
        // ttyS0 to ttyS31 whatever the machine has).
        const QString type = attribute(tty, "type");
        if (!type.isEmpty() && type.toInt() == 0)
            continue;
        QString node = name;
        const QStringList uevent = attribute(tty, "uevent").split(QLatin1Char('\n'));
        for (const QString &line : uevent) {
            if (line.startsWith(QLatin1String("DEVNAME=")))
                node = line.mid(8);
        }
        SerialDeviceInfo info;
        info.device = QLatin1String("/dev/") + node;
        if (!hardware.isEmpty())
            fillHardware(info, hardware);
        ports << info;
    }
    return ports;
}

QList<SerialDeviceInfo> list(const QStringList &typed, const QString &stableNameFolder,
                             const QString &ttyFolder)
{
    const QHash<QString, QString> stable = stableNames(stableNameFolder);
    QList<SerialDeviceInfo> devices;
    QSet<QString> seen;
    const auto add = [&](SerialDeviceInfo info) {
        const QString canonical = QFileInfo(info.device).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            return;
        seen.insert(canonical);
        info.stableName = stable.value(canonical);
        info.holder = lockHolder(canonical);
        devices << info;
    };
    for (const SerialDeviceInfo &port : systemPorts(ttyFolder))
        add(port);
    for (const QString &path : typed) {
        if (refusalToAdd(path))
            continue; // gone (a closed pseudo-terminal) or replaced by something else
        SerialDeviceInfo info;
        info.device = path;
        info.typed = true;
        add(info);
    }
    // The rest in one pass over /proc, not one per device: it reads every process's descriptors.
    QStringList unheld;
    QList<SerialDeviceInfo *> asked;
    for (SerialDeviceInfo &info : devices) {
        if (!info.holder) {
            unheld << QFileInfo(info.device).canonicalFilePath();
            asked << &info;
        }
    }
    const QList<PortLock::Openers> openers = PortLock::openers(unheld);
    for (qsizetype i = 0; i < asked.size(); ++i)
        if (!openers.at(i).holders.isEmpty())
            asked.at(i)->holder = openers.at(i).holders.first();
    QCollator order;
    order.setNumericMode(true); // ttyS2 before ttyS10
    std::sort(devices.begin(), devices.end(),
              [&order](const SerialDeviceInfo &a, const SerialDeviceInfo &b) {
                  return order.compare(a.device, b.device) < 0;
              });
    return devices;
}

} // namespace SerialDevices
