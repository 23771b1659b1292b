// The other end of the simulated modem, as Tavoli would see it: the slave device opened raw,
// read with poll(), so that the tests see exactly the bytes and the pieces that went on the line.
#pragma once

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
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
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
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t w = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (w < 0 && errno == EAGAIN) {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            if (w <= 0)
                return false;
            done += static_cast<std::size_t>(w);
        }
        return true;
    }

    // Every read() result until `total` bytes arrived or `timeoutMs` passed.
    std::vector<Piece> readPieces(std::size_t total, int timeoutMs)
    {
        std::vector<Piece> pieces;
        std::size_t got = 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got < total) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char buf[8192];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            const auto at = Clock::now();
            if (n <= 0) {
                m_failed = true;
                break;
            }
            pieces.push_back({std::string(buf, static_cast<std::size_t>(n)), at});
            got += static_cast<std::size_t>(n);
        }
        return pieces;
    }

    // Exactly the bytes that arrived, waiting until `count` came or the time ran out.
    std::string read(std::size_t count, int timeoutMs = 1000)
    {
        std::string out;
        for (const Piece &p : readPieces(count, timeoutMs))
            out += p.bytes;
        return out;
    }

    // Whatever arrives until the line has been quiet for `quietMs`.
    std::string readUntilQuiet(int quietMs, std::size_t limit = 1 << 20)
    {
        std::string out;
        while (out.size() < limit) {
            const auto pieces = readPieces(limit - out.size(), quietMs);
            if (pieces.empty())
                break;
            for (const Piece &p : pieces)
                out += p.bytes;
        }
        return out;
    }

    // True when the line reports end of file or an error (the modem hung up) within the time.
    bool seesHangUp(int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            ::poll(&p, 1, 50);
            if (p.revents & (POLLHUP | POLLERR))
                return true;
            if (p.revents & POLLIN) {
                char buf[4096];
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n == 0 || (n < 0 && errno != EAGAIN))
                    return true;
            }
        }
        return false;
    }

    bool failed() const { return m_failed; }

private:
    int m_fd = -1;
    bool m_failed = false;
};
