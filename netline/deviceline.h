// SPDX-License-Identifier: GPL-3.0-or-later
// The line a face hands its dialogue engine: at each open it is the serial port or, when the
// port's device is an address (rfc2217://HOST:PORT, socket://HOST:PORT), a network line to a
// terminal server. The faces connect to this object's signals only, whichever line is in use.
//
// A network line connects ahead of the dialogue: prepare() starts the connection and ready()
// says when the dialogue may begin, so that connection time never counts against the modem's
// reply time and the window never waits. A local port is prepared too: its holders are looked
// for off the caller's thread (HolderScan: lock files first, then the processes that have it
// open), then it is opened and held exclusively and looked at once more, and only then is it
// ready. A failure while connecting or looking comes as connectFailed(); once the dialogue
// runs, a failure of either line comes as lost(), for the engine. Both carry the failure's kind
// and the line's own description.
//
// Lives on the thread that serves the line, with the port it was given.
#pragma once

#include "deviceaddress.h"
#include "holderscan.h"
#include "lineport.h"
#include "networkline.h"
#include "serialline.h"
#include "serialport.h"

#include <QObject>
#include <QString>

class DeviceLine : public QObject, public LinePort
{
    Q_OBJECT
public:
    explicit DeviceLine(SerialPort &port, QObject *parent = nullptr);

    // The device the next dialogue uses, as parsed where the operator named it (for a port,
    // the device the face found for it): messages name it by `portNumber` (1 to 4) or, with 0,
    // by its path. Only while closed.
    void aim(const DeviceAddress &address, int portNumber, const LineSettings &settings);
    // Whether the device is to be reached over the network, and so must be prepared.
    bool isNetwork() const { return m_address.isNetwork(); }
    // Starts connecting to the network device, or looking at the local one and opening it;
    // ready() or connectFailed() follows, from the event loop. A failure known at once (a
    // malformed address) is returned. The next open() takes the prepared line over; open()
    // without prepare() does every step at once, on the caller's thread.
    Outcome prepare();
    // Between prepare() and the open() that takes the line over.
    bool isConnecting() const { return m_preparing; }

    // LinePort
    Outcome open() override;
    void close() override;
    bool isOpen() const override;
    bool ctsHolding() const override;
    bool dsrHolding() const override;
    void setRtsEnable(bool on) override;
    void setDtrEnable(bool on) override;
    void discardInput() override;
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    void readInto(QByteArray &into) override { active().readInto(into); }

signals:
    void ready();
    void connectFailed(const Outcome &why);
    void received();
    void lost(const Outcome &why);
    // The connection and its negotiation, for the transcript.
    void note(const QString &event);

private:
    // Hands the network line the port's number, the address and the settings as they stand now.
    void aimNetwork();
    // The local port's steps after each look for holders (see prepare()).
    void afterFirstLook(const PortLock::Openers &openers);
    void afterSecondLook(const PortLock::Openers &openers);
    // Ends a local preparation that failed; the port is closed by then.
    void notReady(const Outcome &why);
    LinePort &active() { return m_useNetwork ? static_cast<LinePort &>(m_network) : m_serial; }
    const LinePort &active() const
    {
        return m_useNetwork ? static_cast<const LinePort &>(m_network) : m_serial;
    }

    SerialPort &m_port;
    DeviceAddress m_address;
    SerialLine m_serial;
    NetworkLine m_network;     // a child: it goes wherever the line goes
    bool m_useNetwork = false; // chosen at each prepare() or open() from a closed line
    bool m_preparing = false;
    bool m_localReady = false; // a local port prepared, open and held, waiting for open()
    QString m_scanned;         // the local device being looked at
    quint64 m_attempt = 0;     // counts preparations, so that a late step of an old one is void
    HolderScan m_scan;
};
