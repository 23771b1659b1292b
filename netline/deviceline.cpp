// SPDX-License-Identifier: GPL-3.0-or-later
#include "deviceline.h"

#include "deviceaddress.h"

#include <utility>

DeviceLine::DeviceLine(SerialPort &port, QObject *parent)
    : QObject(parent), m_port(port), m_serial(port), m_network(this)
{
    connect(&m_port, &SerialPort::received, this, &DeviceLine::received);
    connect(&m_port, &SerialPort::lost, this, [this](const QString &description) {
        emit lost(Outcome::failure(Outcome::Fault::Failed, description));
    });
    connect(&m_network, &NetworkLine::received, this, &DeviceLine::received);
    connect(&m_network, &NetworkLine::note, this, &DeviceLine::note);
    connect(&m_network, &NetworkLine::ready, this, [this] {
        if (m_preparing)
            emit ready();
    });
    connect(&m_network, &NetworkLine::lost, this, [this](const Outcome &why) {
        // Before the dialogue has the line, nobody but the session is waiting for it.
        if (std::exchange(m_preparing, false))
            emit connectFailed(why);
        else
            emit lost(why);
    });
}

void DeviceLine::aim(const DeviceAddress &address, int portNumber, const LineSettings &settings)
{
    if (isOpen())
        return;
    m_address = address;
    m_port.setCommPort(qint16(portNumber > 0 ? portNumber : 1));
    m_port.setDevice(portNumber > 0 ? QString() : address.text());
    m_port.setSettings(settings);
}

void DeviceLine::aimNetwork()
{
    m_network.setAddress(m_address);
    m_network.setCommPort(m_port.shownNumber());
    // The port has already checked the text; the same text suits the server.
    m_network.setSettings(m_port.settings());
}

Outcome DeviceLine::prepare()
{
    if (isOpen())
        return Outcome::success();
    m_useNetwork = isNetwork();
    if (!m_useNetwork)
        return Outcome::success();
    aimNetwork();
    const Outcome started = m_network.prepare();
    m_preparing = started.ok();
    return started;
}

Outcome DeviceLine::open()
{
    if (isOpen()) {
        // A prepared connection becomes the dialogue's; an open one refuses a second dialogue.
        const Outcome taken = active().open();
        if (taken)
            m_preparing = false;
        return taken;
    }
    m_useNetwork = isNetwork();
    if (m_useNetwork)
        aimNetwork();
    return active().open();
}

void DeviceLine::close()
{
    m_preparing = false;
    active().close();
}

bool DeviceLine::isOpen() const
{
    return active().isOpen();
}

bool DeviceLine::ctsHolding() const
{
    return active().ctsHolding();
}

bool DeviceLine::dsrHolding() const
{
    return active().dsrHolding();
}

void DeviceLine::setRtsEnable(bool on)
{
    active().setRtsEnable(on);
}

void DeviceLine::setDtrEnable(bool on)
{
    active().setDtrEnable(on);
}

void DeviceLine::discardInput()
{
    active().discardInput();
}

void DeviceLine::output(const QByteArray &bytes)
{
    active().output(bytes);
}

QByteArray DeviceLine::input()
{
    return active().input();
}
