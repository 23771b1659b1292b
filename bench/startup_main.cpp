// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench-startup: how long the program takes from launch to its first frame on screen,
// and the most memory it holds by then, against a minimal Qt window showing one line of text.
// The two are launched in turn (so that both meet the same machine), each from a fresh process
// in the same temporary working directory; each writes one byte once its first frame has been
// painted and quits (TAVOLI_FIRST_FRAME_FD). Peak memory is the child's maximum resident set.
#include "latencysummary.h"
#include "loadprobe.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// Within a tenth of the minimal window, for time and for memory.
constexpr double TargetRatio = 1.1;

struct Launch
{
    bool ok = false;
    double ms = 0;      // launch to first frame
    double peakMiB = 0; // maximum resident set size
};

Launch launch(const char *program)
{
    Launch result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    // The child's end, kept open across exec under a number the child is told.
    const int childFd = ::fcntl(pipeFds[1], F_DUPFD, 10);
    ::close(pipeFds[1]);
    const std::string fdSetting = "TAVOLI_FIRST_FRAME_FD=" + std::to_string(childFd);
    std::vector<char *> env;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "TAVOLI_FIRST_FRAME_FD=", 22) != 0)
            env.push_back(*e);
    env.push_back(const_cast<char *>(fdSetting.c_str()));
    env.push_back(nullptr);
    char *argv[] = {const_cast<char *>(program), nullptr};

    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program, nullptr, nullptr, argv, env.data());
    ::close(childFd);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        std::fprintf(stderr, "%s: %s\n", program, std::strerror(spawned));
        return result;
    }
    pollfd p{pipeFds[0], POLLIN, 0};
    char byte = 0;
    const bool painted = ::poll(&p, 1, 30000) == 1 && ::read(pipeFds[0], &byte, 1) == 1;
    const Clock::time_point painted_at = Clock::now();
    ::close(pipeFds[0]);
    if (!painted)
        ::kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    result.ok = painted;
    result.ms = std::chrono::duration<double, std::milli>(painted_at - start).count();
    result.peakMiB = double(usage.ru_maxrss) / 1024.0;
    return result;
}

void print(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

QString figures(const char *name, std::vector<double> v, const char *unit)
{
    const LatencySummary s = LatencySummary::of(v);
    std::sort(v.begin(), v.end());
    return QStringLiteral("  %1 median %2 %5 (%3 to %4)")
        .arg(QLatin1String(name), -28)
        .arg(s.median, 0, 'f', 1)
        .arg(v.front(), 0, 'f', 1)
        .arg(v.back(), 0, 'f', 1)
        .arg(QLatin1String(unit));
}

} // namespace

int main(int argc, char *argv[])
{
    int launches = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--launches") == 0 && i + 1 < argc) {
            launches = std::max(1, std::atoi(argv[++i]));
        } else {
            std::printf("usage: %s [--launches N]\n"
                        "  Launches the program and a minimal Qt window in turn, N times each\n"
                        "  (default 20), on the X server of DISPLAY (xvfb-run provides one) or\n"
                        "  offscreen when there is none, and compares launch-to-first-frame time\n"
                        "  and peak memory.\n",
                        argv[0]);
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray platform = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                                    ? "xcb (X server on DISPLAY=" + qgetenv("DISPLAY") + ")"
                                    : qgetenv("QT_QPA_PLATFORM");

    // The program reads its settings from the working directory: an empty one of its own.
    QTemporaryDir workDir;
    if (!workDir.isValid() || !QDir::setCurrent(workDir.path())) {
        print(QStringLiteral("no temporary working directory"));
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", workDir.path().toLocal8Bit()); // private, as Qt wants it

    print(QStringLiteral("tavoli-bench-startup: %1 launches each, platform %2, load average %3")
              .arg(launches)
              .arg(QString::fromLatin1(platform), LoadProbe::loadAverage()));
    std::vector<double> programMs, minimalMs, programMiB, minimalMiB;
    // One launch of each untimed: the libraries come from the page cache after that, as they
    // do for a technician who has run any Qt program.
    launch(TAVOLI_PROGRAM);
    launch(TAVOLI_MINIMAL_WINDOW);
    for (int i = 0; i < launches; ++i) {
        const Launch program = launch(TAVOLI_PROGRAM);
        const Launch minimal = launch(TAVOLI_MINIMAL_WINDOW);
        if (!program.ok || !minimal.ok) {
            print(QStringLiteral("launch %1: a program showed no frame within 30 s").arg(i + 1));
            return 1;
        }
        programMs.push_back(program.ms);
        minimalMs.push_back(minimal.ms);
        programMiB.push_back(program.peakMiB);
        minimalMiB.push_back(minimal.peakMiB);
    }
    const double timeRatio =
        LatencySummary::of(programMs).median / LatencySummary::of(minimalMs).median;
    const double memoryRatio =
        LatencySummary::of(programMiB).median / LatencySummary::of(minimalMiB).median;
    print(figures("tavoli, launch to frame", programMs, "ms"));
    print(figures("minimal window, same", minimalMs, "ms"));
    print(QStringLiteral("  ratio of medians %1x (target <= 1.1x: %2)")
              .arg(timeRatio, 0, 'f', 2)
              .arg(timeRatio <= TargetRatio ? QStringLiteral("met") : QStringLiteral("MISSED")));
    print(figures("tavoli, peak resident", programMiB, "MiB"));
    print(figures("minimal window, same", minimalMiB, "MiB"));
    print(QStringLiteral("  ratio of medians %1x (target <= 1.1x: %2)")
              .arg(memoryRatio, 0, 'f', 2)
              .arg(memoryRatio <= TargetRatio ? QStringLiteral("met") : QStringLiteral("MISSED")));
    print(QStringLiteral("load average at end: %1").arg(LoadProbe::loadAverage()));
    return 0;
}
