// SPDX-License-Identifier: GPL-3.0-or-later
#include "modemline.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::size_t MaxLine = 1024; // longest command line kept

timespec untilFrom(ModemLine::Clock::time_point now, ModemLine::Clock::time_point due)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(due - now).count();
    if (ns <= 0)
        return {0, 0};
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

ModemLine::ModemLine(const ReplyShape &shape, Events &events) : m_events(events), m_scheduler(shape)
{}

ModemLine::~ModemLine()
{
    stop();
}

void ModemLine::wakeUp() const
{
    if (m_wake[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t r = ::write(m_wake[1], &c, 1);
    }
}

void ModemLine::removeLinksLocked()
{
    for (const std::string &link : m_links) {
        // Only a link that still points at this modem is ours to remove.
        std::array<char, 4096> target{};
        const ssize_t n = ::readlink(link.c_str(), target.data(), target.size() - 1);
        if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == m_path)
            ::unlink(link.c_str());
    }
    m_links.clear();
}

// The line's thread (or after it has ended): drop the line.
void ModemLine::closeLine()
{
    if (m_master < 0 && m_slave < 0)
        return;
    // State and links first, so that whoever sees the line drop also sees them gone.
    {
        std::lock_guard lock(m_mutex);
        m_lineIsOpen = false;
        m_hangRequested = false;
        removeLinksLocked();
    }
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_scheduler.clear();
    m_writeBlocked = false;
    {
        std::lock_guard lock(m_mutex);
        m_lineClosed = true;
    }
    m_closed.notify_all();
    m_events.hungUp(Clock::now());
}

void ModemLine::finishLine(Clock::time_point now)
{
    HayesModem::Received rec{std::move(m_lineRaw), std::move(m_lineText), m_lineFirst, now};
    m_lineRaw.clear();
    m_lineText.clear();
    const std::string text = rec.line;
    {
        std::lock_guard lock(m_mutex);
        if (m_newShape) {
            m_scheduler.setShape(*m_newShape);
            m_newShape.reset();
        }
    }
    m_events.received(std::move(rec));
    if (m_scheduler.flooding())
        return;
    const HayesAnswer answer = m_events.answer(text);
    if (answer.flood) {
        m_scheduler.flood(now);
        return;
    }
    m_scheduler.reply(answer.reply, now);
    if (answer.hangUp)
        m_scheduler.hangUp(now);
}

void ModemLine::processInput(const unsigned char *bytes, std::size_t count, Clock::time_point now)
{
    auto echoOn = [this] { return !m_scheduler.flooding() && m_events.echoes(); };
    bool echo = echoOn();
    std::string echoOut;
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned char b = bytes[k];
        const char c = static_cast<char>(b & 0x7F);
        if (echo)
            echoOut += c;
        if (c == '\n' && m_lineRaw.empty())
            continue;
        if (m_lineRaw.empty())
            m_lineFirst = now;
        if (m_lineRaw.size() < MaxLine || c == '\r')
            m_lineRaw += static_cast<char>(b);
        if (c == '\r') {
            m_scheduler.echo(echoOut, now);
            echoOut.clear();
            finishLine(now);
            echo = echoOn(); // the line may have switched echo
            continue;
        }
        if (c != '\n' && m_lineText.size() < MaxLine)
            m_lineText += c;
    }
    m_scheduler.echo(echoOut, now);
}

void ModemLine::readInput()
{
    std::array<unsigned char, 4096> buf;
    const ssize_t n = ::read(m_master, buf.data(), buf.size());
    const Clock::time_point now = Clock::now();
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        closeLine();
        return;
    }
    processInput(buf.data(), static_cast<std::size_t>(n), now);
}

void ModemLine::writeDue()
{
    while (m_master >= 0 && !m_writeBlocked) {
        const ReplyScheduler::Due due = m_scheduler.due(Clock::now());
        if (due == ReplyScheduler::Due::Nothing)
            return;
        if (due == ReplyScheduler::Due::HangUp) {
            int unread = 0;
            if (::ioctl(m_slave, FIONREAD, &unread) != 0)
                unread = 0;
            if (!m_scheduler.holdHangUp(Clock::now(), unread))
                closeLine();
            return;
        }
        const std::string_view bytes = m_scheduler.pending();
        const ssize_t w = ::write(m_master, bytes.data(), bytes.size());
        const Clock::time_point now = Clock::now();
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN)
                m_writeBlocked = true;
            else
                closeLine();
            return;
        }
        const bool whole = static_cast<std::size_t>(w) == bytes.size();
        const auto delivered = m_scheduler.wrote(static_cast<std::size_t>(w), now);
        if (!whole) {
            m_writeBlocked = true; // wait until the line takes more
            return;
        }
        if (delivered)
            m_events.delivered(*delivered, now); // may hang up: the loop ends then
    }
}

