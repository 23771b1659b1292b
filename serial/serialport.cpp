// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialport.h"

#include "portassignments.h"
#include "portlock.h"
#include "portpermission.h"
#include "serialtexts.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QStringList>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

SerialPort::SerialPort(QObject *parent) : QObject(parent), m_port(this)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onErrorOccurred);
}

SerialPort::~SerialPort()
{
    close();
}

QString SerialPort::deviceFor(int port)
{
    return PortAssignments::choiceFor(port).device;
}

void SerialPort::setCommPort(qint16 port)
{
    if (m_port.isOpen() || port < 1)
        return;
    m_commPort = port;
}

qint16 SerialPort::commPort() const
{
    return m_commPort;
}

qint16 SerialPort::shownNumber() const
{
    return m_device.isEmpty() ? m_commPort : m_deviceShownAs;
}

QString SerialPort::device() const
{
    return m_device.isEmpty() ? deviceFor(m_commPort) : m_device;
}

void SerialPort::setDevice(const QString &device, qint16 shownAs)
{
    if (m_port.isOpen())
        return;
    m_device = device;
    m_deviceShownAs = shownAs;
}

void SerialPort::setSettings(const LineSettings &settings)
{
    m_settings = settings;
}

LineSettings SerialPort::settings() const
{
    return m_settings;
}

void SerialPort::applySettings()
{
    // While closed these only record the values; QSerialPort::open() applies them. The
    // operator's parity travels in bit 7, so the port's own framing is always 8N.
    m_port.setBaudRate(m_settings.bitRate());
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(m_settings.stopBits == StopBits::Two ? QSerialPort::TwoStop
                                                            : QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

Outcome SerialPort::open()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_port.isOpen())
        return Outcome::failure(
            Outcome::Fault::PortUnavailable,
            SerialTexts::PortAlreadyOpen.arg(SerialTexts::portName(shownNumber(), m_openDevice)));
    if (const std::optional<Outcome> refused = lockFileRefusal())
        return *refused;
    const QString target = scanTarget();
    if (!target.isEmpty()) {
        if (const std::optional<Outcome> refused = holderRefusal(PortLock::openers(target)))
            return *refused;
    }
    if (const Outcome opened = openHeld(); !opened)
        return opened;
    if (!target.isEmpty()) {
        if (const std::optional<Outcome> late = lateHolderRefusal(PortLock::openers(target)))
            return *late;
    }
    listen();
    return Outcome::success();
}

QString SerialPort::scanTarget() const
{
    // A stable name (/dev/serial/by-id/...) is opened and locked as the device it points to,
    // whose lock file other programs use; messages keep the name the operator chose.
    return QFileInfo(device()).canonicalFilePath();
}

Outcome SerialPort::openHeld()
{
    if (m_port.isOpen())
        return Outcome::failure(
            Outcome::Fault::PortUnavailable,
            SerialTexts::PortAlreadyOpen.arg(SerialTexts::portName(shownNumber(), m_openDevice)));
    const QString dev = device();
    const QString target = scanTarget();
    m_port.setPortName(target.isEmpty() ? dev : target);
    applySettings();
    // A flood must not fill memory while nobody reads (a box is open): past this much, Qt stops
    // reading and the device's own queue holds the rest.
    m_port.setReadBufferSize(ReadBufferLimit);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const Outcome reason = describeOpenFailure(m_port.error(), m_port.errorString());
        m_port.clearError();
        return reason;
    }
    // Programs that hold the device with flock() write no lock file. Checked before anything
    // touches the device's queues; closing hands the device back with its settings restored.
    if (const std::optional<PortHolder> holder = PortLock::lockDevice(m_port.handle())) {
        m_port.close();
        m_port.clearError();
        const QString port = SerialTexts::portName(shownNumber(), dev);
        if (holder->pid > 0) {
            const QString named = PortLock::describe(*holder);
            return Outcome::failure(Outcome::Fault::PortHeld,
                                    SerialTexts::PortHeldBy.arg(port, named), named);
        }
        return Outcome::failure(Outcome::Fault::PortHeld, SerialTexts::PortHeldByUnknown.arg(port));
    }
    // No later open of the device succeeds, whatever the program (root's aside). QSerialPort
    // asks for this too; asked again here so as not to depend on how Qt opens it.
    ::ioctl(m_port.handle(), TIOCEXCL);
    m_openDevice = dev;
    m_loss.opened();
    // Whatever the device held from before this open is not a reply to anything we send.
    m_port.clear(QSerialPort::Input);
    return Outcome::success();
}

void SerialPort::listen()
{
    if (!m_port.isOpen())
        return;
    // Arrivals since the open came before anything was sent: not replies.
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::onReadyRead, Qt::UniqueConnection);
}

