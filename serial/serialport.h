// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port `Comm`: one device at a time over QSerialPort, with the operations the
// dialogues need (port number, line settings, open/close, modem-control lines, raw bytes).
// Lives on the session's thread (the window's line thread, or the command line's).
#pragma once

#include "linesettings.h"
#include "lossnotice.h"
#include "outcome.h"
#include "portlock.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

class SerialPort : public QObject
{
    Q_OBJECT
public:
    // Most received bytes held for the reader; see open().
    static constexpr qint64 ReadBufferLimit = 64 * 1024;

    explicit SerialPort(QObject *parent = nullptr);
    ~SerialPort() override;

    // Device of port n (1 to 4): $TAVOLI_COM<n> when set, else the device assigned in the INI
    // file (PortAssignments, read afresh), else /dev/ttyS<n-1>.
    static QString deviceFor(int port);

    void setCommPort(qint16 port); // only while closed
    qint16 commPort() const;
    // The number messages name the port by: 0 for a device given by its path (setDevice), which
    // has no port number of its own.
    qint16 shownNumber() const;
    QString device() const; // device of the current port number, or the one named directly
    // Names the device itself, as the command line's --device does: open() uses it instead of
    // the port number's. `shownAs` is the port number it was found for (messages then name the
    // port), or 0. Empty goes back to the port number. Only while closed.
    void setDevice(const QString &device, qint16 shownAs = 0);

    // Speed and stop bits, with 8 data bits and no parity; applied at the next open.
    void setSettings(const LineSettings &settings);
    LineSettings settings() const;

    // Opens the device. Returns "" on success, else a Spanish description that names the
    // port and its device (missing, no permission, in use or locked, already open, other).
    // A device another live program holds, by a lock file under any of the device's names
    // whatever its age, by having it open, or by flock(), is refused naming that program where
    // known; so is one whose lock file is not a plain file, names no process or belongs to
    // another machine. All of that is decided before the device is opened. Once open, the
    // device is held exclusively (TIOCEXCL: no other open succeeds but root's) and by our
    // flock() until close(), and the processes are looked at once more: one that opened it
    // in between is named and the port closed again, nothing written. A check that could not
    // see every process is told through note().
    Outcome open();

    // open() in its steps, for a caller that looks for holders off its own thread (HolderScan):
    // lockFileRefusal(); the look at scanTarget(); holderRefusal(); openHeld(); another look;
    // lateHolderRefusal(); listen(). Each refusal is final; the port is then closed.
    std::optional<Outcome> lockFileRefusal();
    // The device to look for holders of: the port's device with its links resolved; empty when
    // there is none (the open then says the port is missing).
    QString scanTarget() const;
    std::optional<Outcome> holderRefusal(const PortLock::Openers &openers);
    // Opens and holds the device without looking at processes; received() stays silent, and
    // what arrives is kept, until listen().
    Outcome openHeld();
    std::optional<Outcome> lateHolderRefusal(const PortLock::Openers &openers);
    // From now on received() tells of arrivals; whatever came since the open is dropped.
    void listen();
    void close(); // harmless when closed
    bool isOpen() const;

    // Present levels of CTS and DSR. A device that cannot report its modem-control lines
    // (a pseudo-terminal) counts as having both.
    bool ctsHolding() const;
    bool dsrHolding() const;
    void setRtsEnable(bool on); // failures on devices without the lines are harmless
    void setDtrEnable(bool on);

    void discardInput();                  // drops every received byte not yet read
    bool output(const QByteArray &bytes); // queues the bytes; false when the write failed
    QByteArray input();                   // every byte received so far; may be empty
    void readInto(QByteArray &into);      // the same, appended to `into`
    qint64 bytesWaiting() const;

signals:
    // Raised on the window thread whenever bytes are waiting.
    void received();
    // The device went away while open (unplugged, pseudo-terminal closed, I/O error).
    // Raised once per open; the port stops listening and is closed. The text names the port.
    void lost(const QString &description);
    // Something the transcript should know, in Spanish; e.g. that open() could not look at
    // every process for one that has the device open.
    void note(const QString &text);

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    // The open device reports a hang-up or an error (unplugged, far end gone).
    bool hungUp() const;
    void onReadyRead();
    void reportLost();
    void applySettings();
    Outcome describeOpenFailure(QSerialPort::SerialPortError error,
                                const QString &systemText) const;
    int modemLines(bool *known) const;

    QSerialPort m_port; // a child: it goes with the port to the thread that serves the line
    qint16 m_commPort = 1;
    qint16 m_deviceShownAs = 0;
    QString m_device; // named directly; empty: the port number's
    LineSettings m_settings;
    QString m_openDevice; // device of the present (or last) open
    LossNotice m_loss;
    bool m_draining = false;   // inside onReadyRead's loop
    bool m_readyAgain = false; // more bytes came while received() was being handled
};
