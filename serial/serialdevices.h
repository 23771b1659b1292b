// SPDX-License-Identifier: GPL-3.0-or-later
// The serial devices of the machine as the ports window lists them: what the system reports
// for each, its stable name under /dev/serial/by-id, and which other program holds it.
// Nothing here opens a device: opening a serial device can raise and drop DTR and disturb a
// modem that another program is using. That is also why the list is not QSerialPortInfo's:
// it opens every 8250 port to ask whether a UART is there. The same devices are found in
// /sys/class/tty, which says so without opening them.
#pragma once

#include "portlock.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct SerialDeviceInfo
{
    QString device;     // /dev/ttyUSB0
    QString stableName; // /dev/serial/by-id/usb-..., empty when there is none
    QString description;
    QString manufacturer;
    QString usbId; // "0403:6001", empty for a device that is not USB
    QString serialNumber;
    std::optional<PortHolder> holder; // set while another program holds it
    bool typed = false; // added by hand (pseudo-terminals are not listed by the system)

    // The name to store for the device: the stable one when it has one.
    QString preferredName() const { return stableName.isEmpty() ? device : stableName; }
    bool operator==(const SerialDeviceInfo &other) const;
};

namespace SerialDevices {

inline const QString StableNameFolder = QStringLiteral("/dev/serial/by-id");
inline const QString SystemTtyFolder = QStringLiteral("/sys/class/tty");

// Device (canonical path) -> its link in `folder`.
QHash<QString, QString> stableNames(const QString &folder);

// Who holds the device: a live program's lock file, else a flock() on the device (any
// process, this one included), else another process that has it open. Stale lock files are
// left as they are.
std::optional<PortHolder> holder(const QString &device);

// The serial ports in `ttyFolder` (/sys/class/tty): each tty backed by hardware (a USB adapter
// or modem, a PCI card, a UART), without the 8250 entries that have no UART behind them.
QList<SerialDeviceInfo> systemPorts(const QString &ttyFolder = SystemTtyFolder);

// The system's ports, then each of `typed` that exists, sorted by device, with stable names
// and holders; a typed path the system lists too, or a second name of one device, is shown once.
QList<SerialDeviceInfo> list(const QStringList &typed, const QString &stableNameFolder,
                             const QString &ttyFolder = SystemTtyFolder);

// Why `path` cannot be added by hand, or nothing when it can (an existing character device).
std::optional<QString> refusalToAdd(const QString &path);

} // namespace SerialDevices