std::optional<Outcome> SerialPort::lockFileRefusal()
{
    using Kind = PortLock::LockConflict::Kind;
    const QString dev = device();
    // A missing device is reported as missing, by the open.
    if (scanTarget().isEmpty())
        return std::nullopt;
    // /dev/tty is whichever terminal this program was started from (a script's "/dev/tty$N"
    // with N empty names it): the commands would go to the operator's own screen.
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(dev).constData(), &status) == 0 && S_ISCHR(status.st_mode)
        && major(status.st_rdev) == 5 && minor(status.st_rdev) == 0)
        return Outcome::failure(
            Outcome::Fault::PortUnavailable,
            SerialTexts::PortIsOwnTerminal.arg(SerialTexts::portName(shownNumber(), dev)));
    // Qt counts a lock file older than 30 seconds as stale even while its program runs, opens
    // whatever sits at its lock path (a FIFO blocks it for ever) and removes another machine's
    // old file: all of that is settled here first.
    const std::optional<PortLock::LockConflict> conflict = PortLock::lockFileConflict(dev);
    if (!conflict)
        return std::nullopt;
    const QString port = SerialTexts::portName(shownNumber(), dev);
    switch (conflict->kind) {
    case Kind::NotRegularFile:
        return Outcome::failure(Outcome::Fault::PortUnavailable,
                                SerialTexts::PortLockNotFile.arg(port, conflict->path));
    case Kind::NoProcess:
        return Outcome::failure(Outcome::Fault::PortUnavailable,
                                SerialTexts::PortLockUnreadable.arg(port, conflict->path));
    case Kind::OtherHost:
        return Outcome::failure(
            Outcome::Fault::PortHeld,
            SerialTexts::PortLockedByOtherHost.arg(port, conflict->host, conflict->path),
            conflict->host);
    case Kind::Holder:
        break;
    }
    const QString named = PortLock::describe(conflict->holder);
    return Outcome::failure(Outcome::Fault::PortHeld,
                            SerialTexts::PortLockedBy.arg(port, named, conflict->path), named);
}

namespace {

QString holderNames(const PortLock::Openers &openers)
{
    QStringList holders;
    for (const PortHolder &holder : openers.holders)
        holders << PortLock::describe(holder);
    return holders.join(SerialTexts::PortHoldersSeparator);
}

} // namespace

std::optional<Outcome> SerialPort::holderRefusal(const PortLock::Openers &openers)
{
    // Programs that take no lock at all (pyserial by default) are seen only this way.
    const QString dev = device();
    if (openers.unreadable > 0)
        emit note(SerialTexts::TranscriptHoldersPartial.arg(dev).arg(openers.unreadable));
    if (openers.holders.isEmpty())
        return std::nullopt;
    const QString named = holderNames(openers);
    return Outcome::failure(
        Outcome::Fault::PortHeld,
        SerialTexts::PortHeldBy.arg(SerialTexts::portName(shownNumber(), dev), named), named);
}

std::optional<Outcome> SerialPort::lateHolderRefusal(const PortLock::Openers &openers)
{
    if (openers.holders.isEmpty() || !m_port.isOpen())
        return std::nullopt;
    // It opened the device between the first look and our open: the two would share the line.
    close();
    const QString named = holderNames(openers);
    return Outcome::failure(Outcome::Fault::PortHeld,
                            SerialTexts::PortOpenedMeanwhile.arg(
                                SerialTexts::portName(shownNumber(), m_openDevice), named),
                            named);
}

Outcome SerialPort::describeOpenFailure(QSerialPort::SerialPortError error,
                                        const QString &systemText) const
{
    constexpr Outcome::Fault Unavailable = Outcome::Fault::PortUnavailable;
    constexpr Outcome::Fault Held = Outcome::Fault::PortHeld;
    const QString dev = device();
    const QString port = SerialTexts::portName(shownNumber(), dev);
    const QString busyText = QString::fromLocal8Bit(std::strerror(EBUSY));
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return Outcome::failure(Unavailable, SerialTexts::PortMissing.arg(port));
    case QSerialPort::PermissionError:
        // Qt also says PermissionError when another program holds the device's lock file,
        // so only a device we may not read and write is a matter of permissions.
        if (::access(dev.toLocal8Bit().constData(), R_OK | W_OK) != 0)
            return Outcome::failure(Unavailable, PortPermission::refusal(port, dev));
        // Its lock file may have been written between the look and the open (two programs
        // started together): named, as the look would have named it.
        if (const std::optional<PortHolder> holder =
                PortLock::lockFileHolder(dev, PortLock::StaleLockFile::Keep)) {
            const QString named = PortLock::describe(*holder);
            return Outcome::failure(
                Held, SerialTexts::PortLockedBy.arg(port, named, holder->lockFile), named);
        }
        return Outcome::failure(Held, SerialTexts::PortBusy.arg(port));
    default:
        if (systemText.contains(busyText, Qt::CaseInsensitive)
            || systemText.contains(QLatin1String("busy"), Qt::CaseInsensitive))
            return Outcome::failure(Held, SerialTexts::PortBusy.arg(port));
        return Outcome::failure(Unavailable, SerialTexts::PortOpenFailed.arg(port, systemText));
    }
}

