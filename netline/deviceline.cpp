// SPDX-License-Identifier: GPL-3.0-or-later
#include "deviceline.h"

#include "deviceaddress.h"

#include <QMetaObject>
#include <QThread>

#include <utility>

DeviceLine::DeviceLine(SerialPort &port, QObject *parent)
    : QObject(parent), m_port(port), m_serial(port), m_network(this)
{
    connect(&m_port, &SerialPort::received, this, &DeviceLine::received);
    connect(&m_port, &SerialPort::lost, this, [this](const QString &description) {
        m_scan.cancel();
        m_localReady = false;
        const Outcome why = Outcome::failure(Outcome::Fault::Failed, description);
        if (std::exchange(m_preparing, false))
            emit connectFailed(why);
        else
            emit lost(why);
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
    Q_ASSERT(QThread::currentThread() == thread());
    if (isOpen())
        return;
    m_address = address;
    // The device as the face found it, once for the dialogue: never looked up again on the way.
    m_port.setCommPort(qint16(portNumber > 0 ? portNumber : 1));
    m_port.setDevice(address.text(), qint16(portNumber > 0 ? portNumber : 0));
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
    Q_ASSERT(QThread::currentThread() == thread());
    if (isOpen() || m_preparing)
        return Outcome::success();
    m_useNetwork = isNetwork();
    if (m_useNetwork) {
        aimNetwork();
        const Outcome started = m_network.prepare();
        m_preparing = started.ok();
        return started;
    }
    m_preparing = true;
    // Lock files are a few small reads: looked at here. A refusal is told from the event loop,
    // as every later one is.
    const quint64 attempt = ++m_attempt;
    if (const std::optional<Outcome> refused = m_port.lockFileRefusal()) {
        QMetaObject::invokeMethod(
            this,
            [this, attempt, why = *refused] {
                if (attempt == m_attempt)
                    notReady(why);
            },
            Qt::QueuedConnection);
        return Outcome::success();
    }
    m_scanned = m_port.scanTarget();
    if (m_scanned.isEmpty()) { // missing: the open says so
        QMetaObject::invokeMethod(
            this,
            [this, attempt] {
                if (attempt == m_attempt)
                    afterFirstLook({});
            },
            Qt::QueuedConnection);
        return Outcome::success();
    }
    m_scan.ask(m_scanned, [this](const PortLock::Openers &openers) { afterFirstLook(openers); });
    return Outcome::success();
}

void DeviceLine::afterFirstLook(const PortLock::Openers &openers)
{
    if (!m_preparing || m_useNetwork)
        return;
    if (const std::optional<Outcome> refused = m_port.holderRefusal(openers)) {
        notReady(*refused);
        return;
    }
    if (const Outcome opened = m_port.openHeld(); !opened) {
        notReady(opened);
        return;
    }
    if (m_scanned.isEmpty()) {
        afterSecondLook({});
        return;
    }
    // Whoever opened the device between the look and the open is seen now; from here on, no
    // one else can open it.
    m_scan.ask(m_scanned, [this](const PortLock::Openers &openers) { afterSecondLook(openers); });
}

void DeviceLine::afterSecondLook(const PortLock::Openers &openers)
{
    if (!m_preparing || m_useNetwork)
        return;
    if (const std::optional<Outcome> late = m_port.lateHolderRefusal(openers)) {
        notReady(*late);
        return;
    }
    m_localReady = true;
    emit ready();
}

void DeviceLine::notReady(const Outcome &why)
{
    if (!std::exchange(m_preparing, false))
        return;
    m_port.close();
    emit connectFailed(why);
}

Outcome DeviceLine::open()
{
    if (m_preparing && !m_useNetwork) {
        ++m_attempt;
        m_preparing = false;
        m_scan.cancel();
        // Prepared: the dialogue takes the port over. Still being looked at: given up, and
        // opened here with every step at once.
        if (std::exchange(m_localReady, false)) {
            m_port.listen();
            return Outcome::success();
        }
        m_port.close();
    }
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
    Q_ASSERT(QThread::currentThread() == thread());
    ++m_attempt;
    m_preparing = false;
    m_localReady = false;
    m_scan.cancel();
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