void ModemLine::floodTick()
{
    if (m_master < 0)
        return;
    const std::string piece = m_scheduler.floodPiece(Clock::now());
    if (piece.empty())
        return;
    // Non-blocking: when the line is full the piece is simply not sent.
    const ssize_t w = ::write(m_master, piece.data(), piece.size());
    if (w > 0) {
        std::lock_guard lock(m_mutex);
        m_floodCount += static_cast<std::size_t>(w);
    } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
        closeLine();
    }
}

void ModemLine::run()
{
    while (!m_stopRequested.load()) {
        const Clock::time_point now = Clock::now();
        bool wantOutput = false;
        std::optional<timespec> timeout;
        if (m_master >= 0 && m_writeBlocked && m_scheduler.queued())
            wantOutput = true;
        else if (const auto at = m_scheduler.wakeAt(); m_master >= 0 && at)
            timeout = untilFrom(now, *at);
        pollfd fds[2] = {{m_wake[0], POLLIN, 0},
                         {m_master, static_cast<short>(POLLIN | (wantOutput ? POLLOUT : 0)), 0}};
        const nfds_t count = m_master >= 0 ? 2 : 1;
        const int n = ::ppoll(fds, count, timeout ? &*timeout : nullptr, nullptr);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
            bool hang = false;
            {
                std::lock_guard lock(m_mutex);
                hang = m_hangRequested;
            }
            if (hang)
                closeLine();
        }
        if (count == 2 && m_master >= 0) {
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
                readInput();
            if (m_master >= 0 && (fds[1].revents & POLLOUT))
                m_writeBlocked = false;
        }
        writeDue();
        floodTick();
    }
    closeLine();
}

bool ModemLine::start(std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why + ": " + std::strerror(errno);
        return false;
    };
    {
        std::lock_guard lock(m_mutex);
        if (m_running) {
            if (error)
                *error = "the modem is already running";
            return false;
        }
    }
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
        return fail("openpty");
    std::array<char, 256> name{};
    int wake[2] = {-1, -1};
    const bool named = ::ttyname_r(slave, name.data(), name.size()) == 0;
    if (!named || ::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        const int saved = errno;
        ::close(master);
        ::close(slave);
        errno = saved;
        return fail(named ? "pipe" : "ttyname");
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);

    m_master = master;
    m_slave = slave;
    m_wake[0] = wake[0];
    m_wake[1] = wake[1];
    m_scheduler.clear();
    m_writeBlocked = false;
    m_lineRaw.clear();
    m_lineText.clear();
    m_stopRequested = false;
    {
        std::lock_guard lock(m_mutex);
        m_path = name.data();
        m_lineIsOpen = true;
        m_lineClosed = false;
        m_hangRequested = false;
        m_floodCount = 0;
        m_running = true;
    }
    m_events.lineUp();
    m_thread = std::thread([this] { run(); });
    return true;
}

void ModemLine::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
    }
    m_stopRequested = true;
    wakeUp();
    if (m_thread.joinable())
        m_thread.join();
    closeLine(); // already done by the thread; harmless
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    std::lock_guard lock(m_mutex);
    removeLinksLocked();
    m_running = false;
}

std::string ModemLine::devicePath() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

bool ModemLine::linkTo(const std::string &link, std::string *error)
{
    std::lock_guard lock(m_mutex);
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!m_lineIsOpen)
        return fail("the line is not open");
    struct stat st
    {
    };
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return fail(link + " exists and is not a symbolic link");
        if (::unlink(link.c_str()) != 0)
            return fail(link + ": " + std::strerror(errno));
    }
    if (::symlink(m_path.c_str(), link.c_str()) != 0)
        return fail(link + ": " + std::strerror(errno));
    if (std::find(m_links.begin(), m_links.end(), link) == m_links.end())
        m_links.push_back(link);
    return true;
}

void ModemLine::hangUp()
{
    std::unique_lock lock(m_mutex);
    if (!m_running || m_lineClosed)
        return;
    if (std::this_thread::get_id() == m_thread.get_id()) {
        lock.unlock();
        closeLine();
        return;
    }
    m_hangRequested = true;
    wakeUp();
    m_closed.wait(lock, [this] { return m_lineClosed; });
}

bool ModemLine::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_lineIsOpen;
}

void ModemLine::setShape(const ReplyShape &shape)
{
    std::lock_guard lock(m_mutex);
    m_newShape = shape;
}

std::size_t ModemLine::floodBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_floodCount;
}
