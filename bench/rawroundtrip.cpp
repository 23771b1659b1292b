// SPDX-License-Identifier: GPL-3.0-or-later
#include "rawroundtrip.h"

#include "cputally.h"
#include "hayesmodem.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

double threadCpuUs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

using Clock = std::chrono::steady_clock;
constexpr int ReplyTimeoutMs = 2000;

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

class SlaveFd
{
public:
    explicit SlaveFd(const std::string &path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {}
    ~SlaveFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SlaveFd(const SlaveFd &) = delete;
    SlaveFd &operator=(const SlaveFd &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

bool writeAll(int fd, const char *bytes, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, bytes, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        bytes += w;
        n -= std::size_t(w);
    }
    return true;
}

// Reads until `ending` has arrived at the end of what was read (bytes before it are dropped).
bool readUntil(int fd, const std::string &ending)
{
    std::string got;
    while (got.size() < ending.size()
           || got.compare(got.size() - ending.size(), ending.size(), ending) != 0) {
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, ReplyTimeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        char buf[256];
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (r <= 0)
            return false;
        got.append(buf, std::size_t(r));
        if (got.size() > 4096)
            got.erase(0, got.size() - ending.size());
    }
    return true;
}

} // namespace

namespace RawRoundTrip {

RawRoundTripResult measure(HayesModem &modem, int count, int warmup, CpuTally *clientCpus,
                           const std::vector<std::string> &lines)
{
    RawRoundTripResult result;
    SlaveFd slave(modem.devicePath());
    if (slave.fd() < 0) {
        result.error = modem.devicePath() + ": " + std::strerror(errno);
        return result;
    }
    termios raw{};
    if (::tcgetattr(slave.fd(), &raw) != 0) {
        result.error = std::string("tcgetattr: ") + std::strerror(errno);
        return result;
    }
    ::cfmakeraw(&raw);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(slave.fd(), TCSANOW, &raw);

    // Whatever the last dialogue left the modem in (quiet after a configuration), numeric
    // results without echo again, then nothing left over on the line.
    static const char wake[] = "ATE0Q0V0\r";
    modem.clearLog();
    if (!writeAll(slave.fd(), wake, sizeof wake - 1) || !readUntil(slave.fd(), "0\r")
        || !modem.waitForSent(1, ReplyTimeoutMs)) {
        result.error = "the modem did not answer ATE0Q0V0";
        return result;
    }
    // The reply can be read before the modem has logged it: clear only once it has.
    ::tcflush(slave.fd(), TCIFLUSH);
    modem.clearLog();

    const std::vector<std::string> pings = lines.empty() ? std::vector<std::string>{"AT\r"} : lines;
    const std::string pong = "0\r";
    result.roundTripUs.reserve(std::size_t(count));
    double cpuAtFirstUs = 0;
    for (int i = 0; i < warmup + count; ++i) {
        if (i == warmup)
            cpuAtFirstUs = threadCpuUs();
        const Clock::time_point t0 = Clock::now();
        const std::string &ping = pings[std::size_t(i) % pings.size()];
        if (!writeAll(slave.fd(), ping.data(), ping.size()) || !readUntil(slave.fd(), pong)) {
            result.error =
                "the modem stopped answering AT after " + std::to_string(i) + " round trips";
            modem.clearLog();
            return result;
        }
        const Clock::time_point t1 = Clock::now();
        if (i >= warmup) {
            result.roundTripUs.push_back(microseconds(t1 - t0));
            if (clientCpus)
                clientCpus->record();
        }
    }

    result.clientCpuUs = count > 0 ? (threadCpuUs() - cpuAtFirstUs) / count : 0;
    modem.waitForSent(std::size_t(warmup + count), ReplyTimeoutMs);
    const std::vector<HayesModem::Received> rx = modem.received();
    const std::vector<HayesModem::Sent> tx = modem.sent();
    modem.clearLog();
    if (rx.size() != std::size_t(warmup + count) || tx.size() != rx.size()) {
        result.error = "the modem logged " + std::to_string(rx.size()) + " lines and "
                       + std::to_string(tx.size()) + " replies for "
                       + std::to_string(warmup + count) + " round trips";
        return result;
    }
    for (std::size_t k = std::size_t(warmup); k + 1 < rx.size(); ++k) {
        result.modemGapUs.push_back(microseconds(rx[k + 1].firstByte - tx[k].lastByte));
        result.cycleUs.push_back(microseconds(rx[k + 1].firstByte - rx[k].firstByte));
    }
    return result;
}

} // namespace RawRoundTrip
