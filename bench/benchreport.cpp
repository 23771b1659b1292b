// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchreport.h"

#include "configurerun.h"
#include "dialogueengine.h"
#include "loadprobe.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr double PacedSecondsMs = 3 * DialogueEngine::StepIntervalMs;

QString us(double v)
{
    return QString::number(v, 'f', 1);
}

QString summaryLine(const QString &label, const LatencySummary &s)
{
    return QStringLiteral("  %1 n=%2  median %3  p99 %4  max %5  mean %6 µs")
        .arg(label, -40)
        .arg(s.count, 6)
        .arg(us(s.median), 7)
        .arg(us(s.p99), 7)
        .arg(us(s.max), 8)
        .arg(us(s.mean), 7);
}

QLatin1String verdict(bool met)
{
    return met ? QLatin1String("met") : QLatin1String("MISSED");
}

// "median 1.02x (0.98 to 1.10)": the runs' median and their spread.
QString spread(std::vector<double> v, int decimals, const QString &unit)
{
    std::sort(v.begin(), v.end());
    return QStringLiteral("median %1%4 (%2 to %3)")
        .arg(percentileOfSorted(v, 0.5), 0, 'f', decimals)
        .arg(v.front(), 0, 'f', decimals)
        .arg(v.back(), 0, 'f', decimals)
        .arg(unit);
}

} // namespace

bool BenchReport::Run::met() const
{
    return medianRatio <= MedianTargetRatio && p99Ratio <= P99TargetRatio
           && totalRatio <= DialogueTargetRatio;
}

void BenchReport::print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void BenchReport::addRun(const LineAnchor &anchor, const ConfigureResult &cfg,
                         const QString &loadBefore, const QString &threads, bool oneCore)
{
    Run f;
    f.load = LoadProbe::oneMinute();
    f.oneCore = oneCore;
    f.anchor = LatencySummary::of(anchor.modemGapUs);
    f.client = LatencySummary::of(anchor.roundTripUs);
    f.cycle = LatencySummary::of(anchor.cycleUs);
    f.step = LatencySummary::of(cfg.stepUs);
    f.p99Ratio = f.step.p99 / f.anchor.p99;
    f.medianRatio = f.step.median / f.anchor.median;
    f.totalMs = cfg.totalMs;
    // The line's own time: one plain client's exchange (line out, reply back, next line out)
    // per command/reply exchange on the way.
    const double listFloorMs = cfg.exchanges * f.cycle.median / 1000.0;
    f.floorMs = PacedSecondsMs + listFloorMs;
    f.totalRatio = f.totalMs / f.floorMs;
    f.cpuMs = cfg.windowCpuMs;
    double clientCpuUs = 0;
    for (double cpu : anchor.clientCpuUs)
        clientCpuUs += cpu / double(anchor.clientCpuUs.size());
    const double programCpuUs = cfg.processCpuMs * 1000.0 / cfg.exchanges;
    f.programCpuRatio = clientCpuUs > 0 ? programCpuUs / clientCpuUs : 0;
    f.eventWait = LatencySummary::of(cfg.eventWaitMs);
    f.eventWaitMax = f.eventWait.max;
    m_exchanges = cfg.exchanges;
    m_runs.push_back(f);

    print(QStringLiteral("run %1   load average %2 -> %3")
              .arg(m_runs.size())
              .arg(loadBefore, LoadProbe::loadAverage()));
    print(summaryLine(QStringLiteral("line (modem view, plain client)"), f.anchor));
    print(summaryLine(QStringLiteral("line (client view, \"AT\" out, \"0\" in)"), f.client));
    print(summaryLine(QStringLiteral("line, whole exchange (modem view)"), f.cycle));
    print(summaryLine(QStringLiteral("step (modem's \"0\" -> next command)"), f.step));
    print(QStringLiteral("  step / line: median %1x (target <= %2x: %3)  p99 %4x (target <= "
                         "%5x: %6)")
              .arg(f.medianRatio, 0, 'f', 2)
              .arg(MedianTargetRatio, 0, 'f', 1)
              .arg(verdict(f.medianRatio <= MedianTargetRatio))
              .arg(f.p99Ratio, 0, 'f', 2)
              .arg(P99TargetRatio, 0, 'f', 1)
              .arg(verdict(f.p99Ratio <= P99TargetRatio)));
    print(QStringLiteral("  dialogue: measured %1 ms  floor %2 ms (3 s + %3 x %4 µs)  %5%6 %   "
                         "(target <= 1 %: %7)")
              .arg(cfg.totalMs, 0, 'f', 1)
              .arg(f.floorMs, 0, 'f', 1)
              .arg(cfg.exchanges)
              .arg(us(f.cycle.median))
              .arg(f.totalRatio >= 1 ? QStringLiteral("+") : QString())
              .arg((f.totalRatio - 1) * 100, 0, 'f', 2)
              .arg(verdict(f.totalRatio <= DialogueTargetRatio)));
    print(QStringLiteral("  over the floor: %1 ms = click -> first command %2 + paced seconds %3 + "
                         "list %4 (%5 µs per exchange over the line's)")
              .arg(f.totalMs - f.floorMs, 0, 'f', 2)
              .arg(cfg.clickToFirstCommandUs / 1000.0, 0, 'f', 2)
              .arg(cfg.pacedMs[0] + cfg.pacedMs[1] + cfg.pacedMs[2] - PacedSecondsMs, 0, 'f', 2)
              .arg(cfg.listMs - listFloorMs, 0, 'f', 2)
              .arg(us((cfg.listMs - listFloorMs) * 1000.0 / cfg.exchanges)));
    print(QStringLiteral("  window thread CPU time, click to box: %1 ms (%2 µs per exchange); "
                         "first list step %3 µs")
              .arg(f.cpuMs, 0, 'f', 1)
              .arg(us(f.cpuMs * 1000.0 / cfg.exchanges))
              .arg(us(cfg.stepUs.front())));
    print(
        QStringLiteral("  the program's CPU time (every thread but the modem's), click to box: %1 "
                       "µs per exchange; the plain client's: %2 µs; %3x (target <= %4x: %5)")
            .arg(us(programCpuUs))
            .arg(us(clientCpuUs))
            .arg(f.programCpuRatio, 0, 'f', 2)
            .arg(CpuTargetRatio, 0, 'f', 1)
            .arg(verdict(f.programCpuRatio <= CpuTargetRatio)));
    print(QStringLiteral("  window thread, an event posted every 5 ms waited: median %1 ms, p99 %2 "
                         "ms, most %3 ms (target: at most one frame, %4 ms: %5)")
              .arg(f.eventWait.median, 0, 'f', 2)
              .arg(f.eventWait.p99, 0, 'f', 2)
              .arg(f.eventWait.max, 0, 'f', 2)
              .arg(FrameMs, 0, 'f', 1)
              .arg(verdict(f.eventWait.max <= FrameMs)));
    print(QStringLiteral("  threads: %1").arg(threads));
    print(QString());
}

