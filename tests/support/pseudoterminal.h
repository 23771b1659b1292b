// SPDX-License-Identifier: GPL-3.0-or-later
// A pseudo-terminal for tests that need a serial device without touching real ports.
//
// The slave side (slavePath(), e.g. /dev/pts/7) plays the serial device: point a port at it
// with TAVOLI_COM<n> and open it through SerialPort. The master side (masterFd()) plays the
// modem: what the program writes arrives there, and what the test writes there arrives at
// the program. Both sides are in raw mode, so bytes pass unchanged (no echo, no CR/LF
// translation, bit 7 kept).
//
// The object keeps one slave descriptor of its own open for its whole life. Without it the
// master reads EIO ("hung up") whenever no one has the slave open, e.g. before the program
// opens the port or between a close and the next open, and bytes written in such a gap
// could be lost. That descriptor never reads, so everything written to the master goes to
// the program. closeMaster() makes the device vanish as an unplugged USB adapter would: the
// kernel hangs up the slave and the program's descriptor starts failing.
//
// Link with `util` (openpty).
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            m_master = m_slave = -1;
            return;
        }
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        m_slavePath = QString::fromLocal8Bit(name);
        makeRaw(m_master);
        makeRaw(m_slave);
    }
    ~PseudoTerminal()
    {
        closeMaster();
        closeSlave();
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return !m_slavePath.isEmpty(); }
    int masterFd() const { return m_master; }
    // The helper's own slave descriptor (-1 after closeSlave()): for tcgetattr checks of the
    // line settings the program gave the device. Never read from it.
    int slaveFd() const { return m_slave; }
    QString slavePath() const { return m_slavePath; }

    // Writes all bytes to the master side, i.e. "the modem sends them". False on failure.
    bool writeMaster(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size() && m_master >= 0) {
            const ssize_t n =
                ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += n;
        }
        return done == bytes.size();
    }

    // What arrived at the master side ("what the modem received") within timeoutMs.
    // Returns as soon as `expected` bytes are there (expected < 0: wait the whole time).
    QByteArray readMaster(int timeoutMs, qsizetype expected = -1)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (m_master >= 0 && (expected < 0 || got.size() < expected)) {
            pollfd pfd{m_master, POLLIN, 0};
            const int left = int(deadline.remainingTime());
            const int ready = ::poll(&pfd, 1, left < 0 ? 0 : left);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0 || !(pfd.revents & POLLIN))
                break;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }

    // The device vanishes: the slave side is hung up by the kernel.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    // Drops the helper's own slave descriptor (the program's stays as it is).
    void closeSlave()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

private:
    static void makeRaw(int fd)
    {
        termios tio{};
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
