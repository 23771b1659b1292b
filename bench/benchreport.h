// What the benchmark prints: each run as it ends, then the runs pooled and side by side.
#pragma once

#include "latencysummary.h"

#include <QString>

#include <vector>

struct ConfigureResult;
struct RawRoundTripResult;

class BenchReport
{
public:
    static constexpr double StepTargetRatio = 3.0;      // p99 step within 3x the raw round trip
    static constexpr double DialogueTargetRatio = 1.01; // whole dialogue within 1 % of its floor

    // One line of text to standard output, flushed at once.
    static void print(const QString &text);

    // Prints one run and keeps its figures for the summary. `threads` says where the
    // threads ran; `oneCore` whether the window and the modem shared one core in the dialogue.
    void addRun(const RawRoundTripResult &raw, const ConfigureResult &dialogue,
                const QString &loadBefore, const QString &threads, bool oneCore);
    void printSummary() const;
    bool empty() const { return m_runs.empty(); }

private:
    struct Run
    {
        LatencySummary raw;
        LatencySummary modemGap;
        LatencySummary step;
        double p99Ratio = 0;
        double medianRatio = 0;
        double totalMs = 0;
        double floorMs = 0;
        double totalRatio = 0;
        double load = 0;
        bool oneCore = false;
    };

    std::vector<Run> m_runs;
    std::vector<double> m_allRaw;
    std::vector<double> m_allGap;
    std::vector<double> m_allStep;
    int m_exchanges = 0;
};