void SerialPort::close()
{
    Q_ASSERT(QThread::currentThread() == thread());
    disconnect(&m_port, &QSerialPort::readyRead, this, &SerialPort::onReadyRead);
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool SerialPort::isOpen() const
{
    return m_port.isOpen();
}

int SerialPort::modemLines(bool *known) const
{
    int bits = 0;
    *known = true;
    if (::ioctl(m_port.handle(), TIOCMGET, &bits) == -1) {
        // A pseudo-terminal has no modem-control lines (ENOTTY); other errors mean a device
        // that is there but not answering, whose lines count as down.
        *known = !(errno == ENOTTY || errno == EINVAL);
        return 0;
    }
    return bits;
}

bool SerialPort::ctsHolding() const
{
    if (!m_port.isOpen())
        return false;
    bool known = false;
    const int bits = modemLines(&known);
    return !known || (bits & TIOCM_CTS);
}

bool SerialPort::dsrHolding() const
{
    if (!m_port.isOpen())
        return false;
    bool known = false;
    const int bits = modemLines(&known);
    return !known || (bits & TIOCM_DSR);
}

void SerialPort::setRtsEnable(bool on)
{
    if (!m_port.isOpen())
        return;
    // Fails with UnsupportedOperationError on a device without the line; that is no loss.
    if (!m_port.setRequestToSend(on) && m_port.isOpen())
        m_port.clearError();
}

void SerialPort::setDtrEnable(bool on)
{
    if (!m_port.isOpen())
        return;
    if (!m_port.setDataTerminalReady(on) && m_port.isOpen())
        m_port.clearError();
}

void SerialPort::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input); // the kernel's queue and Qt's buffer
    m_port.readAll();                 // anything Qt still held
}

bool SerialPort::output(const QByteArray &bytes)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_port.isOpen())
        return false;
    if (bytes.isEmpty())
        return true;
    // A command is a few bytes on an idle line: straight to the device, as a plain program
    // would write it. QSerialPort's own path arms a write notifier first, and arming and
    // disarming it wakes the event loop twice for every command. Whatever the driver does not
    // take now (or an error, which QSerialPort then reports) goes the usual way.
    qsizetype written = 0;
    if (m_port.bytesToWrite() == 0) {
        ssize_t n = 0;
        do
            n = ::write(m_port.handle(), bytes.constData(), std::size_t(bytes.size()));
        while (n < 0 && errno == EINTR);
        if (n > 0)
            written = n;
    }
    if (written == bytes.size())
        return true;
    const QByteArray rest = bytes.mid(written);
    if (m_port.write(rest) != rest.size()) {
        reportLost();
        return false;
    }
    // Hand the bytes to the driver now rather than on the next event-loop pass; a device
    // that has gone is reported (and closed) by onErrorOccurred from inside flush().
    m_port.flush();
    return m_port.isOpen();
}

QByteArray SerialPort::input()
{
    if (!m_port.isOpen())
        return QByteArray();
    return m_port.readAll();
}

void SerialPort::readInto(QByteArray &into)
{
    if (!m_port.isOpen())
        return;
    // Straight from QSerialPort's buffer into the caller's, whose room is reused from call to
    // call: no array of its own per reply, as readAll() would make.
    const qint64 waiting = m_port.bytesAvailable();
    if (waiting <= 0)
        return;
    const qsizetype kept = into.size();
    into.resize(kept + qsizetype(waiting));
    const qint64 got = m_port.read(into.data() + kept, waiting);
    into.resize(kept + qsizetype(std::max<qint64>(got, 0)));
}

qint64 SerialPort::bytesWaiting() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void SerialPort::onReadyRead()
{
    if (m_draining) {
        // From an event loop run by whoever handles received() (a box): the loop below hands
        // it on.
        m_readyAgain = true;
        return;
    }
    // The reply is waited for by the event loop, never here: the window must not block on the
    // line, however fast the modem answers.
    m_draining = true;
    do {
        m_readyAgain = false;
        emit received();
    } while (m_readyAgain);
    m_draining = false;
}

bool SerialPort::hungUp() const
{
    pollfd device{int(m_port.handle()), POLLIN, 0};
    return ::poll(&device, 1, 0) < 0 || (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void SerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
        // A read that found nothing after all (the input was discarded between the device's
        // signal and the read) is no failure; a device that has gone says so in its poll.
        if (m_port.isOpen() && !hungUp()) {
            m_port.clearError();
            break;
        }
        [[fallthrough]];
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
        // After a device goes away Qt reports this again on every pass of the event loop;
        // only closing the port stops its notifier.
        if (m_port.isOpen())
            reportLost();
        break;
    case QSerialPort::TimeoutError:
        // Nothing here waits on the port; the dialogue has its own time-out.
        m_port.clearError();
        break;
    default:
        // UnsupportedOperationError from the modem lines of a pseudo-terminal, NoError from
        // clearError(), NotOpenError: none of them says anything about the device.
        break;
    }
}

void SerialPort::reportLost()
{
    if (!m_port.isOpen() || !m_loss.claim())
        return;
    const QString description =
        SerialTexts::PortLost.arg(SerialTexts::portName(shownNumber(), m_openDevice));
    close();
    m_loss.deliver(this, [this, description] { emit lost(description); });
}
