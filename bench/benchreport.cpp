#include "benchreport.h"

#include "configurerun.h"
#include "dialogueengine.h"
#include "loadprobe.h"
#include "rawroundtrip.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr double PacedSecondsMs = 3 * DialogueEngine::StepIntervalMs;

QString us(double v)
{
    return QString::number(v, 'f', 1);
}

QString summaryLine(const QString &label, const LatencySummary &s)
{
    return QStringLiteral("  %1 n=%2  median %3  p99 %4  max %5  mean %6 µs")
        .arg(label, -44)
        .arg(s.count, 5)
        .arg(us(s.median), 7)
        .arg(us(s.p99), 7)
        .arg(us(s.max), 8)
        .arg(us(s.mean), 7);
}

QLatin1String verdict(bool met)
{
    return met ? QLatin1String("met") : QLatin1String("MISSED");
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return percentileOfSorted(v, 0.5);
}

} // namespace

void BenchReport::print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void BenchReport::addRun(const RawRoundTripResult &rawResult, const ConfigureResult &cfg,
                         const QString &loadBefore, const QString &threads, bool oneCore)
{
    Run f;
    f.load = LoadProbe::oneMinute();
    f.oneCore = oneCore;
    f.raw = LatencySummary::of(rawResult.roundTripUs);
    f.modemGap = LatencySummary::of(rawResult.modemGapUs);
    f.step = LatencySummary::of(cfg.stepUs);
    f.p99Ratio = f.step.p99 / f.raw.p99;
    f.medianRatio = f.step.median / f.raw.median;
    f.totalMs = cfg.totalMs;
    // The line's own time: one raw round trip per command/reply exchange on the way.
    const double listFloorMs = cfg.exchanges * f.raw.median / 1000.0;
    f.floorMs = PacedSecondsMs + listFloorMs;
    f.totalRatio = f.totalMs / f.floorMs;
    m_exchanges = cfg.exchanges;
    m_runs.push_back(f);
    m_allRaw.insert(m_allRaw.end(), rawResult.roundTripUs.begin(), rawResult.roundTripUs.end());
    m_allGap.insert(m_allGap.end(), rawResult.modemGapUs.begin(), rawResult.modemGapUs.end());
    m_allStep.insert(m_allStep.end(), cfg.stepUs.begin(), cfg.stepUs.end());

    print(QStringLiteral("run %1   load average %2 -> %3")
              .arg(m_runs.size())
              .arg(loadBefore, LoadProbe::loadAverage()));
    print(summaryLine(QStringLiteral("raw round trip (client: \"AT\" out, \"0\" in)"), f.raw));
    print(summaryLine(QStringLiteral("raw step (modem view, plain client)"), f.modemGap));
    print(summaryLine(QStringLiteral("step latency (modem's \"0\" -> next command)"), f.step));
    print(QStringLiteral(
              "  step / raw round trip: p99/p99 %1x  median/median %2x   (target p99 <= %3x: %4)")
              .arg(f.p99Ratio, 0, 'f', 2)
              .arg(f.medianRatio, 0, 'f', 2)
              .arg(StepTargetRatio, 0, 'f', 0)
              .arg(verdict(f.p99Ratio <= StepTargetRatio)));
    print(
        QStringLiteral("  first list step (reads the INI file) %1 µs; click -> first command %2 µs")
            .arg(us(cfg.stepUs.front()), us(cfg.clickToFirstCommandUs)));
    print(QStringLiteral("  dialogue: measured %1 ms  floor %2 ms (3 s + %3 x %4 µs)  ratio %5 "
                         "(%6%7 %)   (target <= 1 %: %8)")
              .arg(cfg.totalMs, 0, 'f', 1)
              .arg(f.floorMs, 0, 'f', 1)
              .arg(cfg.exchanges)
              .arg(us(f.raw.median))
              .arg(f.totalRatio, 0, 'f', 4)
              .arg(f.totalRatio >= 1 ? QStringLiteral("+") : QString())
              .arg((f.totalRatio - 1) * 100, 0, 'f', 2)
              .arg(verdict(f.totalRatio <= DialogueTargetRatio)));
    print(QStringLiteral("  where the time went: paced seconds %1 / %2 / %3 ms, list %4 ms (%5 "
                         "exchanges, %6 µs each)")
              .arg(cfg.pacedMs[0], 0, 'f', 2)
              .arg(cfg.pacedMs[1], 0, 'f', 2)
              .arg(cfg.pacedMs[2], 0, 'f', 2)
              .arg(cfg.listMs, 0, 'f', 2)
              .arg(cfg.exchanges)
              .arg(us(cfg.listMs * 1000.0 / cfg.exchanges)));
    print(QStringLiteral("  over the floor: %1 ms = click -> first command %2 + paced seconds %3 + "
                         "list %4 (%5 µs per exchange over the raw round trip)")
              .arg(f.totalMs - f.floorMs, 0, 'f', 2)
              .arg(cfg.clickToFirstCommandUs / 1000.0, 0, 'f', 2)
              .arg(cfg.pacedMs[0] + cfg.pacedMs[1] + cfg.pacedMs[2] - PacedSecondsMs, 0, 'f', 2)
              .arg(cfg.listMs - listFloorMs, 0, 'f', 2)
              .arg(us((cfg.listMs - listFloorMs) * 1000.0 / cfg.exchanges)));
    print(QStringLiteral("  threads: %1").arg(threads));
    print(QString());
}

