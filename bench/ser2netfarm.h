// SPDX-License-Identifier: GPL-3.0-or-later
// One real ser2net serving many devices, each on its own TCP port of 127.0.0.1 only, from a
// configuration of our own, until destroyed: the terminal server the benchmarks put modems
// behind.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class Ser2netFarm
{
public:
    enum class Protocol { Rfc2217, Socket };

    ~Ser2netFarm();

    // Serves `devices`; "" or why not. The addresses are then in addresses(), in that order.
    QString start(const QStringList &devices, Protocol protocol);
    // rfc2217://127.0.0.1:P or socket://127.0.0.1:P, one per device.
    const QStringList &addresses() const { return m_addresses; }
    // Processor time ser2net has used so far (user and system), in milliseconds; -1 unknown.
    double cpuMs() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_addresses;
};
