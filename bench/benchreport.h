// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmark prints: each run as it ends, then the runs pooled and side by side.
#pragma once

#include "latencysummary.h"

#include <QString>

#include <vector>

struct ConfigureResult;

// The line's own figures around one dialogue: a plain client's exchanges with the modem, timed
// from the modem's side exactly as a dialogue step is, just before and just after the run.
struct LineAnchor
{
    std::vector<double> modemGapUs;  // modem's "0" written -> the client's next line
    std::vector<double> roundTripUs; // the client's own view: "AT" out -> "0" in
    std::vector<double> cycleUs;     // one line's first byte to the next one's, modem view
    std::vector<double> clientCpuUs; // the client thread's CPU per exchange, one per batch
};

class BenchReport
{
public:
    static constexpr double MedianTargetRatio = 1.1;    // step median within 1.1x the line's
    static constexpr double FrameMs = 1000.0 / 60;      // an event waits at most one frame
    static constexpr double CpuTargetRatio = 1.5;       // the program's CPU per exchange
    static constexpr double P99TargetRatio = 1.3;       // step p99 within 1.3x the line's
    static constexpr double DialogueTargetRatio = 1.01; // whole dialogue within 1 % of its floor

    // One line of text to standard output, flushed at once.
    static void print(const QString &text);

    // Prints one run and keeps its figures for the summary. `threads` says where the
    // threads ran; `oneCore` whether the window and the modem shared one core in the dialogue.
    void addRun(const LineAnchor &anchor, const ConfigureResult &dialogue,
                const QString &loadBefore, const QString &threads, bool oneCore);
    void printSummary() const;
    bool empty() const { return m_runs.empty(); }
    // Every run met every target.
    bool allMet() const;

private:
    struct Run
    {
        LatencySummary anchor;
        LatencySummary client;
        LatencySummary cycle;
        LatencySummary step;
        double p99Ratio = 0;
        double medianRatio = 0;
        double totalMs = 0;
        double floorMs = 0;
        double totalRatio = 0;
        double cpuMs = 0;
        double programCpuRatio = 0; // the program's CPU per exchange over the plain client's
        LatencySummary eventWait;   // ms
        double eventWaitMax = 0;
        double load = 0;
        bool oneCore = false;
        bool met() const;
    };

    std::vector<Run> m_runs;
    int m_exchanges = 0;
};