void BenchReport::printSummary() const
{
    if (m_runs.empty())
        return;
    const LatencySummary raw = LatencySummary::of(m_allRaw);
    const LatencySummary gap = LatencySummary::of(m_allGap);
    const LatencySummary step = LatencySummary::of(m_allStep);
    std::vector<double> p99Ratios, medianRatios, totals, floors, totalRatios;
    for (const Run &f : m_runs) {
        p99Ratios.push_back(f.p99Ratio);
        medianRatios.push_back(f.medianRatio);
        totals.push_back(f.totalMs);
        floors.push_back(f.floorMs);
        totalRatios.push_back(f.totalRatio);
    }
    const int met99 = int(std::count_if(p99Ratios.begin(), p99Ratios.end(),
                                        [](double v) { return v <= StepTargetRatio; }));
    const int metTotal = int(std::count_if(totalRatios.begin(), totalRatios.end(),
                                           [](double v) { return v <= DialogueTargetRatio; }));

    print(QStringLiteral("summary over %1 runs (latencies pooled; %2 exchanges per dialogue)")
              .arg(m_runs.size())
              .arg(m_exchanges));
    print(summaryLine(QStringLiteral("raw round trip"), raw));
    print(summaryLine(QStringLiteral("raw step (modem view, plain client)"), gap));
    print(summaryLine(QStringLiteral("step latency"), step));
    print(QStringLiteral("  pooled step / raw round trip: p99/p99 %1x  median/median %2x")
              .arg(step.p99 / raw.p99, 0, 'f', 2)
              .arg(step.median / raw.median, 0, 'f', 2));
    print(QStringLiteral(
              "  per run p99/p99: median %1x, worst %2x; target p99 <= %3x met in %4 of %5 runs")
              .arg(median(p99Ratios), 0, 'f', 2)
              .arg(*std::max_element(p99Ratios.begin(), p99Ratios.end()), 0, 'f', 2)
              .arg(StepTargetRatio, 0, 'f', 0)
              .arg(met99)
              .arg(m_runs.size()));
    print(
        QStringLiteral("  per run median/median: median %1x").arg(median(medianRatios), 0, 'f', 2));
    print(QStringLiteral("  dialogue: median %1 ms against a median floor of %2 ms: ratio median "
                         "%3, worst %4; target <= 1 % met in %5 of %6 runs")
              .arg(median(totals), 0, 'f', 1)
              .arg(median(floors), 0, 'f', 1)
              .arg(median(totalRatios), 0, 'f', 4)
              .arg(*std::max_element(totalRatios.begin(), totalRatios.end()), 0, 'f', 4)
              .arg(metTotal)
              .arg(m_runs.size()));
    print(QString());
    print(QStringLiteral("run  load  raw med  raw p99  step med  step p99  p99/p99  med/med  "
                         "dialogue ms  floor ms  over floor  threads"));
    for (std::size_t i = 0; i < m_runs.size(); ++i) {
        const Run &f = m_runs[i];
        print(QStringLiteral("%1  %2  %3  %4  %5  %6  %7x  %8x  %9  %10  %11 %  %12")
                  .arg(i + 1, 3)
                  .arg(f.load, 4, 'f', 2)
                  .arg(us(f.raw.median), 7)
                  .arg(us(f.raw.p99), 7)
                  .arg(us(f.step.median), 8)
                  .arg(us(f.step.p99), 8)
                  .arg(f.p99Ratio, 6, 'f', 2)
                  .arg(f.medianRatio, 6, 'f', 2)
                  .arg(f.totalMs, 11, 'f', 1)
                  .arg(f.floorMs, 8, 'f', 1)
                  .arg((f.totalRatio - 1) * 100, 8, 'f', 2)
                  .arg(f.oneCore ? QStringLiteral("one core") : QStringLiteral("two cores")));
    }
    print(QStringLiteral("(latencies in µs; load = 1-minute load average after the run; threads = "
                         "where the window and the modem ran during the dialogue)"));
}