bool BenchReport::allMet() const
{
    return !m_runs.empty() && std::all_of(m_runs.begin(), m_runs.end(), std::mem_fn(&Run::met));
}

void BenchReport::printSummary() const
{
    if (m_runs.empty())
        return;
    auto column = [this](double Run::*field, double scale = 1, double offset = 0) {
        std::vector<double> v;
        for (const Run &f : m_runs)
            v.push_back((f.*field - offset) * scale);
        return v;
    };
    auto metCount = [this](auto met) {
        return int(std::count_if(m_runs.begin(), m_runs.end(), met));
    };
    const int runs = int(m_runs.size());

    print(QStringLiteral("summary over %1 runs (%2 exchanges per dialogue), medians and (spread):")
              .arg(runs)
              .arg(m_exchanges));
    print(QStringLiteral("  step / line, median: %1; <= %2x in %3 of %4 runs")
              .arg(spread(column(&Run::medianRatio), 2, QStringLiteral("x")))
              .arg(MedianTargetRatio, 0, 'f', 1)
              .arg(metCount([](const Run &f) { return f.medianRatio <= MedianTargetRatio; }))
              .arg(runs));
    print(QStringLiteral("  step / line, p99:    %1; <= %2x in %3 of %4 runs")
              .arg(spread(column(&Run::p99Ratio), 2, QStringLiteral("x")))
              .arg(P99TargetRatio, 0, 'f', 1)
              .arg(metCount([](const Run &f) { return f.p99Ratio <= P99TargetRatio; }))
              .arg(runs));
    print(QStringLiteral("  dialogue over its floor: %1; <= 1 % in %2 of %3 runs")
              .arg(spread(column(&Run::totalRatio, 100, 1), 2, QStringLiteral(" %")))
              .arg(metCount([](const Run &f) { return f.totalRatio <= DialogueTargetRatio; }))
              .arg(runs));
    print(QStringLiteral("  window thread CPU time: %1")
              .arg(spread(column(&Run::cpuMs), 1, QStringLiteral(" ms"))));
    print(QStringLiteral("  program CPU per exchange / plain client's: %1; <= %2x in %3 of %4 runs")
              .arg(spread(column(&Run::programCpuRatio), 2, QStringLiteral("x")))
              .arg(CpuTargetRatio, 0, 'f', 1)
              .arg(metCount([](const Run &f) { return f.programCpuRatio <= CpuTargetRatio; }))
              .arg(runs));
    print(QStringLiteral("  longest wait of an event on the window thread: %1; <= one frame in %2 "
                         "of %3 runs")
              .arg(spread(column(&Run::eventWaitMax), 2, QStringLiteral(" ms")))
              .arg(metCount([](const Run &f) { return f.eventWait.max <= FrameMs; }))
              .arg(runs));
    print(QStringLiteral("  load average (1 min, after each run): %1")
              .arg(spread(column(&Run::load), 2, QString())));
    print(QString());
    print(QStringLiteral("run  load  line med  line p99  step med  step p99  med/med  p99/p99  "
                         "dialogue ms  floor ms  over floor  cpu ms  threads"));
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        const Run &f = m_runs[i];
        print(QStringLiteral("%1  %2  %3  %4  %5  %6  %7x  %8x  %9  %10  %11 %  %12  %13")
                  .arg(i + 1, 3)
                  .arg(f.load, 4, 'f', 2)
                  .arg(us(f.anchor.median), 8)
                  .arg(us(f.anchor.p99), 8)
                  .arg(us(f.step.median), 8)
                  .arg(us(f.step.p99), 8)
                  .arg(f.medianRatio, 6, 'f', 2)
                  .arg(f.p99Ratio, 6, 'f', 2)
                  .arg(f.totalMs, 11, 'f', 1)
                  .arg(f.floorMs, 8, 'f', 1)
                  .arg((f.totalRatio - 1) * 100, 8, 'f', 2)
                  .arg(f.cpuMs, 6, 'f', 1)
                  .arg(f.oneCore ? QStringLiteral("one core") : QStringLiteral("two cores")));
    }
    print(QStringLiteral("(latencies in µs; line = the modem-side step of a plain client, "
                         "measured just before and just after each run; load = 1-minute load "
                         "average after the run)"));
}
