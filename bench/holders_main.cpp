// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench-holders: how long opening a local port holds the calling thread while the machine
// runs many processes with many descriptors each, which the look for holders reads one by one.
//   <build>/bench/tavoli-bench-holders [processes] [descriptors]    (defaults: 2000 100)
// It starts that many sleeping processes itself (and ends them), opens a pseudo-terminal as
// the port, and reports: the direct open() (every step on the calling thread); the prepared
// line (DeviceLine::prepare(), the look on the scanning thread), as the time in prepare() and
// the longest the calling thread then spent on one event, and the time until ready(); and eight
// lines prepared at once, with the passes over /proc they needed.
#include "deviceline.h"
#include "holderscan.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <array>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Sleeping processes holding `descriptors` open descriptors each; ended with the object.
struct Crowd
{
    std::vector<pid_t> pids;
    Crowd(int processes, int descriptors)
    {
        for (int i = 0; i < processes; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (int d = 0; d < descriptors; ++d)
                    ::open("/dev/null", O_RDONLY);
                ::pause();
                ::_exit(0);
            }
            if (pid < 0)
                break;
            pids.push_back(pid);
        }
    }
    ~Crowd()
    {
        for (const pid_t pid : pids)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : pids)
            ::waitpid(pid, nullptr, 0);
    }
};

struct Pty
{
    int master = -1, slave = -1;
    QString path;
    Pty()
    {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
};

// The application, timing each event it hands out: the longest is how long the thread was
// kept from anything else (a window's repaint, a click) by one step of the open.
class TimedApplication : public QCoreApplication
{
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        QElapsedTimer clock;
        clock.start();
        const bool handled = QCoreApplication::notify(receiver, event);
        longestNs = std::max(longestNs, clock.nsecsElapsed());
        return handled;
    }
    qint64 longestNs = 0;
};

// Runs the event loop until `done` says so; the longest event meanwhile, in milliseconds.
template <typename Done>
double longestHoldMs(TimedApplication &app, Done done)
{
    app.longestNs = 0;
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return app.longestNs / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    const int processes = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int descriptors = argc > 2 ? std::atoi(argv[2]) : 100;
    const Crowd crowd(processes, descriptors); // before Qt starts threads of its own
    TimedApplication app(argc, argv);
    std::printf("%zu sleeping processes with %d descriptors each\n", crowd.pids.size(),
                descriptors);

    {
        Pty pty;
        SerialPort port;
        port.setDevice(pty.path);
        QElapsedTimer clock;
        clock.start();
        const bool opened = port.open().ok();
        std::printf("open() on the calling thread:       %8.1f ms%s\n", clock.nsecsElapsed() / 1e6,
                    opened ? "" : " (refused)");
    }
    {
        Pty pty;
        SerialPort port;
        port.setDevice(pty.path);
        DeviceLine line(port);
        bool ready = false;
        QObject::connect(&line, &DeviceLine::ready, [&ready] { ready = true; });
        QObject::connect(&line, &DeviceLine::connectFailed, [&ready] { ready = true; });
        QElapsedTimer clock;
        clock.start();
        (void)line.prepare();
        const double inPrepare = clock.nsecsElapsed() / 1e6;
        const double gap = longestHoldMs(app, [&ready] { return ready; });
        std::printf(
            "prepare(): in the call %6.1f ms, longest hold %6.1f ms, ready after %8.1f ms\n",
            inPrepare, gap, clock.nsecsElapsed() / 1e6);
    }
    {
        constexpr int Lines = 8;
        std::array<Pty, Lines> ptys;
        std::vector<std::unique_ptr<SerialPort>> ports;
        std::vector<std::unique_ptr<DeviceLine>> lines;
        int ready = 0;
        const quint64 passes = HolderScan::passes();
        QElapsedTimer clock;
        clock.start();
        for (const Pty &pty : ptys) {
            ports.push_back(std::make_unique<SerialPort>());
            ports.back()->setDevice(pty.path);
            lines.push_back(std::make_unique<DeviceLine>(*ports.back()));
            QObject::connect(lines.back().get(), &DeviceLine::ready, [&ready] { ++ready; });
            (void)lines.back()->prepare();
        }
        const double gap = longestHoldMs(app, [&ready] { return ready == Lines; });
        std::printf(
            "%d lines at once: longest hold %6.1f ms, all ready after %8.1f ms, %llu passes\n",
            Lines, gap, clock.nsecsElapsed() / 1e6,
            static_cast<unsigned long long>(HolderScan::passes() - passes));
    }
    return 0;
}
