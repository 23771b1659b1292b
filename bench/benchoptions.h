// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of the benchmark.
#pragma once

#include <QString>

struct BenchOptions
{
    int runs = 5;      // configurations timed, each with its own raw round-trip measurement
    int entries = 500; // entries of the stored command list
    int pings = 3000;  // raw round trips timed per run
    int warmup = 200;  // raw round trips before those, not timed
    bool pin = false;  // window (and raw client) on one core, modem thread on another
    bool help = false;

    // Fills the options from the arguments; returns "" or what was wrong.
    QString parse(const QStringList &arguments);
    static QString usage(const QString &program);
};
