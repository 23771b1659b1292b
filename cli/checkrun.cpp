// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkrun.h"

#include "checkprobe.h"
#include "commandlistbuilder.h"
#include "linesettings.h"
#include "signalpipe.h"

#include <QEventLoop>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace CheckRun {

namespace {

int print(const MonitoringCheck::Report &report)
{
    std::fputs(qUtf8Printable(report.text), stdout);
    std::fflush(stdout);
    return int(report.status);
}

} // namespace

int usageError(const QString &message)
{
    return print(MonitoringCheck::usageError(message));
}

int run(const CommandLine::Request &request)
{
    std::unique_ptr<LineLog> log;
    if (!request.logPath.isEmpty()) {
        log = std::make_unique<LineLog>();
        if (const Outcome opened = log->open(request.logPath); !opened)
            return usageError(opened.message());
    }

    MonitoringCheck::Expected expected;
    expected.rings = CommandListBuilder::RingCount(request.rings);
    if (request.speedAsked) {
        const SpeedRow &speed = LineSpeeds::row(request.settings.speed);
        expected.s37 = speed.s37Code.toInt();
        expected.bitRate = speed.bitRate;
    }

    std::vector<std::unique_ptr<CheckProbe>> probes;
    for (const CommandLine::Target &target : request.targets)
        probes.push_back(std::make_unique<CheckProbe>(request, target, log.get()));

    QEventLoop loop;
    qsizetype left = qsizetype(probes.size());
    for (const auto &probe : probes) {
        QObject::connect(probe.get(), &CheckProbe::finished, &loop, [&] {
            if (--left == 0)
                loop.quit();
        });
    }
    // A monitoring system's time-out (SIGTERM) ends every query at once, ports closed.
    SignalPipe signalPipe;
    QObject::connect(&signalPipe, &SignalPipe::caught, &loop, [&](int signal) {
        const QString name = QLatin1String("SIG") + QLatin1String(sigabbrev_np(signal));
        for (const auto &probe : probes)
            probe->interrupt(name);
    });
    for (const auto &probe : probes)
        probe->start();
    loop.exec();

    QList<MonitoringCheck::Reading> readings;
    for (const auto &probe : probes)
        readings.append(probe->reading());
    if (log)
        log->flush();
    return print(MonitoringCheck::report(readings, expected));
}

} // namespace CheckRun
