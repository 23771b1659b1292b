// SPDX-License-Identifier: GPL-3.0-or-later
// The other end of the simulated modem, as Tavoli would see it: the slave device opened raw,
// read with poll(), so that the tests see exactly the bytes and the pieces that went on the line.
#pragma once

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class SlaveLine
{
public:
    using Clock = std::chrono::steady_clock;
    struct Piece
    {
        std::string bytes;
        Clock::time_point at;
    };

    explicit SlaveLine(const std::string &path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios t{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~SlaveLine()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SlaveLine(const SlaveLine &) = delete;
    SlaveLine &operator=(const SlaveLine &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool send(const std::string &bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t w = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (w < 0 && errno == EAGAIN) {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else if (w <= 0) {
                return false;
            } else {
                done += std::size_t(w);
            }
        }
        return true;
    }

    // Every read() result until `total` bytes arrived, the time ran out or the line hung up.
    std::vector<Piece> readPieces(std::size_t total, int timeoutMs)
    {
        std::vector<Piece> pieces;
        std::size_t got = 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got < total && !m_hungUp && Clock::now() < deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0)
                continue;
            char buf[8192];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0)
                pieces.push_back({std::string(buf, std::size_t(n)), Clock::now()});
            got += std::size_t(std::max<ssize_t>(n, 0));
            m_hungUp = n == 0 || (n < 0 && (errno != EAGAIN || (p.revents & (POLLHUP | POLLERR))));
        }
        return pieces;
    }

    // The bytes that arrived until `count` came or the time ran out; with `quietMs`, also
    // whatever follows until the line has been quiet that long.
    std::string read(std::size_t count, int timeoutMs = 1000, int quietMs = 0)
    {
        std::string out;
        for (const Piece &p : readPieces(count, timeoutMs))
            out += p.bytes;
        for (bool more = quietMs > 0; more;) {
            const auto pieces = readPieces(1 << 20, quietMs);
            more = !pieces.empty();
            for (const Piece &p : pieces)
                out += p.bytes;
        }
        return out;
    }

    // True when the line reports end of file or an error (the modem hung up) within the time.
    bool seesHangUp(int timeoutMs)
    {
        readPieces(std::size_t(-1), timeoutMs);
        return m_hungUp;
    }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};
